// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/MixedFrames.h"

#include "platform/SampleFormat.h"

#include <cstddef>

double MixedFrameValue(const std::uint8_t* frame, std::uint32_t bitsPerSample, std::uint16_t channels) {
    const std::size_t bytes = bitsPerSample / 8;
    double sum = 0.0;
    for (std::size_t c = 0; c < channels; ++c) {
        sum += platform::SampleValue(frame + c * bytes, bitsPerSample);
    }
    return sum / channels;
}

std::vector<double> MixFrames(std::span<const std::uint8_t> data, std::uint32_t bitsPerSample, std::uint16_t channels,
                              std::int64_t first, std::int64_t count) {
    const std::size_t frameBytes = bitsPerSample / 8 * std::size_t{channels};
    std::vector<double> frames(static_cast<std::size_t>(count));
    const std::uint8_t* frame = data.data() + static_cast<std::size_t>(first) * frameBytes;
    for (double& value : frames) {
        value = MixedFrameValue(frame, bitsPerSample, channels);
        frame += frameBytes;
    }
    return frames;
}
