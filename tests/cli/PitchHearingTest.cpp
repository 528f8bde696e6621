// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/cli/FlatJson.h"
#include "tests/cli/InstrumentCorpus.h"
#include "tests/cli/KorvaniClick.h"
#include "tests/cli/PitchProcess.h"
#include "tests/cli/ToneFiles.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

using clitest::FlatJson;
using clitest::Lines;
using clitest::RunPitch;

// korvani-pitch as a listener hears a file: several channels mixed, no note
// for silence and noise, every failure naming its file, the retuned copy
// confirmed, and names that cannot break the output.

constexpr double kPi = 3.14159265358979323846;

// 16-bit PCM of `frames` frames of `channels` channels: value(n, c) in -1 ... 1.
fixtures::Bytes Frames(std::uint16_t channels, std::uint32_t frames,
                       const std::function<double(std::uint32_t, std::uint16_t)>& value) {
    fixtures::Bytes samples;
    for (std::uint32_t n = 0; n < frames; ++n) {
        for (std::uint16_t c = 0; c < channels; ++c) {
            fixtures::AppendLe16(
                samples, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(32767.0 * value(n, c)))));
        }
    }
    return samples;
}

// A band-limited sawtooth: partials 1 ... 12 at 1 / h.
double Sawtooth(double frequency, std::uint32_t rate, std::uint32_t n) {
    double value = 0.0;
    for (int h = 1; h <= 12; ++h) {
        value += std::sin(2.0 * kPi * h * frequency * n / rate) / h;
    }
    return 0.25 * value;
}

std::string NoteOf(const std::string& noteText) {
    return noteText.substr(0, noteText.find(' '));
}

// --- several channels -------------------------------------------------------

struct ChannelCase {
    const char* Name;
    std::uint16_t Channels;
    double Frequency;  // the pitch heard; 0: a rendered piano note
    bool Sawtooth;
};

void PrintTo(const ChannelCase& c, std::ostream* out) {
    *out << c.Name;
}

// A rendered stereo piano note of the corpus (its note in `note`), or "".
std::string RenderedPiano(int& note) {
    const clitest::Rendering& rendering = clitest::kRenderings[3];
    for (note = 48; note <= 72; ++note) {
        const std::string path = std::string(KORVANI_CORPUS_DIR) + "/" + clitest::CorpusFile(rendering, 0, note);
        if (std::filesystem::exists(path)) {
            return path;
        }
    }
    return "";
}

// The WAV file of a case: its tone in every channel, or the rendered piano
// with its two channels repeated up to the case's channel count.
std::string ChannelFile(const ChannelCase& c, const fixtures::TempDir& folder, double& heard) {
    if (c.Frequency > 0.0) {
        heard = c.Frequency;
        return folder.Write(
            "tone.wav",
            fixtures::PcmWave(c.Channels, 44100, 16, Frames(c.Channels, 44100, [&c](std::uint32_t n, std::uint16_t) {
                                  return c.Sawtooth ? Sawtooth(c.Frequency, 44100, n)
                                                    : 0.5 * std::sin(2.0 * kPi * c.Frequency * n / 44100);
                              })));
    }
    int note = 0;
    const std::string rendered = RenderedPiano(note);
    if (rendered.empty()) {
        return "";
    }
    heard = clitest::NoteHz(note);
    std::ifstream in(rendered, std::ios::binary);
    const fixtures::Bytes bytes{std::istreambuf_iterator<char>(in), {}};
    const std::size_t data = bytes.size() - static_cast<std::size_t>(1.2 * 44100) * 4;  // the last chunk's samples
    fixtures::Bytes samples;
    for (std::size_t at = data; at + 4 <= bytes.size(); at += 4) {
        for (std::uint16_t c2 = 0; c2 < c.Channels / 2; ++c2) {
            samples.insert(samples.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at),
                           bytes.begin() + static_cast<std::ptrdiff_t>(at + 4));
        }
    }
    return folder.Write("piano.wav", fixtures::PcmWave(c.Channels, 44100, 16, samples));
}

class SeveralChannels : public ::testing::TestWithParam<ChannelCase> {
protected:
    fixtures::TempDir folder_;
};

TEST_P(SeveralChannels, GiveTheNoteHeardAsTheWindowDoesAndTheOldReadingWithInterleaved) {
    const ChannelCase& c = GetParam();
    double heard = 0.0;
    const std::string path = ChannelFile(c, folder_, heard);
    if (path.empty()) {
        GTEST_SKIP() << "no rendered piano note in " << KORVANI_CORPUS_DIR;
    }

    const auto mixed = RunPitch({"--json", path});
    ASSERT_EQ(mixed.ExitStatus, 0) << mixed.Err;
    const FlatJson heardJson(Lines(mixed.Out).at(0));
    EXPECT_EQ(NoteOf(heardJson.String("note_text")), NameNote(heard).Text);
    EXPECT_EQ(heardJson.String("mixed"), "true");
    EXPECT_EQ(heardJson.Number("channels"), c.Channels);
    const auto text = RunPitch({path});
    EXPECT_EQ(Lines(text.Out).at(5), "channels: " + std::to_string(c.Channels) + ", mixed for the analysis");

    // The window mixes as well (--as-window): korvani's own click at the same
    // bin names the same. Read value after value (--interleaved, as the window
    // did before), a tone shows C times too low, as korvani's click so read.
    for (const char* mode : {"--auto", "--strongest"}) {
        for (const char* reading : {"--as-window", "--interleaved"}) {
            const bool interleaved = std::string(reading) == "--interleaved";
            const auto window = RunPitch({"--json", reading, mode, path});
            ASSERT_EQ(window.ExitStatus, 0) << window.Err;
            const FlatJson json(Lines(window.Out).at(0));
            EXPECT_EQ(json.String("mixed"), interleaved ? "false" : "true") << reading;
            const auto click =
                clitest::ClickInKorvani(path, static_cast<std::int64_t>(json.Number("start_bin")),
                                        interleaved ? ChannelReading::Interleaved : ChannelReading::Mixed);
            EXPECT_EQ(json.String("note_text"), click.Note) << mode << reading;
            EXPECT_EQ(json.String("rate_text"), click.Rate) << mode << reading;
            if (c.Frequency > 0.0 && std::string(mode) == "--auto") {
                EXPECT_EQ(NoteOf(json.String("note_text")), NameNote(interleaved ? heard / c.Channels : heard).Text)
                    << reading;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Files, SeveralChannels,
                         ::testing::Values(ChannelCase{"StereoSine", 2, 329.63, false},
                                           ChannelCase{"FourChannelSine", 4, 523.25, false},
                                           ChannelCase{"StereoSawtooth", 2, 110.0, true},
                                           ChannelCase{"FourChannelSawtooth", 4, 196.0, true},
                                           ChannelCase{"StereoRenderedPiano", 2, 0.0, false},
                                           ChannelCase{"FourChannelRenderedPiano", 4, 0.0, false}),
                         [](const ::testing::TestParamInfo<ChannelCase>& c) { return std::string(c.param.Name); });

// --- no pitch ---------------------------------------------------------------

struct NoPitchCase {
    const char* Name;
    double NoiseLevel;  // peak of uniform noise, of full scale (0: digital silence)
    const char* Reason;
};

void PrintTo(const NoPitchCase& c, std::ostream* out) {
    *out << c.Name;
}

class NoPitch : public ::testing::TestWithParam<NoPitchCase> {
protected:
    fixtures::TempDir folder_;
};

TEST_P(NoPitch, AutoNamesNoNoteExitsWithOneAndWritesNothingWhileABinStillClimbs) {
    const NoPitchCase& c = GetParam();
    std::mt19937 random(7);
    std::uniform_real_distribution<double> noise(-c.NoiseLevel, c.NoiseLevel);
    const std::string path = folder_.Write(
        "quiet.wav",
        fixtures::PcmWave(2, 44100, 16, Frames(2, 44100, [&](std::uint32_t, std::uint16_t) { return noise(random); })));
    const std::string copy = folder_.PathOf("copy.wav");

    const auto text = RunPitch({"--retune", copy, path});
    EXPECT_EQ(text.ExitStatus, 1);
    EXPECT_EQ(text.Out, "");
    EXPECT_EQ(text.Err, "korvani-pitch: " + path + ": no pitch found: " + c.Reason + "\n");
    EXPECT_FALSE(std::filesystem::exists(copy));

    const auto json = RunPitch({"--json", "--auto", path});
    EXPECT_EQ(json.ExitStatus, 1);
    const FlatJson object(Lines(json.Out).at(0));
    EXPECT_EQ(object.String("no_pitch"), c.Reason);
    EXPECT_EQ(object["errors"].Pairs.size(), 1U);

    // A click climbs whatever it meets: noise has local maxima, silence none.
    const auto click = RunPitch({"--bin", "300", path});
    if (c.NoiseLevel > 0.0) {
        EXPECT_EQ(click.ExitStatus, 0) << click.Err;
    } else {
        EXPECT_EQ(click.Err, "korvani-pitch: " + path + ": no local maximum\n");
    }
}

INSTANTIATE_TEST_SUITE_P(Stretches, NoPitch,
                         ::testing::Values(NoPitchCase{"DigitalSilence", 0.0, "silent"},
                                           NoPitchCase{"LeastBitDither", 1.0 / 32767, "silent"},
                                           NoPitchCase{"LowLevelNoise", 0.01, "no harmonic series"},
                                           NoPitchCase{"WhiteNoise", 0.7, "no harmonic series"}),
                         [](const ::testing::TestParamInfo<NoPitchCase>& c) { return std::string(c.param.Name); });

// A plucked note that dies away within 100 ms of the file's start lies under
// the window's taper: read from the first frame it is silence. --auto then
// reads the first frames at the window's centre; a reading that keeps the
// window's (--as-window) or starts later does not.
TEST(ShortNoteAtTheStart, AutoCentresTheWindowOnTheFirstFrameOnly) {
    fixtures::TempDir folder;
    const auto pluck = [](std::uint32_t n, std::uint16_t) {
        return 0.5 * std::exp(-static_cast<double>(n) / (0.015 * 44100)) * Sawtooth(329.63, 44100, n) / 3.0;
    };
    const std::string mono = folder.Write("mono.wav", fixtures::PcmWave(1, 44100, 16, Frames(1, 44100, pluck)));
    const std::string stereo = folder.Write("stereo.wav", fixtures::PcmWave(2, 44100, 16, Frames(2, 44100, pluck)));
    struct Case {
        std::vector<std::string> Options;
        const std::string* File;
        const char* Expected;  // the note, or the end of the error line
    };
    const std::vector<Case> cases = {
        {{}, &mono, "e1 (329.6 Hz)"},
        {{"--json"}, &stereo, "e1 (329.6 Hz)"},
        {{"--as-window"}, &mono, "no pitch found: silent"},
        {{"--start", "1"}, &mono, "no pitch found: silent"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = c.Options;
        arguments.push_back(*c.File);
        const auto run = RunPitch(arguments);
        const std::string expected = c.Expected;
        if (expected.starts_with("no pitch")) {
            EXPECT_EQ(run.Err, "korvani-pitch: " + *c.File + ": " + expected + "\n") << arguments.front();
        } else if (c.Options.empty()) {
            EXPECT_NE(run.Out.find("start sample: 0\nwindow: centred on the start (the stretch from it is silent)\n"),
                      std::string::npos)
                << run.Out << run.Err;
            EXPECT_NE(run.Out.find("corresponding note: " + expected), std::string::npos);
        } else {
            const FlatJson json(Lines(run.Out).at(0));
            EXPECT_EQ(json.String("note_text"), expected) << run.Err;
            EXPECT_EQ(json.String("centred"), "true");
        }
    }
}

// --- failures name their file -------------------------------------------------

TEST(PitchFailures, EachLineNamesItsFile) {
    fixtures::TempDir folder;
    const std::string good = folder.Write("good.wav", clitest::SineWave(clitest::NoteHz(60), 44100, 16, 1.0));
    const std::string missing = folder.PathOf("missing.wav");
    const std::string silent = folder.Write("silent.wav", clitest::SilentWave(44100));
    const std::string text = folder.Write("text.wav", fixtures::Bytes{'n', 'o'});
    const auto run = RunPitch({good, missing, silent, text});
    EXPECT_EQ(run.ExitStatus, 1);
    EXPECT_EQ(Lines(run.Err), (std::vector<std::string>{
                                  "korvani-pitch: " + missing + ": No such file or directory",
                                  "korvani-pitch: " + silent + ": no pitch found: silent",
                                  "korvani-pitch: " + text + ": not an audio file",
                              }));
    EXPECT_EQ(Lines(run.Out).at(0), "file: " + good);
    EXPECT_EQ(Lines(run.Out).size(), 12U);
}

// --- the retuned copy is confirmed ----------------------------------------------

TEST(PitchRetuneConfirmation, ShowsTheWrittenFileAndRateBesideTheProposedOne) {
    fixtures::TempDir folder;
    const std::string source = folder.Write("flat.wav", clitest::SineWave(clitest::NoteHz(69, -20.0), 44100, 16, 1.0));
    const std::string copy = folder.PathOf("out.wav");
    const FlatJson plain(Lines(RunPitch({"--json", source}).Out).at(0));
    const std::string proposed = plain["rate"].Text;
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{}, proposed},
        {{"--rate", "22050"}, "22050"},
        {{"--rate", "50000", "--no-higher"}, "25000"},
    };
    for (const auto& [extra, written] : cases) {
        std::vector<std::string> arguments = {"--retune", copy, source};
        arguments.insert(arguments.begin(), extra.begin(), extra.end());
        const auto text = RunPitch(arguments);
        ASSERT_EQ(text.ExitStatus, 0) << text.Err;
        const auto lines = Lines(text.Out);
        EXPECT_EQ(lines.at(lines.size() - 2), "proposed sample rate: " + proposed);
        EXPECT_EQ(lines.back(), "retuned copy: " + copy + " (" + written + " Hz)");

        arguments.push_back("--json");
        const FlatJson json(Lines(RunPitch(arguments).Out).at(0));
        EXPECT_EQ(json["rate"].Text, proposed);
        EXPECT_EQ(json["written"].Json, (nlohmann::ordered_json{{"file", copy}, {"rate", std::stol(written)}}));
    }
    EXPECT_EQ(Lines(RunPitch({source}).Out).back(), "proposed sample rate: " + proposed);
}

// --- names that cannot break the output -----------------------------------------

TEST(PitchNames, StayOnTheirLineInTextAndValidInJson) {
    fixtures::TempDir folder;
    const std::string name = "x\nproposed sample rate: 1\xff\x1b\x7f\t.wav";
    const std::string path = folder.Write(name, clitest::SineWave(440.0, 22050, 16, 1.0));
    const std::string shown = folder.PathOf("x\\nproposed sample rate: 1\\xff\\x1b\\x7f\\t.wav");

    const auto text = RunPitch({path});
    ASSERT_EQ(text.ExitStatus, 0) << text.Err;
    const auto lines = Lines(text.Out);
    EXPECT_EQ(lines.at(0), "file: " + shown);
    EXPECT_EQ(lines.size(), 12U);

    const auto json = RunPitch({"--json", path, path + ".missing"});
    const auto jsonLines = Lines(json.Out);
    ASSERT_EQ(jsonLines.size(), 2U);
    EXPECT_EQ(FlatJson(jsonLines[0]).String("file"),
              folder.PathOf("x\nproposed sample rate: 1\xef\xbf\xbd\x1b\x7f\t.wav"));
    EXPECT_EQ(FlatJson(jsonLines[1])["errors"].Pairs.size(), 1U);  // strict parsing: valid UTF-8

    const auto errors = Lines(json.Err);
    ASSERT_EQ(errors.size(), 1U);
    EXPECT_EQ(errors[0].substr(0, 15 + shown.size() + 2), "korvani-pitch: " + shown + ".m");
}

TEST(PitchVersion, IsTheVersionOfTheProgramsVersionBlock) {
    const auto run = RunPitch({"--version"});
    EXPECT_EQ(run.ExitStatus, 0);
    EXPECT_EQ(run.Out, "korvani-pitch 1.1\n");
    EXPECT_EQ(run.Err, "");
}

}  // namespace
