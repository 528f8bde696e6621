#include "FlatJson.h"
#include "InstrumentCorpus.h"
#include "PitchProcess.h"

#include "NoteNaming.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <future>
#include <string>
#include <vector>

namespace {

// korvani-pitch --auto on the rendered instrument notes (render-corpus.sh):
// the share of notes named right, per instrument and overall. The notes are
// named as the key played: the note whose frequency the MIDI number gives.

struct Share {
    int Right = 0;
    int Total = 0;
    std::vector<std::string> Wrong;  // "file: got"
};

// Runs one korvani-pitch over every note of one instrument at one rate.
Share NameNotes(const clitest::Instrument& instrument, std::uint32_t rate)
{
    std::vector<std::string> arguments = {"--json"};
    for (int note = clitest::kLowestNote; note <= clitest::kHighestNote; ++note) {
        arguments.push_back(std::string(KORVANI_CORPUS_DIR) + "/" + clitest::CorpusFile(rate, instrument.Program, note));
    }
    const auto run = clitest::RunPitch(arguments);
    const auto lines = clitest::Lines(run.Out);
    Share share;
    for (int note = clitest::kLowestNote; note <= clitest::kHighestNote; ++note) {
        ++share.Total;
        const std::size_t index = static_cast<std::size_t>(note - clitest::kLowestNote);
        if (index >= lines.size()) {
            share.Wrong.push_back(arguments[index + 1] + ": no result line");
            continue;
        }
        const clitest::FlatJson json(lines[index]);
        const std::string expected = NameNote(440.0 * std::pow(2.0, (note - 69) / 12.0)).Text;
        const std::string got = json.Keys().size() > 2 ? json.String("note_text") : "(failed)";
        if (got.substr(0, got.find(' ')) == expected) {
            ++share.Right;
        } else {
            share.Wrong.push_back(json.String("file") + ": " + got + ", not " + expected);
        }
    }
    return share;
}

TEST(InstrumentCorpus, AutoNamesAtLeastNinetyEightPercentOfTheNotesRight)
{
    std::vector<std::future<Share>> runs;
    for (const clitest::Instrument& instrument : clitest::kInstruments) {
        for (const std::uint32_t rate : clitest::kCorpusRates) {
            runs.push_back(std::async(std::launch::async, NameNotes, instrument, rate));
        }
    }
    int right = 0;
    int total = 0;
    std::size_t run = 0;
    std::printf("%-20s %9s %9s\n", "instrument", "44100 Hz", "22050 Hz");
    for (const clitest::Instrument& instrument : clitest::kInstruments) {
        std::string row;
        for (std::size_t r = 0; r < clitest::kCorpusRates.size(); ++r) {
            const Share share = runs[run++].get();
            right += share.Right;
            total += share.Total;
            char cell[32];
            std::snprintf(cell, sizeof cell, " %9s", (std::to_string(share.Right) + "/" + std::to_string(share.Total)).c_str());
            row += cell;
            for (const std::string& wrong : share.Wrong) {
                std::printf("  wrong: %s\n", wrong.c_str());
            }
            ::testing::Test::RecordProperty(std::string(instrument.Name) + "_" +
                                                std::to_string(clitest::kCorpusRates[r]),
                                            std::to_string(share.Right) + "/" + std::to_string(share.Total));
        }
        std::printf("%-20s %s\n", instrument.Name, row.c_str());
    }
    const double overall = static_cast<double>(right) / total;
    std::printf("overall: %d of %d notes right (%.2f %%)\n", right, total, 100.0 * overall);
    ::testing::Test::RecordProperty("overall", std::to_string(right) + "/" + std::to_string(total));
    EXPECT_EQ(total, static_cast<int>(clitest::kInstruments.size() * clitest::kCorpusRates.size() * 61));
    EXPECT_GE(overall, 0.98);
}

}  // namespace
