// Copying with replace, and the copies that must not happen: a file onto
// itself under any name, onto a read-only file, from or onto things that are
// not regular files.
#include "platform/FileCopy.h"
#include "tests/support/OrdinaryUser.h"
#include "tests/support/RiffBuilder.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>

namespace {

using fixtures::Bytes;
using platform::CopyFile;

ino_t InodeOf(const std::string& path) {
    struct stat status {};
    EXPECT_EQ(::stat(path.c_str(), &status), 0) << path;
    return status.st_ino;
}

class FileCopy : public testing::Test {
protected:
    fixtures::TempDir dir_;
    const Bytes content_ = fixtures::PcmWave(2, 48000, 16, fixtures::Pattern(3000));
    const std::string source_ = dir_.Write("source.wav", content_);
};

TEST_F(FileCopy, CopiesToANewFile) {
    const std::string target = dir_.PathOf("copy.wav");
    EXPECT_TRUE(CopyFile(source_.c_str(), target.c_str(), false));
    EXPECT_EQ(fixtures::ReadBytes(target), content_);
    EXPECT_EQ(fixtures::ReadBytes(source_), content_);
}

TEST_F(FileCopy, CopiesALargeFileWhole) {
    const Bytes large = fixtures::Pattern((std::size_t{5} << 20) + 17, 3);
    const std::string source = dir_.Write("large.wav", large);
    const std::string target = dir_.PathOf("large-copy.wav");
    EXPECT_TRUE(CopyFile(source.c_str(), target.c_str(), false));
    EXPECT_EQ(fixtures::ReadBytes(target), large);
}

TEST_F(FileCopy, ReplacesALongerExistingFileInPlace) {
    const std::string target = dir_.Write("old.wav", fixtures::Pattern(content_.size() * 3, 5));
    const ino_t inode = InodeOf(target);
    EXPECT_TRUE(CopyFile(source_.c_str(), target.c_str(), false));
    EXPECT_EQ(fixtures::ReadBytes(target), content_);
    EXPECT_EQ(InodeOf(target), inode);  // written into, not removed and made anew
}

TEST_F(FileCopy, FailIfExistsKeepsAnExistingFile) {
    const Bytes old = fixtures::Pattern(10, 6);
    const std::string target = dir_.Write("old.wav", old);
    EXPECT_FALSE(CopyFile(source_.c_str(), target.c_str(), true));
    EXPECT_EQ(fixtures::ReadBytes(target), old);
    const std::string fresh = dir_.PathOf("fresh.wav");
    EXPECT_TRUE(CopyFile(source_.c_str(), fresh.c_str(), true));
    EXPECT_EQ(fixtures::ReadBytes(fresh), content_);
}

/// The source itself, reached by another name.
class FileCopyOntoItself : public FileCopy, public testing::WithParamInterface<std::string> {
protected:
    std::string SameFileAs() {
        const std::string& how = GetParam();
        if (how == "same path") {
            return source_;
        }
        if (how == "dot path") {
            return dir_.Path() + "/./source.wav";
        }
        if (how == "dot-dot path") {
            ::mkdir(dir_.PathOf("sub").c_str(), 0755);
            return dir_.PathOf("sub/../source.wav");
        }
        const std::string link = dir_.PathOf("link.wav");
        if (how == "symbolic link") {
            EXPECT_EQ(::symlink(source_.c_str(), link.c_str()), 0);
        } else {
            EXPECT_EQ(::link(source_.c_str(), link.c_str()), 0);
        }
        return link;
    }
};

TEST_P(FileCopyOntoItself, FailsAndLeavesTheFileUntouched) {
    const std::string target = SameFileAs();
    EXPECT_FALSE(CopyFile(source_.c_str(), target.c_str(), false));
    EXPECT_EQ(fixtures::ReadBytes(source_), content_);
    EXPECT_FALSE(CopyFile(target.c_str(), source_.c_str(), false));  // and the other way round
    EXPECT_EQ(fixtures::ReadBytes(source_), content_);
}

INSTANTIATE_TEST_SUITE_P(Names, FileCopyOntoItself,
                         testing::Values("same path", "dot path", "dot-dot path", "symbolic link", "hard link"),
                         [](const auto& test) {
                             std::string name = test.param;
                             for (char& c : name) {
                                 c = (c == ' ' || c == '-') ? '_' : c;
                             }
                             return name;
                         });

TEST_F(FileCopy, AReadOnlyTargetFailsAndStaysAsItWas) {
    const Bytes old = fixtures::Pattern(100, 7);
    const std::string target = dir_.Write("locked.wav", old);
    ASSERT_EQ(::chmod(target.c_str(), 0444), 0);
    const ino_t inode = InodeOf(target);
    {
        const fixtures::ScopedOrdinaryUser ordinaryUser;
        EXPECT_FALSE(CopyFile(source_.c_str(), target.c_str(), false));
    }
    EXPECT_EQ(fixtures::ReadBytes(target), old);
    EXPECT_EQ(InodeOf(target), inode);
}

TEST_F(FileCopy, AMissingSourceCopiesNothing) {
    const std::string target = dir_.PathOf("copy.wav");
    EXPECT_FALSE(CopyFile(dir_.PathOf("missing.wav").c_str(), target.c_str(), false));
    EXPECT_NE(::access(target.c_str(), F_OK), 0);
    EXPECT_FALSE(CopyFile(source_.c_str(), dir_.PathOf("missing-folder/copy.wav").c_str(), false));
    EXPECT_FALSE(CopyFile(source_.c_str(), nullptr, false));
    EXPECT_FALSE(CopyFile(nullptr, target.c_str(), false));
}

// Neither a FIFO nor a directory is read or written; a FIFO without a partner
// would block a plain open forever (the test's timeout catches that).
TEST_F(FileCopy, RefusesThingsThatAreNotRegularFiles) {
    const std::string fifo = dir_.PathOf("pipe.wav");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const std::string folder = dir_.PathOf("folder.wav");
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    const std::string target = dir_.PathOf("copy.wav");
    EXPECT_FALSE(CopyFile(fifo.c_str(), target.c_str(), false));
    EXPECT_FALSE(CopyFile(folder.c_str(), target.c_str(), false));
    EXPECT_NE(::access(target.c_str(), F_OK), 0);
    EXPECT_FALSE(CopyFile(source_.c_str(), fifo.c_str(), false));
    EXPECT_FALSE(CopyFile(source_.c_str(), folder.c_str(), false));
    EXPECT_FALSE(CopyFile(source_.c_str(), "/dev/null", false));
    EXPECT_EQ(fixtures::ReadBytes(source_), content_);
}

}  // namespace

namespace {

// From a tmpfs to the test folder the kernel refuses to copy between the two
// file systems, and the copy falls back to reading and writing, piece by
// piece: a file of several pieces with an odd end must arrive whole.
TEST_F(FileCopy, CopiesBetweenFileSystemsByReadingAndWriting) {
    struct stat shm {};
    struct stat folder {};
    if (::stat("/dev/shm", &shm) != 0 || ::stat(dir_.Path().c_str(), &folder) != 0 || shm.st_dev == folder.st_dev) {
        GTEST_SKIP() << "no second file system at /dev/shm";
    }
    std::string pattern = "/dev/shm/korvani-copy-XXXXXX";
    const int descriptor = ::mkstemp(pattern.data());
    ASSERT_GE(descriptor, 0);
    ::close(descriptor);
    const Bytes large = fixtures::PcmWave(2, 44100, 16, fixtures::Pattern((5 << 19) + 7, 5));
    {
        std::ofstream out(pattern, std::ios::binary);
        out.write(reinterpret_cast<const char*>(large.data()), static_cast<std::streamsize>(large.size()));
    }
    const std::string target = dir_.PathOf("from-tmpfs.wav");
    const bool copied = CopyFile(pattern.c_str(), target.c_str(), false);
    ::unlink(pattern.c_str());
    EXPECT_TRUE(copied);
    EXPECT_EQ(fixtures::ReadBytes(target), large);
}

}  // namespace
