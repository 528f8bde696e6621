// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>
#include <vector>

// A recording of several channels as a listener hears it: the channels of
// each frame mixed into one value. The window's analysis and preview and
// korvani-pitch read frames through these, so that all three hear the same.
//
//     const double heard = MixedFrameValue(frame, 16, 2);  // (left + right) / 2

/// The value of the frame at `frame`: the mean of its `channels` sample
/// values (8 bits: byte - 128; 16 bits: signed little-endian), summed in
/// channel order in doubles. One channel gives its sample value unchanged.
/// `bitsPerSample` must be 8 or 16 and `channels` at least 1.
double MixedFrameValue(const std::uint8_t* frame, std::uint32_t bitsPerSample, std::uint16_t channels);

/// `count` mixed frames of `data` from frame `first` on (MixedFrameValue
/// each); the frames must lie within `data`.
std::vector<double> MixFrames(std::span<const std::uint8_t> data, std::uint32_t bitsPerSample, std::uint16_t channels,
                              std::int64_t first, std::int64_t count);
