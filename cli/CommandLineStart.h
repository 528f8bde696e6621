// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/AnalysisStart.h"

#include <cstdint>

/// The start of the analysis as the command line gives it (--start MS), in
/// place of korvani's preview and prompt: shows nothing and asks no one. A
/// start at or past the end of the recording is not asked again, as the
/// prompt would: it is remembered, and answered with the first sample only so
/// that the set-up can finish; the caller reports it and uses no result.
/// Owns nothing.
class CommandLineStart final : public TAnalysisStartChooser {
public:
    /// A start `milliseconds` into the recording (0 or more).
    explicit CommandLineStart(std::int32_t milliseconds) : milliseconds_(milliseconds) {}

    /// Shows nothing and answers true.
    bool ShowPreview(const TWaveData&) override { return true; }

    /// The start sample of the start time at the file's rate, or 0 after
    /// noting that it lies past the end.
    std::int64_t AskStartSample(const TWaveData& wave) override;

    /// The start sample the start time gave, also when it lies past the end.
    std::int64_t StartSample() const { return startSample_; }

    /// True when the start time lies at or past the end of the recording.
    bool PastTheEnd() const { return pastTheEnd_; }

private:
    std::int32_t milliseconds_;
    std::int64_t startSample_ = 0;
    bool pastTheEnd_ = false;
};
