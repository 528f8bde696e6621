// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sndfile.h>

#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

namespace clitest {

/// Writes `seconds` of a sine at `frequency` with peak `level` (of full
/// scale) to `path` through libsndfile, in `format` (SF_FORMAT_WAV |
/// SF_FORMAT_PCM_24 ...), the same tone on every channel.
inline void WriteSoundFile(const std::string& path, int format, double frequency, int rate, int channels,
                           double seconds, double level = 0.5) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        throw std::runtime_error("cannot write " + path + ": " + sf_strerror(nullptr));
    }
    const double pi = std::acos(-1.0);
    const auto frames = static_cast<sf_count_t>(seconds * rate);
    std::vector<double> samples(static_cast<std::size_t>(frames * channels));
    for (sf_count_t n = 0; n < frames; ++n) {
        const double value = level * std::sin(2.0 * pi * frequency * static_cast<double>(n) / rate);
        for (int c = 0; c < channels; ++c) {
            samples[static_cast<std::size_t>(n * channels + c)] = value;
        }
    }
    sf_writef_double(file, samples.data(), frames);
    sf_close(file);
}

}  // namespace clitest
