// SPDX-License-Identifier: GPL-3.0-or-later
// The hand-over from the load to the analysis: the set-up's boxes, the
// preview and start-sample hook, and what a failed set-up leaves held.

#include "tests/engine/WaveTestSupport.h"

#include "engine/WaveData.h"

#include "analysis/FrequencyAnalysis.h"

#include <fcntl.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using fixtures::Bytes;
using fixtures::FmtFields;
using fixtures::PcmWave;
using fixtures::RiffBuilder;
using wavetest::Box;
using ::testing::ElementsAre;

const wavetest::Message kSetupFailed = Box("Failed", "init");

// A chooser that records what it was shown and answers start samples from a list.
class ScriptedStart final : public TAnalysisStartChooser {
public:
    bool ShowPreview(const TWaveData& wave) override {
        ++previews;
        previewHadSamples = !wave.Samples().empty() && wave.Analysis().TransformSize != 0;
        return previewSucceeds;
    }

    std::int64_t AskStartSample(const TWaveData& wave) override {
        asked.push_back(wave.Analysis().SampleCount);
        const std::int64_t answer = answers.front();
        if (answers.size() > 1) {
            answers.pop_front();
        }
        return answer;
    }

    bool previewSucceeds = true;
    int previews = 0;
    bool previewHadSamples = false;
    std::deque<std::int64_t> answers{0};
    std::vector<std::int64_t> asked;  ///< the sample count seen at each question
};

// The spectrum the analysis computes on its own for these samples.
std::vector<double> ReferenceSpectrum(std::uint32_t rate, std::uint32_t bits, const Bytes& samples,
                                      std::int64_t start) {
    FrequencyAnalysis reference;
    EXPECT_EQ(reference.Prepare(rate, bits, static_cast<std::uint32_t>(samples.size())), SetupResult::Ready);
    reference.ComputeSpectrum(samples, start);
    return {reference.Magnitude.span().begin(), reference.Magnitude.span().end()};
}

class WaveAnalysisSetup : public wavetest::WaveFileTest {
protected:
    std::vector<double> Spectrum() const {
        return {wave.Analysis().Magnitude.span().begin(), wave.Analysis().Magnitude.span().end()};
    }

    TWaveData wave;
    ScriptedStart start;
};

TEST_F(WaveAnalysisSetup, OpenRunsTheSpectrumFromTheChosenStartAndKeepsEverythingHeld) {
    const Bytes samples = fixtures::Pattern(2 * 20000, 5);
    const std::string path = WriteFile("mono.wav", PcmWave(1, 44100, 16, samples));
    start.answers = {-1, 20000, 20005, 777};

    ASSERT_TRUE(wave.Open(path, start, reporter));

    EXPECT_THAT(reporter.messages, ElementsAre(Box("44100 Hz ,  16 bit", "sampling frequency")));
    EXPECT_EQ(start.previews, 1);
    EXPECT_TRUE(start.previewHadSamples);
    // Asked again while the answer lies outside 0 ... S - 1.
    EXPECT_THAT(start.asked, ElementsAre(20000, 20000, 20000, 20000));
    EXPECT_EQ(wave.Analysis().TransformSize, 32768);
    ASSERT_TRUE(wave.Analysis().HasSpectrum());
    EXPECT_EQ(Spectrum(), ReferenceSpectrum(44100, 16, samples, 777));
    EXPECT_EQ(HeldSinceStart(), (wavetest::Holdings{2, 2, 1}));
}

TEST_F(WaveAnalysisSetup, FirstSampleStartAnalysesFromSampleZeroWithoutAsking) {
    const Bytes samples = fixtures::Pattern(3000, 9);
    const std::string path = WriteFile("eight.wav", PcmWave(1, 11025, 8, samples));
    TFirstSampleStart fromTheStart;

    ASSERT_TRUE(wave.Open(path, fromTheStart, reporter));

    EXPECT_EQ(wave.Analysis().TransformSize, 8192);
    EXPECT_EQ(Spectrum(), ReferenceSpectrum(11025, 8, samples, 0));
}

TEST_F(WaveAnalysisSetup, RefusedResolutionsShowTheirBitCountThenFailedAndKeepTheLoadUntilTheEnd) {
    struct Case {
        const char* name;
        std::uint32_t byteRate;  // at 44100 Hz mono
        std::vector<wavetest::Message> boxes;
    };
    const std::vector<Case> cases = {
        {"24-bit",
         44100 * 3,
         {Box("44100 Hz ,  24 bit", "sampling frequency"), Box("24  bits/sample", "unsupported resolution"),
          kSetupFailed}},
        {"0-bit",
         0,
         {Box("44100 Hz ,  0 bit", "sampling frequency"), Box("0  bits/sample", "unsupported resolution"),
          kSetupFailed}},
        {"32-bit",
         44100 * 4,
         {Box("44100 Hz ,  32 bit", "sampling frequency"), Box("32  bits/sample", "unsupported resolution"),
          kSetupFailed}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FmtFields fields = FmtFields::Pcm(1, 44100, 16);
        fields.byteRate = c.byteRate;
        const std::string path =
            WriteFile("refused.wav", RiffBuilder().Fmt(fields).Data(fixtures::Pattern(600)).Build());
        {
            TWaveData refused;
            wavetest::RecordingReporter boxes;
            ScriptedStart never;

            EXPECT_FALSE(refused.Open(path, never, boxes));

            EXPECT_EQ(boxes.messages, c.boxes);
            EXPECT_EQ(never.previews, 0);
            EXPECT_TRUE(never.asked.empty());
            EXPECT_FALSE(refused.Analysis().HasSpectrum());
            EXPECT_EQ(HeldSinceStart(), (wavetest::Holdings{2, 2, 1}));
        }
        EXPECT_EQ(HeldSinceStart(), kNothing);
    }
}

TEST_F(WaveAnalysisSetup, AllocationFailureShowsMemoryBoxThenFailed) {
    const std::string path = WriteFile("mono.wav", PcmWave(1, 44100, 16, fixtures::Pattern(600)));
    TWaveData tight(100 * 1024);

    EXPECT_FALSE(tight.Open(path, start, reporter));

    EXPECT_THAT(reporter.messages, ElementsAre(Box("44100 Hz ,  16 bit", "sampling frequency"),
                                               Box("memory allocation impossible"), kSetupFailed));
    EXPECT_EQ(start.previews, 0);
}

TEST_F(WaveAnalysisSetup, PreviewThatFailsEndsTheSetUpWithoutAsking) {
    const std::string path = WriteFile("mono.wav", PcmWave(1, 44100, 16, fixtures::Pattern(600)));
    start.previewSucceeds = false;

    EXPECT_FALSE(wave.Open(path, start, reporter));

    EXPECT_THAT(reporter.messages, ElementsAre(Box("44100 Hz ,  16 bit", "sampling frequency"), kSetupFailed));
    EXPECT_TRUE(start.asked.empty());
    EXPECT_TRUE(wave.IsOpen());
}

TEST_F(WaveAnalysisSetup, SetUpWithoutALoadedFileIsAProgrammingError) {
    EXPECT_THROW(wave.PrepareAnalysis(start, reporter), std::logic_error);
}

TEST_F(WaveAnalysisSetup, SampleCountOfHalfAGibibyteDataChunkIsCountedInSixtyFourBits) {
    // 512 MiB of 16-bit silence: DataSize x 8 is 2^32, which 32 bits would see as 0.
    constexpr std::uint32_t kDataBytes = 0x20000000U;
    Bytes header = RiffBuilder()
                       .Fmt(FmtFields::Pcm(1, 44100, 16))
                       .ChunkClaiming("data", Bytes{}, kDataBytes)
                       .ClaimRiffSize(4 + 24 + 8 + kDataBytes)
                       .Build();
    const std::string path = WriteFile("large.wav", header);
    ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(header.size() + kDataBytes)), 0);  // sparse
    sound.SimulateNoDevice();

    ASSERT_TRUE(wave.Open(path, start, reporter));

    EXPECT_THAT(start.asked, ElementsAre(std::int64_t{kDataBytes / 2}));
    EXPECT_EQ(wave.DataSize(), kDataBytes);
    EXPECT_THAT(Spectrum(), ::testing::Each(0.0));
}

}  // namespace
