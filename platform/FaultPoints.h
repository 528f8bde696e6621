#pragma once

#include <cstdint>
#include <optional>

/// The services' side of the test seam (platform/FaultInjection.h): each service
/// asks here, once per call, whether a test armed a fault for this call, and
/// reports what it acquires and gives back. Each question is one or two relaxed
/// atomic operations, so the program pays nothing noticeable for the seam.
namespace platform::fault::points {

/// Counts a GlobalAlloc call; true when this call is to fail.
bool GlobalAllocFails();

/// Counts a GlobalLock call; true when this call is to fail.
bool GlobalLockFails();

/// Counts an MmioOpen call; the error code this call is to fail with, if any.
std::optional<std::uint32_t> MmioOpenFault();

/// Counts an MmioClose call; the code this call is to report, if any.
std::optional<std::uint32_t> MmioCloseFault();

/// Counts an MmioWrite call; the number of bytes this call may write, if limited.
std::optional<std::int64_t> MmioWriteLimit();

/// Records a change in the number of global blocks held.
void NoteGlobalBlocks(int change);

/// Records a change in the number of global blocks locked.
void NoteLockedGlobalBlocks(int change);

/// Records a change in the number of open multimedia files.
void NoteOpenMmioFiles(int change);

}  // namespace platform::fault::points
