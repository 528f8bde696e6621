// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/cli/FlatJson.h"
#include "tests/cli/PitchProcess.h"
#include "tests/cli/KorvaniClick.h"
#include "tests/cli/ToneFiles.h"

#include "tests/support/TempDir.h"

#include "engine/AnalysisStart.h"
#include "engine/WaveData.h"
#include "engine/WaveReporter.h"

#include "analysis/NoteNaming.h"
#include "analysis/PeakReport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using clitest::ClickInKorvani;
using clitest::DialogTexts;
using clitest::FlatJson;
using clitest::Lines;
using clitest::RunPitch;

class PitchCommandLine : public ::testing::Test {
protected:
    fixtures::TempDir folder_;
};

// --- the result: text, JSON, agreement with korvani ---------------------------

TEST_F(PitchCommandLine, TheFourHundredThirtyEightHzExampleGivesKorvanisTexts) {
    // A sine tuned until the analysis locates it at 438.2 Hz: korvani shows
    // 438.2 Hz, a1 (440.0 Hz) and 44281 for it.
    double tone = 438.2;
    std::string path;
    DialogTexts dialog;
    for (int attempt = 0; attempt < 4; ++attempt) {
        path = folder_.Write("a438.wav", clitest::SineWave(tone, 44100, 16, 1.0));
        dialog = ClickInKorvani(path, std::lround(438.2 * 32768 / 44100));
        tone += 438.2 - dialog.PeakFrequency;
    }
    ASSERT_NEAR(dialog.PeakFrequency, 438.2, 0.003);

    // From the click's bin the texts are the click's; the pitch is the tone's.
    const auto run = RunPitch({"--near", "438.2", path});
    std::vector<std::string> lines = Lines(run.Out);
    ASSERT_EQ(lines.size(), 12U);
    ASSERT_EQ(lines[7].substr(0, 7), "pitch: ");
    EXPECT_NEAR(std::stod(lines[7].substr(7)), tone, 0.02);  // to a hundredth of a hertz, as written
    lines[7] = "pitch";
    EXPECT_EQ(run.ExitStatus, 0);
    EXPECT_EQ(run.Err, "");
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "file: " + path,
                         "reader: korvani",
                         "format: WAV 16-bit PCM",
                         "sampling frequency: 44100 Hz ,  16 bit",
                         "transform size: 32768",
                         "start sample: 0",
                         "local maximum at: 438.2 Hz",
                         "pitch",
                         "clarity: 1.00",
                         "corresponding note: a1 (440.0 Hz)",
                         "cents: -7.1",
                         "proposed sample rate: 44281",
                     }));
}

TEST_F(PitchCommandLine, JsonCarriesEveryKeyUnroundedAndAgreesWithKorvanisClick) {
    const std::string path = folder_.Write("tone.wav", clitest::SineWave(clitest::NoteHz(62, 23.0), 22050, 16, 1.5));
    const auto run = RunPitch({"--json", "--bin", "220", path});
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    const FlatJson json(Lines(run.Out).at(0));
    EXPECT_EQ(json.Keys(),
              (std::vector<std::string>{
                  "file",      "reader",         "format",       "sample_rate",    "bits_per_sample", "channels",
                  "mixed",     "transform_size", "start_sample", "centred",        "start_bin",       "peak_bin",
                  "frequency", "frequency_text", "note_text",    "note_frequency", "cents",           "a4",
                  "rate",      "rate_text",      "pitch",        "clarity",        "doubtful"}));
    const DialogTexts dialog = ClickInKorvani(path, 220);
    EXPECT_EQ(json.String("file"), path);
    EXPECT_EQ(json.Number("sample_rate"), 22050);
    EXPECT_EQ(json.Number("bits_per_sample"), 16);
    EXPECT_EQ(json.Number("channels"), 1);
    EXPECT_EQ(json.Number("transform_size"), 16384);
    EXPECT_EQ(json.Number("start_sample"), 0);
    EXPECT_EQ(json.Number("start_bin"), 220);
    EXPECT_EQ(json.Number("frequency"), dialog.PeakFrequency);  // unrounded: the very double
    EXPECT_NEAR(json.Number("peak_bin"), dialog.PeakFrequency * 16384 / 22050, 1e-9);
    EXPECT_EQ(json.String("frequency_text"), dialog.Frequency);
    EXPECT_EQ(json.String("note_text"), dialog.Note);
    EXPECT_EQ(json.Number("note_frequency"), NameNote(dialog.PeakFrequency).Frequency);
    EXPECT_EQ(json.String("rate_text"), dialog.Rate);
    EXPECT_EQ(json["rate"].Text, dialog.Rate);
}

TEST_F(PitchCommandLine, EveryWayOfChoosingTheBinClimbsLikeAClick) {
    // A tone with a strong octave: --strongest and a click near the octave
    // find the octave, --auto, --near and a click near the fundamental find
    // the fundamental, and each reports the bin it started from.
    fixtures::Bytes samples;
    const double pi = std::acos(-1.0);
    for (int n = 0; n < 44100; ++n) {
        const double t = n / 44100.0;
        fixtures::AppendLe16(
            samples, static_cast<std::uint16_t>(static_cast<std::int16_t>(
                         std::lround(3000.0 * std::sin(2 * pi * 110.0 * t) + 20000.0 * std::sin(2 * pi * 220.0 * t)))));
    }
    const std::string path = folder_.Write("octave.wav", fixtures::PcmWave(1, 44100, 16, samples));
    const auto startBin = [&path](std::vector<std::string> arguments) {
        arguments.push_back("--json");
        arguments.push_back(path);
        const auto run = RunPitch(arguments);
        EXPECT_EQ(run.ExitStatus, 0) << run.Err;
        const FlatJson json(Lines(run.Out).at(0));
        return std::make_pair(json.Number("start_bin"), json.String("note_text"));
    };
    const double fundamentalBin = 110.0 * 32768 / 44100;
    const auto automatic = startBin({});
    EXPECT_NEAR(automatic.first, fundamentalBin, 1.0);
    EXPECT_EQ(automatic.second, ClickInKorvani(path, static_cast<std::int64_t>(automatic.first)).Note);
    EXPECT_EQ(automatic.second.substr(0, 2), "A ");
    EXPECT_EQ(startBin({"--auto"}), automatic);
    EXPECT_EQ(startBin({"--near", "109"}).first, std::lround(109.0 * 32768 / 44100));
    EXPECT_EQ(startBin({"--near=109"}).second, automatic.second);
    EXPECT_NEAR(startBin({"--strongest"}).first, 2 * fundamentalBin, 1.0);
    EXPECT_EQ(startBin({"--strongest"}).second.substr(0, 2), "a ");
    EXPECT_EQ(startBin({"--bin", "170"}).second, ClickInKorvani(path, 170).Note);
}

TEST_F(PitchCommandLine, SeveralFilesGiveOneBlockOrLineEachInOrder) {
    const std::string first = folder_.Write("first.wav", clitest::SineWave(clitest::NoteHz(57), 11025, 16, 1.0));
    const std::string second = folder_.Write("second.wav", clitest::SineWave(clitest::NoteHz(76), 48000, 8, 1.0));
    const auto text = RunPitch({first, second});
    EXPECT_EQ(text.ExitStatus, 0);
    const auto lines = Lines(text.Out);
    ASSERT_EQ(lines.size(), 25U);
    EXPECT_EQ(lines[0], "file: " + first);
    EXPECT_EQ(lines[2], "format: WAV 16-bit PCM");
    EXPECT_EQ(lines[3], "sampling frequency: 11025 Hz ,  16 bit");
    EXPECT_EQ(lines[4], "transform size: 8192");
    EXPECT_EQ(lines[9], "corresponding note: a (220.0 Hz)");
    EXPECT_EQ(lines[12], "");
    EXPECT_EQ(lines[13], "file: " + second);
    EXPECT_EQ(lines[15], "format: WAV 8-bit PCM");
    EXPECT_EQ(lines[16], "sampling frequency: 48000 Hz ,  8 bit");
    EXPECT_EQ(lines[22], "corresponding note: e2 (659.3 Hz)");

    const auto json = RunPitch({"--json", first, second});
    const auto jsonLines = Lines(json.Out);
    ASSERT_EQ(jsonLines.size(), 2U);
    EXPECT_EQ(FlatJson(jsonLines[0]).String("file"), first);
    EXPECT_EQ(FlatJson(jsonLines[1]).String("note_text"), "e2 (659.3 Hz)");
}

TEST_F(PitchCommandLine, TheStartTimeChoosesTheStartSample) {
    // Silence, then a tone from 500 ms on: from 600 ms the tone is found.
    fixtures::Bytes samples(2 * 22050, 0);
    const fixtures::Bytes tone = clitest::SineSamples(clitest::NoteHz(69), 44100, 16, 1.0);
    samples.insert(samples.end(), tone.begin(), tone.end());
    const std::string path = folder_.Write("late.wav", fixtures::PcmWave(1, 44100, 16, samples));
    const auto run = RunPitch({"--json", "--start", "600", path});
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    const FlatJson json(Lines(run.Out).at(0));
    EXPECT_EQ(json.Number("start_sample"), 26460);
    EXPECT_EQ(json.String("note_text"), "a1 (440.0 Hz)");
}

TEST_F(PitchCommandLine, TheSpectrumListsEveryBinWithItsFrequencyAndMagnitude) {
    const std::string path = folder_.Write("tone.wav", clitest::SineWave(1000.0, 8000, 16, 1.0));
    const auto run = RunPitch({"--spectrum", path});
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    const auto lines = Lines(run.Out);
    ASSERT_EQ(lines.size(), 12U + 4096U);
    EXPECT_EQ(lines[12].substr(0, 4), "0\t0\t");
    EXPECT_EQ(lines[13].substr(0, lines[13].rfind('\t')), "1\t0.9765625");
    // The strongest line lies at 1000 Hz: bin 1024.
    double strongest = 0.0;
    std::size_t strongestBin = 0;
    for (std::size_t k = 0; k < 4096; ++k) {
        const std::string& line = lines[12 + k];
        ASSERT_EQ(line.substr(0, line.find('\t')), std::to_string(k));
        const double magnitude = std::stod(line.substr(line.rfind('\t') + 1));
        if (magnitude > strongest) {
            strongest = magnitude;
            strongestBin = k;
        }
    }
    EXPECT_EQ(strongestBin, 1024U);
    EXPECT_NEAR(strongest, 0.5 * 1250.0, 1.0);  // half of full scale reads half of 1250
}

TEST_F(PitchCommandLine, AStereoFileShowsItsChannelCountAndItsMixingInTheResult) {
    const std::string path =
        folder_.Write("stereo.wav", fixtures::PcmWave(2, 22050, 16, clitest::SineSamples(300.0, 44100, 16, 1.0)));
    const auto run = RunPitch({path});
    EXPECT_EQ(run.ExitStatus, 0);
    EXPECT_EQ(run.Err, "");
    const auto lines = Lines(run.Out);
    ASSERT_GE(lines.size(), 6U);
    EXPECT_EQ(lines[3], "number of channels: 2");
    EXPECT_EQ(lines[4], "sampling frequency: 22050 Hz ,  16 bit");
    EXPECT_EQ(lines[5], "channels: 2, mixed for the analysis");
    const auto json = RunPitch({"--json", path});
    EXPECT_EQ(FlatJson(Lines(json.Out).at(0)).Number("channels"), 2);
    EXPECT_EQ(FlatJson(Lines(json.Out).at(0)).String("mixed"), "true");
    const auto window = RunPitch({"--as-window", path});
    EXPECT_EQ(Lines(window.Out).at(5), "channels: 2, mixed for the analysis");
    const auto interleaved = RunPitch({"--interleaved", path});
    EXPECT_EQ(Lines(interleaved.Out).at(5), "transform size: 16384");
}

// --- failures: messages, exit statuses, nothing on standard output ------------

struct RefusedFile {
    const char* Name;
    fixtures::Bytes Contents;
    std::vector<std::pair<std::optional<std::string>, std::string>> Boxes;
};

void PrintTo(const RefusedFile& refused, std::ostream* out) {
    *out << refused.Name;
}

std::vector<RefusedFile> RefusedFiles() {
    const fixtures::Bytes samples = fixtures::Pattern(64);
    return {
        {"NotRiffWave",
         fixtures::RiffBuilder("AVI ").Chunk("data", samples).Build(),
         {{std::nullopt, "not an audio file"}}},  // no reader takes it
        {"TextFile", fixtures::Bytes{'h', 'e', 'l', 'l', 'o', '\n'}, {{std::nullopt, "not an audio file"}}},
        {"NoFmtChunk", fixtures::RiffBuilder().Data(samples).Build(), {{std::nullopt, "no \"fmt \" chunk"}}},
        {"NoDataChunk",
         fixtures::RiffBuilder().Fmt(fixtures::FmtFields::Pcm(1, 44100, 16)).Build(),
         {{std::nullopt, "no \"data\" chunk"}}},
        {"EmptyDataChunk", fixtures::PcmWave(1, 44100, 16, {}), {{std::nullopt, "no samples"}}},
    };
}

class RefusedFileCase : public ::testing::TestWithParam<RefusedFile> {
protected:
    fixtures::TempDir folder_;
};

TEST_P(RefusedFileCase, PrintsKorvanisBoxesOnStandardErrorAndExitsWithOne) {
    const RefusedFile& refused = GetParam();
    const std::string path = folder_.Write("refused.wav", refused.Contents);

    const auto text = RunPitch({path});
    EXPECT_EQ(text.ExitStatus, 1);
    EXPECT_EQ(text.Out, "");
    std::string expectedErr;
    for (const auto& [caption, boxText] : refused.Boxes) {
        expectedErr += "korvani-pitch: " + path + ": " + (caption ? *caption + ": " : std::string()) + boxText + "\n";
    }
    EXPECT_EQ(text.Err, expectedErr);

    const auto json = RunPitch({"--json", path});
    EXPECT_EQ(json.ExitStatus, 1);
    EXPECT_EQ(json.Err, expectedErr);
    const FlatJson object(Lines(json.Out).at(0));
    EXPECT_EQ(object.Keys(), (std::vector<std::string>{"file", "errors", "error_code"}));
    EXPECT_EQ(object.String("file"), path);
    EXPECT_EQ(object["errors"].Pairs, refused.Boxes);
}

INSTANTIATE_TEST_SUITE_P(Files, RefusedFileCase, ::testing::ValuesIn(RefusedFiles()),
                         [](const ::testing::TestParamInfo<RefusedFile>& refused) {
                             return std::string(refused.param.Name);
                         });

TEST_F(PitchCommandLine, AMissingFileIsReportedWithItsPathAndReason) {
    const std::string path = folder_.PathOf("missing.wav");
    const auto run = RunPitch({path});
    EXPECT_EQ(run.ExitStatus, 1);
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(run.Err, "korvani-pitch: " + path + ": No such file or directory\n");
}

TEST_F(PitchCommandLine, OneRefusedFileAmongGoodOnesExitsWithOneAndTheOthersStillPrint) {
    const std::string good = folder_.Write("good.wav", clitest::SineWave(clitest::NoteHz(60), 44100, 16, 1.0));
    const std::string bad = folder_.Write("bad.wav", fixtures::Bytes{'n', 'o'});
    const auto run = RunPitch({good, bad, good});
    EXPECT_EQ(run.ExitStatus, 1);
    EXPECT_EQ(run.Err, "korvani-pitch: " + bad + ": not an audio file\n");
    EXPECT_EQ(Lines(run.Out).size(), 25U);  // two blocks of twelve lines and the blank between
}

TEST_F(PitchCommandLine, AStartPastTheEndIsAnErrorNotAPrompt) {
    // 16 bits are read by korvani's engine, 24 bits by libsndfile; both hold one second.
    for (const int bits : {16, 24}) {
        const std::string path = folder_.Write("short" + std::to_string(bits) + ".wav",
                                               clitest::SineWave(440.0, 11025, static_cast<std::uint16_t>(bits), 1.0));
        for (const char* start : {"1000", "2500"}) {
            const auto run = RunPitch({"--start", start, path});
            EXPECT_EQ(run.ExitStatus, 1) << start;
            EXPECT_EQ(run.Out, "");
            EXPECT_NE(run.Err.find("past the end of the recording"), std::string::npos) << run.Err;
            EXPECT_EQ(Lines(run.Err).size(), 1U);
        }
        EXPECT_EQ(RunPitch({"--start", "999", path}).ExitStatus, 0) << bits;
    }
}

TEST_F(PitchCommandLine, AClickOutsideTheSpectrumIsAnError) {
    const std::string path = folder_.Write("tone.wav", clitest::SineWave(440.0, 11025, 16, 1.0));
    const auto run = RunPitch({"--bin", "4096", path});
    EXPECT_EQ(run.ExitStatus, 1);
    EXPECT_EQ(run.Out, "");
    const std::string outside = "korvani-pitch: " + path + ": bin 4096 lies outside the spectrum (bins 0 to 4095)\n";
    EXPECT_EQ(run.Err, outside);
    EXPECT_EQ(RunPitch({"--near", "1e300", path}).Err, outside);
}

// --- usage ------------------------------------------------------------------

TEST(PitchUsage, BadCommandLinesExitWithTwoAndSayWhy) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{}, "no file given"},
        {{"--bogus", "a.wav"}, "unknown option --bogus"},
        {{"--start"}, "--start needs a value"},
        {{"--start", "-5", "a.wav"}, "--start needs a whole number of milliseconds from 0"},
        {{"--start", "12abc", "a.wav"}, "--start needs a whole number of milliseconds from 0"},
        {{"--bin", "x", "a.wav"}, "--bin needs a bin number from 0"},
        {{"--near", "-3", "a.wav"}, "--near needs a frequency in Hz from 0"},
        {{"--bin", "3", "--strongest", "a.wav"}, "--bin and --strongest exclude each other"},
        {{"--rate", "44100", "a.wav"}, "--rate needs --retune"},
        {{"--no-higher", "a.wav"}, "--no-higher needs --retune"},
        {{"--retune", "out.wav", "a.wav", "b.wav"}, "--retune takes exactly one WAV file"},
        {{"--retune", "out.wav", "--rate", "5000000000", "a.wav"}, "--rate needs a sample rate from 2 to 768000 Hz"},
        {{"--json", "--spectrum", "a.wav"}, "--spectrum and --json exclude each other"},
        {{"--json=yes", "a.wav"}, "--json takes no value"},
    };
    for (const auto& [arguments, reason] : cases) {
        const auto run = RunPitch(arguments);
        EXPECT_EQ(run.ExitStatus, 2) << reason;
        EXPECT_EQ(run.Out, "") << reason;
        const auto lines = Lines(run.Err);
        ASSERT_FALSE(lines.empty()) << reason;
        EXPECT_EQ(lines[0], "korvani-pitch: " + reason);
        EXPECT_NE(run.Err.find("usage: korvani-pitch"), std::string::npos);
    }
}

// Formats that exclude each other, values outside their ranges: refused
// before any file is read, whatever the words.
TEST(PitchUsage, CombinationsAndValuesOutsideTheRangesAreRefused) {
    for (const std::vector<std::string>& refused : {std::vector<std::string>{"--csv", "--spectrum"},
                                                    {"--spectrum", "--csv"},
                                                    {"--csv", "--json"},
                                                    {"--json", "--spectrum"},
                                                    {"-j", "0"},
                                                    {"--jobs", "1025"},
                                                    {"--a4", "480.01"}}) {
        std::vector<std::string> arguments = refused;
        arguments.push_back("a.wav");
        const auto run = RunPitch(arguments);
        EXPECT_EQ(run.ExitStatus, 2) << refused[0] << " " << refused[1];
        EXPECT_EQ(run.Out, "");
    }
    // The bounds themselves are taken: the run goes on to the missing file.
    for (const std::vector<std::string>& accepted : {std::vector<std::string>{"--near", "0"},
                                                     {"--a4", "400"},
                                                     {"--a4", "480"},
                                                     {"-j", "1024"},
                                                     {"--bin", "0"},
                                                     {"--start", "0"},
                                                     {"--retune", "out.wav", "--rate", "2"},
                                                     {"--retune", "out.wav", "--rate", "768000"}}) {
        std::vector<std::string> arguments = accepted;
        arguments.push_back("missing.wav");
        EXPECT_EQ(RunPitch(arguments).ExitStatus, 1) << accepted[0] << " " << accepted[1];
    }
}

TEST(PitchUsage, HelpExplainsEveryOption) {
    const auto run = RunPitch({"--help"});
    EXPECT_EQ(run.ExitStatus, 0);
    EXPECT_EQ(run.Err, "");
    for (const char* option : {"--start MS", "--bin K", "--near HZ", "--auto", "--strongest", "--retune OUT.wav",
                               "--rate R", "--no-higher", "--json", "--spectrum", "--help"}) {
        EXPECT_NE(run.Out.find(std::string("\n  ") + option), std::string::npos) << option;
    }
    EXPECT_NE(run.Out.find("Exit status"), std::string::npos);
}

TEST(PitchUsage, DoubleDashMakesTheRestFiles) {
    fixtures::TempDir folder;
    const std::string path = folder.Write("--json", clitest::SineWave(440.0, 8000, 16, 1.0));
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.Path());
    const auto run = RunPitch({"--", "--json"});
    std::filesystem::current_path(previous);
    EXPECT_EQ(run.ExitStatus, 0) << run.Err;
    EXPECT_EQ(Lines(run.Out).at(0), "file: --json");
}

}  // namespace
