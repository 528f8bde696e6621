// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

// Helpers shared by the analysis tests: tolerant comparison and sample data
// built in memory.

/// Passes when |actual - expected| <= relative x |expected| + absolute.
inline ::testing::AssertionResult RelativelyNear(double actual, double expected, double relative,
                                                 double absolute = 0.0) {
    const double allowed = relative * std::abs(expected) + absolute;
    if (std::abs(actual - expected) <= allowed) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << actual << " differs from " << expected << " by "
                                         << std::abs(actual - expected) << ", more than " << allowed;
}

/// 16-bit sample values as the little-endian bytes of a data chunk.
inline std::vector<std::uint8_t> SixteenBitData(const std::vector<std::int16_t>& values) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(2 * values.size());
    for (const std::int16_t value : values) {
        const auto word = static_cast<std::uint16_t>(value);
        bytes.push_back(static_cast<std::uint8_t>(word & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(word >> 8));
    }
    return bytes;
}

/// `count` values of amplitude x sin(2 pi frequency t), sampled at sampleRate, rounded.
inline std::vector<std::int16_t> SineValues(double frequency, double sampleRate, double amplitude, std::size_t count) {
    const double pi = std::acos(-1.0);
    std::vector<std::int16_t> values(count);
    for (std::size_t n = 0; n < count; ++n) {
        const double phase = 2.0 * pi * frequency * static_cast<double>(n) / sampleRate;
        values[n] = static_cast<std::int16_t>(std::lround(amplitude * std::sin(phase)));
    }
    return values;
}
