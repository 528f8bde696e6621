// SPDX-License-Identifier: GPL-3.0-or-later
// Closing a loaded WAV file, and what the end of the object gives back.

#include "tests/engine/WaveTestSupport.h"

#include "engine/WaveData.h"

#include "platform/Mmio.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using wavetest::Box;
using wavetest::Holdings;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class WaveClose : public wavetest::WaveFileTest {
protected:
    // A TWaveData with a loaded 16-bit mono file and no messages recorded yet.
    std::unique_ptr<TWaveData> Loaded() {
        auto wave = std::make_unique<TWaveData>();
        const std::string path = WriteFile("loaded.wav", fixtures::PcmWave(1, 44100, 16, fixtures::Pattern(500)));
        wavetest::RecordingReporter quiet;
        EXPECT_TRUE(wave->Load(path, quiet));
        return wave;
    }

    static constexpr Holdings kOneLoad{2, 2, 1};
    static constexpr Holdings kBlocksOnly{2, 2, 0};
};

TEST_F(WaveClose, SuccessfulCloseFreesBothBlocksAndTheEndClosesNothingAgain) {
    auto wave = Loaded();
    ASSERT_EQ(HeldSinceStart(), kOneLoad);

    EXPECT_TRUE(wave->Close(reporter));

    EXPECT_THAT(reporter.messages, IsEmpty());
    EXPECT_EQ(wave->CloseResult(), 0U);
    EXPECT_EQ(HeldSinceStart(), kNothing);
    wave.reset();
    EXPECT_EQ(faults.Calls().mmioClose, 1U);
}

TEST_F(WaveClose, CloseWithNoFileOpenAnswersTrueAndClosesNothing) {
    TWaveData wave;

    EXPECT_TRUE(wave.Close(reporter));

    EXPECT_THAT(reporter.messages, IsEmpty());
    EXPECT_EQ(faults.Calls().mmioClose, 0U);
}

TEST_F(WaveClose, CloseErrorsShowTheirOwnTextAndKeepTheBlocksUntilTheEnd) {
    struct Case {
        std::uint32_t code;
        const char* text;
    };
    for (const Case& c : {Case{platform::MMIOERR_CANNOTCLOSE, "MMIOERR_CANNOTCLOSE"},
                          Case{platform::MMIOERR_CANNOTWRITE, "MMIOERR_CANNOTWRITE"}}) {
        SCOPED_TRACE(c.text);
        auto wave = Loaded();
        wavetest::RecordingReporter boxes;
        faults.FailMmioClose(c.code);

        EXPECT_FALSE(wave->Close(boxes));

        EXPECT_THAT(boxes.messages, ElementsAre(Box(c.text, "mmioClose")));
        EXPECT_EQ(wave->CloseResult(), c.code);
        EXPECT_TRUE(wave->IsOpen());
        EXPECT_EQ(HeldSinceStart(), kBlocksOnly);

        // The document stays; closing it again finds no file.
        EXPECT_TRUE(wave->Close(boxes));
        EXPECT_EQ(boxes.messages.size(), 1U);

        wave.reset();
        EXPECT_EQ(HeldSinceStart(), kNothing);
    }
}

TEST_F(WaveClose, OtherCloseResultsAnswerTrueWithoutFreeingTheBlocks) {
    auto wave = Loaded();
    faults.FailMmioClose(platform::MMIOERR_CANNOTREAD);

    EXPECT_TRUE(wave->Close(reporter));

    EXPECT_THAT(reporter.messages, IsEmpty());
    EXPECT_EQ(wave->CloseResult(), platform::MMIOERR_CANNOTREAD);
    EXPECT_EQ(HeldSinceStart(), kBlocksOnly);
    wave.reset();
    EXPECT_EQ(HeldSinceStart(), kNothing);
}

TEST_F(WaveClose, EndOfALoadedFileClosesItAndGivesEverythingBack) {
    auto wave = Loaded();
    TFirstSampleStart fromTheStart;
    ASSERT_EQ(wave->PrepareAnalysis(fromTheStart, reporter), 1);
    const auto closesBefore = faults.Calls().mmioClose;

    wave.reset();

    EXPECT_EQ(faults.Calls().mmioClose, closesBefore + 1);
    EXPECT_EQ(HeldSinceStart(), kNothing);
}

}  // namespace
