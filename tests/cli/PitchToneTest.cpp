// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/cli/FlatJson.h"
#include "tests/cli/PitchProcess.h"
#include "tests/cli/ToneFiles.h"

#include "tests/support/TempDir.h"

#include "analysis/NoteNaming.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// --auto on pure tones: every note from C (65 Hz) to c4 (2093 Hz) in steps of
// a major third, each detuned by up to a quarter tone, at each of the rates
// korvani meets. A pure tone has one partial, so the fundamental is its peak.

struct ToneRate {
    std::uint32_t Rate;
    std::uint16_t Bits;
};

void PrintTo(const ToneRate& tone, std::ostream* out) {
    *out << tone.Rate << " Hz, " << tone.Bits << " bit";
}

class PureTones : public ::testing::TestWithParam<ToneRate> {};

TEST_P(PureTones, AutoNamesEveryNote) {
    const auto [rate, bits] = GetParam();
    fixtures::TempDir folder;
    std::vector<std::string> arguments = {"--json"};
    std::vector<std::string> expected;
    const double detunings[] = {0.0, 24.0, -24.0, 12.0, -12.0};
    int index = 0;
    for (int note = 36; note <= 96; note += 4, ++index) {
        const double frequency = clitest::NoteHz(note, detunings[index % 5]);
        arguments.push_back(folder.Write("n" + std::to_string(note) + ".wav",
                                         clitest::SineWave(frequency, rate, bits, 1.0, 0.3 + 0.1 * (index % 4))));
        expected.push_back(NameNote(clitest::NoteHz(note)).Text);
    }
    const auto run = clitest::RunPitch(arguments);
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    const auto lines = clitest::Lines(run.Out);
    ASSERT_EQ(lines.size(), expected.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const clitest::FlatJson json(lines[i]);
        const std::string note = json.String("note_text");
        EXPECT_EQ(note.substr(0, note.find(' ')), expected[i]) << json.String("file") << " at " << rate << " Hz";
    }
}

INSTANTIATE_TEST_SUITE_P(Rates, PureTones,
                         ::testing::Values(ToneRate{8000, 16}, ToneRate{11025, 16}, ToneRate{22050, 16},
                                           ToneRate{44100, 16}, ToneRate{48000, 16}, ToneRate{11025, 8},
                                           ToneRate{44100, 8}),
                         [](const ::testing::TestParamInfo<ToneRate>& tone) {
                             return std::to_string(tone.param.Rate) + "Hz" + std::to_string(tone.param.Bits) + "bit";
                         });

}  // namespace
