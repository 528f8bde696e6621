// SPDX-License-Identifier: GPL-3.0-or-later
#include "presentation/StartTimePrompt.h"

#include "presentation/WaveformPreview.h"

#include "engine/WaveData.h"

#include "analysis/FrequencyAnalysis.h"
#include "framework/InputDialog.h"
#include "framework/MessageBox.h"

#include <limits>

namespace {

constexpr char kPromptCaption[] = "You can specify a start point for the analysis.";
constexpr char kPromptText[] = "start time in milli seconds :";
constexpr int kEntryBufferSize = 8;  // terminator included: 7 characters
constexpr std::int64_t kAskAgain = -1;

}  // namespace

std::int64_t StartSampleOfEntry(std::string_view entry, std::uint32_t sampleRate) {
    const std::optional<std::int32_t> milliseconds = LeadingInteger(entry);
    // A start before the data, or beyond what 32 bits count, is asked for again.
    if (!milliseconds || *milliseconds < 0) {
        return kAskAgain;
    }
    const std::int64_t start = StartSampleFromMilliseconds(*milliseconds, sampleRate);
    if (start > std::numeric_limits<std::int32_t>::max()) {
        return kAskAgain;
    }
    return start;
}

bool TStartTimePrompt::ShowPreview(const TWaveData& wave) {
    return DrawWaveformPreview(MainWindow, wave);
}

std::int64_t TStartTimePrompt::AskStartSample(const TWaveData& wave) {
    char entry[kEntryBufferSize] = "0";  // each prompt starts from "0"
    TInputDialog prompt(MainWindow, kPromptCaption, kPromptText, entry, kEntryBufferSize);
    if (prompt.Execute() != IDOK) {
        return 0;
    }
    return StartSampleOfEntry(entry, wave.SampleRate());
}

std::unique_ptr<TAnalysisStartChooser> MakeStartTimePrompt(TWindow* owner, const TWaveDocument&) {
    if (owner == nullptr) {
        return nullptr;  // no window to draw in or to own the prompt
    }
    return std::make_unique<TStartTimePrompt>(owner);
}
