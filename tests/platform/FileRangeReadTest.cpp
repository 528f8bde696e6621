// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a range of a file into memory, on one thread or split among several.
#include "platform/FileRangeRead.h"
#include "platform/GlobalMemory.h"
#include "platform/Mmio.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

using fixtures::Bytes;
using fixtures::TempDir;
using namespace platform;

constexpr std::uint8_t kUntouched = 0xA5;

/// A file of patterned bytes, open for reading while the object lives.
class PatternFile {
public:
    explicit PatternFile(std::size_t size) : content_(fixtures::Pattern(size, 11)) {
        descriptor_ = ::open(dir_.Write("range.bin", content_).c_str(), O_RDONLY | O_CLOEXEC);
    }
    ~PatternFile() { ::close(descriptor_); }
    PatternFile(const PatternFile&) = delete;
    PatternFile& operator=(const PatternFile&) = delete;

    int Descriptor() const { return descriptor_; }
    const Bytes& Content() const { return content_; }

private:
    TempDir dir_;
    Bytes content_;
    int descriptor_ = -1;
};

/// Reads [offset, offset + count) of `file` with `plan` into a destination that
/// starts `skew` bytes into a buffer with room to spare behind the range; answers
/// the result and the whole buffer, so that bytes written past the range show.
struct RangeOutcome {
    std::int64_t result;
    Bytes buffer;
};

RangeOutcome ReadRange(const PatternFile& file, std::size_t offset, std::size_t count, const RangeReadPlan& plan,
                       std::size_t skew = 3) {
    RangeOutcome outcome{0, Bytes(skew + count + 64, kUntouched)};
    outcome.result = ReadFileRange(file.Descriptor(), reinterpret_cast<std::byte*>(outcome.buffer.data() + skew), count,
                                   offset, plan);
    return outcome;
}

/// The bytes a correct read leaves in the buffer: `read` file bytes from
/// `offset` at `skew`, everything else untouched.
Bytes Expected(const PatternFile& file, std::size_t offset, std::size_t count, std::size_t read, std::size_t skew = 3) {
    Bytes expected(skew + count + 64, kUntouched);
    std::copy_n(file.Content().begin() + static_cast<std::ptrdiff_t>(offset), read,
                expected.begin() + static_cast<std::ptrdiff_t>(skew));
    return expected;
}

std::string Describe(const RangeReadPlan& plan) {
    return std::to_string(plan.minSliceBytes) + " / " + std::to_string(plan.maxThreads) + " / " +
           std::to_string(plan.sliceAlignment);
}

// Small slices and a small alignment, so that a file of a few hundred kilobytes
// is read by several threads at once.
const RangeReadPlan kSplitPlans[] = {
    {4096, 2, 4096},  {4096, 3, 4096}, {1000, 4, 1},  // cuts anywhere
    {4096, 4, 65536},                                 // alignment coarser than an even share: fewer, larger slices
    {0, 4, 4096},                                     // no minimum slice size
};

TEST(ReadFileRange, EverySplitReadsExactlyTheRange) {
    const PatternFile file(300'000);
    for (const RangeReadPlan& plan : kSplitPlans) {
        SCOPED_TRACE(Describe(plan));
        for (const std::size_t offset : {std::size_t{0}, std::size_t{44}, std::size_t{123'457}}) {
            const std::size_t count = 150'001;
            const RangeOutcome outcome = ReadRange(file, offset, count, plan);
            EXPECT_EQ(outcome.result, static_cast<std::int64_t>(count)) << offset;
            EXPECT_EQ(outcome.buffer, Expected(file, offset, count, count)) << offset;
        }
    }
}

TEST(ReadFileRange, ARangePastTheEndReadsUpToTheEnd) {
    const PatternFile file(200'000);
    for (const RangeReadPlan& plan : kSplitPlans) {
        SCOPED_TRACE(Describe(plan));
        // The end falls in the first slice, in a later one, exactly on the end of the range.
        for (const std::size_t offset : {std::size_t{190'000}, std::size_t{90'000}, std::size_t{50'000}}) {
            const std::size_t count = 150'000;
            const std::size_t inFile = std::min(count, file.Content().size() - offset);
            const RangeOutcome outcome = ReadRange(file, offset, count, plan);
            EXPECT_EQ(outcome.result, static_cast<std::int64_t>(inFile)) << offset;
            EXPECT_EQ(outcome.buffer, Expected(file, offset, count, inFile)) << offset;
        }
        const RangeOutcome beyond = ReadRange(file, 250'000, 100'000, plan);
        EXPECT_EQ(beyond.result, 0);
        EXPECT_EQ(beyond.buffer, Expected(file, 0, 100'000, 0));
    }
}

TEST(ReadFileRange, ARangeTooSmallToSplitIsReadOnTheCallingThread) {
    const PatternFile file(10'000);
    const RangeOutcome outcome = ReadRange(file, 17, 5000, {4096, 4, 4096});
    EXPECT_EQ(outcome.result, 5000);
    EXPECT_EQ(outcome.buffer, Expected(file, 17, 5000, 5000));
    const RangeOutcome nothing = ReadRange(file, 17, 0, {0, 4, 1});
    EXPECT_EQ(nothing.result, 0);
    EXPECT_EQ(nothing.buffer, Expected(file, 17, 0, 0));
}

TEST(ReadFileRange, AReadErrorIsMinusOneOnEverySplit) {
    TempDir dir;
    const std::string path = dir.Write("range.bin", fixtures::Pattern(100'000));
    const int writeOnly = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(writeOnly, 0);
    Bytes buffer(100'000);
    for (const RangeReadPlan& plan : kSplitPlans) {
        EXPECT_EQ(ReadFileRange(writeOnly, reinterpret_cast<std::byte*>(buffer.data()), buffer.size(), 0, plan), -1);
    }
    EXPECT_EQ(ReadFileRange(writeOnly, reinterpret_cast<std::byte*>(buffer.data()), 10, 0, {4096, 1, 4096}), -1);
    ::close(writeOnly);
}

// The way a large "data" chunk is loaded: one read of the whole chunk into one
// fresh memory block, split among threads by the machine's own plan.
TEST(ReadFileRange, AChunkOfNinetyMegabytesReadsWholeIntoAFreshBlock) {
    TempDir dir;
    const std::size_t size = (std::size_t{90} << 20) + 44 + 7;
    const Bytes content = fixtures::Pattern(size, 5);
    const std::string path = dir.Write("large.wav", content);
    MmioOpenInfo info{};
    MmioHandle file = MmioOpen(path.c_str(), &info, MMIO_READ | MMIO_ALLOCBUF);
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(MmioSeek(file, 44, SEEK_SET), 44);
    const GlobalHandle block = GlobalAlloc(GMEM_MOVEABLE, size - 44);
    ASSERT_NE(block, nullptr);
    std::byte* bytes = GlobalLock(block);
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(MmioRead(file, bytes, static_cast<std::int64_t>(size - 44)), static_cast<std::int64_t>(size - 44));
    EXPECT_EQ(MmioSeek(file, 0, SEEK_CUR), static_cast<std::int64_t>(size));
    EXPECT_EQ(std::memcmp(bytes, content.data() + 44, size - 44), 0);
    GlobalUnlock(block);
    GlobalFree(block);
    EXPECT_EQ(MmioClose(file, 0), 0U);
}

}  // namespace
