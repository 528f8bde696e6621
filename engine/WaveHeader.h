// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Riff.h"

#include <optional>
#include <string>

/// The outer form of a WAV file: a RIFF "WAVE" (sizes in 32 bits) or an RF64
/// "WAVE" (sizes past 4 GiB in its "ds64" chunk).
using WaveContainer = platform::RiffContainer;

/// Where a WAV file keeps its "fmt " and "data" chunks and what the "fmt "
/// chunk says (platform::WaveLayout), and which reader takes its samples.
struct WaveHeader : platform::WaveLayout {
    /// True when korvani's own WAV engine reads this file's samples: a RIFF
    /// file whose resolution, computed from the byte rate as the engine
    /// computes it, is 8 or 16 bits of PCM, and any RIFF file the engine
    /// refuses for its structure rather than its format (no or a broken
    /// "fmt " chunk, no "data" chunk), so that its own messages tell why.
    bool ReadByKorvani() const;
};

/// The header of the WAV or RF64 file at `path`, or nothing when the file
/// cannot be read or starts with neither "RIFF....WAVE" nor "RF64....WAVE".
std::optional<WaveHeader> ReadWaveHeader(const std::string& path);
