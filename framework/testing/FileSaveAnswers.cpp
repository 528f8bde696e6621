// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/testing/FileSaveAnswers.h"

#include <gtest/gtest.h>

namespace harness {

FileSaveAnswers::FileSaveAnswers() : Scope(*this) {}

FileSaveAnswers::~FileSaveAnswers() {
    EXPECT_TRUE(Answers.empty()) << Answers.size() << " save-file answer(s) were never used";
}

FileSaveAnswers& FileSaveAnswers::Choose(std::string path) {
    Answers.emplace_back(std::move(path));
    return *this;
}

FileSaveAnswers& FileSaveAnswers::Cancel() {
    Answers.emplace_back(std::nullopt);
    return *this;
}

TSaveFileRequest FileSaveAnswers::Last() const {
    return LastShown(Seen, "no save-file dialog was shown");
}

std::optional<std::string> FileSaveAnswers::AskSaveName(const TSaveFileRequest& request) {
    Seen.push_back(request);
    if (Answers.empty()) {
        ADD_FAILURE() << "a save-file dialog was shown with no answer queued; it was cancelled";
        return std::nullopt;
    }
    std::optional<std::string> answer = std::move(Answers.front());
    Answers.pop_front();
    if (!answer || request.DefaultExt.empty()) {
        return answer;
    }
    // The dialog appends its default extension to a name typed without one.
    const std::size_t slash = answer->find_last_of('/');
    const std::size_t dot = answer->find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        *answer += "." + request.DefaultExt;
    }
    return answer;
}

}  // namespace harness
