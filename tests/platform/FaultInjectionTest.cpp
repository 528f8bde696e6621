// SPDX-License-Identifier: GPL-3.0-or-later
// The test seam: each armed fault hits exactly the chosen call, once; calls and
// held resources are counted; the sound service's own reading is not counted.
#include "tests/support/FaultInjection.h"
#include "platform/GlobalMemory.h"
#include "platform/Mmio.h"
#include "platform/Sound.h"
#include "tests/support/RecordingSoundOutput.h"
#include "tests/support/RiffBuilder.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using fixtures::Bytes;
using namespace platform;

constexpr std::uint32_t kFlags = GMEM_MOVEABLE | GMEM_DDESHARE;

class FaultInjection : public testing::Test {
protected:
    fault::ScopedFaults faults_;
    fixtures::TempDir dir_;
};

TEST_F(FaultInjection, FailsOnlyTheChosenAllocation) {
    faults_.FailGlobalAlloc(2);
    std::vector<GlobalHandle> blocks;
    for (int i = 0; i < 4; ++i) {
        blocks.push_back(GlobalAlloc(kFlags, 8));
    }
    EXPECT_NE(blocks[0], nullptr);
    EXPECT_EQ(blocks[1], nullptr);
    EXPECT_NE(blocks[2], nullptr);
    EXPECT_NE(blocks[3], nullptr);
    EXPECT_EQ(faults_.Calls().globalAlloc, 4U);
    for (GlobalHandle block : blocks) {
        GlobalFree(block);
    }
}

TEST_F(FaultInjection, FailsOnlyTheChosenLockAndLeavesTheBlockUnlocked) {
    const unsigned lockedBefore = fault::Held().lockedGlobalBlocks;
    GlobalHandle block = GlobalAlloc(kFlags, 8);
    ASSERT_NE(block, nullptr);
    faults_.FailGlobalLock();
    EXPECT_EQ(GlobalLock(block), nullptr);
    EXPECT_EQ(fault::Held().lockedGlobalBlocks, lockedBefore);
    EXPECT_FALSE(GlobalUnlock(block));
    EXPECT_NE(GlobalLock(block), nullptr);
    EXPECT_EQ(faults_.Calls().globalLock, 2U);
    GlobalFree(block);
}

TEST_F(FaultInjection, AFailedOpenReportsTheChosenCodeAndOpensNothing) {
    const std::string path = dir_.Write("a.wav", fixtures::PcmWave(1, 8000, 8, {1}));
    const unsigned openBefore = fault::Held().openMmioFiles;
    faults_.FailMmioOpen(300);
    MmioOpenInfo info{};
    EXPECT_EQ(MmioOpen(path.c_str(), &info, MMIO_ALLOCBUF), nullptr);
    EXPECT_EQ(info.errorRet, 300U);
    EXPECT_EQ(fault::Held().openMmioFiles, openBefore);
    MmioHandle file = MmioOpen(path.c_str(), &info, MMIO_ALLOCBUF);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(info.errorRet, 0U);
    EXPECT_EQ(MmioClose(file, 0), 0U);
    EXPECT_EQ(faults_.Calls().mmioOpen, 2U);
}

TEST_F(FaultInjection, AFailedCloseReportsTheChosenCodeYetClosesAndFlushes) {
    const Bytes original = fixtures::Pattern(64);
    const std::string path = dir_.Write("a.wav", original);
    const unsigned openBefore = fault::Held().openMmioFiles;
    for (const std::uint32_t code : {MMIOERR_CANNOTCLOSE, MMIOERR_CANNOTWRITE}) {
        MmioHandle file = MmioOpen(path.c_str(), nullptr, MMIO_READWRITE | MMIO_ALLOCBUF);
        ASSERT_NE(file, nullptr);
        const std::uint8_t marker = static_cast<std::uint8_t>(code & 0xFF);
        ASSERT_EQ(MmioWrite(file, &marker, 1), 1);
        faults_.FailMmioClose(code);
        EXPECT_EQ(MmioClose(file, 0), code);
        EXPECT_EQ(fault::Held().openMmioFiles, openBefore);
        EXPECT_EQ(fixtures::ReadBytes(path).at(0), marker);
    }
}

TEST_F(FaultInjection, AShortenedWriteStoresOnlyItsFirstBytes) {
    const Bytes original = fixtures::Pattern(64, 1);
    const std::string path = dir_.Write("a.wav", original);
    MmioHandle file = MmioOpen(path.c_str(), nullptr, MMIO_READWRITE | MMIO_ALLOCBUF);
    ASSERT_NE(file, nullptr);
    const Bytes patch = fixtures::Pattern(16, 2);
    faults_.ShortenMmioWrite(3, 2);
    ASSERT_EQ(MmioWrite(file, patch.data(), 16), 16);  // the first write is whole
    EXPECT_EQ(MmioWrite(file, patch.data(), 16), 3);
    EXPECT_EQ(MmioWrite(file, patch.data(), 16), 16);  // and the fault fired once only
    EXPECT_EQ(MmioClose(file, 0), 0U);
    Bytes expected = original;
    std::copy(patch.begin(), patch.end(), expected.begin());
    std::copy(patch.begin(), patch.begin() + 3, expected.begin() + 16);
    std::copy(patch.begin(), patch.end(), expected.begin() + 19);
    EXPECT_EQ(fixtures::ReadBytes(path), expected);
    EXPECT_EQ(faults_.Calls().mmioWrite, 3U);
}

TEST_F(FaultInjection, ClearingDisarmsEveryFaultAndZeroesTheCounts) {
    faults_.FailGlobalAlloc();
    faults_.FailGlobalLock();
    faults_.FailMmioOpen(257);
    faults_.FailMmioClose(260);
    faults_.ShortenMmioWrite(0);
    faults_.Clear();
    GlobalHandle block = GlobalAlloc(kFlags, 4);
    ASSERT_NE(block, nullptr);
    EXPECT_NE(GlobalLock(block), nullptr);
    GlobalFree(block);
    const std::string path = dir_.Write("a.wav", fixtures::Pattern(8));
    MmioHandle file = MmioOpen(path.c_str(), nullptr, MMIO_READWRITE);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(MmioWrite(file, "abcd", 4), 4);
    EXPECT_EQ(MmioClose(file, 0), 0U);
    faults_.Clear();
    const fault::CallCounts calls = faults_.Calls();
    EXPECT_EQ(calls.globalAlloc + calls.globalLock + calls.mmioOpen + calls.mmioClose + calls.mmioWrite, 0U);
}

TEST_F(FaultInjection, ScopedFaultsDisarmWhenTheScopeEnds) {
    {
        fault::ScopedFaults scope;
        scope.FailGlobalAlloc();
    }
    GlobalHandle block = GlobalAlloc(kFlags, 4);
    EXPECT_NE(block, nullptr);
    GlobalFree(block);
}

// The document plays a file and then opens it: a fault armed for "the next
// MmioOpen" must hit the document's open, not the sound service's reading.
TEST_F(FaultInjection, PlayingASoundDoesNotCountAsAnOpen) {
    const std::string path = dir_.Write("a.wav", fixtures::PcmWave(1, 8000, 8, {1, 2, 3}));
    fixtures::RecordingSoundOutput recorder;
    const TScopedSeam<SoundOutput> use(recorder);
    faults_.FailMmioOpen(MMIOERR_CANNOTOPEN);
    EXPECT_TRUE(SndPlaySound(path.c_str(), SND_SYNC));
    ASSERT_EQ(recorder.Sounds().size(), 1U);
    EXPECT_FALSE(recorder.Sounds()[0].IsDefaultSound());
    EXPECT_EQ(faults_.Calls().mmioOpen, 0U);
    MmioOpenInfo info{};
    EXPECT_EQ(MmioOpen(path.c_str(), &info, MMIO_ALLOCBUF), nullptr);
    EXPECT_EQ(info.errorRet, MMIOERR_CANNOTOPEN);
}

}  // namespace
