// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/NoteNaming.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The result texts of one peak selection, each at most 31 characters, and the
// sample rate at which the peak would sound exactly on its note. The program
// line and the result dialog both use these, so the texts read alike.

/// What one located peak comes to: its frequency, the nearest note, the rate
/// at which it would sound exactly on that note, and the three result texts.
struct PeakDescription {
    double Frequency;           ///< the peak, Hz
    NamedNote Note;             ///< the nearest note; its Frequency is never 0.0
    long ProposedRate;          ///< ProposeSampleRate for the recording's rate
    std::string FrequencyText;  ///< FormatFrequencyText: "438.2 Hz"
    std::string NoteText;       ///< FormatNoteText: "a1 (440.0 Hz)"
    std::string RateText;       ///< FormatRateText: "44281"
};

/// Describes the peak at `frequency` Hz of a recording at `sampleRate`, its
/// note named with A at `a4` Hz (NameNoteAt). Nothing when the note has no
/// frequency ("too low!", or an infinite peak): no rate puts it on a note.
std::optional<PeakDescription> DescribePeak(double frequency, std::uint32_t sampleRate, double a4 = kStandardA4);

/// The sample rate at which `frequency` would sound as `noteFrequency`:
/// sampleRate x noteFrequency / frequency in extended precision, truncated
/// toward zero (44100 Hz, 440.0 / 438.2 -> 44281). Returns 0 when the result
/// is not a finite value within the signed 32-bit range (a frequency of 0,
/// for one).
long ProposeSampleRate(std::uint32_t sampleRate, double noteFrequency, double frequency);

/// The measured frequency, "%5.1f Hz": 438.2 -> "438.2 Hz".
std::string FormatFrequencyText(double frequency);

/// The note and its frequency, "%s (%5.1f Hz)": "a1 (440.0 Hz)".
std::string FormatNoteText(std::string_view noteName, double noteFrequency);

/// The proposed sample rate, "%ld": "44281".
std::string FormatRateText(long sampleRate);
