// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// FileOpenAnswers: the person in front of the file-open dialog during a
// test. While it lives it stands in for the dialog (the IFileOpenDialog
// seam): each dialog takes the next queued answer (a path, or cancel) and
// what the dialog was asked to show is recorded. A dialog that finds no
// answer queued fails the test and is cancelled.
//
//     harness::FileOpenAnswers files;
//     files.Choose("/tmp/a.wav");
//     harness::ClickMenuItem(frame, {"&file", "open..."});
//     EXPECT_EQ(files.Last().Filters.size(), 1u);

#include "framework/FileOpenDialog.h"
#include "framework/testing/Harness.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace harness {

/// What one file-open dialog was asked to show.
struct ShownFileOpen {
    TWindow* Owner = nullptr;
    std::vector<TFileFilter> Filters;
    std::size_t FilterIndex = 0;
    std::string InitialDirectory;
    std::string DefaultExtension;
    unsigned Options = 0;
    std::size_t PathBufferSize = 0;
};

class FileOpenAnswers : public IFileOpenDialog {
public:
    FileOpenAnswers();
    /// Fails the test when queued answers were never used.
    ~FileOpenAnswers() override;

    FileOpenAnswers(const FileOpenAnswers&) = delete;
    FileOpenAnswers& operator=(const FileOpenAnswers&) = delete;

    /// Answers the next dialog with `path`, picking type `filterIndex`
    /// (nothing: the type the dialog showed first) and checking the
    /// read-only box or not.
    FileOpenAnswers& Choose(std::string path, std::optional<std::size_t> filterIndex = std::nullopt,
                            bool readOnly = false);
    /// Answers the next dialog with Cancel.
    FileOpenAnswers& Cancel();

    /// Every dialog shown so far, in order.
    const std::vector<ShownFileOpen>& Shown() const { return Seen; }
    /// The last dialog shown; fails the test when there was none.
    ShownFileOpen Last() const;
    /// The number of answers not used yet.
    std::size_t PendingAnswers() const { return Answers.size(); }

    bool Run(TWindow* owner, TFileOpenDialog::TData& data) override;

private:
    struct Answer {
        std::optional<std::string> Path;  // nothing: cancel
        std::optional<std::size_t> FilterIndex;
        bool ReadOnly = false;
    };
    std::deque<Answer> Answers;
    std::vector<ShownFileOpen> Seen;
    TScopedSeam<IFileOpenDialog> Scope;
};

}  // namespace harness
