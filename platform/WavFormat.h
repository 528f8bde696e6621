// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/GlobalMemory.h"
#include "platform/LittleEndian.h"
#include "platform/Mmio.h"

#include <cstddef>
#include <cstdint>
#include <span>

/// The WAV file format as the loader, the sample-rate rewrite and the sound
/// service read it: where the "fmt " fields lie, how the RIFF "WAVE" chunk and
/// its sub-chunks are found, and a locked memory block that holds a chunk read
/// whole. Shows nothing and decides nothing about which files are usable.
namespace platform {

// The fields of the "fmt " chunk, by byte offset from the start of its data
// (little-endian).
inline constexpr std::size_t kFormatTagOffset = 0;       ///< 16-bit: format tag
inline constexpr std::size_t kChannelsOffset = 2;        ///< 16-bit unsigned: number of channels
inline constexpr std::size_t kSampleRateOffset = 4;      ///< 32-bit unsigned: samples per second
inline constexpr std::size_t kByteRateOffset = 8;        ///< 32-bit unsigned: average bytes per second
inline constexpr std::size_t kBlockAlignOffset = 12;     ///< 16-bit: bytes of one frame
inline constexpr std::size_t kBitsPerSampleOffset = 14;  ///< 16-bit unsigned: bits per sample
inline constexpr std::size_t kSubFormatOffset = 24;      ///< GUID of WAVE_FORMAT_EXTENSIBLE, its tag first

/// Bytes of a PCM chunk: up to the end of the bits per sample.
inline constexpr std::size_t kPcmFormatBytes = 16;
/// Bytes of a WAVE_FORMAT_EXTENSIBLE chunk: up to the end of its GUID.
inline constexpr std::size_t kExtensibleFormatBytes = 40;

inline constexpr std::uint16_t kFormatTagPcm = 0x0001;         ///< WAVE_FORMAT_PCM
inline constexpr std::uint16_t kFormatTagExtensible = 0xFFFE;  ///< WAVE_FORMAT_EXTENSIBLE

/// Finds the RIFF chunk of form "WAVE" from the current position and stands
/// after its form type. Answers 0, or MMIOERR_CHUNKNOTFOUND (see MmioDescend).
std::uint32_t FindWaveChunk(MmioFile& file, MmioChunkInfo& riff);

/// Finds the chunk `id` in `riff` from the current position and stands at its
/// data. Answers 0, or MMIOERR_CHUNKNOTFOUND (see MmioDescend).
std::uint32_t FindChunk(MmioFile& file, const MmioChunkInfo& riff, FourCC id, MmioChunkInfo& chunk);

/// One memory block holding the bytes of a chunk: allocated movable and
/// shareable (not zero-filled, every byte is read from the file), then locked.
/// Unlocks and frees itself when released and at its end.
class LockedBlock {
public:
    LockedBlock() = default;
    ~LockedBlock() { Release(); }
    LockedBlock(const LockedBlock&) = delete;
    LockedBlock& operator=(const LockedBlock&) = delete;

    /// Allocates `size` bytes; false when there is no memory.
    bool Allocate(std::uint32_t size);

    /// Locks the allocated block; false when the lock fails.
    bool Lock();

    /// Unlocks the block when it is locked and frees it when it is held.
    void Release();

    /// The locked bytes; empty unless locked.
    std::span<std::byte> Bytes() const { return {bytes_, bytes_ == nullptr ? 0 : size_}; }

private:
    GlobalHandle block_ = nullptr;
    std::byte* bytes_ = nullptr;
    std::uint32_t size_ = 0;
};

/// How reading a chunk into a block ended.
enum class ChunkRead {
    Done,        ///< the block holds the whole chunk
    CannotRead,  ///< the chunk runs past its parent or the file, or the read came up short
    NoMemory,    ///< the block could not be allocated
    CannotLock,  ///< the block could not be locked
};

/// Reads the whole `chunk`, at whose data `file` stands, into `block`. A size
/// that runs past the RIFF chunk or the file is refused before anything is
/// allocated. On failure what was taken stays in `block` for its owner.
ChunkRead ReadChunk(MmioFile& file, const MmioChunkInfo& chunk, LockedBlock& block);

}  // namespace platform
