// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// Integer helpers of the transform set-up: base-2 logarithm and bit reversal.

/// Position of the highest set bit of value (1 -> 0, 4096 -> 12); -1 for 0.
std::int32_t FloorLog2(std::uint64_t value);

/// The low bitCount bits of index in reverse order (bitCount 3: 1 -> 4, 6 -> 3).
/// Bits of index above bitCount are dropped. bitCount is 0 ... 31.
std::int32_t ReverseBits(std::int32_t index, std::int32_t bitCount);
