// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/GlobalMemory.h"

#include "platform/FaultPoints.h"

#include <sys/mman.h>

#include <cstdlib>
#include <new>

namespace platform {
namespace {

// Blocks from this size on are mapped straight from the system, aligned to the
// size of a huge page and marked for huge pages: filling 600 MB from a file
// then costs a few hundred page faults instead of 150 000.
constexpr std::size_t kHugePageBytes = std::size_t{2} << 20;
constexpr std::size_t kMappedFromBytes = 4 * kHugePageBytes;

std::size_t RoundUp(std::size_t bytes, std::size_t unit) {
    return (bytes + unit - 1) / unit * unit;
}

/// Maps `length` bytes (a multiple of kHugePageBytes) at an address aligned to
/// kHugePageBytes; none when the system has no room.
std::byte* MapAligned(std::size_t length) {
    const std::size_t reserve = length + kHugePageBytes;
    void* raw = mmap(nullptr, reserve, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) {
        return nullptr;
    }
    auto* base = static_cast<std::byte*>(raw);
    const auto address = reinterpret_cast<std::uintptr_t>(base);
    const std::size_t lead = RoundUp(address, kHugePageBytes) - address;
    if (lead != 0) {
        munmap(base, lead);
    }
    const std::size_t trail = kHugePageBytes - lead;
    if (trail != 0) {
        munmap(base + lead + length, trail);
    }
    std::byte* aligned = base + lead;
    madvise(aligned, length, MADV_HUGEPAGE);  // advice only: without huge pages the block still works
    return aligned;
}

}  // namespace

/// One allocated block: its bytes, how they were obtained, and its lock count.
/// Created by GlobalAlloc, destroyed by GlobalFree; owns its bytes.
class GlobalBlock {
public:
    GlobalBlock(std::byte* bytes, std::size_t size, std::size_t mappedLength)
        : bytes_(bytes), size_(size), mappedLength_(mappedLength) {}

    ~GlobalBlock() {
        if (mappedLength_ != 0) {
            munmap(bytes_, mappedLength_);
        } else {
            std::free(bytes_);
        }
    }

    GlobalBlock(const GlobalBlock&) = delete;
    GlobalBlock& operator=(const GlobalBlock&) = delete;

    std::byte* Bytes() const { return bytes_; }
    std::size_t Size() const { return size_; }
    unsigned LockCount() const { return lockCount_; }
    void Lock() { ++lockCount_; }
    void Unlock() { --lockCount_; }

private:
    std::byte* bytes_;
    std::size_t size_;
    std::size_t mappedLength_;  // 0 for bytes from malloc
    unsigned lockCount_ = 0;
};

GlobalHandle GlobalAlloc(std::uint32_t flags, std::size_t bytes) {
    if (TSeam<fault::ServiceFaults>::Get().GlobalAllocFails()) {
        return nullptr;
    }
    const bool zeroed = (flags & GMEM_ZEROINIT) != 0;
    std::byte* memory = nullptr;
    std::size_t mappedLength = 0;
    if (bytes >= kMappedFromBytes) {
        if (bytes > SIZE_MAX - 2 * kHugePageBytes) {
            return nullptr;
        }
        mappedLength = RoundUp(bytes, kHugePageBytes);
        memory = MapAligned(mappedLength);  // fresh mappings read as zero already
    } else {
        // malloc(0) may answer none; one byte keeps a block of no bytes lockable.
        const std::size_t length = bytes == 0 ? 1 : bytes;
        memory = static_cast<std::byte*>(zeroed ? std::calloc(length, 1) : std::malloc(length));
    }
    if (memory == nullptr) {
        return nullptr;
    }
    auto* block = new (std::nothrow) GlobalBlock(memory, bytes, mappedLength);
    if (block == nullptr) {
        if (mappedLength != 0) {
            munmap(memory, mappedLength);
        } else {
            std::free(memory);
        }
        return nullptr;
    }
    fault::points::NoteGlobalBlocks(+1);
    return block;
}

std::byte* GlobalLock(GlobalHandle block) {
    if (TSeam<fault::ServiceFaults>::Get().GlobalLockFails() || block == nullptr) {
        return nullptr;
    }
    block->Lock();
    if (block->LockCount() == 1) {
        fault::points::NoteLockedGlobalBlocks(+1);
    }
    return block->Bytes();
}

bool GlobalUnlock(GlobalHandle block) {
    if (block == nullptr || block->LockCount() == 0) {
        return false;
    }
    block->Unlock();
    if (block->LockCount() == 0) {
        fault::points::NoteLockedGlobalBlocks(-1);
        return false;
    }
    return true;
}

GlobalHandle GlobalFree(GlobalHandle block) {
    if (block == nullptr) {
        return nullptr;
    }
    if (block->LockCount() != 0) {
        fault::points::NoteLockedGlobalBlocks(-1);
    }
    delete block;
    fault::points::NoteGlobalBlocks(-1);
    return nullptr;
}

std::size_t GlobalSize(GlobalHandle block) {
    return block == nullptr ? 0 : block->Size();
}

}  // namespace platform
