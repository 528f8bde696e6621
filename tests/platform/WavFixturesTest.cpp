// SPDX-License-Identifier: GPL-3.0-or-later
// The RIFF builder is what every file test stands on: check its bytes by hand.
#include "tests/support/RiffBuilder.h"

#include <gtest/gtest.h>

namespace {

using fixtures::Bytes;

TEST(WavFixtures, CanonicalPcmWaveHasTheTextbookHeader) {
    const Bytes expected = {
        'R', 'I', 'F', 'F', 40,   0,    0, 0, 'W',  'A',  'V',  'E',  // RIFF, 40 bytes follow
        'f', 'm', 't', ' ', 16,   0,    0, 0,                         // "fmt ", 16 bytes
        1,   0,   1,   0,   0x44, 0xAC, 0, 0, 0x88, 0x58, 0x01, 0,
        2,   0,   16,  0,                                              // PCM mono 44100, 88200 B/s, align 2, 16 bit
        'd', 'a', 't', 'a', 4,    0,    0, 0, 2,    0,    0xFD, 0xFF,  // "data": samples 2, -3
    };
    EXPECT_EQ(fixtures::PcmWave(1, 44100, 16, fixtures::Samples16({2, -3})), expected);
}

TEST(WavFixtures, OddChunksArePaddedAndSizesMayLie) {
    const Bytes file = fixtures::RiffBuilder("AVI ")
                           .Chunk("odd ", {7, 8, 9})
                           .ChunkClaiming("big ", {1, 2}, 0xFFFFFFFFU)
                           .ClaimRiffSize(0x80000000U)
                           .Build();
    const Bytes expected = {'R', 'I', 'F', 'F', 0, 0, 0, 0x80, 'A', 'V', 'I', ' ',  'o',  'd',  'd',  ' ', 3,
                            0,   0,   0,   7,   8, 9, 0, 'b',  'i', 'g', ' ', 0xFF, 0xFF, 0xFF, 0xFF, 1,   2};
    EXPECT_EQ(file, expected);
    EXPECT_EQ(fixtures::ReadLe32(file, 4), 0x80000000U);
    EXPECT_EQ(fixtures::ReadLe16(file, 16), 3U);
}

TEST(WavFixtures, PcmFieldsAgreeWithEachOther) {
    const auto stereo8 = fixtures::FmtFields::Pcm(2, 22050, 8);
    EXPECT_EQ(stereo8.blockAlign, 2);
    EXPECT_EQ(stereo8.byteRate, 44100U);
    const auto stereo16 = fixtures::FmtFields::Pcm(2, 48000, 16);
    EXPECT_EQ(stereo16.blockAlign, 4);
    EXPECT_EQ(stereo16.byteRate, 192000U);
}

}  // namespace
