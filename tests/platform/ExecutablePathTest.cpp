// SPDX-License-Identifier: GPL-3.0-or-later
// The program's own file.
#include "platform/ExecutablePath.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>

namespace {

TEST(Module, NamesTheRunningProgramsOwnFile) {
    const std::string path = platform::GetModuleFileName();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.front(), '/');
    EXPECT_EQ(path.substr(path.find_last_of('/') + 1), "platform_tests");
    struct stat named {};
    struct stat running {};
    ASSERT_EQ(::stat(path.c_str(), &named), 0);
    ASSERT_EQ(::stat("/proc/self/exe", &running), 0);
    EXPECT_EQ(named.st_dev, running.st_dev);
    EXPECT_EQ(named.st_ino, running.st_ino);
}

}  // namespace
