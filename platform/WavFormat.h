// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/GlobalMemory.h"
#include "platform/Mmio.h"
#include "platform/Riff.h"

#include <cstddef>
#include <cstdint>
#include <span>

/// The WAV file as the loader, the sample-rate rewrite and the sound service
/// reach it through the multimedia file services: how the RIFF "WAVE" chunk
/// and its sub-chunks are found, and a locked memory block that holds a chunk
/// read whole. The format's own rules are in platform/Riff.h. Shows nothing
/// and decides nothing about which files are usable.
namespace platform {

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
