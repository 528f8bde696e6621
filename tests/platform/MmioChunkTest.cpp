// SPDX-License-Identifier: GPL-3.0-or-later
// Finding chunks: descend with MMIO_FINDRIFF and MMIO_FINDCHUNK, ascend past
// chunks and their pad bytes, sizes that claim more than the parent or the file
// holds, and searches that must end whatever the sizes say.
#include "platform/Mmio.h"
#include "tests/support/RiffBuilder.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using fixtures::Bytes;
using fixtures::RiffBuilder;
using namespace platform;

/// One file open for reading, closed at the end of the test.
class MmioChunks : public testing::Test {
protected:
    void OpenBytes(const Bytes& content) {
        if (file_ != nullptr) {
            ASSERT_EQ(MmioClose(file_, 0), 0U);
        }
        path_ = dir_.Write("chunks.wav", content);
        file_ = MmioOpen(path_.c_str(), nullptr, MMIO_READ | MMIO_ALLOCBUF);
        ASSERT_NE(file_, nullptr);
    }

    // Finds the RIFF chunk into `riff`, then enters its "fmt " chunk and leaves it.
    void PassFormatChunk(MmioChunkInfo& riff) {
        ASSERT_EQ(FindRiff(riff), 0U);
        MmioChunkInfo fmt{};
        ASSERT_EQ(FindChunk(fmt, "fmt ", &riff), 0U);
        ASSERT_EQ(MmioAscend(file_, &fmt, 0), 0U);
    }

    void TearDown() override {
        if (file_ != nullptr) {
            EXPECT_EQ(MmioClose(file_, 0), 0U);
            file_ = nullptr;
        }
    }

    std::uint32_t FindRiff(MmioChunkInfo& riff, const char (&form)[5] = "WAVE") {
        riff = MmioChunkInfo{};
        riff.formType = MmioFourCC(form);
        return MmioDescend(file_, &riff, nullptr, MMIO_FINDRIFF);
    }

    std::uint32_t FindChunk(MmioChunkInfo& chunk, const char (&id)[5], const MmioChunkInfo* parent) {
        chunk = MmioChunkInfo{};
        chunk.id = MmioFourCC(id);
        return MmioDescend(file_, &chunk, parent, MMIO_FINDCHUNK);
    }

    std::int64_t Position() { return MmioSeek(file_, 0, SEEK_CUR); }

    fixtures::TempDir dir_;
    std::string path_;
    MmioHandle file_ = nullptr;
};

TEST_F(MmioChunks, WalksACanonicalWaveFile) {
    const Bytes samples = fixtures::Samples16({1, -1, 2, -2});
    OpenBytes(fixtures::PcmWave(1, 44100, 16, samples));
    MmioChunkInfo riff{};
    ASSERT_EQ(FindRiff(riff), 0U);
    EXPECT_EQ(riff.id, MmioFourCC("RIFF"));
    EXPECT_EQ(riff.size, 36U + 8U);
    EXPECT_EQ(riff.formType, MmioFourCC("WAVE"));
    EXPECT_EQ(riff.dataOffset, 8U);
    EXPECT_EQ(riff.flags, 0U);
    EXPECT_EQ(riff.availableSize, riff.size);
    EXPECT_EQ(Position(), 12);  // past the form type

    MmioChunkInfo fmt{};
    ASSERT_EQ(FindChunk(fmt, "fmt ", &riff), 0U);
    EXPECT_EQ(fmt.size, 16U);
    EXPECT_EQ(fmt.formType, 0U);
    EXPECT_EQ(fmt.dataOffset, 20U);
    EXPECT_EQ(fmt.availableSize, 16U);
    EXPECT_EQ(Position(), 20);
    std::uint8_t firstBytes[4] = {};
    ASSERT_EQ(MmioRead(file_, firstBytes, 4), 4);  // the ascent must not depend on where the position stands
    EXPECT_EQ(firstBytes[2], 1);                   // one channel
    ASSERT_EQ(MmioAscend(file_, &fmt, 0), 0U);
    EXPECT_EQ(Position(), 36);

    MmioChunkInfo data{};
    ASSERT_EQ(FindChunk(data, "data", &riff), 0U);
    EXPECT_EQ(data.dataOffset, 44U);
    EXPECT_EQ(data.size, 8U);
    EXPECT_EQ(data.availableSize, 8U);
    Bytes read(8);
    ASSERT_EQ(MmioRead(file_, read.data(), 8), 8);
    EXPECT_EQ(read, samples);
}

TEST_F(MmioChunks, SkipsOtherChunksWithTheirPadBytes) {
    OpenBytes(RiffBuilder()
                  .Raw({'L', 'I', 'S', 'T', 9, 0, 0, 0, 'I', 'N', 'F', 'O', 'x', 'y', 'z', 'w', 'v', 0})
                  .Chunk("junk", {1, 2, 3})
                  .Fmt(fixtures::FmtFields::Pcm(1, 8000, 8))
                  .Chunk("odd ", {9, 9, 9, 9, 9})
                  .Data({0x80, 0x81})
                  .Build());
    MmioChunkInfo riff{};
    ASSERT_EQ(FindRiff(riff), 0U);
    MmioChunkInfo fmt{};
    ASSERT_EQ(FindChunk(fmt, "fmt ", &riff), 0U);
    // RIFF header 12, LIST 8 + 9 + pad, junk 8 + 3 + pad, then fmt's header.
    EXPECT_EQ(fmt.dataOffset, 12U + 18U + 12U + 8U);
    ASSERT_EQ(MmioAscend(file_, &fmt, 0), 0U);
    MmioChunkInfo odd{};
    ASSERT_EQ(FindChunk(odd, "odd ", &riff), 0U);
    EXPECT_EQ(odd.size, 5U);
    ASSERT_EQ(MmioAscend(file_, &odd, 0), 0U);
    EXPECT_EQ(Position(), static_cast<std::int64_t>(odd.dataOffset + 6));  // the pad byte is passed too
    MmioChunkInfo data{};
    ASSERT_EQ(FindChunk(data, "data", &riff), 0U);
    std::uint8_t samples[2] = {};
    ASSERT_EQ(MmioRead(file_, samples, 2), 2);
    EXPECT_EQ(samples[0], 0x80);
    EXPECT_EQ(samples[1], 0x81);
}

TEST_F(MmioChunks, DescendsIntoListChunksPastTheirFormType) {
    OpenBytes(RiffBuilder()
                  .Raw({'L', 'I', 'S', 'T', 12, 0, 0, 0, 'I', 'N', 'F', 'O', 'I', 'N', 'A', 'M', 0, 0, 0, 0})
                  .Build());
    MmioChunkInfo riff{};
    ASSERT_EQ(FindRiff(riff), 0U);
    MmioChunkInfo list{};
    ASSERT_EQ(FindChunk(list, "LIST", &riff), 0U);
    EXPECT_EQ(list.formType, MmioFourCC("INFO"));
    EXPECT_EQ(Position(), static_cast<std::int64_t>(list.dataOffset + 4));
    MmioChunkInfo name{};
    ASSERT_EQ(FindChunk(name, "INAM", &list), 0U);
    EXPECT_EQ(name.size, 0U);
}

TEST_F(MmioChunks, FlagsZeroTakesWhateverChunkComesNext) {
    OpenBytes(RiffBuilder().Chunk("abcd", {1, 2}).Chunk("efgh", {3}).Build());
    MmioChunkInfo riff{};
    ASSERT_EQ(FindRiff(riff), 0U);
    MmioChunkInfo next{};
    next.id = MmioFourCC("zzzz");  // ignored without MMIO_FINDCHUNK
    ASSERT_EQ(MmioDescend(file_, &next, &riff, 0), 0U);
    EXPECT_EQ(next.id, MmioFourCC("abcd"));
    ASSERT_EQ(MmioAscend(file_, &next, 0), 0U);
    ASSERT_EQ(MmioDescend(file_, &next, &riff, 0), 0U);
    EXPECT_EQ(next.id, MmioFourCC("efgh"));
    EXPECT_EQ(next.size, 1U);
}

// When a search fails, the record and the position are as they were.
TEST_F(MmioChunks, AnotherFormTypeIsNotFound) {
    OpenBytes(RiffBuilder("AVI ").Fmt(fixtures::FmtFields::Pcm(1, 8000, 8)).Data({1}).Build());
    MmioChunkInfo riff{};
    riff.formType = MmioFourCC("WAVE");
    riff.size = 77;
    EXPECT_EQ(MmioDescend(file_, &riff, nullptr, MMIO_FINDRIFF), MMIOERR_CHUNKNOTFOUND);
    EXPECT_EQ(riff.size, 77U);
    EXPECT_EQ(riff.id, 0U);
    EXPECT_EQ(Position(), 0);
    ASSERT_EQ(FindRiff(riff, "AVI "), 0U);
}

TEST_F(MmioChunks, AnUnknownDescendFlagFindsNothing) {
    OpenBytes(fixtures::PcmWave(1, 8000, 8, {1}));
    MmioChunkInfo riff{};
    riff.formType = MmioFourCC("WAVE");
    EXPECT_EQ(MmioDescend(file_, &riff, nullptr, MMIO_FINDRIFF | MMIO_FINDCHUNK), MMIOERR_CHUNKNOTFOUND);
    EXPECT_EQ(MmioDescend(file_, &riff, nullptr, 0x40), MMIOERR_CHUNKNOTFOUND);
}

// Past the "fmt " chunk, a "data" chunk that lies before it, or after the end
// of the RIFF chunk (whose size covers only "fmt "), is not found in the RIFF
// chunk; without a parent the file's end bounds the search instead.
TEST_F(MmioChunks, PastTheFormatChunkOnlyTheRestOfTheParentIsSearched) {
    const Bytes fmtOnly = RiffBuilder().Fmt(fixtures::FmtFields::Pcm(1, 8000, 8)).Build();
    Bytes trailingData = fmtOnly;
    const Bytes trailing = {'d', 'a', 't', 'a', 2, 0, 0, 0, 5, 6};
    trailingData.insert(trailingData.end(), trailing.begin(), trailing.end());
    const struct {
        const char* name;
        Bytes file;
        bool foundWithoutParent;
    } rows[] = {
        {"data before fmt", RiffBuilder().Data({1, 2, 3, 4}).Fmt(fixtures::FmtFields::Pcm(1, 8000, 8)).Build(), false},
        {"data after the RIFF chunk", trailingData, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        OpenBytes(row.file);
        MmioChunkInfo riff{};
        ASSERT_NO_FATAL_FAILURE(PassFormatChunk(riff));
        MmioChunkInfo data{};
        EXPECT_EQ(FindChunk(data, "data", &riff), MMIOERR_CHUNKNOTFOUND);
        if (row.foundWithoutParent) {
            EXPECT_EQ(FindChunk(data, "data", nullptr), 0U);
            EXPECT_EQ(data.dataOffset, fmtOnly.size() + 8);
        }
    }
}

TEST_F(MmioChunks, AHeaderThatCrossesTheParentsEndIsNotFound) {
    // RIFF size 4 + 8 + 2: ends two bytes into the "data" chunk's header.
    OpenBytes(RiffBuilder().Chunk("abcd", {1, 2}).Data({3, 4}).ClaimRiffSize(4 + 10 + 2).Build());
    MmioChunkInfo riff{};
    ASSERT_EQ(FindRiff(riff), 0U);
    MmioChunkInfo data{};
    EXPECT_EQ(FindChunk(data, "data", &riff), MMIOERR_CHUNKNOTFOUND);
}

TEST_F(MmioChunks, FilesTooShortForAnyHeaderHoldNoChunk) {
    for (const Bytes& content : {Bytes{}, Bytes{'R', 'I', 'F', 'F', 4}, Bytes{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W'},
                                 Bytes{'h', 'e', 'l', 'l', 'o', ',', ' ', 'w', 'o', 'r', 'l', 'd', '\n'}}) {
        TearDown();
        OpenBytes(content);
        MmioChunkInfo riff{};
        EXPECT_EQ(FindRiff(riff), MMIOERR_CHUNKNOTFOUND) << content.size() << " bytes";
    }
}

// A chunk that claims more bytes than its parent or the file holds is found,
// with its claimed size, and availableSize tells how much really exists, so
// that nothing is allocated for the claim.
TEST_F(MmioChunks, AvailableSizeTellsHowMuchOfAChunkReallyExists) {
    OpenBytes(RiffBuilder()
                  .ChunkClaiming("fmt ", fixtures::FmtFields::Pcm(1, 8000, 8).Encode(), 16)
                  .ChunkClaiming("data", fixtures::Pattern(10), 1000)
                  .Build());
    MmioChunkInfo riff{};
    ASSERT_NO_FATAL_FAILURE(PassFormatChunk(riff));
    MmioChunkInfo data{};
    ASSERT_EQ(FindChunk(data, "data", &riff), 0U);
    EXPECT_EQ(data.size, 1000U);
    EXPECT_EQ(data.availableSize, 10U);
    Bytes read(1000);
    EXPECT_EQ(MmioRead(file_, read.data(), 1000), 10);
}

TEST_F(MmioChunks, AvailableSizeIsCutAtTheParentsEnd) {
    // The file holds all 16 bytes of "fmt ", but the RIFF chunk claims to end
    // 6 bytes into them.
    OpenBytes(RiffBuilder().Fmt(fixtures::FmtFields::Pcm(1, 8000, 8)).ClaimRiffSize(4 + 8 + 6).Build());
    MmioChunkInfo riff{};
    ASSERT_EQ(FindRiff(riff), 0U);
    MmioChunkInfo fmt{};
    ASSERT_EQ(FindChunk(fmt, "fmt ", &riff), 0U);
    EXPECT_EQ(fmt.size, 16U);
    EXPECT_EQ(fmt.availableSize, 6U);
}

/// Sizes near and past 2^31 and 2^32 that would wrap 32-bit positions.
class MmioHugeSizes : public MmioChunks, public testing::WithParamInterface<std::uint32_t> {};

TEST_P(MmioHugeSizes, AHugeRiffSizeStillFindsTheChunksInTheFile) {
    const Bytes samples = fixtures::Pattern(6);
    OpenBytes(RiffBuilder().Fmt(fixtures::FmtFields::Pcm(1, 8000, 8)).Data(samples).ClaimRiffSize(GetParam()).Build());
    MmioChunkInfo riff{};
    ASSERT_EQ(FindRiff(riff), 0U);
    EXPECT_EQ(riff.size, GetParam());
    EXPECT_EQ(riff.availableSize, 4U + 24U + 14U);
    MmioChunkInfo fmt{};
    ASSERT_EQ(FindChunk(fmt, "fmt ", &riff), 0U);
    ASSERT_EQ(MmioAscend(file_, &fmt, 0), 0U);
    MmioChunkInfo data{};
    ASSERT_EQ(FindChunk(data, "data", &riff), 0U);
    EXPECT_EQ(data.size, 6U);
    MmioChunkInfo absent{};
    EXPECT_EQ(FindChunk(absent, "cue ", &riff), MMIOERR_CHUNKNOTFOUND);
}

TEST_P(MmioHugeSizes, AHugeChunkEndsTheSearchInsteadOfWrappingIt) {
    OpenBytes(RiffBuilder()
                  .ChunkClaiming("big ", fixtures::Pattern(8), GetParam())
                  .Fmt(fixtures::FmtFields::Pcm(1, 8000, 8))
                  .ClaimRiffSize(0xFFFFFFFFU)
                  .Build());
    MmioChunkInfo riff{};
    ASSERT_EQ(FindRiff(riff), 0U);
    MmioChunkInfo fmt{};
    EXPECT_EQ(FindChunk(fmt, "fmt ", &riff), MMIOERR_CHUNKNOTFOUND);
    // Found itself, it can be passed: the position lands past 4 GiB, not wrapped.
    MmioChunkInfo big{};
    ASSERT_EQ(FindChunk(big, "big ", &riff), 0U);
    EXPECT_EQ(big.availableSize, 8U + 24U);
    ASSERT_EQ(MmioAscend(file_, &big, 0), 0U);
    const std::uint64_t end = 20U + std::uint64_t{GetParam()} + (GetParam() & 1U);
    EXPECT_EQ(Position(), static_cast<std::int64_t>(end));
    EXPECT_EQ(FindChunk(fmt, "fmt ", &riff), MMIOERR_CHUNKNOTFOUND);
}

TEST_P(MmioHugeSizes, AHugeRiffChunkOfAnotherFormEndsTheSearch) {
    Bytes file = RiffBuilder("AVI ").Chunk("abcd", {1, 2}).ClaimRiffSize(GetParam()).Build();
    const Bytes wave = fixtures::PcmWave(1, 8000, 8, {1});
    file.insert(file.end(), wave.begin(), wave.end());
    OpenBytes(file);
    MmioChunkInfo riff{};
    EXPECT_EQ(FindRiff(riff), MMIOERR_CHUNKNOTFOUND);
}

INSTANTIATE_TEST_SUITE_P(Sizes, MmioHugeSizes,
                         testing::Values(0xFFFFFFFFU, 0xFFFFFFFEU, 0xFFFFFFF8U, 0x80000000U, 0x7FFFFFFFU));

}  // namespace
