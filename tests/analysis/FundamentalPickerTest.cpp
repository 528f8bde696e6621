// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/FundamentalPicker.h"

#include "tests/cli/ToneFiles.h"

#include "analysis/FrequencyAnalysis.h"
#include "analysis/NoteNaming.h"
#include "analysis/PeakLocation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace {

// Synthetic notes with known partials, run through the real analysis; the
// picker's bin is then climbed and named exactly as a click would be.

struct Partial {
    double Harmonic;  // multiple of the fundamental (stretched partials are not whole)
    double Level;     // amplitude relative to full scale
};

// One second of 16-bit samples summing the partials over `fundamental`,
// scaled down when the levels add up to more than 0.9 so that nothing clips.
std::vector<std::uint8_t> Tone(double fundamental, std::uint32_t sampleRate, const std::vector<Partial>& partials) {
    const double pi = std::acos(-1.0);
    double levels = 0.0;
    for (const Partial& partial : partials) {
        levels += partial.Level;
    }
    const double scale = 32767.0 * std::min(1.0, 0.9 / levels);
    std::vector<std::uint8_t> bytes;
    for (std::uint32_t n = 0; n < sampleRate; ++n) {
        double value = 0.0;
        for (std::size_t p = 0; p < partials.size(); ++p) {
            const double frequency = partials[p].Harmonic * fundamental;
            if (frequency < sampleRate / 2.0) {
                // Phases differ per partial, as in a recorded sound.
                value +=
                    partials[p].Level * std::sin(2.0 * pi * frequency * n / sampleRate + 0.7 * static_cast<double>(p));
            }
        }
        const auto word = static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(value * scale)));
        bytes.push_back(static_cast<std::uint8_t>(word & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(word >> 8));
    }
    return bytes;
}

// The analysis of `bytes` from the first sample.
class Analysed {
public:
    Analysed(const std::vector<std::uint8_t>& bytes, std::uint32_t sampleRate) {
        EXPECT_EQ(analysis_.Prepare(sampleRate, 16, static_cast<std::uint32_t>(bytes.size())), SetupResult::Ready);
        EXPECT_EQ(analysis_.ComputeSpectrum(bytes, 0), SpectrumResult::Computed);
    }

    FundamentalChoice Choice() const {
        return PickFundamental(analysis_.Magnitude.span(), analysis_.TransformSize, analysis_.SampleRate);
    }

    std::int32_t PickedBin() const {
        return PickFundamental(analysis_.Magnitude.span(), analysis_.TransformSize, analysis_.SampleRate).Bin;
    }

    // The note a click at the picked bin names, or the reason there is none.
    std::string PickedNote() const {
        const PeakLocation peak = analysis_.LocatePeak(PickedBin());
        if (peak.Outcome != PeakOutcome::Found) {
            return "no peak";
        }
        return NameNote(peak.Frequency).Text;
    }

    double BinOf(double frequency) const { return frequency * analysis_.TransformSize / analysis_.SampleRate; }

private:
    FrequencyAnalysis analysis_;
};

std::string NoteName(int midiNote) {
    return NameNote(clitest::NoteHz(midiNote)).Text;
}

struct Timbre {
    const char* Name;  // a test name: letters, digits and underscores
    std::vector<Partial> Partials;
};

void PrintTo(const Timbre& timbre, std::ostream* out) {
    *out << timbre.Name;
}

// Spectra where the strongest partial is not the fundamental, or where
// partials off the series tempt the picker away from it, each over the whole
// range from C (65 Hz) to c4 (2093 Hz) at 44100 and 11025 Hz.
const std::vector<Timbre> kTimbres = {
    {"PureSine", {{1, 0.8}}},
    {"OctaveStrongestWeakFundamental", {{1, 0.05}, {2, 0.6}, {3, 0.2}, {4, 0.1}, {5, 0.05}}},
    {"OddPartialsTwelfthStrongest", {{1, 0.2}, {2, 0.01}, {3, 0.5}, {4, 0.01}, {5, 0.15}, {7, 0.1}, {9, 0.05}}},
    {"BrightSixthStrongest", {{1, 0.1}, {2, 0.15}, {3, 0.2}, {4, 0.25}, {5, 0.3}, {6, 0.35}, {7, 0.2}, {8, 0.1}}},
    {"StiffStringSharpPartials",
     {{1, 0.15}, {2.002, 0.4}, {3.006, 0.25}, {4.012, 0.2}, {5.02, 0.1}, {6.03, 0.08}, {7.042, 0.05}}},
    // A struck bar: its own tone is the strongest, its overtones are not harmonic.
    {"StruckBarInharmonicOvertones", {{1, 0.6}, {2.71, 0.2}, {5.23, 0.03}, {8.39, 0.17}}},
    {"StruckBarAsLoudAsItsOvertone", {{1, 0.8}, {2.75, 0.3}, {5.3, 0.95}, {6.93, 0.3}}},
    // Organ ranks on F's octave and its twelfth, nothing on F's 5th and 7th partials.
    {"OrganOctaveAndTwelfthRanks",
     {{1, 0.5}, {2, 1.0}, {3, 0.8}, {4, 0.46}, {6, 0.31}, {8, 0.2}, {10, 0.1}, {12, 0.1}, {16, 0.05}}},
    // A 16-foot rank, nearly a pure tone, as loud as the 8-foot series above it.
    {"LoudSixteenFootRank", {{1, 0.5}, {2, 0.5}, {4, 0.25}, {6, 0.1}, {8, 0.05}}},
    // 16- and 32-foot ranks under an 8-foot series: two octaves down, one at a time.
    {"LoudSixteenAndThirtyTwoFootRanks",
     {{1, 0.3}, {2, 0.3}, {4, 1.0}, {8, 0.5}, {12, 0.4}, {16, 0.3}, {20, 0.2}, {24, 0.1}}},
    // A reed's noise: quiet partials between the harmonics (1.5, 3.5), not a series.
    {"ReedNoiseBetweenHarmonics",
     {{0.5, 0.006}, {1, 0.5}, {1.5, 0.008}, {2, 0.13}, {3, 0.045}, {3.5, 0.02}, {4, 0.06}, {5, 0.4}, {6, 0.07}}},
};

class PickerOnTimbres : public ::testing::TestWithParam<Timbre> {};

TEST_P(PickerOnTimbres, NamesTheFundamentalOfEveryNote) {
    for (const std::uint32_t rate : {44100U, 11025U}) {
        for (int note = 36; note <= 96; note += 5) {
            const Analysed analysed(Tone(clitest::NoteHz(note), rate, GetParam().Partials), rate);
            EXPECT_EQ(analysed.PickedNote(), NoteName(note)) << "note " << note << " at " << rate << " Hz";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Timbres, PickerOnTimbres, ::testing::ValuesIn(kTimbres),
                         [](const ::testing::TestParamInfo<Timbre>& timbre) { return std::string(timbre.param.Name); });

TEST(FundamentalPicker, NamesTheQuietEightFootUnderLouderFourAndTwoFootRanks) {
    // An organ registration: the 8-foot rank's partials 41 dB below the
    // strongest, under 4- and 2-foot ranks that put their strength on the
    // even partials. Only the 8-foot fundamental explains partials 1, 3, 5, 7.
    std::vector<Partial> organ;
    for (int h = 1; h <= 8; ++h) {
        organ.push_back({static_cast<double>(h), 0.004});
    }
    for (int j = 1; j <= 8; ++j) {
        organ.push_back({2.0 * j, 0.3 / j});  // 4 foot
    }
    for (int j = 1; j <= 4; ++j) {
        organ.push_back({4.0 * j, 0.3 / j});  // 2 foot
    }
    for (int note = 36; note <= 84; note += 4) {
        const Analysed analysed(Tone(clitest::NoteHz(note), 44100, organ), 44100);
        EXPECT_EQ(analysed.PickedNote(), NoteName(note)) << "note " << note;
    }
}

TEST(FundamentalPicker, StartsOnTheTopBinOfTheFundamentalPeak) {
    const double fundamental = clitest::NoteHz(45);  // A, 110 Hz
    const Analysed analysed(Tone(fundamental, 44100, {{1, 0.1}, {2, 0.7}, {3, 0.3}}), 44100);
    EXPECT_NEAR(analysed.PickedBin(), analysed.BinOf(fundamental), 0.5);
}

TEST(FundamentalPicker, WithoutAFundamentalPeakTheSeriesStillNamesIt) {
    // Partials 2 to 6 of 100 Hz and nothing at 100 Hz: the series names
    // 100 Hz, and the climb starts at its bin, not on 200 Hz or the stronger
    // partials above it.
    const Analysed analysed(Tone(100.0, 44100, {{2, 0.3}, {3, 0.5}, {4, 0.4}, {5, 0.3}, {6, 0.2}}), 44100);
    EXPECT_NEAR(analysed.Choice().Fundamental, 100.0, 0.2);
    EXPECT_NEAR(analysed.PickedBin(), analysed.BinOf(100.0), 0.5);
}

TEST(FundamentalPicker, IgnoresAWeakPeakBelowTheFundamental) {
    // A hum an octave and a half below does not pull the answer down.
    const double fundamental = clitest::NoteHz(57);  // a, 220 Hz
    std::vector<Partial> partials = {{1, 0.3}, {2, 0.5}, {3, 0.2}, {4, 0.1}, {0.34, 0.003}};
    const Analysed analysed(Tone(fundamental, 44100, partials), 44100);
    EXPECT_EQ(analysed.PickedNote(), NoteName(57));
}

TEST(FundamentalPicker, SilenceFallsBackToTheStrongestBin) {
    const std::vector<double> silence(4096, 0.0);
    EXPECT_EQ(PickFundamental(silence, 8192, 11025).Bin, 2);
}

TEST(FundamentalPicker, AnEmptyOrTinySpectrumGivesAValidBin) {
    EXPECT_EQ(PickFundamental({}, 8192, 11025).Bin, 0);
    const std::vector<double> two = {5.0, 1.0};
    EXPECT_EQ(PickFundamental(two, 4, 11025).Bin, 1);
}

TEST(StrongestBin, SkipsTheConstantOffsetInBinsZeroAndOne) {
    const std::vector<double> magnitude = {900.0, 450.0, 3.0, 7.0, 7.0, 2.0};
    EXPECT_EQ(StrongestBin(magnitude), 3);  // the lowest of two equal maxima
    EXPECT_EQ(StrongestBin({}), 0);
}

}  // namespace

namespace {

// The mixed reading of korvani-pitch goes through ComputeSpectrumOfValues:
// on a mono file's values it must give ComputeSpectrum's very magnitudes.
TEST(SpectrumOfValues, GivesTheMagnitudesOfTheBytesBitForBit) {
    const std::vector<std::uint8_t> bytes = Tone(clitest::NoteHz(57), 22050, {{1, 0.4}, {2, 0.3}, {3, 0.1}});
    std::vector<double> values;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        values.push_back(static_cast<std::int16_t>(static_cast<std::uint16_t>(bytes[i] | bytes[i + 1] << 8)));
    }
    FrequencyAnalysis fromBytes;
    FrequencyAnalysis fromValues;
    ASSERT_EQ(fromBytes.Prepare(22050, 16, static_cast<std::uint32_t>(bytes.size())), SetupResult::Ready);
    ASSERT_EQ(fromValues.Prepare(22050, 16, static_cast<std::uint32_t>(bytes.size())), SetupResult::Ready);
    for (const std::int64_t start : {0, 15000}) {  // the second wraps to the start before N values
        ASSERT_EQ(fromBytes.ComputeSpectrum(bytes, start), SpectrumResult::Computed);
        ASSERT_EQ(fromValues.ComputeSpectrumOfValues(values, start), SpectrumResult::Computed);
        const auto a = fromBytes.Magnitude.span();
        const auto b = fromValues.Magnitude.span();
        EXPECT_TRUE(std::equal(a.begin(), a.end(), b.begin(), b.end())) << "start " << start;
    }
}

}  // namespace
