// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>

/// How a peak search ended.
enum class PeakOutcome {
    Found,            ///< Frequency holds the refined peak
    NoLocalMaximum,   ///< the climb reached an edge bin, or the top is flat
    OutsideSpectrum,  ///< the bin lies outside 0 ... M - 1; nothing was read
};

/// The result of a peak search: the frequency in Hz when Found, else 0.0.
struct PeakLocation {
    PeakOutcome Outcome;
    double Frequency;
};

/// Climbs from `bin` of `magnitude` (M values) to the nearest local maximum:
/// right while the right neighbour is strictly higher, else left while the
/// left neighbour is strictly higher; an equal neighbour stops the climb.
/// Refines the top k by the parabola through bins k - 1, k, k + 1 and returns
/// the position p as p / transformSize x sampleRate Hz. A climb that reaches
/// bin 0 or M - 1, a top in an edge bin (it has one neighbour only) and a flat
/// top (the three bins equal, silence included) give NoLocalMaximum; a bin
/// outside 0 ... M - 1 gives OutsideSpectrum. Reads only the bins it climbs.
PeakLocation LocatePeak(std::span<const double> magnitude, std::int32_t transformSize, std::uint32_t sampleRate,
                        std::int64_t bin);
