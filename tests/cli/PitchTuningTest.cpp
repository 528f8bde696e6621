// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/cli/FlatJson.h"
#include "tests/cli/InstrumentCorpus.h"
#include "tests/cli/PitchProcess.h"
#include "tests/cli/ToneFiles.h"

#include "tests/support/TempDir.h"

#include "analysis/NoteNaming.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace {

// korvani-pitch --auto's tuning estimate, driven as a user drives it: the
// reported pitch of pure sines, of synthetic series that tempt the picker,
// and of recordings resampled with sox by a known number of cents.

double CentsBetween(double reference, double frequency) {
    return 1200.0 * std::log2(frequency / reference);
}

// The JSON line of one file.
clitest::FlatJson Analyse(const std::string& file, const std::vector<std::string>& options = {}) {
    std::vector<std::string> arguments = {"--json"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    arguments.push_back(file);
    const auto run = clitest::RunPitch(arguments);
    const auto lines = clitest::Lines(run.Out);
    EXPECT_EQ(lines.size(), 1U) << run.Err;
    return clitest::FlatJson(lines.empty() ? "{}" : lines.front());
}

double PitchOf(const std::string& file) {
    const clitest::FlatJson json = Analyse(file);
    return json.Keys().size() > 3 ? json.Number("pitch") : 0.0;
}

// Pure sines over the whole range at the rates met in practice: the pitch
// within 0.05 cent (the refinement between bins alone was off by several).
TEST(TuningOfPureSines, WithinAHundredthOfACentEverywhere) {
    fixtures::TempDir folder;
    for (const std::uint32_t rate : {22050U, 44100U, 48000U, 96000U}) {
        for (const double frequency : {27.5, 41.2, 55.0, 97.9, 220.0, 441.0, 1000.7, 2637.0, 4200.0}) {
            const std::string file = folder.Write("sine.wav", clitest::SineWave(frequency, rate, 16, 1.5, 0.4));
            EXPECT_NEAR(CentsBetween(frequency, PitchOf(file)), 0.0, 0.05) << frequency << " Hz at " << rate << " Hz";
        }
    }
}

// A synthetic note: partials k x f0 x sqrt(1 + B k^2) at the levels given (dB
// under the strongest; NaN for an absent one), decaying slowly, with an
// optional burst of low-frequency noise (20 to 200 Hz, dying away within 0.3 s)
// in the attack and optional white noise throughout.
struct Synthetic {
    const char* Name;
    double Fundamental;
    std::vector<double> Decibels;
    double Stretch = 0.0;
    double BurstDecibels = -1000.0;  // the burst's sines against the strongest partial
    double NoiseLevel = 0.0;         // white noise's amplitude against the strongest partial
    double ForeignRatio = 0.0;       // a sine off the series at this multiple of the fundamental (0: none)
    double ForeignDecibels = 0.0;    // its level, against partials at 0 dB
    double VibratoHz = 0.0;          // the pitch swings this many times a second (0: steady)
    double VibratoCents = 0.0;       // by this many cents either way
    double LeapRadians = 0.0;        // every partial's phase leaps by this much a third of the way in
};

fixtures::Bytes SyntheticWave(const Synthetic& note, std::uint32_t rate, double seconds) {
    const double pi = std::acos(-1.0);
    std::mt19937 random(7);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<double> values(static_cast<std::size_t>(seconds * rate), 0.0);
    const auto addSine = [&](double frequency, double amplitude, double decay) {
        const double phase = 2.0 * pi * unit(random);
        double swung = phase;  // the phase of a swinging pitch, summed sample by sample
        for (std::size_t n = 0; n < values.size() && frequency < rate / 2.0; ++n) {
            const double t = static_cast<double>(n) / rate;
            const double cents = note.VibratoCents * std::sin(2.0 * pi * note.VibratoHz * t);
            swung += 2.0 * pi * frequency * std::exp2(cents / 1200.0) / rate;
            const double leapt = n >= values.size() / 3 ? note.LeapRadians : 0.0;
            values[n] += amplitude * std::exp(-t / decay) *
                         std::sin((note.VibratoHz > 0.0 ? swung : 2.0 * pi * frequency * t + phase) + leapt);
        }
    };
    for (std::size_t k = 1; k <= note.Decibels.size(); ++k) {
        if (!std::isnan(note.Decibels[k - 1])) {
            const double stretched = std::sqrt(1.0 + note.Stretch * static_cast<double>(k * k));
            addSine(static_cast<double>(k) * note.Fundamental * stretched, std::pow(10.0, note.Decibels[k - 1] / 20.0),
                    2.0);
        }
    }
    if (note.ForeignRatio > 0.0) {
        addSine(note.ForeignRatio * note.Fundamental, std::pow(10.0, note.ForeignDecibels / 20.0), 2.0);
    }
    for (int s = 0; s < 60; ++s) {
        addSine(20.0 + 180.0 * unit(random), std::pow(10.0, note.BurstDecibels / 20.0), 0.1);
    }
    std::normal_distribution<double> noise(0.0, note.NoiseLevel);
    double peak = 0.0;
    for (double& value : values) {
        value += note.NoiseLevel > 0.0 ? noise(random) : 0.0;
        peak = std::max(peak, std::abs(value));
    }
    fixtures::Bytes samples;
    for (const double value : values) {
        const auto word = static_cast<std::int16_t>(std::lround(value / peak * 26000.0));
        fixtures::AppendLe16(samples, static_cast<std::uint16_t>(word));
    }
    return fixtures::PcmWave(1, rate, 16, samples);
}

const double kAbsent = std::nan("");

// Notes whose series tempts the picker away from the key: the key is named
// and the pitch lies within half a cent of f0.
const std::vector<Synthetic> kSynthetic = {
    // A grand piano's A0: fundamental 43 dB down, 2nd partial 26 dB down, 3 to 6 strongest.
    {"BuriedFundamentalA0", 27.5, {-43, -26, 0, -2, -1, -3, -12, -15, -18, -20, -24, -26}, 0.0004},
    {"NoFundamentalNoSecond", 98.0, {kAbsent, kAbsent, 0, -3, -2, -6, -9, -12}},
    // A bass string: stretched partials.
    {"StretchedBassString", 41.2, {-6, 0, -2, -4, -6, -8, -10, -12, -14, -16, -18, -20, -22, -24}, 0.0004},
    // D#7 and F#7 of a piano: a hammer's thump 3 to 7 dB under the note.
    {"HighNoteWithThump", 2489.0, {0, -18, -30}, 0.0, 14.0},
    {"TopNoteWithThump", 2960.0, {0, -20}, 0.0, 16.0},
};

class SyntheticNotes : public ::testing::TestWithParam<Synthetic> {};

void PrintTo(const Synthetic& note, std::ostream* out) {
    *out << note.Name;
}

TEST_P(SyntheticNotes, NamedByTheirKeyAndTunedWithinHalfACent) {
    const Synthetic& note = GetParam();
    fixtures::TempDir folder;
    for (const std::uint32_t rate : {44100U, 48000U}) {
        const clitest::FlatJson json = Analyse(folder.Write("note.wav", SyntheticWave(note, rate, 1.5)));
        ASSERT_GT(json.Keys().size(), 3U) << note.Name;
        const std::string named = json.String("note_text");
        EXPECT_EQ(named.substr(0, named.find(' ')), NameNote(note.Fundamental).Text) << rate;
        EXPECT_NEAR(CentsBetween(note.Fundamental, json.Number("pitch")), 0.0, 0.5) << rate;
    }
}

INSTANTIATE_TEST_SUITE_P(Series, SyntheticNotes, ::testing::ValuesIn(kSynthetic),
                         [](const ::testing::TestParamInfo<Synthetic>& note) { return note.param.Name; });

// Clarity: a clean tone is clearer than the same tone in noise, and that
// clearer than noise alone (read at its strongest bin: --auto names no
// pitch for it); the noisy tone is doubtful, the clean one not.
TEST(Clarity, OrdersCleanToneOverNoisyToneOverNoise) {
    fixtures::TempDir folder;
    const std::vector<double> series = {0, -4, -8, -12, -16};
    const auto clarity = [&](const Synthetic& note, const std::vector<std::string>& options) {
        return Analyse(folder.Write(std::string(note.Name) + ".wav", SyntheticWave(note, 44100, 1.5)), options);
    };
    const clitest::FlatJson clean = clarity({"clean", 220.0, series}, {});
    const clitest::FlatJson noisy = clarity({"noisy", 220.0, series, 0.0, -1000.0, 3.0}, {});
    const clitest::FlatJson noise = clarity({"noise", 220.0, {-200.0}, 0.0, -1000.0, 1.0}, {"--strongest"});
    EXPECT_GT(clean.Number("clarity"), noisy.Number("clarity"));
    EXPECT_GT(noisy.Number("clarity"), noise.Number("clarity"));
    EXPECT_EQ(clean.String("doubtful"), "false");
    EXPECT_EQ(noise.String("doubtful"), "true");
}

// Clarity is the share of the energy on the series: a sine between the
// partials takes the rest, its share known from the levels written. Below
// half, the result is doubtful.
const std::vector<Synthetic> kMixtures = {
    {"SeriesOverQuietSine", 220.0, {0, 0, 0, 0}, 0.0, -1000.0, 0.0, 2.37, 0.0},
    {"JustOverHalf", 220.0, {0, 0, 0, 0}, 0.0, -1000.0, 0.0, 2.37, 5.15},
    {"JustUnderHalf", 220.0, {0, 0, 0, 0}, 0.0, -1000.0, 0.0, 2.37, 6.9},
    {"FallingSeriesUnderLoudSine", 220.0, {0, -3, -6, -9, -12}, 0.0, -1000.0, 0.0, 3.41, 6.9},
};

TEST(Clarity, IsTheShareOfTheEnergyOnTheSeriesAndDoubtfulBelowHalf) {
    fixtures::TempDir folder;
    for (const Synthetic& note : kMixtures) {
        double series = 0.0;
        for (const double decibels : note.Decibels) {
            series += std::pow(10.0, decibels / 10.0);
        }
        const double share = series / (series + std::pow(10.0, note.ForeignDecibels / 10.0));
        const clitest::FlatJson json = Analyse(folder.Write("mixture.wav", SyntheticWave(note, 44100, 1.5)));
        ASSERT_GT(json.Keys().size(), 3U) << note.Name;
        EXPECT_NEAR(json.Number("clarity"), share, 0.02) << note.Name;
        EXPECT_EQ(json.String("doubtful"), share < 0.5 ? "true" : "false") << note.Name;
    }
}

// The shift test: a recording resampled by sox to sound 13 cents higher and
// 29 cents lower must read exactly that much higher and lower, within half a
// cent, in every register. Synthetic tones and the lowest notes of the
// rendered corpus's piano, bass, organ and cello (the sample the suite
// renders holds), and a few treble notes.
std::string Sox() {
    for (const char* folder : {"/usr/bin/", "/usr/local/bin/", "/bin/"}) {
        if (std::filesystem::exists(std::string(folder) + "sox")) {
            return std::string(folder) + "sox";
        }
    }
    return "";
}

void ExpectFollowsTheShifts(const std::string& file, fixtures::TempDir& folder) {
    const double original = PitchOf(file);
    ASSERT_GT(original, 0.0) << file;
    for (const double cents : {13.0, -29.0}) {
        const std::string shifted = folder.PathOf("shifted.wav");
        const auto run = clitest::RunProcess(Sox(), {file, "-b", "16", shifted, "speed", std::to_string(cents) + "c"});
        ASSERT_EQ(run.ExitStatus, 0) << run.Err;
        EXPECT_NEAR(CentsBetween(original, PitchOf(shifted)), cents, 0.5) << file << " shifted by " << cents;
    }
}

TEST(ShiftTest, SyntheticTonesFollowTheShift) {
    ASSERT_FALSE(Sox().empty()) << "sox is needed (tools/install-deps test installs it)";
    fixtures::TempDir folder;
    for (const Synthetic& note : kSynthetic) {
        ExpectFollowsTheShifts(folder.Write(std::string(note.Name) + ".wav", SyntheticWave(note, 44100, 1.5)), folder);
    }
}

// A violin's or a voice's wide vibrato: the pitch swings by tens of cents
// five or so times a second, and the stretch read ends elsewhere in a swing
// once the recording is resampled. Its mean follows the shift all the same.
const std::vector<Synthetic> kVibrato = {
    {"WideVibratoC6", 1046.5, {0, -6, -10, -12, -14, -16}, 0.0, -1000.0, 0.0, 0.0, 0.0, 5.5, 60.0},
    {"VibratoC7", 2093.0, {0, -8, -12}, 0.0, -1000.0, 0.0, 0.0, 0.0, 4.5, 40.0},
};

TEST(ShiftTest, WideVibratoFollowsTheShift) {
    ASSERT_FALSE(Sox().empty()) << "sox is needed (tools/install-deps test installs it)";
    fixtures::TempDir folder;
    for (const Synthetic& note : kVibrato) {
        ExpectFollowsTheShifts(folder.Write(std::string(note.Name) + ".wav", SyntheticWave(note, 44100, 1.5)), folder);
    }
}

// A swinging note with a tone beside its third partial (40 cents above it,
// as loud): tracked through its swing, that tone is no partial of the series,
// and the pitch stays within a cent of the note's (a swing of 30 cents either
// way raises the mean by a fifth of a cent at most).
TEST(VibratoTuning, AToneBesideAPartialIsNoPartial) {
    fixtures::TempDir folder;
    const Synthetic note{"VibratoBesideATone",           1318.5, {0, -4, -6}, 0.0, -1000.0, 0.0,
                         3.0 * std::exp2(40.0 / 1200.0), 0.0,    5.5,         30.0};
    const clitest::FlatJson json = Analyse(folder.Write("note.wav", SyntheticWave(note, 44100, 1.5)));
    ASSERT_GT(json.Keys().size(), 3U);
    EXPECT_NEAR(CentsBetween(note.Fundamental, json.Number("pitch")), 0.0, 1.0);
}

// A looped sample whose phase leaps where the loop starts again (a quarter
// and a half turn), swinging as it does: the leap is no frequency, and the
// pitch stays within half a cent of the note's (left in, a half turn raised
// it by two cents; with only the advances that leap left out, by one).
TEST(VibratoTuning, APhaseLeapIsNoFrequency) {
    fixtures::TempDir folder;
    for (const double leap : {0.5 * std::numbers::pi, std::numbers::pi}) {
        const Synthetic note{"VibratoWithALeap", 220.0, {0, -4, -6, -8}, 0.0, -1000.0, 0.0, 0.0, 0.0, 5.5, 40.0, leap};
        const clitest::FlatJson json = Analyse(folder.Write("note.wav", SyntheticWave(note, 44100, 1.5)));
        ASSERT_GT(json.Keys().size(), 3U);
        EXPECT_NEAR(CentsBetween(note.Fundamental, json.Number("pitch")), 0.0, 0.5) << leap << " rad";
    }
}

struct CorpusVoice {
    const char* Rendering;
    int Program;
    int From;  // the first key tried; the lowest key of the sample from it on is shifted
};

const std::vector<CorpusVoice> kCorpusVoices = {
    {"freepats-44100", 0, 36},  {"musescore-44100", 0, 36},  {"timgm6mb-48000", 0, 36},  {"musescore-44100", 33, 36},
    {"timgm6mb-48000", 33, 36}, {"musescore-44100", 19, 36}, {"freepats-22050", 16, 36}, {"musescore-44100", 42, 36},
    {"freepats-44100", 42, 36}, {"musescore-44100", 43, 36}, {"freepats-44100", 0, 84},  {"musescore-44100", 73, 84},
};

TEST(ShiftTest, CorpusNotesFollowTheShiftInEveryRegister) {
    ASSERT_FALSE(Sox().empty()) << "sox is needed (tools/install-deps test installs it)";
    fixtures::TempDir folder;
    int shifted = 0;
    for (const CorpusVoice& voice : kCorpusVoices) {
        for (int key = voice.From; key < voice.From + 12; ++key) {
            const std::string file = std::string(KORVANI_CORPUS_DIR) + "/" + voice.Rendering + "/p" +
                                     std::to_string(voice.Program) + "_n" + std::to_string(key) + ".wav";
            if (std::filesystem::exists(file)) {
                ExpectFollowsTheShifts(file, folder);
                ++shifted;
                break;
            }
        }
    }
    // The sanitizer build renders a smaller sample (every 29th note), which
    // holds fewer of the voices' lowest notes.
    EXPECT_GE(shifted, KORVANI_CORPUS_STEP <= 7 ? 8 : 3) << "the rendered sample holds too few of the voices";
}

}  // namespace
