// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/FaultInjection.h"

namespace platform::fault {
namespace {

unsigned Count(const std::atomic<int>& counter) {
    return static_cast<unsigned>(counter.load(std::memory_order_relaxed));
}

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
    return {Count(points::globalBlocks), Count(points::lockedGlobalBlocks), Count(points::openMmioFiles)};
}

}  // namespace platform::fault
