// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/BitMath.h"

#include <bit>

std::int32_t FloorLog2(std::uint64_t value) {
    return static_cast<std::int32_t>(std::bit_width(value)) - 1;
}

std::int32_t ReverseBits(std::int32_t index, std::int32_t bitCount) {
    std::uint32_t value = static_cast<std::uint32_t>(index);
    std::uint32_t result = 0;
    for (std::int32_t bit = 0; bit < bitCount; ++bit) {
        result = 2 * result + value % 2;
        value /= 2;
    }
    return static_cast<std::int32_t>(result);
}
