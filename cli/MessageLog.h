// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/FailureCode.h"

#include "engine/WaveReporter.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

/// One message box korvani would show: its caption (none: the default
/// caption) and its text.
struct BoxMessage {
    std::optional<std::string> Caption;
    std::string Text;
    FailureCode Code = FailureCode::Failed;  ///< what kind of failure; unused for information

    bool operator==(const BoxMessage&) const = default;
};

/// Takes the WAV engine's message boxes for one file and sorts them: the
/// channel-count and sampling-frequency boxes are part of a result, every
/// other box tells of a failure, kept in the command line's plain words (see
/// PlainFailureOf) with its code. Keeps both in the order they came. Shows
/// nothing and owns nothing but its copies of the texts.
class MessageLog final : public TWaveReporter {
public:
    /// Records one box.
    void Report(std::string_view text, const char* caption) override;

    /// Records a failure of the command-line tool's own, which korvani never
    /// meets (it prompts, or ignores a click, instead): no caption.
    void AddFailure(std::string text);

    /// Records a failure of the tool's own with its code.
    void AddFailure(FailureCode code, std::string text);

    /// The channel-count and sampling-frequency boxes, in order.
    const std::vector<BoxMessage>& Information() const { return information_; }

    /// Every other box, in order; empty while nothing failed.
    const std::vector<BoxMessage>& Failures() const { return failures_; }

private:
    std::vector<BoxMessage> information_;
    std::vector<BoxMessage> failures_;
};
