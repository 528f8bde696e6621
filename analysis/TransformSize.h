// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>

/// The size of the transform chosen for one sample rate: M bins kept,
/// N = 2 x M points, and their base-2 logarithms (L = log2 N stages).
struct TransformDimensions {
    std::int32_t BinCount;
    std::int32_t TransformSize;
    std::int32_t BinCountLog2;
    std::int32_t TransformLog2;
};

/// Largest base-2 logarithm of the bin count: N = 2^30 is the largest power
/// of two that a signed 32-bit transform size holds.
inline constexpr std::int32_t kMaxBinCountLog2 = 29;

/// Chooses the transform size from the sample rate alone. M is
/// rate x 4096 / 11025 when that quotient is a power of two (11025 Hz and its
/// doublings keep a bin width of 1.3458 Hz); otherwise the largest power of two
/// not above rate x 6000 / 11025 (8000 Hz -> 4096 bins, 48000 Hz -> 16384).
/// Returns nothing for a rate below 2 Hz, which leaves no bin, and for a rate
/// so high that N would not fit a signed 32-bit count.
std::optional<TransformDimensions> ChooseTransformSize(std::uint32_t sampleRate);
