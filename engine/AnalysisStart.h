// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

class TWaveData;

/// The user's part in the analysis set-up: looking at the first samples of
/// the loaded recording and choosing the sample the analysis starts from.
/// The window program draws the preview into its main window and prompts for
/// a start time; the command-line tool takes the start from its arguments.
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
