// SPDX-License-Identifier: GPL-3.0-or-later
// Playing WAV files: what reaches the sound output, the default sound for files
// that cannot be played, the wait hook, and the real ALSA output on a machine
// without a sound device.
#include "platform/Sound.h"
#include "tests/support/RecordingSoundOutput.h"
#include "tests/support/RiffBuilder.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <thread>

namespace {

using fixtures::Bytes;
using fixtures::FmtFields;
using fixtures::PlayedSound;
using fixtures::RiffBuilder;
using namespace platform;

Bytes AsBytes(const std::vector<std::byte>& samples) {
    Bytes bytes(samples.size());
    std::memcpy(bytes.data(), samples.data(), samples.size());
    return bytes;
}

class Sound : public testing::Test {
protected:
    fixtures::TempDir dir_;
    fixtures::RecordingSoundOutput recorder_;
    TScopedSeam<SoundOutput> use_{recorder_};
};

TEST_F(Sound, PlaysA16BitMonoFileToItsEnd) {
    const Bytes samples = fixtures::Samples16({0, 1000, -1000, 32767, -32768});
    const std::string path = dir_.Write("tone.wav", fixtures::PcmWave(1, 44100, 16, samples));
    EXPECT_TRUE(SndPlaySound(path.c_str(), SND_SYNC));
    ASSERT_EQ(recorder_.Sounds().size(), 1U);
    const PlayedSound& sound = recorder_.Sounds()[0];
    EXPECT_FALSE(sound.IsDefaultSound());
    EXPECT_EQ(sound.path, path);
    EXPECT_EQ(sound.format, (PcmFormat{1, 44100, 16}));
    EXPECT_EQ(AsBytes(sound.samples), samples);
    EXPECT_EQ(sound.Frames(), 5U);
    EXPECT_TRUE(sound.closed);
}

TEST_F(Sound, PlaysAn8BitStereoFileInWholeFrames) {
    // 7 bytes: three whole frames of two channels and half a frame, which is left out.
    const Bytes samples = {0x80, 0x7F, 0x00, 0xFF, 0x10, 0x20, 0x30};
    const std::string path = dir_.Write("stereo.wav", fixtures::PcmWave(2, 11025, 8, samples));
    EXPECT_TRUE(SndPlaySound(path.c_str(), SND_SYNC));
    ASSERT_EQ(recorder_.Sounds().size(), 1U);
    const PlayedSound& sound = recorder_.Sounds()[0];
    EXPECT_EQ(sound.format, (PcmFormat{2, 11025, 8}));
    EXPECT_EQ(AsBytes(sound.samples), Bytes(samples.begin(), samples.begin() + 6));
}

TEST_F(Sound, PlaysALongFileInPiecesInOrder) {
    const Bytes samples = fixtures::Pattern(300001, 9);  // several pieces, odd length
    const std::string path = dir_.Write("long.wav", RiffBuilder()
                                                        .Chunk("LIST", fixtures::Pattern(11))
                                                        .Fmt(FmtFields::Pcm(6, 48000, 16))
                                                        .Chunk("cue ", fixtures::Pattern(3))
                                                        .Data(samples)
                                                        .Build());
    EXPECT_TRUE(SndPlaySound(path.c_str(), SND_SYNC));
    ASSERT_EQ(recorder_.Sounds().size(), 1U);
    const PlayedSound& sound = recorder_.Sounds()[0];
    EXPECT_EQ(sound.format, (PcmFormat{6, 48000, 16}));
    const std::size_t whole = samples.size() / 12 * 12;
    EXPECT_EQ(AsBytes(sound.samples), Bytes(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(whole)));
}

TEST_F(Sound, PlaysOnlyTheFramesADataChunkReallyHolds) {
    const Bytes samples = fixtures::Pattern(100);
    const std::string path = dir_.Write("cut.wav", RiffBuilder()
                                                       .Fmt(FmtFields::Pcm(1, 8000, 16))
                                                       .ChunkClaiming("data", samples, 0xFFFFFFFFU)
                                                       .ClaimRiffSize(0xFFFFFFFFU)
                                                       .Build());
    EXPECT_TRUE(SndPlaySound(path.c_str(), SND_SYNC));
    ASSERT_EQ(recorder_.Sounds().size(), 1U);
    EXPECT_EQ(AsBytes(recorder_.Sounds()[0].samples), samples);
}

TEST_F(Sound, PlaysTheExtensibleFormatWithThePcmSubformat) {
    Bytes fmt = FmtFields{0xFFFE, 2, 22050, 88200, 4, 16}.Encode();
    const Bytes extension = {22,   0,    16,   0,    3,    0,    0,    0,  // cbSize, valid bits, channel mask
                             0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                             0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    fmt.insert(fmt.end(), extension.begin(), extension.end());
    const Bytes samples = fixtures::Pattern(8);
    const std::string path = dir_.Write("ext.wav", RiffBuilder().Chunk("fmt ", fmt).Data(samples).Build());
    EXPECT_TRUE(SndPlaySound(path.c_str(), SND_SYNC));
    ASSERT_EQ(recorder_.Sounds().size(), 1U);
    EXPECT_FALSE(recorder_.Sounds()[0].IsDefaultSound());
    EXPECT_EQ(recorder_.Sounds()[0].format, (PcmFormat{2, 22050, 16}));
}

TEST_F(Sound, AnEmptyDataChunkPlaysNothing) {
    const std::string path = dir_.Write("empty.wav", fixtures::PcmWave(1, 44100, 16, {}));
    EXPECT_TRUE(SndPlaySound(path.c_str(), SND_SYNC));
    EXPECT_TRUE(recorder_.Sounds().empty());
}

/// A file that cannot be played, made by the test in its folder.
struct Unplayable {
    std::string name;
    std::function<std::string(const fixtures::TempDir&)> make;
};

void PrintTo(const Unplayable& file, std::ostream* out) {
    *out << file.name;
}

std::string WriteWave(const fixtures::TempDir& dir, const Bytes& bytes) {
    return dir.Write("bad.wav", bytes);
}

Bytes WithFmt(const Bytes& fmt) {
    return RiffBuilder().Chunk("fmt ", fmt).Data(fixtures::Pattern(16)).Build();
}

const Unplayable kUnplayable[] = {
    {"Missing", [](const auto& dir) { return dir.PathOf("missing.wav"); }},
    {"Directory",
     [](const auto& dir) {
         ::mkdir(dir.PathOf("folder.wav").c_str(), 0755);
         return dir.PathOf("folder.wav");
     }},
    {"Fifo",
     [](const auto& dir) {
         ::mkfifo(dir.PathOf("pipe.wav").c_str(), 0644);  // never opened: it would block
         return dir.PathOf("pipe.wav");
     }},
    {"PathOver255Bytes",
     [](const auto& dir) {
         // A playable file: only the length of its path refuses it.
         const std::string folder(250, 'x');
         ::mkdir(dir.PathOf(folder).c_str(), 0755);
         return dir.Write(folder + "/a.wav", fixtures::PcmWave(1, 8000, 8, {1, 2}));
     }},
    {"NotRiff", [](const auto& dir) { return WriteWave(dir, Bytes(100, 'x')); }},
    {"AnotherForm",
     [](const auto& dir) {
         return WriteWave(dir, RiffBuilder("AVI ").Fmt(FmtFields::Pcm(1, 8000, 8)).Data({1, 2}).Build());
     }},
    {"NoFmt", [](const auto& dir) { return WriteWave(dir, RiffBuilder().Data(fixtures::Pattern(8)).Build()); }},
    {"NoData", [](const auto& dir) { return WriteWave(dir, RiffBuilder().Fmt(FmtFields::Pcm(1, 8000, 8)).Build()); }},
    {"DataBeforeFmt",
     [](const auto& dir) {
         return WriteWave(dir, RiffBuilder().Data(fixtures::Pattern(8)).Fmt(FmtFields::Pcm(1, 8000, 8)).Build());
     }},
    {"FmtOf12Bytes",
     [](const auto& dir) {
         const Bytes fmt = FmtFields::Pcm(1, 8000, 8).Encode();
         return WriteWave(dir, WithFmt(Bytes(fmt.begin(), fmt.begin() + 12)));
     }},
    {"FmtCutByTheFile",
     [](const auto& dir) {
         return WriteWave(dir, RiffBuilder().ChunkClaiming("fmt ", {1, 0, 1, 0, 0x40, 0x1F}, 16).Build());
     }},
    {"Bits24", [](const auto& dir) { return WriteWave(dir, WithFmt(FmtFields::Pcm(1, 8000, 24).Encode())); }},
    {"FloatTag",
     [](const auto& dir) {
         return WriteWave(dir, WithFmt(FmtFields{3, 1, 8000, 32000, 4, 32}.Encode()));
     }},
    {"CompressedTag16Bit",
     [](const auto& dir) {
         return WriteWave(dir, WithFmt(FmtFields{2, 1, 8000, 16000, 2, 16}.Encode()));
     }},
    {"NoChannels",
     [](const auto& dir) {
         return WriteWave(dir, WithFmt(FmtFields{1, 0, 8000, 0, 0, 16}.Encode()));
     }},
    {"RateZero",
     [](const auto& dir) {
         return WriteWave(dir, WithFmt(FmtFields{1, 1, 0, 0, 2, 16}.Encode()));
     }},
    {"BlockAlignNotAFrame",
     [](const auto& dir) {
         return WriteWave(dir, WithFmt(FmtFields{1, 2, 8000, 32000, 2, 16}.Encode()));
     }},
};

class SoundOfUnplayableFile : public Sound, public testing::WithParamInterface<Unplayable> {};

TEST_P(SoundOfUnplayableFile, PlaysTheDefaultSoundInstead) {
    const std::string path = GetParam().make(dir_);
    EXPECT_FALSE(SndPlaySound(path.c_str(), SND_SYNC));
    ASSERT_EQ(recorder_.Sounds().size(), 1U);
    const PlayedSound& sound = recorder_.Sounds()[0];
    EXPECT_TRUE(sound.IsDefaultSound());
    EXPECT_TRUE(sound.path.empty());
    EXPECT_EQ(sound.format, (PcmFormat{1, 44100, 16}));
    EXPECT_NEAR(static_cast<double>(sound.Frames()) / 44100.0, 0.3, 0.05);
    EXPECT_TRUE(sound.closed);
}

TEST_P(SoundOfUnplayableFile, PlaysNothingWithNoDefault) {
    const std::string path = GetParam().make(dir_);
    EXPECT_FALSE(SndPlaySound(path.c_str(), SND_NODEFAULT));
    EXPECT_TRUE(recorder_.Sounds().empty());
}

INSTANTIATE_TEST_SUITE_P(Files, SoundOfUnplayableFile, testing::ValuesIn(kUnplayable),
                         [](const auto& test) { return test.param.name; });

TEST_F(Sound, NoPathPlaysTheDefaultSound) {
    EXPECT_FALSE(SndPlaySound(nullptr, SND_SYNC));
    ASSERT_EQ(recorder_.Sounds().size(), 1U);
    EXPECT_TRUE(recorder_.Sounds()[0].IsDefaultSound());
}

TEST_F(Sound, AFormatTheDeviceRefusesGivesTheDefaultSound) {
    recorder_.AcceptOnly([](const PcmFormat& format) { return format.bitsPerSample == 16; });
    const std::string path = dir_.Write("eight.wav", fixtures::PcmWave(1, 8000, 8, fixtures::Pattern(10)));
    EXPECT_FALSE(SndPlaySound(path.c_str(), SND_SYNC));
    EXPECT_EQ(recorder_.RefusedOpens(), 1U);
    ASSERT_EQ(recorder_.Sounds().size(), 1U);
    EXPECT_TRUE(recorder_.Sounds()[0].IsDefaultSound());
}

TEST_F(Sound, WithoutADeviceNothingIsPlayedAndNothingElseTried) {
    recorder_.SimulateNoDevice();
    const std::string path = dir_.Write("a.wav", fixtures::PcmWave(1, 8000, 8, fixtures::Pattern(10)));
    EXPECT_FALSE(SndPlaySound(path.c_str(), SND_SYNC));
    EXPECT_FALSE(SndPlaySound(dir_.PathOf("missing.wav").c_str(), SND_SYNC));
    EXPECT_EQ(recorder_.RefusedOpens(), 2U);  // one attempt each: the file, the default sound
    EXPECT_TRUE(recorder_.Sounds().empty());
}

TEST_F(Sound, AFailingDeviceStopsTheSoundWithoutTheDefault) {
    recorder_.FailWrites();
    const std::string path = dir_.Write("a.wav", fixtures::PcmWave(1, 8000, 8, fixtures::Pattern(10)));
    EXPECT_FALSE(SndPlaySound(path.c_str(), SND_SYNC));
    ASSERT_EQ(recorder_.Sounds().size(), 1U);
    EXPECT_FALSE(recorder_.Sounds()[0].IsDefaultSound());
    EXPECT_TRUE(recorder_.Sounds()[0].closed);
}

TEST_F(Sound, FlagsForOtherKindsOfPlayingAreRefused) {
    const std::string path = dir_.Write("a.wav", fixtures::PcmWave(1, 8000, 8, fixtures::Pattern(10)));
    for (const std::uint32_t flags : {0x1U /* async */, 0x4U /* memory */, 0x8U /* loop */}) {
        EXPECT_FALSE(SndPlaySound(path.c_str(), flags)) << flags;
    }
    EXPECT_TRUE(recorder_.Sounds().empty());
}

TEST_F(Sound, TheWaitHookRunsOnTheCallingThreadUntilTheSoundHasEnded) {
    recorder_.SetWriteDelay(std::chrono::milliseconds(40));
    const std::string path = dir_.Write("slow.wav", fixtures::PcmWave(1, 8000, 8, fixtures::Pattern(200000)));
    const auto caller = std::this_thread::get_id();
    int calls = 0;
    int callsWhilePlaying = 0;
    bool onCaller = true;
    const bool played = SndPlaySound(path.c_str(), SND_SYNC, [&] {
        ++calls;
        callsWhilePlaying += recorder_.IsPlaying() ? 1 : 0;
        onCaller = onCaller && std::this_thread::get_id() == caller;
    });
    EXPECT_TRUE(played);
    EXPECT_TRUE(onCaller);
    EXPECT_GE(callsWhilePlaying, 3);  // four writes of 40 ms, a call every 10 ms or so
    EXPECT_GE(calls, callsWhilePlaying);
    ASSERT_EQ(recorder_.Sounds().size(), 1U);
    EXPECT_TRUE(recorder_.Sounds()[0].closed);
    EXPECT_EQ(recorder_.Sounds()[0].samples.size(), 200000U);
}

TEST_F(Sound, AnExceptionFromTheHookComesAfterTheSoundHasEnded) {
    recorder_.SetWriteDelay(std::chrono::milliseconds(30));
    const std::string path = dir_.Write("slow.wav", fixtures::PcmWave(1, 8000, 8, fixtures::Pattern(100000)));
    EXPECT_THROW(SndPlaySound(path.c_str(), SND_SYNC, [] { throw std::runtime_error("hook failed"); }),
                 std::runtime_error);
    ASSERT_EQ(recorder_.Sounds().size(), 1U);
    EXPECT_TRUE(recorder_.Sounds()[0].closed);
    EXPECT_FALSE(recorder_.IsPlaying());
}

TEST_F(Sound, AnOutputInstalledLaterWinsUntilItsScopeEnds) {
    const std::string path = dir_.Write("a.wav", fixtures::PcmWave(1, 8000, 8, {1, 2}));
    fixtures::RecordingSoundOutput inner;
    {
        const TScopedSeam<SoundOutput> useInner(inner);
        SndPlaySound(path.c_str(), SND_SYNC);
    }
    SndPlaySound(path.c_str(), SND_SYNC);
    EXPECT_EQ(inner.Sounds().size(), 1U);
    EXPECT_EQ(recorder_.Sounds().size(), 1U);
}

// The real ALSA output: on a machine without a sound device (CI) every call
// returns at once; with one, these sounds last 20 ms and 0.3 s. Either way the
// calls must come back, never hang.
TEST(SoundOnTheDevice, ReturnsPromptlyWithOrWithoutASoundDevice) {
    fixtures::TempDir dir;
    const std::string path = dir.Write("short.wav", fixtures::PcmWave(1, 8000, 16, Bytes(320, 0)));
    const std::string missing = dir.PathOf("missing.wav");
    const auto start = std::chrono::steady_clock::now();
    SndPlaySound(path.c_str(), SND_SYNC);
    SndPlaySound(missing.c_str(), SND_SYNC);
    SndPlaySound(path.c_str(), SND_SYNC, [] {});
    SndPlaySound(missing.c_str(), SND_SYNC, [] {});
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(elapsed, std::chrono::seconds(10));
}

// The real ALSA output, writing and draining, on ALSA's "null" device: run in a
// child process whose ALSA configuration makes "null" the default device.
TEST(SoundOnTheDevice, PlaysThroughAlsaToTheEnd) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    fixtures::TempDir dir;
    const std::string text = "pcm.!default { type null }\n";
    const std::string configuration = dir.Write("null.conf", Bytes(text.begin(), text.end()));
    const std::string mono = dir.Write("mono.wav", fixtures::PcmWave(1, 8000, 16, fixtures::Pattern(16000)));
    const std::string stereo = dir.Write("stereo.wav", fixtures::PcmWave(2, 22050, 8, fixtures::Pattern(44100)));
    const std::string missing = dir.PathOf("missing.wav");
    const auto play = [&] {
        ::setenv("ALSA_CONFIG_PATH", configuration.c_str(), 1);
        const bool allPlayed = SndPlaySound(mono.c_str(), SND_SYNC) && SndPlaySound(stereo.c_str(), SND_SYNC, [] {}) &&
                               !SndPlaySound(missing.c_str(), SND_SYNC);  // the default sound, then false
        std::exit(allPlayed ? 0 : 1);
    };
    EXPECT_EXIT(play(), testing::ExitedWithCode(0), "");
}

}  // namespace
