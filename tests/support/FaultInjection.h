// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/FaultPoints.h"
#include "platform/Seam.h"

#include <atomic>
#include <cstdint>

/// Tests' side of the services' fault seam (platform/FaultPoints.h): arms one
/// failure of a chosen call of GlobalAlloc, GlobalLock, MmioOpen, MmioClose or
/// MmioWrite, counts the calls, and reports what the services hold, so that
/// tests can drive every failure path of the code above and check that it
/// gives back what it took. Only tests use these; the program never does.
namespace platform::fault {

/// Calls of each service since the plan was put in place or last cleared.
struct CallCounts {
    unsigned globalAlloc = 0;
    unsigned globalLock = 0;
    unsigned mmioOpen = 0;
    unsigned mmioClose = 0;
    unsigned mmioWrite = 0;
};

/// What the services hold right now, over the whole process.
struct HeldResources {
    unsigned globalBlocks = 0;        ///< allocated and not yet freed
    unsigned lockedGlobalBlocks = 0;  ///< of those, the ones with a lock count above 0
    unsigned openMmioFiles = 0;       ///< opened by MmioOpen and not yet closed
};

/// Answers what the services hold right now.
HeldResources Held();

/// A fault plan in place of the services' real "no faults" while it lives
/// (TScopedSeam), starting with no fault armed and no call counted; the plan
/// in place before comes back when it ends, so no armed fault leaks from one
/// test into the next. Arm and read it from one thread at a time.
class ScopedFaults final : public ServiceFaults {
public:
    ScopedFaults() : Installed(*this) {}

    /// Makes the nth GlobalAlloc from now (1: the next one) answer none.
    void FailGlobalAlloc(unsigned nth = 1) { GlobalAllocSlot.Arm(nth, 0); }

    /// Makes the nth GlobalLock from now answer none; the block stays unlocked.
    void FailGlobalLock(unsigned nth = 1) { GlobalLockSlot.Arm(nth, 0); }

    /// Makes the nth MmioOpen from now open nothing, answer none and leave
    /// `code` in the open-info record's error field.
    void FailMmioOpen(std::uint32_t code, unsigned nth = 1) { MmioOpenSlot.Arm(nth, code); }

    /// Makes the nth MmioClose from now report `code`; the file is flushed and
    /// closed all the same.
    void FailMmioClose(std::uint32_t code, unsigned nth = 1) { MmioCloseSlot.Arm(nth, code); }

    /// Makes the nth MmioWrite from now write only its first `bytes` bytes (at
    /// most its count) and answer that number.
    void ShortenMmioWrite(std::int64_t bytes, unsigned nth = 1) { MmioWriteSlot.Arm(nth, bytes); }

    /// Disarms every fault and sets the call counts to zero.
    void Clear();

    /// Answers how often each service was called since the plan was put in
    /// place or last cleared.
    CallCounts Calls() const;

    bool GlobalAllocFails() override { return GlobalAllocSlot.Fires(); }
    bool GlobalLockFails() override { return GlobalLockSlot.Fires(); }
    std::optional<std::uint32_t> MmioOpenFault() override;
    std::optional<std::uint32_t> MmioCloseFault() override;
    std::optional<std::int64_t> MmioWriteLimit() override;

private:
    /// One armed fault of one service: fires on the call that brings its
    /// countdown from 1 to 0, carrying a value (an error code or a byte count).
    struct Slot {
        std::atomic<unsigned> calls{0};
        std::atomic<unsigned> countdown{0};
        std::atomic<std::int64_t> value{0};

        void Arm(unsigned nth, std::int64_t armedValue);
        void Clear();
        /// Counts one call and answers whether the armed fault fires on it.
        bool Fires();
        /// The armed value when the fault fires on this call.
        std::optional<std::int64_t> FiredValue();
    };

    Slot GlobalAllocSlot;
    Slot GlobalLockSlot;
    Slot MmioOpenSlot;
    Slot MmioCloseSlot;
    Slot MmioWriteSlot;
    TScopedSeam<ServiceFaults> Installed;  // last: in place once the slots exist
};

}  // namespace platform::fault
