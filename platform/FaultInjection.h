#pragma once

#include <cstdint>

/// Test seam of the platform services: arms one failure of a chosen call of
/// GlobalAlloc, GlobalLock, MmioOpen, MmioClose or MmioWrite, counts the calls,
/// and reports what the services hold, so that tests can drive every failure
/// path of the code above and check that it gives back what it took.
/// Only tests call these functions; the program never does. Armed faults and
/// counts are process-wide; use them from one thread at a time.
namespace platform::fault {

/// Makes the nth GlobalAlloc from now (1: the next one) answer none.
void FailGlobalAlloc(unsigned nth = 1);

/// Makes the nth GlobalLock from now answer none; the block stays unlocked.
void FailGlobalLock(unsigned nth = 1);

/// Makes the nth MmioOpen from now open nothing, answer none and leave `code`
/// in the open-info record's error field.
void FailMmioOpen(std::uint32_t code, unsigned nth = 1);

/// Makes the nth MmioClose from now report `code`; the file is flushed and
/// closed all the same.
void FailMmioClose(std::uint32_t code, unsigned nth = 1);

/// Makes the nth MmioWrite from now write only its first `bytes` bytes (at most
/// its count) and answer that number.
void ShortenMmioWrite(std::int64_t bytes, unsigned nth = 1);

/// Disarms every fault and sets the call counts to zero.
void ClearFaults();

/// Calls of each service since the last ClearFaults (or the start).
struct CallCounts {
    unsigned globalAlloc = 0;
    unsigned globalLock = 0;
    unsigned mmioOpen = 0;
    unsigned mmioClose = 0;
    unsigned mmioWrite = 0;
};

/// Answers how often each service was called since the last ClearFaults.
CallCounts Calls();

/// What the services hold right now, over the whole process.
struct HeldResources {
    unsigned globalBlocks = 0;        ///< allocated and not yet freed
    unsigned lockedGlobalBlocks = 0;  ///< of those, the ones with a lock count above 0
    unsigned openMmioFiles = 0;       ///< opened by MmioOpen and not yet closed
};

/// Answers what the services hold right now.
HeldResources Held();

/// Clears the faults when made and again when dropped, so that no armed fault
/// leaks from one test into the next.
class ScopedFaults {
public:
    ScopedFaults() { ClearFaults(); }
    ~ScopedFaults() { ClearFaults(); }
    ScopedFaults(const ScopedFaults&) = delete;
    ScopedFaults& operator=(const ScopedFaults&) = delete;
};

}  // namespace platform::fault
