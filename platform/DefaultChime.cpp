// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/DefaultChime.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace platform {
namespace {

constexpr std::uint32_t kRate = 44100;
constexpr double kSeconds = 0.3;
constexpr double kPeak = 0.25 * 32767.0;  // soft: a quarter of full scale per tone

/// One struck tone: silent before `start`, then a 5 ms rise and an exponential
/// decay.
struct Tone {
    double frequency;  // Hz
    double start;      // s
    double decay;      // s, time constant

    double At(double t) const {
        if (t < start) {
            return 0.0;
        }
        const double since = t - start;
        const double attack = std::min(1.0, since / 0.005);
        return attack * std::exp(-since / decay) * std::sin(2.0 * std::numbers::pi * frequency * since);
    }
};

constexpr Tone kHigh{880.0, 0.0, 0.06};   // A5
constexpr Tone kLow{523.25, 0.12, 0.07};  // C5, a major sixth below

}  // namespace

PcmClip DefaultChime() {
    PcmClip clip;
    clip.format = PcmFormat{1, kRate, 16};
    const auto frames = static_cast<std::size_t>(kSeconds * kRate);
    clip.samples.resize(frames * 2);
    const double fadeFrames = 0.02 * kRate;  // the last 20 ms fade to silence
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double fade = std::min(1.0, static_cast<double>(frames - 1 - i) / fadeFrames);
        const double value = kPeak * fade * (kHigh.At(t) + kLow.At(t));
        const auto sample = static_cast<std::int16_t>(std::lround(value));
        const auto bits = static_cast<std::uint16_t>(sample);
        clip.samples[2 * i] = static_cast<std::byte>(bits & 0xFFU);
        clip.samples[2 * i + 1] = static_cast<std::byte>(bits >> 8);
    }
    return clip;
}

}  // namespace platform
