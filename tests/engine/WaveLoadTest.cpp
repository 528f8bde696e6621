// SPDX-License-Identifier: GPL-3.0-or-later
// Loading a WAV file: the boxes in order, the chunks in memory, and what each
// refusal shows and gives back.

#include "tests/engine/WaveTestSupport.h"

#include "engine/PlayedWaveData.h"
#include "engine/WaveData.h"

#include "platform/Mmio.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

using fixtures::Bytes;
using fixtures::FmtFields;
using fixtures::PcmWave;
using fixtures::RiffBuilder;
using wavetest::Box;
using wavetest::Message;
using ::testing::ElementsAre;

const Message kRate44100x16 = Box("44100 Hz ,  16 bit", "sampling frequency");

class WaveLoad : public wavetest::WaveFileTest {
protected:
    // The loaded "data" chunk as bytes.
    static Bytes Loaded(const TWaveData& wave) { return Bytes(wave.Samples().begin(), wave.Samples().end()); }

    TPlayedWaveData wave;  // the window's load: play, then read
};

TEST_F(WaveLoad, TheEngineAloneReadsWithoutPlaying) {
    const Bytes samples = fixtures::Samples16({2, -3, 5, -7});
    const std::string path = WriteFile("quiet.wav", PcmWave(1, 44100, 16, samples));
    TWaveData engine;

    ASSERT_TRUE(engine.Load(path, reporter));

    EXPECT_TRUE(sound.Sounds().empty());
    EXPECT_EQ(Loaded(engine), samples);
    EXPECT_THAT(reporter.messages, ElementsAre(kRate44100x16));
}

TEST_F(WaveLoad, Mono16BitFilePlaysToItsEndThenShowsRateAndKeepsDataLocked) {
    const Bytes samples = fixtures::Samples16({2, -3, 5, -7, 11, -13});
    const std::string path = WriteFile("mono-44100-16.wav", PcmWave(1, 44100, 16, samples));
    bool soundEndedBeforeFirstBox = false;
    reporter.onReport = [&] {
        if (reporter.messages.empty()) {
            soundEndedBeforeFirstBox = sound.Sounds().size() == 1 && sound.Sounds()[0].closed;
        }
    };

    ASSERT_TRUE(wave.Load(path, reporter));

    EXPECT_TRUE(soundEndedBeforeFirstBox);
    ASSERT_EQ(sound.Sounds().size(), 1U);
    EXPECT_EQ(sound.Sounds()[0].path, path);
    EXPECT_EQ(sound.Sounds()[0].Frames(), 6U);
    EXPECT_THAT(reporter.messages, ElementsAre(kRate44100x16));
    EXPECT_EQ(wave.FileName(), path);
    EXPECT_EQ(wave.SampleRate(), 44100U);
    EXPECT_EQ(wave.BitsPerSample(), 16U);
    EXPECT_EQ(wave.FormatSize(), 16U);
    EXPECT_EQ(wave.DataSize(), samples.size());
    EXPECT_EQ(Loaded(wave), samples);
    EXPECT_TRUE(wave.IsOpen());
    EXPECT_EQ(HeldSinceStart(), (wavetest::Holdings{2, 2, 1}));
}

TEST_F(WaveLoad, ResolutionComesFromByteRateAndChannelCountIsShownFirst) {
    struct Case {
        std::uint16_t channels;
        std::uint32_t rate;
        std::uint16_t bits;
        std::vector<Message> boxes;
    };
    const std::vector<Case> cases = {
        {1, 11025, 8, {Box("11025 Hz ,  8 bit", "sampling frequency")}},
        {2, 44100, 16, {Box("2", "number of channels"), kRate44100x16}},
        {2, 22050, 8, {Box("2", "number of channels"), Box("22050 Hz ,  8 bit", "sampling frequency")}},
        {6, 48000, 16, {Box("6", "number of channels"), Box("48000 Hz ,  16 bit", "sampling frequency")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.channels) + " channels, " + std::to_string(c.rate) + " Hz");
        const Bytes samples = fixtures::Pattern(1200, c.rate);
        const std::string path = WriteFile("file.wav", PcmWave(c.channels, c.rate, c.bits, samples));
        wavetest::RecordingReporter boxes;

        ASSERT_TRUE(wave.Load(path, boxes));

        EXPECT_EQ(boxes.messages, c.boxes);
        EXPECT_EQ(wave.BitsPerSample(), c.bits);
        EXPECT_EQ(Loaded(wave), samples);  // whatever the channel count, unchanged
    }
}

TEST_F(WaveLoad, ResolutionKeepsTheThirtyTwoBitWrapAroundAndTheFormatTagIsNeverChecked) {
    // Byte rate 0x40000000 x 8 wraps to 0 in 32 bits; tag 0x0003 is not PCM.
    FmtFields fields = FmtFields::Pcm(1, 44100, 16);
    fields.formatTag = 3;
    fields.byteRate = 0x40000001U;  // x 8 = 8 after the wrap; 8 / 44100 = 0
    const std::string path = WriteFile("wrapped.wav", RiffBuilder().Fmt(fields).Data(fixtures::Pattern(64)).Build());

    ASSERT_TRUE(wave.Load(path, reporter));

    EXPECT_EQ(wave.BitsPerSample(), 0U);
    EXPECT_THAT(reporter.messages, ElementsAre(Box("44100 Hz ,  0 bit", "sampling frequency")));
}

TEST_F(WaveLoad, PathWithPercentSignsIsPlayedAndOpenedUnchanged) {
    const std::string path = WriteFile("100%s-%d %n.wav", PcmWave(1, 44100, 16, fixtures::Pattern(8)));

    ASSERT_TRUE(wave.Load(path, reporter));

    EXPECT_EQ(wave.FileName(), path);
    ASSERT_EQ(sound.Sounds().size(), 1U);
    EXPECT_EQ(sound.Sounds()[0].path, path);
}

TEST_F(WaveLoad, NoPathShowsItsBoxAndTouchesNothing) {
    EXPECT_FALSE(wave.Load("", reporter));

    EXPECT_THAT(reporter.messages, ElementsAre(Box("no valid path specified", "file open")));
    EXPECT_TRUE(sound.Sounds().empty());
    EXPECT_EQ(faults.Calls().mmioOpen, 0U);
    EXPECT_FALSE(wave.IsOpen());
}

TEST_F(WaveLoad, MissingFilePlaysTheDefaultSoundThenNamesPathAndReason) {
    const std::string path = folder.PathOf("not there.wav");

    EXPECT_FALSE(wave.Load(path, reporter));

    ASSERT_EQ(sound.Sounds().size(), 1U);
    EXPECT_TRUE(sound.Sounds()[0].IsDefaultSound());
    EXPECT_THAT(reporter.messages,
                ElementsAre(Box(path + "  -  mmio error :  file not found", "Failed to open file   :- (")));
    EXPECT_EQ(HeldSinceStart(), kNothing);
}

TEST_F(WaveLoad, OpenFailureTextHasTheReasonOfEachCodeAndNothingForOthers) {
    const std::string path = WriteFile("fine.wav", PcmWave(1, 44100, 16, fixtures::Pattern(8)));
    const std::vector<std::pair<std::uint32_t, std::string>> reasons = {
        {257, "file not found"},
        {258, "out of memory"},
        {259, "cannot open"},
        {260, "cannot close"},
        {261, "cannot read"},
        {262, "cannot write"},
        {263, "cannot seek"},
        {264, "cannot expand file"},
        {265, "chunk not found"},
        {266, "file is unbuffered"},
        {256, ""},
        {267, ""},
        {0, ""},
    };
    for (const auto& [code, reason] : reasons) {
        SCOPED_TRACE(code);
        wavetest::RecordingReporter boxes;
        faults.FailMmioOpen(code);

        EXPECT_FALSE(wave.Load(path, boxes));

        EXPECT_THAT(boxes.messages,
                    ElementsAre(Box(path + "  -  mmio error :  " + reason, "Failed to open file   :- (")));
    }
    EXPECT_EQ(HeldSinceStart(), kNothing);
}

TEST_F(WaveLoad, PathsThatCannotBeOpenedAsFilesAreRefusedWholeWithoutBlocking) {
    const std::string longPath = folder.PathOf(std::string(260 - folder.Path().size(), 'x') + ".wav");
    const std::string fifo = folder.PathOf("pipe.wav");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const std::string directory = folder.PathOf("folder.wav");
    ASSERT_EQ(::mkdir(directory.c_str(), 0755), 0);

    for (const std::string& path : {longPath, fifo, directory}) {
        SCOPED_TRACE(path);
        wavetest::RecordingReporter boxes;

        EXPECT_FALSE(wave.Load(path, boxes));

        EXPECT_EQ(wave.FileName(), path);  // never cut
        EXPECT_THAT(boxes.messages,
                    ElementsAre(Box(path + "  -  mmio error :  cannot open", "Failed to open file   :- (")));
        ASSERT_FALSE(sound.Sounds().empty());
        EXPECT_TRUE(sound.Sounds().back().IsDefaultSound());
    }
    EXPECT_GT(longPath.size(), 255U);
    EXPECT_EQ(HeldSinceStart(), kNothing);
}

// One refused file: its bytes, a fault to arm, the boxes the user sees, and
// how many blocks the load may have allocated on the way.
struct RefusedFile {
    const char* name;
    Bytes file;
    std::function<void(platform::fault::ScopedFaults&)> armFault;
    std::vector<Message> boxes;
    unsigned allocations;
};

std::ostream& operator<<(std::ostream& out, const RefusedFile& refused) {
    return out << refused.name;
}

Bytes Fmt16x44100() {
    return FmtFields::Pcm(1, 44100, 16).Encode();
}

Bytes WithChannelsAndRate(std::uint16_t channels, std::uint32_t rate) {
    FmtFields fields = FmtFields::Pcm(2, 44100, 16);
    fields.channels = channels;
    fields.sampleRate = rate;
    return fields.Encode();
}

std::vector<RefusedFile> RefusedFiles() {
    const Bytes data = fixtures::Pattern(100);
    const Bytes fmt = Fmt16x44100();
    const auto none = [](auto&) {};
    return {
        {"another form type",
         RiffBuilder("AVI ").Chunk("fmt ", fmt).Data(data).Build(),
         none,
         {Box("This is not a WAV file.")},
         0},
        {"not RIFF at all",
         Bytes{'R', 'I', 'F', 'X', 4, 0, 0, 0, 'W', 'A', 'V', 'E'},
         none,
         {Box("This is not a WAV file.")},
         0},
        {"empty file", Bytes{}, none, {Box("This is not a WAV file.")}, 0},
        {"no fmt chunk",
         RiffBuilder().Chunk("LIST", Bytes(6, 1)).Data(data).Build(),
         none,
         {Box("WAVE file has no \"fmt\" chunk")},
         0},
        {"fmt block not allocated",
         PcmWave(1, 44100, 16, data),
         [](auto& plan) { plan.FailGlobalAlloc(1); },
         {Box("Not enough memory for fmt")},
         1},
        {"fmt block not locked",
         PcmWave(1, 44100, 16, data),
         [](auto& plan) { plan.FailGlobalLock(1); },
         {Box("Failed to lock memory for header")},
         1},
        {"fmt runs past the file",
         RiffBuilder().ChunkClaiming("fmt ", fmt, 17).Build(),
         none,
         {Box("Failed to read format chunk")},
         0},
        {"fmt claims 0xFFFFFFFF",
         RiffBuilder().ChunkClaiming("fmt ", fmt, 0xFFFFFFFFU).Data(data).Build(),
         none,
         {Box("Failed to read format chunk")},
         0},
        {"fmt runs past the RIFF chunk",
         RiffBuilder().Chunk("fmt ", fmt).Data(data).ClaimRiffSize(4 + 8 + 10).Build(),
         none,
         {Box("Failed to read format chunk")},
         0},
        {"fmt under 12 bytes",
         RiffBuilder().Chunk("fmt ", Bytes(fmt.begin(), fmt.begin() + 11)).Data(data).Build(),
         none,
         {Box("WAVE file has an invalid \"fmt\" chunk")},
         1},
        {"fmt of no bytes",
         RiffBuilder().Chunk("fmt ", Bytes{}).Data(data).Build(),
         none,
         {Box("WAVE file has an invalid \"fmt\" chunk")},
         1},
        {"no channel",
         RiffBuilder().Chunk("fmt ", WithChannelsAndRate(0, 44100)).Data(data).Build(),
         none,
         {Box("WAVE file has an invalid \"fmt\" chunk")},
         1},
        {"rate 0 with two channels",
         RiffBuilder().Chunk("fmt ", WithChannelsAndRate(2, 0)).Data(data).Build(),
         none,
         {Box("WAVE file has an invalid \"fmt\" chunk")},
         1},
        {"rate 1",
         RiffBuilder().Chunk("fmt ", WithChannelsAndRate(1, 1)).Data(data).Build(),
         none,
         {Box("WAVE file has an invalid \"fmt\" chunk")},
         1},
        {"rate above 768 kHz",
         RiffBuilder().Chunk("fmt ", WithChannelsAndRate(1, 768001)).Data(data).Build(),
         none,
         {Box("WAVE file has an invalid \"fmt\" chunk")},
         1},
        {"rate 15414069 in a 46-byte file",
         PcmWave(1, 15414069, 16, Bytes(2, 0)),
         none,
         {Box("WAVE file has an invalid \"fmt\" chunk")},
         1},
        {"data before fmt",
         RiffBuilder().Data(data).Chunk("fmt ", fmt).Build(),
         none,
         {kRate44100x16, Box("The WAVE file has no data chunk.")},
         1},
        {"no data chunk",
         RiffBuilder().Chunk("fmt ", fmt).Chunk("fact", Bytes(4, 0)).Build(),
         none,
         {kRate44100x16, Box("The WAVE file has no data chunk.")},
         1},
        {"empty data",
         PcmWave(1, 44100, 16, Bytes{}),
         none,
         {kRate44100x16, Box("The data chunk contains no data.")},
         1},
        {"data shorter than one sample value",
         PcmWave(1, 44100, 16, Bytes{7}),
         none,
         {kRate44100x16, Box("The data chunk contains no data.")},
         1},
        {"data block not allocated",
         PcmWave(1, 44100, 16, data),
         [](auto& plan) { plan.FailGlobalAlloc(2); },
         {kRate44100x16, Box("Out of memory")},
         2},
        {"data block not locked",
         PcmWave(1, 44100, 16, data),
         [](auto& plan) { plan.FailGlobalLock(2); },
         {kRate44100x16, Box("Failed to lock memory for data chunk")},
         2},
        {"data runs past the file",
         RiffBuilder().Fmt(FmtFields::Pcm(1, 44100, 16)).ChunkClaiming("data", data, 101).Build(),
         none,
         {kRate44100x16, Box("Failed to read data chunk")},
         1},
        {"data claims 0xFFFFFFFF",
         RiffBuilder().Fmt(FmtFields::Pcm(1, 44100, 16)).ChunkClaiming("data", data, 0xFFFFFFFFU).Build(),
         none,
         {kRate44100x16, Box("Failed to read data chunk")},
         1},
        {"data claims 2^31",
         RiffBuilder().Fmt(FmtFields::Pcm(1, 44100, 16)).ChunkClaiming("data", data, 0x80000000U).Build(),
         none,
         {kRate44100x16, Box("Failed to read data chunk")},
         1},
        {"data runs past the RIFF chunk",
         RiffBuilder().Fmt(FmtFields::Pcm(1, 44100, 16)).Data(data).ClaimRiffSize(4 + 24 + 8 + 50).Build(),
         none,
         {kRate44100x16, Box("Failed to read data chunk")},
         1},
    };
}

class RefusedLoad : public wavetest::WaveFileTest, public ::testing::WithParamInterface<RefusedFile> {};

TEST_P(RefusedLoad, ShowsItsBoxesInOrderAndGivesEverythingBack) {
    const RefusedFile& refused = GetParam();
    const std::string path = WriteFile("refused.wav", refused.file);
    {
        TPlayedWaveData wave;
        refused.armFault(faults);

        EXPECT_FALSE(wave.Load(path, reporter));

        EXPECT_EQ(reporter.messages, refused.boxes);
        EXPECT_EQ(HeldSinceStart(), kNothing);
        // No block is ever allocated for a size the file merely claims.
        EXPECT_EQ(faults.Calls().globalAlloc, refused.allocations);
        EXPECT_EQ(faults.Calls().mmioClose, 1U);
    }
    EXPECT_EQ(faults.Calls().mmioClose, 1U);  // the end of the object closes nothing again
}

INSTANTIATE_TEST_SUITE_P(EveryFailureRow, RefusedLoad, ::testing::ValuesIn(RefusedFiles()),
                         [](const auto& row) { return wavetest::TestName(row.param.name); });

TEST_F(WaveLoad, IsOpenOnceANonEmptyDataChunkWasFoundEvenIfTheLoadFailedLater) {
    EXPECT_FALSE(wave.IsOpen());

    const std::string path = WriteFile("fine.wav", PcmWave(1, 44100, 16, fixtures::Pattern(100)));
    faults.FailGlobalLock(2);
    EXPECT_FALSE(wave.Load(path, reporter));
    EXPECT_TRUE(wave.IsOpen());
    EXPECT_EQ(wave.DataSize(), 100U);

    EXPECT_TRUE(wave.Load(path, reporter));
    EXPECT_TRUE(wave.IsOpen());
}

TEST_F(WaveLoad, RiffSizeOfAllOnesDoesNotWrapTheSearch) {
    const Bytes samples = fixtures::Pattern(300);
    const std::string path =
        WriteFile("streamed.wav",
                  RiffBuilder().Fmt(FmtFields::Pcm(1, 44100, 16)).Data(samples).ClaimRiffSize(0xFFFFFFFFU).Build());

    ASSERT_TRUE(wave.Load(path, reporter));

    EXPECT_EQ(Loaded(wave), samples);
}

TEST_F(WaveLoad, OtherChunksAreSkippedWithTheirPadBytesAndLongFmtChunksReadWhole) {
    Bytes longFmt = FmtFields::Pcm(1, 8000, 8).Encode();
    longFmt.insert(longFmt.end(), {0, 0});  // cbSize of the extended format
    const Bytes samples = fixtures::Pattern(77);
    const std::string path = WriteFile("chunks.wav", RiffBuilder()
                                                         .Chunk("JUNK", Bytes(3, 0xEE))
                                                         .Chunk("fmt ", longFmt)
                                                         .Chunk("LIST", Bytes(5, 0xAA))
                                                         .Data(samples)
                                                         .Build());

    ASSERT_TRUE(wave.Load(path, reporter));

    EXPECT_EQ(wave.FormatSize(), 18U);
    EXPECT_EQ(std::memcmp(wave.FormatBytes().data(), longFmt.data(), longFmt.size()), 0);
    EXPECT_EQ(Loaded(wave), samples);
    EXPECT_THAT(reporter.messages, ElementsAre(Box("8000 Hz ,  8 bit", "sampling frequency")));
}

TEST_F(WaveLoad, LoadingAgainGivesBackTheEarlierLoadFirst) {
    const std::string first = WriteFile("first.wav", PcmWave(1, 11025, 8, fixtures::Pattern(9000)));
    const std::string second = WriteFile("second.wav", PcmWave(2, 22050, 16, fixtures::Pattern(400)));
    wavetest::RecordingReporter quiet;
    TFirstSampleStart fromTheStart;
    ASSERT_TRUE(wave.Open(first, fromTheStart, quiet));
    ASSERT_EQ(HeldSinceStart(), (wavetest::Holdings{2, 2, 1}));
    const auto closesBefore = faults.Calls().mmioClose;

    ASSERT_TRUE(wave.Load(second, reporter));

    EXPECT_EQ(faults.Calls().mmioClose, closesBefore + 1);
    EXPECT_EQ(HeldSinceStart(), (wavetest::Holdings{2, 2, 1}));
    EXPECT_EQ(wave.Analysis().TransformSize, 8192);  // the earlier spectrum stays until a set-up replaces it
    EXPECT_EQ(wave.SampleRate(), 22050U);
    EXPECT_EQ(wave.DataSize(), 400U);

    EXPECT_FALSE(wave.Load(folder.PathOf("gone.wav"), reporter));
    EXPECT_EQ(HeldSinceStart(), kNothing);
    EXPECT_FALSE(wave.IsOpen());
}

TEST_F(WaveLoad, SoundWaitHookRunsWhileTheSoundPlays) {
    sound.SetWriteDelay(std::chrono::milliseconds(40));
    const std::string path = WriteFile("slow.wav", PcmWave(1, 8000, 8, fixtures::Pattern(200)));
    int waits = 0;
    TPlayedWaveData waiting([&] { ++waits; });

    ASSERT_TRUE(waiting.Load(path, reporter));

    EXPECT_GT(waits, 0);
    ASSERT_EQ(sound.Sounds().size(), 1U);
    EXPECT_TRUE(sound.Sounds()[0].closed);
}

}  // namespace
