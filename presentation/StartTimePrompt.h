// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// korvani's part in the analysis set-up: the waveform preview in the main
// window, then the prompt for the start time in milliseconds, turned into
// the sample the analysis starts from. The document's set-up asks again
// while the answer is no usable start; this chooser only asks once per call.
// It owns nothing: the main window and the recording are lent to it.

#include "presentation/EnteredNumbers.h"

#include "engine/AnalysisStart.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

class TWaveDocument;
class TWindow;

/// The start sample of the prompt's text `entry` at `sampleRate`: its leading
/// integer in milliseconds x sampleRate / 1000, in 64-bit integers. Answers
/// -1, a start the set-up never accepts, for a negative entry and for one
/// whose start sample does not fit 32 bits, so that the prompt comes again.
std::int64_t StartSampleOfEntry(std::string_view entry, std::uint32_t sampleRate);

/// The chooser of the window program: the preview, then the start-time prompt.
class TStartTimePrompt final : public TAnalysisStartChooser {
public:
    /// A chooser that draws into and prompts over `mainWindow`.
    explicit TStartTimePrompt(TWindow* mainWindow) : MainWindow(mainWindow) {}

    /// DrawWaveformPreview on the main window.
    bool ShowPreview(const TWaveData& wave) override;

    /// Runs the prompt "You can specify a start point for the analysis." /
    /// "start time in milli seconds :" over an 8-byte buffer holding "0" (at
    /// most 7 characters can be typed). OK: StartSampleOfEntry of the text;
    /// Cancel or closing: 0.
    std::int64_t AskStartSample(const TWaveData& wave) override;

private:
    TWindow* MainWindow;
};

/// The factory korvani's document template hands its documents: a
/// TStartTimePrompt over `owner`, the document's main window; none without a
/// main window (the analysis then starts at the first sample, unasked).
std::unique_ptr<TAnalysisStartChooser> MakeStartTimePrompt(TWindow* owner, const TWaveDocument& document);
