// SPDX-License-Identifier: GPL-3.0-or-later
// korvani-pitch for sample libraries: the reference A and the cents, the
// sampler's tuning chunk read back by libsndfile, folders as CSV tables and
// the same output from any number of jobs.
#include "tests/cli/FlatJson.h"
#include "tests/cli/PitchProcess.h"
#include "tests/cli/ToneFiles.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using clitest::FlatJson;
using clitest::Lines;
using clitest::RunPitch;
using fixtures::Bytes;

struct ReferenceCase {
    double Hz;           // the tone
    const char* A4;      // --a4, or "" for none
    const char* Note;    // the note text expected
    int SemitonesFromA;  // the note, counted from the reference A
    double Cents;        // expected within the analysis' own error
};

// Each row: the note named on the scale of its reference, the cents from that
// note, the rate that brings the measured peak onto it.
TEST(PitchReference, NamesTheNoteCentsAndRateOnTheScaleOfTheReference) {
    const double semitone50 = std::pow(2.0, 1.0 / 24.0);
    const std::vector<ReferenceCase> cases = {
        {437.0, "", "a1 (440.0 Hz)", 0, -11.8},
        {415.0, "415", "a1 (415.0 Hz)", 0, 0.0},
        {440.0, "415", "a#1 (439.7 Hz)", 1, 1.0},
        {443.0, "443", "a1 (443.0 Hz)", 0, 0.0},
        {440.0, "443", "a1 (443.0 Hz)", 0, -11.8},
        {261.0, "443", "c1 (263.4 Hz)", -9, -15.7},
        // Half way between two semitones the nearer note in Hz is the lower.
        {415.0 * semitone50, "415", "a1 (415.0 Hz)", 0, 50.0},
        {443.0 * semitone50, "443", "a1 (443.0 Hz)", 0, 50.0},
    };
    fixtures::TempDir folder;
    for (const ReferenceCase& row : cases) {
        SCOPED_TRACE(std::to_string(row.Hz) + " Hz, A = " + row.A4);
        const std::string path = folder.Write("tone.wav", clitest::SineWave(row.Hz, 44100, 16, 1.0));
        std::vector<std::string> arguments{"--json", path};
        const double a4 = *row.A4 ? std::stod(row.A4) : 440.0;
        if (*row.A4) {
            arguments.insert(arguments.begin(), {"--a4", row.A4});
        }
        const auto run = RunPitch(arguments);
        ASSERT_EQ(run.ExitStatus, 0) << run.Err;
        const FlatJson json(run.Out);
        EXPECT_EQ(json.String("note_text"), row.Note);
        const double note = a4 * std::pow(2.0, row.SemitonesFromA / 12.0);
        EXPECT_NEAR(json.Number("note_frequency"), note, note * 1e-12);
        EXPECT_EQ(json.Number("a4"), a4);
        const double frequency = json.Number("pitch");  // --auto names the tuning estimate
        EXPECT_EQ(json.Number("cents"), std::round(1200.0 * std::log2(frequency / note) * 10.0) / 10.0);
        EXPECT_NEAR(json.Number("cents"), row.Cents, 0.5);
        EXPECT_NEAR(json.Number("rate"), 44100.0 * note / frequency, 1.0);

        // The text says the same, the cents signed with one decimal.
        arguments.erase(std::find(arguments.begin(), arguments.end(), "--json"));
        const auto text = RunPitch(arguments);
        const std::vector<std::string> lines = Lines(text.Out);
        EXPECT_EQ(lines.at(9), std::string("corresponding note: ") + row.Note);
        char cents[32];
        std::snprintf(cents, sizeof cents, "cents: %+.1f", json.Number("cents"));
        EXPECT_EQ(lines.at(10), cents);
        EXPECT_EQ(lines.at(11), "proposed sample rate: " + json["rate"].Text);
    }
    const std::string path = folder.Write("tone.wav", clitest::SineWave(437.0, 44100, 16, 1.0));
    EXPECT_EQ(RunPitch({"--a4", "440", path}).Out, RunPitch({path}).Out);
    EXPECT_EQ(FlatJson(RunPitch({"--json", path}).Out)["a4"].Text, "440");
    for (const char* refused : {"399.9", "480.5", "x"}) {
        EXPECT_EQ(RunPitch({"--a4", refused, path}).ExitStatus, 2) << refused;
    }
    for (const char* accepted : {"400", "480"}) {  // the help's bounds belong to the range
        const auto run = RunPitch({"--json", "--a4", accepted, path});
        EXPECT_EQ(run.ExitStatus, 0) << accepted;
        EXPECT_EQ(FlatJson(run.Out)["a4"].Text, accepted);
    }
}

Bytes Le32(std::uint32_t value) {
    Bytes bytes;
    fixtures::AppendLe32(bytes, value);
    return bytes;
}

// A "smpl" chunk with a unity note of 60, no fraction and the given loops
// (start, end pairs), each loop with its type and play count set.
Bytes SmplChunkBody(const std::vector<std::pair<std::uint32_t, std::uint32_t>>& loops) {
    Bytes body;
    for (const std::uint32_t field : {7U, 9U, 22676U, 60U, 0U, 0U, 0U, static_cast<std::uint32_t>(loops.size()), 0U}) {
        fixtures::AppendLe32(body, field);
    }
    for (std::size_t i = 0; i < loops.size(); ++i) {
        for (const std::uint32_t field : {static_cast<std::uint32_t>(i), 0U, loops[i].first, loops[i].second, 0U, 0U}) {
            fixtures::AppendLe32(body, field);
        }
    }
    return body;
}

// Where the chunk `id` begins in a RIFF file, walking the chunks.
std::size_t ChunkAt(const Bytes& file, const std::string& id) {
    for (std::size_t at = 12; at + 8 <= file.size();) {
        if (std::string(file.begin() + static_cast<std::ptrdiff_t>(at),
                        file.begin() + static_cast<std::ptrdiff_t>(at) + 4) == id) {
            return at;
        }
        const std::uint32_t size = fixtures::ReadLe32(file, at + 4);
        at += 8 + size + (size & 1U);
    }
    return std::string::npos;
}

struct SmplCase {
    const char* Name;
    Bytes Source;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> Loops;  // the loops the copy must keep
    std::size_t Trailing = 0;                                    // bytes at the end of the source, after its RIFF form
};

// The copy's tuning as libsndfile reads it: the base note the sampler plays
// the sample at, and the loops untouched; the fraction read from the chunk.
TEST(PitchSamplerChunk, CarriesTheUnityNoteAndFractionAndKeepsEverythingElse) {
    using fixtures::FmtFields;
    using fixtures::RiffBuilder;
    const Bytes samples = clitest::SineSamples(437.0, 44100, 16, 1.0);
    const FmtFields fmt = FmtFields::Pcm(1, 44100, 16);
    const std::vector<std::pair<std::uint32_t, std::uint32_t>> twoLoops = {{1000, 21000}, {22000, 40000}};
    const std::vector<SmplCase> cases = {
        {"no chunk", fixtures::PcmWave(1, 44100, 16, samples), {}},
        {"two loops", RiffBuilder().Fmt(fmt).Data(samples).Chunk("smpl", SmplChunkBody(twoLoops)).Build(), twoLoops},
        {"odd chunk before it",
         RiffBuilder()
             .Fmt(fmt)
             .Chunk("note", Bytes{'o', 'd', 'd'})
             .Chunk("smpl", SmplChunkBody(twoLoops))
             .Data(samples)
             .Build(),
         twoLoops},
        {"odd last chunk unpadded",
         RiffBuilder().Fmt(fmt).Data(samples).ChunkClaiming("note", Bytes{'o', 'd', 'd'}, 3).Build(),
         {}},
        {"odd form, then a byte after it",
         [&] {
             Bytes form = RiffBuilder().Fmt(fmt).Data(samples).ChunkClaiming("note", Bytes{'o', 'd', 'd'}, 3).Build();
             form.push_back('x');
             return form;
         }(),
         {},
         1},
    };
    fixtures::TempDir folder;
    for (const SmplCase& row : cases) {
        SCOPED_TRACE(row.Name);
        const std::string source = folder.Write("source.wav", row.Source);
        const std::string target = folder.PathOf("tuned.wav");
        const auto run = RunPitch({"--json", "--smpl", target, source});
        ASSERT_EQ(run.ExitStatus, 0) << run.Err;
        const FlatJson json(run.Out);
        const double note = 69.0 + 12.0 * std::log2(json.Number("pitch") / 440.0);  // --auto's tuning estimate
        const auto& written = json["smpl"].Json;
        EXPECT_EQ(written["unity_note"], 68);

        SF_INFO info{};
        SNDFILE* sound = sf_open(target.c_str(), SFM_READ, &info);
        ASSERT_NE(sound, nullptr) << sf_strerror(nullptr);
        SF_INSTRUMENT instrument{};
        ASSERT_EQ(sf_command(sound, SFC_GET_INSTRUMENT, &instrument, sizeof instrument), SF_TRUE);
        EXPECT_EQ(info.samplerate, 44100);
        EXPECT_EQ(instrument.basenote, 68);
        ASSERT_EQ(instrument.loop_count, static_cast<int>(row.Loops.size()));
        for (std::size_t i = 0; i < row.Loops.size(); ++i) {
            EXPECT_EQ(instrument.loops[i].start, row.Loops[i].first);
            EXPECT_EQ(instrument.loops[i].end, row.Loops[i].second + 1);  // libsndfile counts the end exclusive
        }
        sf_close(sound);

        const Bytes copy = fixtures::ReadBytes(target);
        const std::size_t chunk = ChunkAt(copy, "smpl");
        ASSERT_NE(chunk, std::string::npos);
        const std::uint32_t fraction = fixtures::ReadLe32(copy, chunk + 8 + 16);
        EXPECT_EQ(written["pitch_fraction"], fraction);
        const std::string line = Lines(RunPitch({"--smpl", target, source}).Out).back();
        const std::string shown = "sampler copy: " + target + " (unity note 68, fraction ";
        ASSERT_EQ(line.substr(0, shown.size()), shown);
        EXPECT_NEAR(std::stod(line.substr(shown.size())), fraction / 0x1p32, 0.0005 + 1e-12);  // three decimals
        EXPECT_NEAR(fraction / 0x1p32, note - 68.0, 1e-9);
        EXPECT_NEAR(fraction / 0x1p32, 0.88, 0.01);
        EXPECT_EQ(fixtures::ReadLe32(copy, 4), copy.size() - row.Trailing - 8);
        // Every byte but the unity note and fraction stays; a new chunk follows the form (after a pad
        // byte when the form ends on an odd offset), the bytes after the form follow it.
        Bytes expected(row.Source.begin(), row.Source.end() - static_cast<std::ptrdiff_t>(row.Trailing));
        if (row.Loops.empty()) {
            if (expected.size() % 2 != 0) {
                expected.push_back(0);
            }
            for (const char c : std::string("smpl")) {
                expected.push_back(static_cast<std::uint8_t>(c));
            }
            for (const std::uint32_t field : {36U, 0U, 0U, 22676U, 0U, 0U, 0U, 0U, 0U, 0U}) {
                const Bytes le = Le32(field);
                expected.insert(expected.end(), le.begin(), le.end());
            }
            const Bytes riffSize = Le32(static_cast<std::uint32_t>(expected.size() - 8));
            std::copy(riffSize.begin(), riffSize.end(), expected.begin() + 4);
        }
        expected.insert(expected.end(), row.Source.end() - static_cast<std::ptrdiff_t>(row.Trailing), row.Source.end());
        std::copy(copy.begin() + static_cast<std::ptrdiff_t>(chunk) + 20,
                  copy.begin() + static_cast<std::ptrdiff_t>(chunk) + 28,
                  expected.begin() + static_cast<std::ptrdiff_t>(chunk) + 20);
        EXPECT_EQ(copy, expected);
    }
}

// A pitch a hair below a note is that note with no fraction (the fraction
// rounds up to a whole semitone), not the semitone below with a full one.
TEST(PitchSamplerChunk, APitchWithinRoundingOfANoteCarriesIntoIt) {
    fixtures::TempDir folder;
    const std::string source = folder.Write("source.wav", clitest::SineWave(437.0, 44100, 16, 1.0));
    // The sampler's tuning follows the pitch korvani-pitch names.
    const double frequency = FlatJson(RunPitch({"--json", source}).Out).Number("pitch");
    struct Row {
        double A4Above;  // how much higher the reference A lies than the measured tone, relatively
        std::uint32_t UnityNote;
        double Fraction;
    };
    for (const Row& row : {Row{1e-12, 69, 0}, Row{-1e-12, 69, 0}, Row{1e-9, 68, 4294967222.0}, Row{-1e-9, 69, 74.0}}) {
        SCOPED_TRACE(row.A4Above);
        char a4[40];
        std::snprintf(a4, sizeof a4, "%.17g", frequency * (1.0 + row.A4Above));
        const auto run = RunPitch({"--json", "--a4", a4, "--smpl", folder.PathOf("tuned.wav"), source});
        ASSERT_EQ(run.ExitStatus, 0) << run.Err;
        const FlatJson json(run.Out);
        const auto& written = json["smpl"].Json;
        EXPECT_EQ(written["unity_note"], row.UnityNote);
        EXPECT_NEAR(written["pitch_fraction"].get<double>(), row.Fraction, 1.0);
    }
}

// MIDI's highest note, 127, takes a chunk; a tone above it none.
TEST(PitchSamplerChunk, TheHighestNoteIsTheLastThatTakesAChunk) {
    fixtures::TempDir folder;
    for (const auto& [hz, unityNote] : {std::pair{12600.0, 127}, std::pair{13400.0, -1}}) {
        SCOPED_TRACE(hz);
        const std::string source = folder.Write("high.wav", clitest::SineWave(hz, 44100, 16, 1.0));
        const std::string target = folder.PathOf("tuned.wav");
        const auto run = RunPitch({"--json", "--smpl", target, source});
        EXPECT_EQ(run.ExitStatus, unityNote < 0 ? 1 : 0) << run.Err;
        EXPECT_EQ(std::filesystem::exists(target), unityNote >= 0);
        if (unityNote >= 0) {
            EXPECT_EQ(FlatJson(run.Out)["smpl"].Json["unity_note"], unityNote);
        }
        std::filesystem::remove(target);
    }
}

// The fields of an RFC 4180 text, row by row (rows end in CR LF).
std::vector<std::vector<std::string>> ReadCsv(const std::string& text) {
    std::vector<std::vector<std::string>> rows(1, std::vector<std::string>(1));
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted && c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
            rows.back().back() += c;
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && c == ',') {
            rows.back().emplace_back();
        } else if (!quoted && c == '\r' && text.compare(i, 2, "\r\n") == 0) {
            rows.emplace_back(1);
            ++i;
        } else if (!quoted && (c == '\r' || c == '\n')) {
            ADD_FAILURE() << "a line break outside quotes at byte " << i;
        } else {
            rows.back().back() += c;
        }
    }
    rows.pop_back();  // after the last CR LF
    return rows;
}

class PitchFolder : public ::testing::Test {
protected:
    void SetUp() override {
        namespace fs = std::filesystem;
        fs::create_directories(folder_.PathOf("lib/sub/deeper"));
        fs::create_directories(folder_.PathOf("lib/empty"));
        fs::create_directories(folder_.PathOf("lib/folder.wav"));  // a folder, not a WAV file
        const Bytes tone = clitest::SineWave(437.0, 22050, 16, 0.5);
        for (const char* name : {"lib/b.WAV", "lib/a.wav", "lib/sub/deeper/c.wav", "lib/sub/d.Wav",
                                 "lib/with, \"quotes\".wav", "single.wav", "lib/sub.wav", "lib/cr\r.wav"}) {
            folder_.Write(name, tone);
        }
        folder_.Write("lib/notes.txt", Bytes{'n', 'o'});
        folder_.Write("lib/sub/tone.wav.bak", tone);
        folder_.Write("lib/broken.wav", Bytes{'n', 'o'});
        folder_.Write("lib/sub/cut.wav", Bytes(tone.begin(), tone.begin() + 30));
    }

    fixtures::TempDir folder_;
};

TEST_F(PitchFolder, IsWalkedInSortedOrderIntoOneCsvRowPerWavFile) {
    const auto run = RunPitch({"--csv", folder_.PathOf("lib"), folder_.PathOf("single.wav")});
    EXPECT_EQ(run.ExitStatus, 1);
    const auto rows = ReadCsv(run.Out);
    ASSERT_EQ(rows.size(), 11U) << run.Out;
    const std::vector<std::string>& header = rows[0];
    EXPECT_EQ(header.at(0), "file");
    const auto column = [&](const std::string& key) {
        return static_cast<std::size_t>(std::find(header.begin(), header.end(), key) - header.begin());
    };
    struct Row {
        const char* File;
        const char* Errors;  // empty for a result
    };
    const std::vector<Row> expected = {
        {"lib/a.wav", ""},
        {"lib/b.WAV", ""},
        {"lib/broken.wav", "not an audio file"},
        {"lib/cr\r.wav", ""},
        {"lib/sub/cut.wav", "*"},
        {"lib/sub/d.Wav", ""},
        {"lib/sub/deeper/c.wav", ""},
        {"lib/sub.wav", ""},  // after the folder of the same name: paths compare name by name
        {"lib/with, \"quotes\".wav", ""},
        {"single.wav", ""},
    };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const std::vector<std::string>& row = rows[i + 1];
        SCOPED_TRACE(expected[i].File);
        ASSERT_EQ(row.size(), header.size());
        EXPECT_EQ(row[column("file")], folder_.PathOf(expected[i].File));
        const std::string errors = expected[i].Errors;
        if (errors.empty()) {
            EXPECT_EQ(row[column("errors")], "");
            EXPECT_EQ(row[column("note_text")], "a1 (440.0 Hz)");
            EXPECT_NEAR(std::stod(row[column("cents")]), -11.8, 2.0);  // a short tone, a coarse transform
            EXPECT_EQ(row[column("a4")], "440");
        } else {
            EXPECT_NE(row[column("errors")], "");
            EXPECT_EQ(row[column("note_text")], "");
            if (errors != "*") {
                EXPECT_EQ(row[column("errors")], errors);
            }
        }
    }
    EXPECT_NE(run.Out.find("\r\n\"" + folder_.PathOf("lib/with, \"\"quotes\"\".wav") + "\","), std::string::npos);
}

// Each failure of a file is one entry of its errors: a pair each in JSON,
// "; " between them in CSV.
TEST_F(PitchFolder, EveryFailureOfAFileIsOneEntryOfItsErrors) {
    const std::string retuned = folder_.PathOf("none/retuned.wav");
    const std::string tuned = folder_.PathOf("none/tuned.wav");
    const std::vector<std::string> copies = {"--retune", retuned, "--smpl", tuned, folder_.PathOf("single.wav")};
    std::vector<std::string> arguments = {"--csv"};
    arguments.insert(arguments.end(), copies.begin(), copies.end());
    const auto csv = RunPitch(arguments);
    EXPECT_EQ(csv.ExitStatus, 1);
    const auto rows = ReadCsv(csv.Out);
    ASSERT_EQ(rows.size(), 2U) << csv.Out;
    const auto errors = std::find(rows[0].begin(), rows[0].end(), "errors") - rows[0].begin();
    const std::string cell = rows[1].at(static_cast<std::size_t>(errors));
    const std::size_t between = cell.find("; ");
    ASSERT_NE(between, std::string::npos) << cell;
    EXPECT_NE(cell.substr(0, between).find(retuned), std::string::npos) << cell;
    EXPECT_NE(cell.substr(between + 2).find(tuned), std::string::npos) << cell;

    arguments[0] = "--json";
    EXPECT_EQ(FlatJson(RunPitch(arguments).Out)["errors"].Pairs.size(), 2U);
}

TEST_F(PitchFolder, AnyNumberOfJobsGivesTheSameOutput) {
    for (const char* format : {"--csv", "--json", "--spectrum"}) {
        const auto one = RunPitch({format, "-j", "1", folder_.PathOf("lib"), folder_.PathOf("single.wav")});
        const auto four = RunPitch({format, "-j4", folder_.PathOf("lib"), folder_.PathOf("single.wav")});
        EXPECT_EQ(one.ExitStatus, 1);
        EXPECT_EQ(four.ExitStatus, one.ExitStatus);
        EXPECT_EQ(four.Out, one.Out) << format;
        EXPECT_EQ(four.Err, one.Err) << format;
    }
}

TEST_F(PitchFolder, CopiesGoIntoATargetFolderUnderTheirPathsInTheWalk) {
    namespace fs = std::filesystem;
    const std::string tuned = folder_.PathOf("tuned");
    const std::string retuned = folder_.PathOf("retuned");
    fs::create_directory(tuned);
    fs::create_directory(retuned);
    EXPECT_EQ(RunPitch({"--smpl", folder_.PathOf("missing"), folder_.PathOf("lib")}).ExitStatus, 2);
    const auto run = RunPitch(
        {"-j", "3", "--smpl", tuned, "--retune", retuned + "/", folder_.PathOf("lib"), folder_.PathOf("single.wav")});
    EXPECT_EQ(run.ExitStatus, 1);
    for (const std::string& out : {tuned, retuned}) {
        std::vector<std::string> written;
        for (const auto& entry : fs::recursive_directory_iterator(out)) {
            if (entry.is_regular_file()) {
                written.push_back(fs::relative(entry.path(), out).string());
            }
        }
        std::sort(written.begin(), written.end());
        EXPECT_EQ(written, (std::vector<std::string>{"a.wav", "b.WAV", "cr\r.wav", "single.wav", "sub.wav", "sub/d.Wav",
                                                     "sub/deeper/c.wav", "with, \"quotes\".wav"}));
    }
}

}  // namespace
