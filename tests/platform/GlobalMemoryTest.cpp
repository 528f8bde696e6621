// SPDX-License-Identifier: GPL-3.0-or-later
// Memory blocks: allocation, the lock count, zero filling, sizes from none to huge.
#include "tests/support/FaultInjection.h"
#include "platform/GlobalMemory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

using namespace platform;

constexpr std::uint32_t kMovableShared = GMEM_MOVEABLE | GMEM_DDESHARE;

TEST(GlobalMemory, ABlockIsUsableWhileLockedAndCountsItsLocks) {
    const fault::HeldResources before = fault::Held();
    GlobalHandle block = GlobalAlloc(kMovableShared, 1000);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(GlobalSize(block), 1000U);
    EXPECT_EQ(fault::Held().globalBlocks, before.globalBlocks + 1);
    EXPECT_EQ(fault::Held().lockedGlobalBlocks, before.lockedGlobalBlocks);

    std::byte* bytes = GlobalLock(block);
    ASSERT_NE(bytes, nullptr);
    std::memset(bytes, 0x5A, 1000);  // every byte is writable (the sanitizer checks the ends)
    EXPECT_EQ(fault::Held().lockedGlobalBlocks, before.lockedGlobalBlocks + 1);
    EXPECT_EQ(GlobalLock(block), bytes);  // locked twice
    EXPECT_TRUE(GlobalUnlock(block));     // still locked once
    EXPECT_EQ(bytes[999], std::byte{0x5A});
    EXPECT_FALSE(GlobalUnlock(block));  // now unlocked
    EXPECT_FALSE(GlobalUnlock(block));  // and stays so
    EXPECT_EQ(fault::Held().lockedGlobalBlocks, before.lockedGlobalBlocks);

    EXPECT_EQ(GlobalFree(block), nullptr);
    EXPECT_EQ(fault::Held().globalBlocks, before.globalBlocks);
}

TEST(GlobalMemory, FreeingALockedBlockReleasesItWhole) {
    const fault::HeldResources before = fault::Held();
    GlobalHandle block = GlobalAlloc(kMovableShared, 16);
    ASSERT_NE(GlobalLock(block), nullptr);
    EXPECT_EQ(GlobalFree(block), nullptr);
    EXPECT_EQ(fault::Held().globalBlocks, before.globalBlocks);
    EXPECT_EQ(fault::Held().lockedGlobalBlocks, before.lockedGlobalBlocks);
}

TEST(GlobalMemory, ZeroInitFillsSmallAndLargeBlocksWithZeros) {
    for (const std::size_t size : {std::size_t{100}, std::size_t{20} << 20}) {
        GlobalHandle block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
        ASSERT_NE(block, nullptr) << size;
        const std::byte* bytes = GlobalLock(block);
        ASSERT_NE(bytes, nullptr);
        EXPECT_TRUE(std::all_of(bytes, bytes + size, [](std::byte b) { return b == std::byte{0}; })) << size;
        GlobalUnlock(block);
        GlobalFree(block);
    }
}

TEST(GlobalMemory, ALargeBlockIsUsableToItsLastByte) {
    const std::size_t size = (std::size_t{64} << 20) + 3;
    GlobalHandle block = GlobalAlloc(kMovableShared, size);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(GlobalSize(block), size);
    std::byte* bytes = GlobalLock(block);
    ASSERT_NE(bytes, nullptr);
    bytes[0] = std::byte{1};
    bytes[size - 1] = std::byte{2};
    EXPECT_EQ(bytes[0], std::byte{1});
    EXPECT_EQ(bytes[size - 1], std::byte{2});
    GlobalUnlock(block);
    GlobalFree(block);
}

TEST(GlobalMemory, ABlockOfNoBytesCanStillBeLocked) {
    GlobalHandle block = GlobalAlloc(kMovableShared, 0);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(GlobalSize(block), 0U);
    EXPECT_NE(GlobalLock(block), nullptr);
    EXPECT_FALSE(GlobalUnlock(block));
    EXPECT_EQ(GlobalFree(block), nullptr);
}

TEST(GlobalMemory, AnImpossibleSizeAnswersNone) {
    const unsigned held = fault::Held().globalBlocks;
    EXPECT_EQ(GlobalAlloc(kMovableShared, std::size_t{1} << 52), nullptr);
    EXPECT_EQ(GlobalAlloc(kMovableShared, SIZE_MAX), nullptr);
    EXPECT_EQ(fault::Held().globalBlocks, held);
}

TEST(GlobalMemory, NoHandleIsHandledQuietly) {
    EXPECT_EQ(GlobalLock(nullptr), nullptr);
    EXPECT_FALSE(GlobalUnlock(nullptr));
    EXPECT_EQ(GlobalFree(nullptr), nullptr);
    EXPECT_EQ(GlobalSize(nullptr), 0U);
}

}  // namespace
