// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/MmioFile.h"
#include "platform/Sound.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace platform {

/// The playable part of a WAV file, for the sound service: its PCM format and
/// its frames, read piece by piece so that a long file never sits in memory.
/// Decides which files can be played; does not play them. Owns the open file.
class WavSource {
public:
    /// Opens the file and finds its "fmt " and, after it, its "data" chunk;
    /// none when the file cannot be played: missing, refused by the open checks,
    /// not RIFF "WAVE", no "fmt " or "data" chunk, not 8- or 16-bit PCM
    /// (WAVE_FORMAT_PCM, or the extensible format with the PCM subformat),
    /// no channels, a rate of 0, or a block alignment that is not one frame.
    static std::unique_ptr<WavSource> Open(const char* path);

    /// Answers the format of the frames.
    const PcmFormat& Format() const { return format_; }

    /// Answers how many whole frames the "data" chunk really holds.
    std::uint64_t FrameCount() const { return bytesLeft_ / format_.FrameBytes(); }

    /// Answers the largest number of bytes, whole frames only and at least one
    /// frame, that fits in `bytes`.
    std::size_t WholeFrameBytes(std::size_t bytes) const;

    /// Reads the next frames into `buffer` (whose size is a multiple of the
    /// frame size); answers the bytes read, 0 at the end or after a read error.
    std::size_t ReadFrames(std::span<std::byte> buffer);

private:
    WavSource(std::unique_ptr<MmioFile> file, const PcmFormat& format, std::uint64_t bytes)
        : file_(std::move(file)), format_(format), bytesLeft_(bytes) {}

    std::unique_ptr<MmioFile> file_;
    PcmFormat format_;
    std::uint64_t bytesLeft_;
};

}  // namespace platform
