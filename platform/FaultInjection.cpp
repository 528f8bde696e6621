#include "platform/FaultInjection.h"

#include "platform/FaultPoints.h"

#include <atomic>

namespace platform::fault {
namespace {

/// One armed fault of one service: fires on the call that brings its countdown
/// from 1 to 0, carrying a value (an error code or a byte count).
struct FaultSlot {
    std::atomic<unsigned> calls{0};
    std::atomic<unsigned> countdown{0};
    std::atomic<std::int64_t> value{0};

    void Arm(unsigned nth, std::int64_t armedValue) {
        value.store(armedValue, std::memory_order_relaxed);
        countdown.store(nth, std::memory_order_relaxed);
    }

    void Clear() {
        calls.store(0, std::memory_order_relaxed);
        countdown.store(0, std::memory_order_relaxed);
    }

    /// Counts one call and answers whether the armed fault fires on it.
    bool Fires() {
        calls.fetch_add(1, std::memory_order_relaxed);
        if (countdown.load(std::memory_order_relaxed) == 0) {
            return false;
        }
        return countdown.fetch_sub(1, std::memory_order_relaxed) == 1;
    }
};

FaultSlot globalAllocSlot;
FaultSlot globalLockSlot;
FaultSlot mmioOpenSlot;
FaultSlot mmioCloseSlot;
FaultSlot mmioWriteSlot;

std::atomic<int> globalBlocksHeld{0};
std::atomic<int> globalBlocksLocked{0};
std::atomic<int> mmioFilesOpen{0};

unsigned CallsOf(const FaultSlot& slot) {
    return slot.calls.load(std::memory_order_relaxed);
}

unsigned Count(const std::atomic<int>& counter) {
    return static_cast<unsigned>(counter.load(std::memory_order_relaxed));
}

}  // namespace

void FailGlobalAlloc(unsigned nth) { globalAllocSlot.Arm(nth, 0); }
void FailGlobalLock(unsigned nth) { globalLockSlot.Arm(nth, 0); }
void FailMmioOpen(std::uint32_t code, unsigned nth) { mmioOpenSlot.Arm(nth, code); }
void FailMmioClose(std::uint32_t code, unsigned nth) { mmioCloseSlot.Arm(nth, code); }
void ShortenMmioWrite(std::int64_t bytes, unsigned nth) { mmioWriteSlot.Arm(nth, bytes); }

void ClearFaults() {
    for (FaultSlot* slot : {&globalAllocSlot, &globalLockSlot, &mmioOpenSlot, &mmioCloseSlot, &mmioWriteSlot}) {
        slot->Clear();
    }
}

CallCounts Calls() {
    return {CallsOf(globalAllocSlot), CallsOf(globalLockSlot), CallsOf(mmioOpenSlot), CallsOf(mmioCloseSlot),
            CallsOf(mmioWriteSlot)};
}

HeldResources Held() {
    return {Count(globalBlocksHeld), Count(globalBlocksLocked), Count(mmioFilesOpen)};
}

namespace points {

bool GlobalAllocFails() { return globalAllocSlot.Fires(); }
bool GlobalLockFails() { return globalLockSlot.Fires(); }

std::optional<std::uint32_t> MmioOpenFault() {
    if (!mmioOpenSlot.Fires()) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(mmioOpenSlot.value.load(std::memory_order_relaxed));
}

std::optional<std::uint32_t> MmioCloseFault() {
    if (!mmioCloseSlot.Fires()) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(mmioCloseSlot.value.load(std::memory_order_relaxed));
}

std::optional<std::int64_t> MmioWriteLimit() {
    if (!mmioWriteSlot.Fires()) {
        return std::nullopt;
    }
    return mmioWriteSlot.value.load(std::memory_order_relaxed);
}

void NoteGlobalBlocks(int change) { globalBlocksHeld.fetch_add(change, std::memory_order_relaxed); }
void NoteLockedGlobalBlocks(int change) { globalBlocksLocked.fetch_add(change, std::memory_order_relaxed); }
void NoteOpenMmioFiles(int change) { mmioFilesOpen.fetch_add(change, std::memory_order_relaxed); }

}  // namespace points
}  // namespace platform::fault
