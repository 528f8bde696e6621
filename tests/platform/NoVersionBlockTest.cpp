// SPDX-License-Identifier: GPL-3.0-or-later
// A program that carries no version block: its own file has none, although it
// is an ELF file from the same compiler and linker as the program that has one.
#include "platform/ExecutablePath.h"
#include "platform/VersionInfo.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

TEST(ProgramWithoutVersionBlock, HasNoBlockInItsOwnFile) {
    const std::string path = platform::GetModuleFileName();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(platform::GetFileVersionInfoSize(path.c_str()), 0U);
    std::vector<std::uint8_t> buffer(4096, 0xAA);
    EXPECT_FALSE(platform::GetFileVersionInfo(path.c_str(), 4096, buffer.data()));
    EXPECT_EQ(buffer, std::vector<std::uint8_t>(4096, 0xAA));
}

}  // namespace
