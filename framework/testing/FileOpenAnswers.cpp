// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/testing/FileOpenAnswers.h"

#include <gtest/gtest.h>

namespace harness {

FileOpenAnswers::FileOpenAnswers() : Scope(*this) {}

FileOpenAnswers::~FileOpenAnswers() {
    EXPECT_TRUE(Answers.empty()) << Answers.size() << " file-open answer(s) were never used";
}

FileOpenAnswers& FileOpenAnswers::Choose(std::string path, std::optional<std::size_t> filterIndex, bool readOnly) {
    Answers.push_back(Answer{std::move(path), filterIndex, readOnly});
    return *this;
}

FileOpenAnswers& FileOpenAnswers::Cancel() {
    Answers.push_back(Answer{});
    return *this;
}

ShownFileOpen FileOpenAnswers::Last() const {
    return LastShown(Seen, "no file-open dialog was shown");
}

bool FileOpenAnswers::Run(TWindow* owner, TFileOpenDialog::TData& data) {
    Seen.push_back(ShownFileOpen{owner, data.Filters, data.FilterIndex, data.InitialDirectory, data.DefaultExtension,
                                 data.Options, data.PathBufferSize});
    if (Answers.empty()) {
        ADD_FAILURE() << "a file-open dialog was shown with no answer queued; it was cancelled";
        return false;
    }
    const Answer answer = Answers.front();
    Answers.pop_front();
    if (!answer.Path) {
        return false;
    }
    data.FileName = *answer.Path;
    if (answer.FilterIndex) {
        data.FilterIndex = *answer.FilterIndex;
    }
    data.Options =
        answer.ReadOnly ? data.Options | TFileOpenDialog::ReadOnly : data.Options & ~TFileOpenDialog::ReadOnly;
    return true;
}

}  // namespace harness
