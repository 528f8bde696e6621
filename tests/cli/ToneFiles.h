// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tests/support/RiffBuilder.h"

#include <cmath>
#include <cstdint>

namespace clitest {

/// The frequency of MIDI note `note` (69: a1, 440 Hz), moved by `cents`.
inline double NoteHz(int note, double cents = 0.0) {
    return 440.0 * std::pow(2.0, (note - 69 + cents / 100.0) / 12.0);
}

/// The samples of `seconds` of a sine at `frequency` with peak `level` (of
/// full scale), 8-bit (unsigned), 16-bit or 24-bit little-endian.
inline fixtures::Bytes SineSamples(double frequency, std::uint32_t rate, std::uint16_t bits, double seconds,
                                   double level = 0.5) {
    const double pi = std::acos(-1.0);
    const auto count = static_cast<std::uint32_t>(seconds * rate);
    fixtures::Bytes samples;
    for (std::uint32_t n = 0; n < count; ++n) {
        const double value = level * std::sin(2.0 * pi * frequency * n / rate);
        if (bits == 8) {
            samples.push_back(static_cast<std::uint8_t>(128 + std::lround(value * 127.0)));
        } else if (bits == 24) {
            const auto sample = static_cast<std::uint32_t>(std::lround(value * 8388607.0));
            samples.insert(samples.end(), {static_cast<std::uint8_t>(sample), static_cast<std::uint8_t>(sample >> 8),
                                           static_cast<std::uint8_t>(sample >> 16)});
        } else {
            fixtures::AppendLe16(samples,
                                 static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(value * 32767.0))));
        }
    }
    return samples;
}

/// A mono PCM WAV file holding SineSamples.
inline fixtures::Bytes SineWave(double frequency, std::uint32_t rate, std::uint16_t bits, double seconds,
                                double level = 0.5) {
    return fixtures::PcmWave(1, rate, bits, SineSamples(frequency, rate, bits, seconds, level));
}

/// `count` zero samples, 16-bit mono at 44100 Hz: a recording of silence.
inline fixtures::Bytes SilentWave(std::uint32_t count) {
    return fixtures::PcmWave(1, 44100, 16, fixtures::Bytes(2 * static_cast<std::size_t>(count), 0));
}

}  // namespace clitest
