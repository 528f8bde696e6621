// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// FileSaveAnswers: the person in front of the save-file dialog during a
// test. While it lives it stands in for the dialog (the ISaveFileDialog
// seam): each dialog takes the next queued answer (a path, or cancel), and
// what the dialog was asked to show is recorded. A dialog that finds no
// answer queued fails the test and is cancelled.
//
//     harness::FileSaveAnswers saves;
//     saves.Choose("/tmp/copy.wav");
//     ...press "Modify..."...
//     EXPECT_EQ(saves.Last().InitialName, "/tmp/source.wav");

#include "framework/FileSaveDialog.h"
#include "framework/testing/Harness.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace harness {

class FileSaveAnswers : public ISaveFileDialog {
public:
    FileSaveAnswers();
    /// Fails the test when queued answers were never used.
    ~FileSaveAnswers() override;

    FileSaveAnswers(const FileSaveAnswers&) = delete;
    FileSaveAnswers& operator=(const FileSaveAnswers&) = delete;

    /// Answers the next dialog with `path`, as if typed and confirmed
    /// (without an extension the dialog's default extension is appended).
    FileSaveAnswers& Choose(std::string path);
    /// Answers the next dialog with Cancel.
    FileSaveAnswers& Cancel();

    /// Every dialog shown so far, in order.
    const std::vector<TSaveFileRequest>& Shown() const { return Seen; }
    /// The last dialog shown; fails the test when there was none.
    TSaveFileRequest Last() const;
    /// The number of answers not used yet.
    std::size_t PendingAnswers() const { return Answers.size(); }

    std::optional<std::string> AskSaveName(const TSaveFileRequest& request) override;

private:
    std::deque<std::optional<std::string>> Answers;  // nothing: cancel
    std::vector<TSaveFileRequest> Seen;
    TScopedSeam<ISaveFileDialog> Scope;
};

}  // namespace harness
