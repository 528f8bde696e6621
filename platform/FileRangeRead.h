// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>

/// Reading one range of an open file into memory, whole, for the buffered
/// files of the RIFF services.
///
/// A range of many megabytes is read by several threads at once, each into its
/// own slice of the destination. Reading into memory that was just allocated
/// costs the kernel more in clearing the fresh pages than in copying the file's
/// bytes; with one thread per slice both spread over the machine's cores, and
/// a 600 MB "data" chunk loads in about the time a plain sequential read of the
/// file takes. Smaller ranges are read on the calling thread only.
namespace platform {

/// How a range read is split among threads.
struct RangeReadPlan {
    std::uint64_t minSliceBytes;  ///< no thread reads less than this
    unsigned maxThreads;          ///< threads at most, the calling thread included
    /// Slices end on multiples of this in memory: at huge-page boundaries no
    /// two threads fault in (and clear) the same huge page.
    std::uint64_t sliceAlignment;
};

/// The split for this machine: slices of at least 32 MiB, one thread per
/// core, four at most, cut at 2 MiB boundaries.
RangeReadPlan DefaultRangeReadPlan();

/// Reads `count` bytes at `offset` of the file `descriptor` into `destination`;
/// answers the bytes read, fewer only when the file ends first, or -1 when the
/// system reports a read error. Returns once every thread it started has
/// finished. Does not move the descriptor's file position.
std::int64_t ReadFileRange(int descriptor, std::byte* destination, std::uint64_t count, std::uint64_t offset,
                           const RangeReadPlan& plan = DefaultRangeReadPlan());

}  // namespace platform
