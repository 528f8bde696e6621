// SPDX-License-Identifier: GPL-3.0-or-later
// Opening, reading, writing, seeking and closing multimedia files.
#include "tests/support/FaultInjection.h"
#include "platform/Mmio.h"
#include "tests/support/OrdinaryUser.h"
#include "tests/support/RiffBuilder.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <random>
#include <string>

namespace {

using fixtures::Bytes;
using fixtures::TempDir;
using namespace platform;

/// Opens `path` with a fresh zero-filled record; answers the handle and the record's code.
struct OpenOutcome {
    MmioHandle file = nullptr;
    std::uint32_t error = 0;
};

OpenOutcome Open(const std::string& path, std::uint32_t flags) {
    MmioOpenInfo info{};
    info.errorRet = 0xDEAD;  // proves the open writes the field on every path
    OpenOutcome outcome;
    outcome.file = MmioOpen(path.c_str(), &info, flags);
    outcome.error = info.errorRet;
    return outcome;
}

TEST(MmioOpen, OpensAnExistingFileAndClearsTheError) {
    TempDir dir;
    const std::string path = dir.Write("a.wav", fixtures::Pattern(10));
    const unsigned openBefore = fault::Held().openMmioFiles;
    const OpenOutcome opened = Open(path, MMIO_ALLOCBUF);
    ASSERT_NE(opened.file, nullptr);
    EXPECT_EQ(opened.error, 0U);
    EXPECT_EQ(fault::Held().openMmioFiles, openBefore + 1);
    EXPECT_EQ(MmioSeek(opened.file, 0, SEEK_CUR), 0);
    EXPECT_EQ(MmioClose(opened.file, 0), 0U);
    EXPECT_EQ(fault::Held().openMmioFiles, openBefore);
}

TEST(MmioOpen, AMissingFileIsFileNotFound) {
    TempDir dir;
    for (const std::string& path : {dir.PathOf("missing.wav"), dir.PathOf("no-folder/missing.wav"), std::string()}) {
        const OpenOutcome opened = Open(path, MMIO_ALLOCBUF);
        EXPECT_EQ(opened.file, nullptr) << path;
        EXPECT_EQ(opened.error, MMIOERR_FILENOTFOUND) << path;
    }
}

TEST(MmioOpen, ANullRecordIsAllowed) {
    TempDir dir;
    EXPECT_EQ(MmioOpen(dir.PathOf("missing.wav").c_str(), nullptr, MMIO_ALLOCBUF), nullptr);
    const std::string path = dir.Write("a.wav", fixtures::Pattern(4));
    MmioHandle file = MmioOpen(path.c_str(), nullptr, MMIO_READWRITE | MMIO_ALLOCBUF);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(MmioClose(file, 0), 0U);
}

/// Something at a path that exists but must never be read: refused as "cannot
/// open" before it is opened, so that nothing blocks (a FIFO without a writer
/// would block a plain open for reading forever; the test's timeout catches that).
class MmioOpenRefuses : public testing::TestWithParam<std::string> {
protected:
    std::string MakeObstacle() {
        const std::string& kind = GetParam();
        if (kind == "directory") {
            const std::string path = dir_.PathOf("folder.wav");
            EXPECT_EQ(::mkdir(path.c_str(), 0755), 0);
            return path;
        }
        if (kind == "fifo") {
            const std::string path = dir_.PathOf("pipe.wav");
            EXPECT_EQ(::mkfifo(path.c_str(), 0644), 0);
            return path;
        }
        if (kind == "symlink to fifo") {
            const std::string fifo = dir_.PathOf("pipe");
            EXPECT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
            const std::string path = dir_.PathOf("link.wav");
            EXPECT_EQ(::symlink(fifo.c_str(), path.c_str()), 0);
            return path;
        }
        return "/dev/null";
    }

    TempDir dir_;
};

TEST_P(MmioOpenRefuses, ForReadingAndForWriting) {
    const std::string path = MakeObstacle();
    for (const std::uint32_t flags : {MMIO_ALLOCBUF, MMIO_READWRITE | MMIO_ALLOCBUF, MMIO_READ}) {
        const OpenOutcome opened = Open(path, flags);
        EXPECT_EQ(opened.file, nullptr);
        EXPECT_EQ(opened.error, MMIOERR_CANNOTOPEN);
    }
}

INSTANTIATE_TEST_SUITE_P(NonRegularFiles, MmioOpenRefuses,
                         testing::Values("directory", "fifo", "symlink to fifo", "character device"),
                         [](const auto& test) {
                             std::string name = test.param;
                             for (char& c : name) {
                                 c = c == ' ' ? '_' : c;
                             }
                             return name;
                         });

TEST(MmioOpen, APathOf255BytesOpensAndOneOf256IsRefusedUncut) {
    TempDir dir;
    const std::string folder(120, 'f');
    ASSERT_EQ(::mkdir(dir.PathOf(folder).c_str(), 0755), 0);
    const std::size_t prefix = dir.PathOf(folder).size() + 1;
    const std::string longest = dir.Write(folder + "/" + std::string(255 - prefix, 'a'), fixtures::Pattern(8));
    const std::string tooLong = dir.Write(folder + "/" + std::string(256 - prefix, 'a'), fixtures::Pattern(8));
    ASSERT_EQ(longest.size(), 255U);
    const OpenOutcome fits = Open(longest, MMIO_ALLOCBUF);
    ASSERT_NE(fits.file, nullptr);
    EXPECT_EQ(MmioClose(fits.file, 0), 0U);
    // The 256-byte path names an existing file, so only its length refuses it;
    // cut to 255 bytes it would have named the other file.
    const OpenOutcome refused = Open(tooLong, MMIO_ALLOCBUF);
    EXPECT_EQ(refused.file, nullptr);
    EXPECT_EQ(refused.error, MMIOERR_CANNOTOPEN);
}

TEST(MmioOpen, FlagsItDoesNotOfferAreRefused) {
    TempDir dir;
    const std::string path = dir.Write("a.wav", fixtures::Pattern(8));
    for (const std::uint32_t flags : {0x1U, 0x3U, 0x1000U | MMIO_ALLOCBUF}) {
        const OpenOutcome opened = Open(path, flags);
        EXPECT_EQ(opened.file, nullptr) << flags;
        EXPECT_EQ(opened.error, MMIOERR_CANNOTOPEN) << flags;
    }
}

TEST(MmioOpen, AReadOnlyFileOpensForReadingButNotForWriting) {
    TempDir dir;
    const std::string path = dir.Write("locked.wav", fixtures::Pattern(8));
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    const fixtures::ScopedOrdinaryUser ordinaryUser;
    const OpenOutcome forWriting = Open(path, MMIO_READWRITE | MMIO_ALLOCBUF);
    EXPECT_EQ(forWriting.file, nullptr);
    EXPECT_EQ(forWriting.error, MMIOERR_CANNOTOPEN);
    const OpenOutcome forReading = Open(path, MMIO_ALLOCBUF);
    ASSERT_NE(forReading.file, nullptr);
    EXPECT_EQ(MmioClose(forReading.file, 0), 0U);
}

/// Buffered (MMIO_ALLOCBUF) and unbuffered files behave alike for the caller.
class MmioIo : public testing::TestWithParam<std::uint32_t> {
protected:
    MmioHandle OpenFile(const Bytes& content, std::uint32_t access) {
        path_ = dir_.Write("io.bin", content);
        const OpenOutcome opened = Open(path_, access | GetParam());
        EXPECT_NE(opened.file, nullptr);
        return opened.file;
    }

    TempDir dir_;
    std::string path_;
};

TEST_P(MmioIo, ReadsInPiecesOfAnySizeAcrossTheBuffer) {
    const Bytes content = fixtures::Pattern(50000, 3);
    MmioHandle file = OpenFile(content, MMIO_READ);
    ASSERT_NE(file, nullptr);
    Bytes got(content.size());
    std::size_t at = 0;
    for (const std::size_t piece : {1U, 7U, 8185U, 8192U, 9000U, 3U, 20000U}) {
        ASSERT_EQ(MmioRead(file, got.data() + at, static_cast<std::int64_t>(piece)), static_cast<std::int64_t>(piece));
        at += piece;
        EXPECT_EQ(MmioSeek(file, 0, SEEK_CUR), static_cast<std::int64_t>(at));
    }
    // Short at the end of the file, then nothing.
    const auto rest = static_cast<std::int64_t>(content.size() - at);
    Bytes tail(10000);
    EXPECT_EQ(MmioRead(file, tail.data(), 10000), rest);
    std::copy_n(tail.begin(), rest, got.begin() + static_cast<std::ptrdiff_t>(at));
    EXPECT_EQ(got, content);
    EXPECT_EQ(MmioRead(file, tail.data(), 10), 0);
    EXPECT_EQ(MmioRead(file, tail.data(), 0), 0);
    EXPECT_EQ(MmioRead(file, tail.data(), -1), -1);
    EXPECT_EQ(MmioClose(file, 0), 0U);
}

TEST_P(MmioIo, SeeksFromTheStartTheCurrentPositionAndTheEnd) {
    const Bytes content = fixtures::Pattern(1000, 4);
    MmioHandle file = OpenFile(content, MMIO_READ);
    ASSERT_NE(file, nullptr);
    std::uint8_t byte = 0;
    EXPECT_EQ(MmioSeek(file, 500, SEEK_SET), 500);
    ASSERT_EQ(MmioRead(file, &byte, 1), 1);
    EXPECT_EQ(byte, content[500]);
    EXPECT_EQ(MmioSeek(file, -101, SEEK_CUR), 400);
    ASSERT_EQ(MmioRead(file, &byte, 1), 1);
    EXPECT_EQ(byte, content[400]);
    EXPECT_EQ(MmioSeek(file, -1, SEEK_END), 999);
    ASSERT_EQ(MmioRead(file, &byte, 1), 1);
    EXPECT_EQ(byte, content[999]);
    // Before the start, or from an unknown origin: refused, position kept.
    EXPECT_EQ(MmioSeek(file, -1001, SEEK_CUR), -1);
    EXPECT_EQ(MmioSeek(file, -1, SEEK_SET), -1);
    EXPECT_EQ(MmioSeek(file, 0, 7), -1);
    EXPECT_EQ(MmioSeek(file, 0, SEEK_CUR), 1000);
    // Far past the end (beyond 4 GiB): allowed, and there is nothing to read.
    const std::int64_t far = std::int64_t{5} << 32;
    EXPECT_EQ(MmioSeek(file, far, SEEK_SET), far);
    EXPECT_EQ(MmioRead(file, &byte, 1), 0);
    EXPECT_EQ(MmioSeek(file, INT64_MAX, SEEK_CUR), -1);
    EXPECT_EQ(MmioClose(file, 0), 0U);
}

TEST_P(MmioIo, AFileOpenForReadingRefusesWrites) {
    const Bytes content = fixtures::Pattern(100, 5);
    MmioHandle file = OpenFile(content, MMIO_READ);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(MmioWrite(file, content.data(), 10), -1);
    EXPECT_EQ(MmioClose(file, 0), 0U);
    EXPECT_EQ(fixtures::ReadBytes(path_), content);
}

// Random reads, writes and seeks, checked against a plain byte vector: every
// read must see what was written before it, and the file after the close must
// equal the vector.
TEST_P(MmioIo, MixedReadsWritesAndSeeksAgreeWithAPlainModel) {
    Bytes model = fixtures::Pattern(40000, 6);
    MmioHandle file = OpenFile(model, MMIO_READWRITE);
    ASSERT_NE(file, nullptr);
    std::mt19937 random(42);
    std::uint64_t position = 0;
    for (int step = 0; step < 400; ++step) {
        const auto kind = random() % 3;
        const std::size_t count = random() % 4 == 0 ? random() % 20000 : random() % 300;
        if (kind == 0) {
            position = random() % (model.size() + 500);
            ASSERT_EQ(MmioSeek(file, static_cast<std::int64_t>(position), SEEK_SET),
                      static_cast<std::int64_t>(position));
        } else if (kind == 1) {
            Bytes got(count);
            const std::size_t expected = position >= model.size() ? 0 : std::min(count, model.size() - position);
            ASSERT_EQ(MmioRead(file, got.data(), static_cast<std::int64_t>(count)), static_cast<std::int64_t>(expected))
                << "step " << step;
            ASSERT_TRUE(std::equal(got.begin(), got.begin() + static_cast<std::ptrdiff_t>(expected),
                                   model.begin() + static_cast<std::ptrdiff_t>(position)))
                << "step " << step;
            position += expected;
        } else {
            const Bytes data = fixtures::Pattern(count, static_cast<std::uint32_t>(step) + 100);
            ASSERT_EQ(MmioWrite(file, data.data(), static_cast<std::int64_t>(count)), static_cast<std::int64_t>(count));
            if (position + count > model.size()) {
                model.resize(position + count, 0);  // a gap before the write reads as zeros
            }
            std::copy(data.begin(), data.end(), model.begin() + static_cast<std::ptrdiff_t>(position));
            position += count;
        }
    }
    EXPECT_EQ(MmioSeek(file, 0, SEEK_END), static_cast<std::int64_t>(model.size()));
    EXPECT_EQ(MmioClose(file, 0), 0U);
    EXPECT_EQ(fixtures::ReadBytes(path_), model);
}

INSTANTIATE_TEST_SUITE_P(BufferedAndUnbuffered, MmioIo, testing::Values(MMIO_ALLOCBUF, 0U),
                         [](const auto& test) { return test.param == 0 ? "Unbuffered" : "Buffered"; });

// The way the sample-rate rewrite patches a copy: read the "fmt " chunk, seek
// back, write it whole, close. Only the patched bytes change on disk.
TEST(MmioWrite, APatchedChunkReachesTheFileAtTheClose) {
    TempDir dir;
    const Bytes original = fixtures::PcmWave(2, 44100, 16, fixtures::Pattern(1000, 7));
    const std::string path = dir.Write("copy.wav", original);
    MmioHandle file = MmioOpen(path.c_str(), nullptr, MMIO_READWRITE | MMIO_ALLOCBUF);
    ASSERT_NE(file, nullptr);
    MmioChunkInfo riff{};
    riff.formType = MmioFourCC("WAVE");
    ASSERT_EQ(MmioDescend(file, &riff, nullptr, MMIO_FINDRIFF), 0U);
    MmioChunkInfo fmt{};
    fmt.id = MmioFourCC("fmt ");
    ASSERT_EQ(MmioDescend(file, &fmt, &riff, MMIO_FINDCHUNK), 0U);
    const std::int64_t start = MmioSeek(file, 0, SEEK_CUR);
    EXPECT_EQ(start, static_cast<std::int64_t>(fixtures::kCanonicalFmtDataOffset));
    Bytes chunk(fmt.size);
    ASSERT_EQ(MmioRead(file, chunk.data(), fmt.size), 16);
    chunk[4] = 0x80;  // 48000 = 0xBB80
    chunk[5] = 0xBB;
    ASSERT_EQ(MmioSeek(file, start, SEEK_SET), start);
    ASSERT_EQ(MmioWrite(file, chunk.data(), fmt.size), 16);
    EXPECT_EQ(MmioClose(file, 0), 0U);

    Bytes expected = original;
    expected[fixtures::kCanonicalFmtDataOffset + 4] = 0x80;
    expected[fixtures::kCanonicalFmtDataOffset + 5] = 0xBB;
    EXPECT_EQ(fixtures::ReadBytes(path), expected);
}

// A write the file system cannot store (here: past the process's file size
// limit) must not be lost silently: a buffered write is reported by the close,
// an unbuffered one at once. Runs in a child process, which may lower its limit.
TEST(MmioClose, ReportsCannotWriteWhenBufferedBytesCannotBeStored) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TempDir dir;
    const std::string path = dir.Write("limit.wav", fixtures::Pattern(50));
    const auto run = [&path](std::uint32_t flags) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{100, 100};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        MmioHandle file = MmioOpen(path.c_str(), nullptr, MMIO_READWRITE | flags);
        const Bytes data = fixtures::Pattern(10);
        MmioSeek(file, 200, SEEK_SET);
        const std::int64_t written = MmioWrite(file, data.data(), 10);
        const std::uint32_t closed = MmioClose(file, 0);
        if (flags == MMIO_ALLOCBUF) {
            std::exit(written == 10 && closed == MMIOERR_CANNOTWRITE ? 0 : 1);
        }
        std::exit(written == -1 && closed == MMIOERR_CANNOTWRITE ? 0 : 1);
    };
    EXPECT_EXIT(run(MMIO_ALLOCBUF), testing::ExitedWithCode(0), "");
    EXPECT_EXIT(run(0), testing::ExitedWithCode(0), "");
}

TEST(MmioCalls, OnNoFileAnswerFailure) {
    MmioChunkInfo chunk{};
    std::uint8_t byte = 0;
    EXPECT_EQ(MmioDescend(nullptr, &chunk, nullptr, MMIO_FINDRIFF), MMIOERR_CHUNKNOTFOUND);
    EXPECT_EQ(MmioAscend(nullptr, &chunk, 0), MMIOERR_CANNOTSEEK);
    EXPECT_EQ(MmioRead(nullptr, &byte, 1), -1);
    EXPECT_EQ(MmioWrite(nullptr, &byte, 1), -1);
    EXPECT_EQ(MmioSeek(nullptr, 0, SEEK_CUR), -1);
    EXPECT_EQ(MmioClose(nullptr, 0), MMIOERR_CANNOTCLOSE);
}

}  // namespace
