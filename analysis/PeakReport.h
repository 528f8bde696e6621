#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The result texts of one peak selection, each at most 31 characters, and the
// sample rate at which the peak would sound exactly on its note. The program
// line and the result dialog both use these, so the texts read alike.

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

/// The text of the unsupported-resolution box of the preview, "%d  bits/sample".
std::string FormatBitsPerSampleText(std::uint32_t bitsPerSample);

/// The text of the unsupported-resolution box of the spectrum, "%d".
std::string FormatBitCountText(std::uint32_t bitsPerSample);
