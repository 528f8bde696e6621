// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/BufferedFile.h"
#include "platform/Mmio.h"

#include <cstdint>
#include <memory>

namespace platform {

/// One RIFF file opened by MmioOpen: the open policy (which files and flags are
/// accepted, with which error code) and the chunk navigation over its buffered
/// file. The Mmio functions are thin calls into this class; the sound service
/// uses it directly, so that its reading is neither counted nor failed by the
/// test seam. Owns the file.
class MmioFile {
public:
    /// Opens `path` as MmioOpen describes; on failure answers none and sets
    /// `error` to the MMIOERR code.
    static std::unique_ptr<MmioFile> Open(const char* path, std::uint32_t flags, std::uint32_t& error);

    /// MmioDescend on this file.
    std::uint32_t Descend(MmioChunkInfo& chunk, const MmioChunkInfo* parent, std::uint32_t flags);

    /// MmioAscend on this file.
    std::uint32_t Ascend(const MmioChunkInfo& chunk);

    /// MmioRead on this file.
    std::int64_t Read(void* buffer, std::int64_t count) { return file_.Read(buffer, count); }

    /// MmioWrite on this file.
    std::int64_t Write(const void* buffer, std::int64_t count) { return file_.Write(buffer, count); }

    /// MmioSeek on this file.
    std::int64_t Seek(std::int64_t offset, int origin);

    /// Flushes and closes, as MmioClose; the object is spent afterwards.
    std::uint32_t Close() { return file_.Close(); }

private:
    explicit MmioFile(BufferedFile file) : file_(std::move(file)) {}

    BufferedFile file_;
};

}  // namespace platform
