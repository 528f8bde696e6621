// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The texts that analysis outcomes are reported with. The analysis never shows
// them itself: the layer that owns a window shows them, and the formatting
// helpers of PeakReport.h fill the formats. Each text exists here once.

/// Text of the box shown when a click finds no local maximum in the spectrum.
inline constexpr char kNoLocalMaximumText[] = "no lokal maximum!";

/// Text of the box shown when the analysis buffers cannot be allocated.
inline constexpr char kMemoryAllocationImpossibleText[] = "memory allocation impossible";

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
