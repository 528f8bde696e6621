// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/PeakReport.h"

#include "analysis/AnalysisTexts.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <utility>

namespace {

// The result boxes hold texts of at most 31 characters.
constexpr std::size_t kTextCapacity = 32;

template <typename... Arguments>
std::string FormatText(const char* format, Arguments... arguments) {
    char text[kTextCapacity];
    std::snprintf(text, sizeof text, format, arguments...);
    return text;
}

}  // namespace

long ProposeSampleRate(std::uint32_t sampleRate, double noteFrequency, double frequency) {
    const long double rate = static_cast<long double>(sampleRate) * noteFrequency / frequency;
    constexpr auto kLowest = static_cast<long double>(std::numeric_limits<std::int32_t>::min());
    constexpr auto kHighest = static_cast<long double>(std::numeric_limits<std::int32_t>::max());
    if (!(rate >= kLowest && rate <= kHighest)) {
        return 0;
    }
    return static_cast<long>(rate);
}

std::string FormatFrequencyText(double frequency) {
    return FormatText(kFrequencyFormat, frequency);
}

std::string FormatNoteText(std::string_view noteName, double noteFrequency) {
    const std::string name(noteName);
    return FormatText(kNoteFormat, name.c_str(), noteFrequency);
}

std::string FormatRateText(long sampleRate) {
    return FormatText(kRateFormat, sampleRate);
}

std::optional<PeakDescription> DescribePeak(double frequency, std::uint32_t sampleRate, double a4) {
    NamedNote note = NameNoteAt(frequency, a4);
    if (note.Frequency == 0.0) {
        return std::nullopt;
    }
    const long rate = ProposeSampleRate(sampleRate, note.Frequency, frequency);
    std::string noteText = FormatNoteText(note.Text, note.Frequency);
    return PeakDescription{frequency,           std::move(note),     rate, FormatFrequencyText(frequency),
                           std::move(noteText), FormatRateText(rate)};
}
