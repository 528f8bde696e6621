// SPDX-License-Identifier: GPL-3.0-or-later
// Copying every byte of an open file into another: within one file system
// (in the kernel) and from a tmpfs (where the kernel refuses and the copy
// reads and writes piece by piece), for files of no, one and several pieces.
#include "platform/FileCopy.h"
#include "tests/support/RiffBuilder.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <fstream>
#include <string>

namespace {

using fixtures::Bytes;

/// A folder on another file system than the test folder, or "" when there is none.
std::string SecondFileSystem(const std::string& folder) {
    struct stat shm {};
    struct stat here {};
    const bool apart = ::stat("/dev/shm", &shm) == 0 && ::stat(folder.c_str(), &here) == 0 &&
                       shm.st_dev != here.st_dev && ::access("/dev/shm", W_OK) == 0;
    return apart ? "/dev/shm" : "";
}

TEST(CopyAllBytes, CopiesEveryByteWithinAndAcrossFileSystems) {
    fixtures::TempDir dir;
    const std::string elsewhere = SecondFileSystem(dir.Path());
    for (const std::size_t size : {std::size_t{0}, std::size_t{3000}, (std::size_t{5} << 20) + 17}) {
        for (const bool acrossFileSystems : {false, true}) {
            if (acrossFileSystems && elsewhere.empty()) {
                continue;
            }
            SCOPED_TRACE(testing::Message() << size << " bytes" << (acrossFileSystems ? " from tmpfs" : ""));
            const Bytes content = fixtures::Pattern(size, 5);
            std::string source = dir.Write("source.wav", content);
            if (acrossFileSystems) {
                std::string moved = elsewhere + "/korvani-copy-XXXXXX";
                const int made = ::mkstemp(moved.data());
                ASSERT_GE(made, 0);
                ::close(made);
                std::ofstream(moved, std::ios::binary) << std::ifstream(source, std::ios::binary).rdbuf();
                source = moved;
            }
            const std::string target = dir.PathOf("copy.wav");
            const int from = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
            const int to = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            ASSERT_GE(from, 0);
            ASSERT_GE(to, 0);
            EXPECT_EQ(platform::CopyAllBytes(from, to), 0);
            ::close(from);
            ::close(to);
            if (acrossFileSystems) {
                ::unlink(source.c_str());
            }
            EXPECT_EQ(fixtures::ReadBytes(target), content);
        }
    }
}

}  // namespace
