// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/MmioFile.h"

#include "platform/Riff.h"

#include <algorithm>
#include <array>
#include <optional>
#include <span>
#include <utility>

namespace platform {
namespace {

constexpr std::size_t kDefaultBufferBytes = 8192;

std::uint32_t ErrorCodeOf(OpenFailure failure) {
    switch (failure) {
    case OpenFailure::NotFound: return MMIOERR_FILENOTFOUND;
    case OpenFailure::OutOfMemory: return MMIOERR_OUTOFMEMORY;
    case OpenFailure::None:
    case OpenFailure::Refused: break;
    }
    return MMIOERR_CANNOTOPEN;
}

bool Matches(std::uint32_t flags, const MmioChunkInfo& wanted, FourCC id, bool hasFormType, FourCC formType) {
    switch (flags) {
    case MMIO_FINDCHUNK: return id == wanted.id;
    case MMIO_FINDRIFF: return id == kRiffId && hasFormType && formType == wanted.formType;
    default: return true;
    }
}

}  // namespace

std::unique_ptr<MmioFile> MmioFile::Open(const char* path, std::uint32_t flags, std::uint32_t& error) {
    const std::uint32_t access = flags & ~MMIO_ALLOCBUF;
    if (access != MMIO_READ && access != MMIO_READWRITE) {
        error = MMIOERR_CANNOTOPEN;
        return nullptr;
    }
    OpenedRegularFile opened = OpenRegularFile(path, access == MMIO_READWRITE);
    if (opened.failure != OpenFailure::None) {
        error = ErrorCodeOf(opened.failure);
        return nullptr;
    }
    const std::size_t capacity = (flags & MMIO_ALLOCBUF) != 0 ? kDefaultBufferBytes : 0;
    BufferedFile file(std::move(opened.descriptor), opened.size, capacity, access == MMIO_READWRITE);
    if (!file.AllocateBuffer()) {
        error = MMIOERR_OUTOFMEMORY;
        return nullptr;
    }
    error = 0;
    return std::unique_ptr<MmioFile>(new MmioFile(std::move(file)));
}

std::uint32_t MmioFile::Descend(MmioChunkInfo& chunk, const MmioChunkInfo* parent, std::uint32_t flags) {
    if (flags != 0 && flags != MMIO_FINDCHUNK && flags != MMIO_FINDRIFF) {
        return MMIOERR_CHUNKNOTFOUND;
    }
    const std::uint64_t start = file_.Position();
    std::uint64_t end = file_.Size();
    if (parent != nullptr && parent->dataOffset <= end) {
        end = std::min(end, parent->dataOffset + parent->size);
    } else if (parent != nullptr) {
        end = 0;  // a parent that starts past the end of the file holds nothing
    }
    const ReadAt read = [this](std::uint64_t offset, std::span<std::byte> into) {
        file_.SetPosition(offset);
        return file_.Read(into.data(), static_cast<std::int64_t>(into.size())) ==
               static_cast<std::int64_t>(into.size());
    };
    ChunkWalk walk(read, start, end);
    while (const std::optional<RiffChunk> found = walk.Next()) {
        const bool hasFormType =
            HasFormType(found->id) && found->size >= kFormTypeBytes && end - found->contents >= kFormTypeBytes;
        std::array<std::byte, kFormTypeBytes> form{};
        if (hasFormType && !read(found->contents, form)) {
            break;
        }
        const FourCC formType = hasFormType ? ReadLittleEndian32(form.data()) : 0;
        if (Matches(flags, chunk, found->id, hasFormType, formType)) {
            chunk.id = found->id;
            chunk.size = static_cast<std::uint32_t>(found->size);
            chunk.formType = formType;
            chunk.dataOffset = found->contents;
            chunk.flags = 0;
            chunk.availableSize = std::min(found->size, end - found->contents);
            file_.SetPosition(found->contents + (hasFormType ? kFormTypeBytes : 0));
            return 0;
        }
    }
    file_.SetPosition(start);
    return MMIOERR_CHUNKNOTFOUND;
}

std::uint32_t MmioFile::Ascend(const MmioChunkInfo& chunk) {
    file_.SetPosition(ChunkEnd(chunk.dataOffset, chunk.size));
    return 0;
}

std::int64_t MmioFile::Seek(std::int64_t offset, int origin) {
    std::int64_t base = 0;
    switch (origin) {
    case SEEK_SET: break;
    case SEEK_CUR: base = static_cast<std::int64_t>(file_.Position()); break;
    case SEEK_END: base = static_cast<std::int64_t>(file_.Size()); break;
    default: return -1;
    }
    std::int64_t target = 0;
    if (__builtin_add_overflow(base, offset, &target) || target < 0) {
        return -1;
    }
    file_.SetPosition(static_cast<std::uint64_t>(target));
    return target;
}

}  // namespace platform
