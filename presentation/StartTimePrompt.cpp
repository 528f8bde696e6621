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

bool IsWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

std::optional<std::int32_t> LeadingInteger(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && IsWhiteSpace(text[at])) {
        ++at;
    }
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    // Magnitudes up to 2^31 fit; -2^31 is the one such value with a sign.
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        magnitude = magnitude * 10 + (text[at] - '0');
        if (magnitude > kLimit) {
            return std::nullopt;
        }
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

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
