// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>

/// Movable memory blocks in the manner the document code expects: allocate a
/// block, lock it to get at its bytes, unlock it, free it. A block never moves
/// here, but the lock count is kept, so a block is only usable between a
/// successful GlobalLock and the matching GlobalUnlock.
namespace platform {

inline constexpr std::uint32_t GMEM_FIXED = 0x0000;     ///< accepted; blocks never move anyway
inline constexpr std::uint32_t GMEM_MOVEABLE = 0x0002;  ///< accepted; blocks never move anyway
inline constexpr std::uint32_t GMEM_ZEROINIT = 0x0040;  ///< fill the new block with zero bytes
inline constexpr std::uint32_t GMEM_DDESHARE = 0x2000;  ///< accepted; there is no sharing between programs

class GlobalBlock;

/// Handle of one memory block; none is nullptr.
using GlobalHandle = GlobalBlock*;

/// Allocates a block of `bytes` bytes (0 is allowed and gives a lockable block
/// of no bytes); its contents are undefined unless `flags` has GMEM_ZEROINIT.
/// Answers none when the memory is not available. Large blocks come straight
/// from the system, so that filling them from a file runs at memory speed.
GlobalHandle GlobalAlloc(std::uint32_t flags, std::size_t bytes);

/// Locks the block and answers its first byte; none for no handle or when the
/// lock fails. Each successful lock raises the block's lock count by one.
std::byte* GlobalLock(GlobalHandle block);

/// Lowers the lock count by one; answers true while the block stays locked,
/// false once it is unlocked (or was not locked at all).
bool GlobalUnlock(GlobalHandle block);

/// Frees the block, locked or not, and answers none; freeing none does nothing.
GlobalHandle GlobalFree(GlobalHandle block);

/// Answers the size in bytes the block was allocated with; 0 for none.
std::size_t GlobalSize(GlobalHandle block);

}  // namespace platform
