// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FaultInjection.h"

#include "platform/FaultPoints.h"

namespace platform::fault {
namespace {

std::atomic<int> globalBlocksHeld{0};
std::atomic<int> globalBlocksLocked{0};
std::atomic<int> mmioFilesOpen{0};

unsigned Count(const std::atomic<int>& counter) {
    return static_cast<unsigned>(counter.load(std::memory_order_relaxed));
}

/// The real services' answer: no call fails.
class NoFaults final : public ServiceFaults {
public:
    bool GlobalAllocFails() override { return false; }
    bool GlobalLockFails() override { return false; }
    std::optional<std::uint32_t> MmioOpenFault() override { return std::nullopt; }
    std::optional<std::uint32_t> MmioCloseFault() override { return std::nullopt; }
    std::optional<std::int64_t> MmioWriteLimit() override { return std::nullopt; }
};

}  // namespace

void ScopedFaults::Slot::Arm(unsigned nth, std::int64_t armedValue) {
    value.store(armedValue, std::memory_order_relaxed);
    countdown.store(nth, std::memory_order_relaxed);
}

void ScopedFaults::Slot::Clear() {
    calls.store(0, std::memory_order_relaxed);
    countdown.store(0, std::memory_order_relaxed);
}

bool ScopedFaults::Slot::Fires() {
    calls.fetch_add(1, std::memory_order_relaxed);
    if (countdown.load(std::memory_order_relaxed) == 0) {
        return false;
    }
    return countdown.fetch_sub(1, std::memory_order_relaxed) == 1;
}

std::optional<std::int64_t> ScopedFaults::Slot::FiredValue() {
    if (!Fires()) {
        return std::nullopt;
    }
    return value.load(std::memory_order_relaxed);
}

void ScopedFaults::Clear() {
    for (Slot* slot : {&GlobalAllocSlot, &GlobalLockSlot, &MmioOpenSlot, &MmioCloseSlot, &MmioWriteSlot}) {
        slot->Clear();
    }
}

CallCounts ScopedFaults::Calls() const {
    const auto calls = [](const Slot& slot) { return slot.calls.load(std::memory_order_relaxed); };
    return {calls(GlobalAllocSlot), calls(GlobalLockSlot), calls(MmioOpenSlot), calls(MmioCloseSlot),
            calls(MmioWriteSlot)};
}

std::optional<std::uint32_t> ScopedFaults::MmioOpenFault() {
    const auto code = MmioOpenSlot.FiredValue();
    return code ? std::optional(static_cast<std::uint32_t>(*code)) : std::nullopt;
}

std::optional<std::uint32_t> ScopedFaults::MmioCloseFault() {
    const auto code = MmioCloseSlot.FiredValue();
    return code ? std::optional(static_cast<std::uint32_t>(*code)) : std::nullopt;
}

std::optional<std::int64_t> ScopedFaults::MmioWriteLimit() {
    return MmioWriteSlot.FiredValue();
}

HeldResources Held() {
    return {Count(globalBlocksHeld), Count(globalBlocksLocked), Count(mmioFilesOpen)};
}

namespace points {

void NoteGlobalBlocks(int change) {
    globalBlocksHeld.fetch_add(change, std::memory_order_relaxed);
}
void NoteLockedGlobalBlocks(int change) {
    globalBlocksLocked.fetch_add(change, std::memory_order_relaxed);
}
void NoteOpenMmioFiles(int change) {
    mmioFilesOpen.fetch_add(change, std::memory_order_relaxed);
}

}  // namespace points
}  // namespace platform::fault

template <>
platform::fault::ServiceFaults& TSeam<platform::fault::ServiceFaults>::Default() {
    static platform::fault::NoFaults none;
    return none;
}
