// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Sound.h"

#include <cstddef>
#include <vector>

namespace platform {

/// A short sound held in memory: its format and its interleaved frames.
struct PcmClip {
    PcmFormat format;
    std::vector<std::byte> samples;
};

/// Synthesises the default sound: a soft two-tone chime of 0.3 s (a high tone,
/// then a lower one a sixth below), 16-bit mono at 44100 Hz, starting and
/// ending in silence so that it never clicks.
PcmClip DefaultChime();

}  // namespace platform
