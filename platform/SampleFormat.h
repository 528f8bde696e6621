// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Lives in platform, the lowest layer, because the sound service needs it as
// much as the document, the analysis and the views; header only, so that the
// analysis takes nothing of platform but these lines.

#include "platform/LittleEndian.h"

#include <cstdint>

/// The sample resolutions the program reads, plays and draws, and the value
/// of one sample: 8-bit samples are unsigned bytes centred on 128, 16-bit
/// samples signed little-endian integers.
namespace platform {

/// True for 8 and 16 bits per sample, the only resolutions the program handles.
constexpr bool IsSupportedResolution(std::uint32_t bitsPerSample) {
    return bitsPerSample == 8 || bitsPerSample == 16;
}

/// The value of the 8-bit sample at `at`: -128 ... 127.
constexpr int EightBitSample(const std::uint8_t* at) {
    return at[0] - 128;
}

/// The value of the 16-bit sample at `at`: -32768 ... 32767.
constexpr int SixteenBitSample(const std::uint8_t* at) {
    return static_cast<std::int16_t>(ReadLittleEndian16(at));
}

/// The value of the sample at `at` of a supported resolution.
constexpr int SampleValue(const std::uint8_t* at, std::uint32_t bitsPerSample) {
    return bitsPerSample == 8 ? EightBitSample(at) : SixteenBitSample(at);
}

}  // namespace platform
