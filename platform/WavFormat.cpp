// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/WavFormat.h"

#include "platform/MmioFile.h"

namespace platform {

std::uint32_t FindWaveChunk(MmioFile& file, MmioChunkInfo& riff) {
    riff = {};
    riff.formType = kWaveForm;
    return file.Descend(riff, nullptr, MMIO_FINDRIFF);
}

std::uint32_t FindChunk(MmioFile& file, const MmioChunkInfo& riff, FourCC id, MmioChunkInfo& chunk) {
    chunk = {};
    chunk.id = id;
    return file.Descend(chunk, &riff, MMIO_FINDCHUNK);
}

bool LockedBlock::Allocate(std::uint32_t size) {
    Release();
    block_ = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, size);
    size_ = size;
    return block_ != nullptr;
}

bool LockedBlock::Lock() {
    bytes_ = GlobalLock(block_);
    return bytes_ != nullptr;
}

void LockedBlock::Release() {
    if (bytes_ != nullptr) {
        GlobalUnlock(block_);
        bytes_ = nullptr;
    }
    block_ = GlobalFree(block_);
    size_ = 0;
}

ChunkRead ReadChunk(MmioFile& file, const MmioChunkInfo& chunk, LockedBlock& block) {
    if (chunk.availableSize < chunk.size) {
        return ChunkRead::CannotRead;
    }
    if (!block.Allocate(chunk.size)) {
        return ChunkRead::NoMemory;
    }
    if (!block.Lock()) {
        return ChunkRead::CannotLock;
    }
    const std::span<std::byte> bytes = block.Bytes();
    if (file.Read(bytes.data(), std::int64_t{chunk.size}) != std::int64_t{chunk.size}) {
        return ChunkRead::CannotRead;
    }
    return ChunkRead::Done;
}

}  // namespace platform
