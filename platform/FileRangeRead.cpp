// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileRangeRead.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <thread>
#include <vector>

namespace platform {
namespace {

// The most one read system call moves on Linux is just under 2 GiB.
constexpr std::uint64_t kMaxTransfer = std::uint64_t{1} << 30;

/// Reads [offset, offset + count) on the calling thread, one read call after another.
std::int64_t ReadSequentially(int descriptor, std::byte* destination, std::uint64_t count, std::uint64_t offset) {
    std::uint64_t done = 0;
    while (done < count) {
        const std::size_t piece = static_cast<std::size_t>(std::min(count - done, kMaxTransfer));
        const ssize_t got = ::pread(descriptor, destination + done, piece, static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return -1;
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::uint64_t>(got);
    }
    return static_cast<std::int64_t>(done);
}

/// One thread's share of a range read and, once read, its result.
struct Slice {
    std::byte* destination;
    std::uint64_t count;
    std::uint64_t offset;
    std::int64_t got = 0;
};

/// Cuts [destination, destination + count) into at most `parts` slices of
/// about equal size, each but the last ending on a multiple of `alignment` in memory.
std::vector<Slice> CutIntoSlices(std::byte* destination, std::uint64_t count, std::uint64_t offset, unsigned parts,
                                 std::uint64_t alignment) {
    const auto start = reinterpret_cast<std::uintptr_t>(destination);
    std::vector<Slice> slices;
    std::uint64_t begin = 0;
    for (unsigned part = 1; part < parts; ++part) {
        const std::uint64_t aligned = (start + count / parts * part) / alignment * alignment;
        if (aligned > start + begin) {
            const std::uint64_t end = aligned - start;
            slices.push_back({destination + begin, end - begin, offset + begin});
            begin = end;
        }
    }
    slices.push_back({destination + begin, count - begin, offset + begin});
    return slices;
}

/// The result of the whole read: the slices' bytes up to the first short one
/// (a later slice may still have read some when the file grew meanwhile), or
/// -1 when any slice failed.
std::int64_t Combine(const std::vector<Slice>& slices) {
    std::int64_t total = 0;
    bool ended = false;
    for (const Slice& slice : slices) {
        if (slice.got < 0) {
            return -1;
        }
        if (!ended) {
            total += slice.got;
            ended = static_cast<std::uint64_t>(slice.got) < slice.count;
        }
    }
    return total;
}

}  // namespace

RangeReadPlan DefaultRangeReadPlan() {
    return {std::uint64_t{32} << 20, std::clamp(std::thread::hardware_concurrency(), 1U, 4U), std::uint64_t{2} << 20};
}

std::int64_t ReadFileRange(int descriptor, std::byte* destination, std::uint64_t count, std::uint64_t offset,
                           const RangeReadPlan& plan) {
    const std::uint64_t bySize = plan.minSliceBytes == 0 ? plan.maxThreads : count / plan.minSliceBytes;
    const auto parts = static_cast<unsigned>(std::min<std::uint64_t>(bySize, plan.maxThreads));
    if (parts < 2) {
        return ReadSequentially(descriptor, destination, count, offset);
    }
    const std::uint64_t alignment = std::max<std::uint64_t>(plan.sliceAlignment, 1);
    std::vector<Slice> slices = CutIntoSlices(destination, count, offset, parts, alignment);
    std::vector<std::thread> helpers;
    helpers.reserve(slices.size());
    for (std::size_t i = 1; i < slices.size(); ++i) {
        Slice& slice = slices[i];
        try {
            helpers.emplace_back([descriptor, &slice] {
                slice.got = ReadSequentially(descriptor, slice.destination, slice.count, slice.offset);
            });
        } catch (const std::system_error&) {
            // No thread to be had: this slice is read here instead.
            slice.got = ReadSequentially(descriptor, slice.destination, slice.count, slice.offset);
        }
    }
    Slice& first = slices.front();
    first.got = ReadSequentially(descriptor, first.destination, first.count, first.offset);
    for (std::thread& helper : helpers) {
        helper.join();
    }
    return Combine(slices);
}

}  // namespace platform
