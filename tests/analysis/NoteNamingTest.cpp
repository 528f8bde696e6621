// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/analysis/AnalysisTestSupport.h"

#include "analysis/NoteNaming.h"

#include <array>
#include <cmath>
#include <limits>
#include <ostream>
#include <string>

namespace {

struct NoteRow {
    double Frequency;
    const char* Text;
    double NoteFrequency;
};

void PrintTo(const NoteRow& row, std::ostream* out) {
    *out << row.Frequency << " Hz -> " << row.Text << " (" << row.NoteFrequency << " Hz)";
}

class NoteTable : public ::testing::TestWithParam<NoteRow> {};

TEST_P(NoteTable, NamesTheNearestNote) {
    const NoteRow row = GetParam();
    const NamedNote note = NameNote(row.Frequency);
    EXPECT_EQ(note.Text, row.Text) << row.Frequency << " Hz";
    // The table gives four decimals.
    EXPECT_TRUE(RelativelyNear(note.Frequency, row.NoteFrequency, 0.0, 5e-5)) << row.Frequency << " Hz";
}

INSTANTIATE_TEST_SUITE_P(KnownFrequencies, NoteTable,
                         ::testing::Values(NoteRow{440.0, "a1", 440.0}, NoteRow{261.6, "c1", 261.6256},
                                           NoteRow{27.5, "A2", 27.5}, NoteRow{4186, "c5", 4186.0090},
                                           NoteRow{100.0, "G", 97.9989}, NoteRow{50.0, "G1", 48.9994},
                                           NoteRow{1000.0, "b2", 987.7666}, NoteRow{16.3516, "C2", 16.3516},
                                           NoteRow{16.3515, "too low!", 0.0}, NoteRow{31.79, "C1", 32.7032},
                                           NoteRow{453.08, "a1", 440.0}, NoteRow{453.09, "a#1", 466.1638},
                                           NoteRow{8137.07, "b5", 7902.1328},
                                           NoteRow{8137.08, "too high!", 8372.0181}));

TEST(NameNote, UsesTheLowestCFromThePowerFunction) {
    EXPECT_TRUE(RelativelyNear(NameNote(16.36).Frequency, 16.351597831287418, 1e-15));
    EXPECT_TRUE(RelativelyNear(NameNote(440.0).Frequency, 440.0, 1e-15));
}

TEST(NameNote, WritesEveryNoteOfEveryOctave) {
    const std::array<const char*, 12> upper = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    const std::array<const char*, 12> lower = {"c", "c#", "d", "d#", "e", "f", "f#", "g", "g#", "a", "a#", "b"};
    const std::array<const char*, 9> marks = {"2", "1", "", "", "1", "2", "3", "4", "5"};
    const double lowestC = 16.351597831287418;
    for (int octave = 0; octave < 9; ++octave) {
        for (int semitone = 0; semitone < 12; ++semitone) {
            const double exact = lowestC * std::pow(2.0, octave + semitone / 12.0);
            const std::string expected = std::string(octave < 3 ? upper[static_cast<std::size_t>(semitone)]
                                                                : lower[static_cast<std::size_t>(semitone)]) +
                                         marks[static_cast<std::size_t>(octave)];
            // A little off the note either way still names it.
            for (const double detune : {0.99, 1.0, 1.01}) {
                if (octave == 0 && semitone == 0 && detune < 1.0) {
                    continue;  // below the lowest C: too low
                }
                const NamedNote note = NameNote(exact * detune);
                EXPECT_EQ(note.Text, expected) << exact * detune << " Hz";
                EXPECT_TRUE(RelativelyNear(note.Frequency, exact, 1e-12)) << exact * detune << " Hz";
            }
        }
    }
}

TEST(NameNote, GivesTheUpperNoteHalfWayBetweenTwo) {
    // Notes are stepped up from C by the ratio 2^(1/12); where the mean of two
    // neighbours lies exactly as far from both in doubles, the upper one wins.
    const double ratio = std::pow(2.0, 1.0 / 12.0);
    int ties = 0;
    for (int octave = 0; octave < 9; ++octave) {
        double upper = std::ldexp(16.351597831287418, octave);
        for (int semitone = 1; semitone <= 12; ++semitone) {
            upper *= ratio;
            const double lower = upper / ratio;
            const double middle = lower + (upper - lower) / 2;
            if (upper - middle != middle - lower || NameNote(upper).Text == "too high!") {
                continue;
            }
            ++ties;
            EXPECT_EQ(NameNote(middle).Text, NameNote(upper).Text) << middle << " Hz";
            EXPECT_NE(NameNote(middle).Text, NameNote(lower).Text) << middle << " Hz";
        }
    }
    EXPECT_GT(ties, 10);
}

TEST(NameNote, HandlesFrequenciesOutsideTheScale) {
    EXPECT_EQ(NameNote(20000.0).Text, "too high!");
    EXPECT_GT(NameNote(20000.0).Frequency, 19000.0);
    for (const double frequency : {0.0, -440.0, 1.0, std::numeric_limits<double>::quiet_NaN()}) {
        const NamedNote note = NameNote(frequency);
        EXPECT_EQ(note.Text, "too low!") << frequency;
        EXPECT_EQ(note.Frequency, 0.0) << frequency;
    }
    const NamedNote infinite = NameNote(std::numeric_limits<double>::infinity());
    EXPECT_EQ(infinite.Text, "too high!");
    EXPECT_EQ(infinite.Frequency, 0.0);
    EXPECT_EQ(NameNote(std::numeric_limits<double>::max()).Text, "too high!");
}

}  // namespace
