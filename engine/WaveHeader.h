// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

/// The outer form of a WAV file: a RIFF "WAVE" (sizes in 32 bits) or an RF64
/// "WAVE" (sizes past 4 GiB in its "ds64" chunk).
enum class WaveContainer { Riff, Rf64 };

/// Where a WAV file keeps its "fmt " and "data" chunks and what the "fmt "
/// chunk says: enough to choose the reader, to notice data cut short and to
/// patch the rate in place. Reads headers only, never a sample.
struct WaveHeader {
    WaveContainer Container = WaveContainer::Riff;
    std::uint64_t FileSize = 0;
    bool HasFormat = false;                   ///< a "fmt " chunk was found
    std::uint64_t FormatOffset = 0;           ///< file offset of the "fmt " chunk's contents
    std::uint32_t FormatSize = 0;             ///< its size as declared
    std::array<std::byte, 40> FormatBytes{};  ///< its first bytes (zeros past its end)
    bool HasData = false;                     ///< a "data" chunk was found
    std::uint64_t DataOffset = 0;             ///< file offset of the "data" chunk's contents
    std::uint64_t DataSize = 0;               ///< as declared (from "ds64" in an RF64 file)

    /// True when korvani's own WAV engine reads this file's samples: a RIFF
    /// file whose resolution, computed from the byte rate as the engine
    /// computes it, is 8 or 16 bits of PCM, and any RIFF file the engine
    /// refuses for its structure rather than its format (no or a broken
    /// "fmt " chunk, no "data" chunk), so that its own messages tell why.
    bool ReadByKorvani() const;

    /// True when the "data" chunk declares more bytes than the file holds.
    bool DataCutShort() const;
};

/// The header of the WAV or RF64 file at `path`, or nothing when the file
/// cannot be read or starts with neither "RIFF....WAVE" nor "RF64....WAVE".
std::optional<WaveHeader> ReadWaveHeader(const std::string& path);
