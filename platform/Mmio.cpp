// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Mmio.h"

#include "platform/FaultPoints.h"
#include "platform/MmioFile.h"

#include <algorithm>

namespace platform {

MmioHandle MmioOpen(const char* path, MmioOpenInfo* info, std::uint32_t flags) {
    std::uint32_t error = 0;
    std::unique_ptr<MmioFile> file;
    if (const auto injected = TSeam<fault::ServiceFaults>::Get().MmioOpenFault()) {
        error = *injected;
    } else {
        file = MmioFile::Open(path, flags, error);
    }
    if (info != nullptr) {
        info->errorRet = error;
    }
    if (file == nullptr) {
        return nullptr;
    }
    fault::points::NoteOpenMmioFiles(+1);
    return file.release();
}

std::uint32_t MmioDescend(MmioHandle file, MmioChunkInfo* chunk, const MmioChunkInfo* parent, std::uint32_t flags) {
    if (file == nullptr || chunk == nullptr) {
        return MMIOERR_CHUNKNOTFOUND;
    }
    return file->Descend(*chunk, parent, flags);
}

std::uint32_t MmioAscend(MmioHandle file, const MmioChunkInfo* chunk, std::uint32_t /*flags*/) {
    if (file == nullptr || chunk == nullptr) {
        return MMIOERR_CANNOTSEEK;
    }
    return file->Ascend(*chunk);
}

std::int64_t MmioRead(MmioHandle file, void* buffer, std::int64_t count) {
    if (file == nullptr) {
        return -1;
    }
    return file->Read(buffer, count);
}

std::int64_t MmioWrite(MmioHandle file, const void* buffer, std::int64_t count) {
    const auto limit = TSeam<fault::ServiceFaults>::Get().MmioWriteLimit();
    if (file == nullptr) {
        return -1;
    }
    if (limit && count > *limit) {
        count = std::max<std::int64_t>(*limit, 0);
    }
    return file->Write(buffer, count);
}

std::int64_t MmioSeek(MmioHandle file, std::int64_t offset, int origin) {
    if (file == nullptr) {
        return -1;
    }
    return file->Seek(offset, origin);
}

std::uint32_t MmioClose(MmioHandle file, std::uint32_t /*flags*/) {
    const auto injected = TSeam<fault::ServiceFaults>::Get().MmioCloseFault();
    if (file == nullptr) {
        return MMIOERR_CANNOTCLOSE;
    }
    const std::uint32_t result = file->Close();
    delete file;
    fault::points::NoteOpenMmioFiles(-1);
    return injected.value_or(result);
}

}  // namespace platform
