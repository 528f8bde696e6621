// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/TransformSize.h"

#include "analysis/BitMath.h"

std::optional<TransformDimensions> ChooseTransformSize(std::uint32_t sampleRate) {
    // 64-bit products: the rate times 4096 or 6000 outgrows 32 bits from about 700 kHz on.
    const std::uint64_t rate = sampleRate;
    const std::uint64_t firstGuess = rate * 4096 / 11025;
    std::int32_t binCountLog2 = FloorLog2(firstGuess);
    if (firstGuess == 0 || (std::uint64_t{1} << binCountLog2) != firstGuess) {
        binCountLog2 = FloorLog2(rate * 6000 / 11025);
    }
    if (binCountLog2 < 0 || binCountLog2 > kMaxBinCountLog2) {
        return std::nullopt;
    }
    const std::int32_t binCount = std::int32_t{1} << binCountLog2;
    return TransformDimensions{binCount, 2 * binCount, binCountLog2, binCountLog2 + 1};
}
