// SPDX-License-Identifier: GPL-3.0-or-later
// The default sound: short, soft, two tones, no clicks.
#include "platform/DefaultChime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <numbers>
#include <vector>

namespace {

std::vector<double> Samples(const platform::PcmClip& clip) {
    std::vector<double> values;
    for (std::size_t i = 0; i + 1 < clip.samples.size(); i += 2) {
        const auto bits = static_cast<std::uint16_t>(std::to_integer<unsigned>(clip.samples[i]) |
                                                     std::to_integer<unsigned>(clip.samples[i + 1]) << 8);
        values.push_back(static_cast<std::int16_t>(bits) / 32768.0);
    }
    return values;
}

/// Power of `frequency` in values[from, to), by the Goertzel recurrence.
double PowerAt(const std::vector<double>& values, std::size_t from, std::size_t to, double frequency, double rate) {
    const double coefficient = 2.0 * std::cos(2.0 * std::numbers::pi * frequency / rate);
    double previous = 0.0;
    double beforePrevious = 0.0;
    for (std::size_t i = from; i < to; ++i) {
        const double current = values[i] + coefficient * previous - beforePrevious;
        beforePrevious = previous;
        previous = current;
    }
    return previous * previous + beforePrevious * beforePrevious - coefficient * previous * beforePrevious;
}

TEST(DefaultChime, IsAShortSoftMonoSound) {
    const platform::PcmClip clip = platform::DefaultChime();
    EXPECT_EQ(clip.format, (platform::PcmFormat{1, 44100, 16}));
    const std::vector<double> values = Samples(clip);
    EXPECT_NEAR(static_cast<double>(values.size()) / 44100.0, 0.3, 0.01);
    double peak = 0.0;
    for (const double value : values) {
        peak = std::max(peak, std::abs(value));
    }
    EXPECT_GT(peak, 0.1);  // audible
    EXPECT_LT(peak, 0.5);  // but soft: never near full scale
}

TEST(DefaultChime, StartsAndEndsInSilenceWithoutJumps) {
    const std::vector<double> values = Samples(platform::DefaultChime());
    ASSERT_GT(values.size(), 100U);
    EXPECT_LT(std::abs(values.front()), 0.01);
    EXPECT_LT(std::abs(values.back()), 0.01);
    double largestStep = 0.0;
    for (std::size_t i = 1; i < values.size(); ++i) {
        largestStep = std::max(largestStep, std::abs(values[i] - values[i - 1]));
    }
    EXPECT_LT(largestStep, 0.1);  // a 1 kHz tone at 0.5 moves at most 0.07 per sample
}

TEST(DefaultChime, SoundsAHighToneThenALowerOne) {
    const std::vector<double> values = Samples(platform::DefaultChime());
    const double rate = 44100.0;
    const auto at = [&](double seconds) { return static_cast<std::size_t>(seconds * rate); };
    // First 0.1 s: the high tone only.
    EXPECT_GT(PowerAt(values, 0, at(0.1), 880.0, rate), 100.0 * PowerAt(values, 0, at(0.1), 523.25, rate));
    // From 0.15 s on: the low tone dominates.
    EXPECT_GT(PowerAt(values, at(0.15), at(0.28), 523.25, rate),
              10.0 * PowerAt(values, at(0.15), at(0.28), 880.0, rate));
}

}  // namespace
