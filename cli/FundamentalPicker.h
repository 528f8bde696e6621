#pragma once

#include <cstdint>
#include <span>

// Where a command-line analysis starts its climb when no bin is given: at the
// fundamental of the note, or at the strongest bin. Both read a magnitude
// spectrum as the analysis computes it (M bins, bin k standing for
// k x sampleRate / transformSize Hz) and only choose a bin: the climb, the
// refinement and the note name are those of a click, run by the caller.

/// The bin a climb has to start from so that it ends on the fundamental of
/// the note a listener hears, not on its strongest partial (the octave or the
/// twelfth above, as on many pianos, guitars, organs, flutes and clarinets).
/// Every peak is tried as the fundamental F: F is scored by the share of the
/// strong partials that lie on its harmonic series, times how fully the
/// series up to the highest strong partial is occupied; the best F wins and
/// the answer is the top bin of the peak at F. Only peaks are tried, as only
/// a peak can end a climb: when the fundamental shows none at all, the answer
/// is the partial that best explains the others, usually the lowest one
/// present. Fundamentals below 20 Hz and bins 0 and 1 (the
/// window's share of a constant offset) are not considered. A spectrum with
/// no peak at all (silence) gives StrongestBin. Answers 0 for an empty
/// spectrum; otherwise a bin from 0 to M - 1.
std::int32_t PickFundamentalBin(std::span<const double> magnitude, std::int32_t transformSize,
                                std::uint32_t sampleRate);

/// The strongest bin above bin 1, the lowest of equals; bins 0 and 1 hold the
/// constant offset of the recording, not a pitch. Answers the last bin when
/// there are fewer than three, and 0 for an empty spectrum.
std::int32_t StrongestBin(std::span<const double> magnitude);
