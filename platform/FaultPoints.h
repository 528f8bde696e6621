// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Seam.h"

#include <atomic>
#include <cstdint>
#include <optional>

namespace platform::fault {

/// The services' side of the fault seam: GlobalAlloc, GlobalLock, MmioOpen,
/// MmioClose and MmioWrite each ask TSeam<ServiceFaults> once per call whether
/// this call is to fail. The real one never fails a call; tests put a
/// ScopedFaults (tests/support/FaultInjection.h) in its place. May be asked from
/// any thread.
class ServiceFaults {
public:
    virtual ~ServiceFaults() = default;

    /// Whether this GlobalAlloc call is to fail.
    virtual bool GlobalAllocFails() = 0;
    /// Whether this GlobalLock call is to fail.
    virtual bool GlobalLockFails() = 0;
    /// The error code this MmioOpen call is to fail with, if any.
    virtual std::optional<std::uint32_t> MmioOpenFault() = 0;
    /// The code this MmioClose call is to report, if any.
    virtual std::optional<std::uint32_t> MmioCloseFault() = 0;
    /// The number of bytes this MmioWrite call may write, if limited.
    virtual std::optional<std::int64_t> MmioWriteLimit() = 0;
};

}  // namespace platform::fault

/// Each service reports here what it acquires and gives back, so that tests
/// can check that the code above gives back what it took (fault::Held). One
/// relaxed atomic operation each.
namespace platform::fault::points {

/// What the services hold over the whole process.
inline std::atomic<int> globalBlocks{0};
inline std::atomic<int> lockedGlobalBlocks{0};
inline std::atomic<int> openMmioFiles{0};

/// Records a change in the number of global blocks held.
inline void NoteGlobalBlocks(int change) {
    globalBlocks.fetch_add(change, std::memory_order_relaxed);
}

/// Records a change in the number of global blocks locked.
inline void NoteLockedGlobalBlocks(int change) {
    lockedGlobalBlocks.fetch_add(change, std::memory_order_relaxed);
}

/// Records a change in the number of open multimedia files.
inline void NoteOpenMmioFiles(int change) {
    openMmioFiles.fetch_add(change, std::memory_order_relaxed);
}

}  // namespace platform::fault::points

/// No faults: every call does its work.
template <>
platform::fault::ServiceFaults& TSeam<platform::fault::ServiceFaults>::Default();
