#pragma once

// The texts that analysis outcomes are reported with. The analysis never shows
// them itself: the layer that owns a window shows them, and the formatting
// helpers of PeakReport.h fill the formats. Each text exists here once.

/// Text of the box shown when a click finds no local maximum in the spectrum.
inline constexpr char kNoLocalMaximumText[] = "no lokal maximum!";

/// Text of the box shown when the analysis buffers cannot be allocated.
inline constexpr char kMemoryAllocationImpossibleText[] = "memory allocation impossible";

/// Caption of the box the waveform preview shows for a resolution it cannot draw.
inline constexpr char kUnsupportedResolutionCaption[] = "unsupported resolution";

/// Text of that box, filled with the bit count (two blanks before "bits").
inline constexpr char kBitsPerSampleFormat[] = "%d  bits/sample";

/// Caption of the box shown when the spectrum is asked for a resolution it cannot read.
inline constexpr char kUnsupportedResolutionBitsCaption[] = "unsupported resolution (bits/sample)";

/// Text of that box: the bit count alone.
inline constexpr char kBitCountFormat[] = "%d";

/// Note text for a frequency below the lowest nameable C.
inline constexpr char kTooLowText[] = "too low!";

/// Note text for a frequency whose nearest note lies above the highest nameable octave.
inline constexpr char kTooHighText[] = "too high!";

/// Format of the measured frequency in the result.
inline constexpr char kFrequencyFormat[] = "%5.1f Hz";

/// Format of the note in the result: its name and its exact frequency.
inline constexpr char kNoteFormat[] = "%s (%5.1f Hz)";

/// Format of the proposed sample rate in the result.
inline constexpr char kRateFormat[] = "%ld";
