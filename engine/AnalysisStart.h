// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

class TWaveData;

/// The user's part in the analysis set-up: looking at the first samples of
/// the loaded recording and choosing the sample the analysis starts from.
/// The window program draws the preview into its main window and prompts for
/// a start time; the command-line tool gives it in advance (TGivenStartTime).
/// Reads the loaded file, changes nothing in it, owns nothing.
class TAnalysisStartChooser {
public:
    virtual ~TAnalysisStartChooser() = default;

    /// Shows the first samples of `wave`, whose resolution is 8 or 16 bits.
    /// Answers false when it could not; it has then shown its own message and
    /// the set-up fails.
    virtual bool ShowPreview(const TWaveData& wave) = 0;

    /// Asks once for the start sample. The set-up asks again, as often as
    /// needed, while the answer is negative or not below the sample count.
    virtual std::int64_t AskStartSample(const TWaveData& wave) = 0;
};

/// The chooser used where no one is asked: no preview, the analysis starts at
/// the first sample.
class TFirstSampleStart final : public TAnalysisStartChooser {
public:
    /// Shows nothing and answers true.
    bool ShowPreview(const TWaveData&) override { return true; }

    /// Answers 0, the first sample.
    std::int64_t AskStartSample(const TWaveData&) override { return 0; }
};

/// A start time given in advance (korvani-pitch's --start MS), in place of the
/// preview and the prompt: shows nothing and asks no one. A start at or past
/// the end of the recording is not asked again, as the prompt would: it is
/// remembered, and answered with the first sample only so that the set-up can
/// finish; the caller reports it and uses no result.
class TGivenStartTime final : public TAnalysisStartChooser {
public:
    /// A start `milliseconds` into the recording (0 or more).
    explicit TGivenStartTime(std::int32_t milliseconds) : milliseconds_(milliseconds) {}

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
