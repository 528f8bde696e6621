// SPDX-License-Identifier: GPL-3.0-or-later
// korvani-pitch's outputs under fire: closed and full streams, signals during
// parallel copies, copies of sources with odd RIFF sizes, colliding copies,
// long names, names and cells that would forge lines or formulas, and the
// progress line on a terminal.
#include "tests/cli/PitchProcess.h"
#include "tests/cli/StreamProcess.h"
#include "tests/cli/ToneFiles.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <sys/wait.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using clitest::Lines;
using clitest::RunWithStreams;
using clitest::Stream;
using fixtures::Bytes;

constexpr std::size_t kRateOffset = fixtures::kCanonicalFmtDataOffset + 4;

// `source` as a retune to `rate` writes it: the rate and byte-rate fields
// changed, nothing else.
Bytes RetunedBytes(Bytes source, std::uint32_t rate) {
    const std::uint32_t byteRate = rate * fixtures::ReadLe16(source, 32);
    for (int i = 0; i < 4; ++i) {
        source[kRateOffset + i] = static_cast<std::uint8_t>(rate >> (8 * i));
        source[kRateOffset + 4 + i] = static_cast<std::uint8_t>(byteRate >> (8 * i));
    }
    return source;
}

// The names under `folder` that a copy in progress leaves while it runs.
std::vector<std::string> TemporaryFiles(const std::string& folder) {
    std::vector<std::string> left;
    for (const std::string& name : fixtures::Listing(folder)) {
        if (name.starts_with(".korvani-")) {
            left.push_back(name);
        }
    }
    return left;
}

struct StreamCase {
    const char* Name;
    Stream Out;
    Stream Err;
    const char* Message;  // what standard error says, when the test reads it
};

// A folder of tones and one file that fails, retuned on two jobs: whatever
// happens to the outputs, each copy is exactly the retune of its source, no
// text lands in one, and a lost output makes the run fail.
TEST(PitchOutputStreams, AClosedOrFullStreamFailsTheRunAndLeavesEveryCopyExact) {
    const std::vector<StreamCase> cases = {
        {"stdout closed", Stream::Closed, Stream::Pipe, "korvani-pitch: write error: Bad file descriptor\n"},
        {"stdout full", Stream::Full, Stream::Pipe, "korvani-pitch: write error: No space left on device\n"},
        {"stderr closed", Stream::Pipe, Stream::Closed, ""},
        {"stderr full", Stream::Pipe, Stream::Full, ""},
        {"both closed", Stream::Closed, Stream::Closed, ""},
    };
    fixtures::TempDir folder;
    fs::create_directory(folder.PathOf("lib"));
    const Bytes tone = clitest::SineWave(440.0, 44100, 16, 0.5);
    for (int i = 0; i < 8; ++i) {
        folder.Write("lib/b0" + std::to_string(i) + ".wav", tone);
    }
    folder.Write("lib/b03x.wav", Bytes{'n', 'o', 't'});  // fails: an error line
    for (const StreamCase& row : cases) {
        for (int repeat = 0; repeat < 4; ++repeat) {
            SCOPED_TRACE(std::string(row.Name) + ", run " + std::to_string(repeat));
            fs::remove_all(folder.PathOf("out"));
            fs::create_directory(folder.PathOf("out"));
            const auto run =
                RunWithStreams({"-j", "2", "--rate", "48000", "--retune", folder.PathOf("out"), folder.PathOf("lib")},
                               row.Out, row.Err);
            EXPECT_EQ(run.ExitStatus, 1);
            if (row.Err == Stream::Pipe) {
                EXPECT_TRUE(run.Err.ends_with(row.Message)) << run.Err;
            }
            EXPECT_EQ(TemporaryFiles(folder.PathOf("out")), std::vector<std::string>{});
            for (const std::string& name : fixtures::Listing(folder.PathOf("out"))) {
                EXPECT_TRUE(fixtures::ReadBytes(folder.PathOf("out/" + name)) == RetunedBytes(tone, 48000))
                    << name << " is not the retune of its source";
            }
        }
    }
}

// Every kind of output checks its writes, the help and the version too.
TEST(PitchOutputStreams, EveryOutputFormSaysWhenItCouldNotBeWritten) {
    fixtures::TempDir folder;
    const std::string tone = folder.Write("tone.wav", clitest::SineWave(440.0, 44100, 16, 0.5));
    const std::vector<std::vector<std::string>> forms = {
        {tone}, {"--json", tone}, {"--csv", tone}, {"--spectrum", tone}, {"--help"}, {"--version"},
    };
    for (const auto& arguments : forms) {
        for (const auto& [out, reason] :
             {std::pair{Stream::Full, "No space left on device"}, std::pair{Stream::Closed, "Bad file descriptor"}}) {
            SCOPED_TRACE(arguments.front() + (out == Stream::Full ? " to /dev/full" : " closed"));
            const auto run = RunWithStreams(arguments, out, Stream::Pipe);
            EXPECT_EQ(run.ExitStatus, 1);
            EXPECT_EQ(run.Err, std::string("korvani-pitch: write error: ") + reason + "\n");
        }
        const auto errorClosed = RunWithStreams(arguments, Stream::Pipe, Stream::Closed);
        EXPECT_EQ(errorClosed.ExitStatus, 0);  // nothing was to be said there
    }
    // A file that fails can only say so on standard error.
    const std::string bad = folder.Write("bad.wav", Bytes{'n', 'o', 't'});
    EXPECT_EQ(RunWithStreams({bad}, Stream::Pipe, Stream::Pipe).ExitStatus, 1);
    EXPECT_EQ(RunWithStreams({tone, bad}, Stream::Pipe, Stream::Full).ExitStatus, 1);
}

// A folder of two large files and many small ones retuned on four jobs (a
// temporary copy begins every few milliseconds), interrupted at a different
// moment each time: no temporary file stays, and every copy that was
// committed is complete.
TEST(PitchOutputSignals, AnInterruptedParallelRetuneLeavesOnlyCompleteCopies) {
    constexpr std::uint32_t kDataBytes = 24U << 20;
    fixtures::TempDir folder;
    fs::create_directory(folder.PathOf("lib"));
    Bytes head = clitest::SineWave(440.0, 44100, 16, 0.5);
    const std::uint32_t toneBytes = fixtures::ReadLe32(head, 40);
    for (const auto& [at, value] : {std::pair{4U, 36 + kDataBytes}, std::pair{40U, kDataBytes}}) {
        for (int i = 0; i < 4; ++i) {
            head[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
        }
    }
    for (const char* name : {"lib/a0.wav", "lib/a1.wav"}) {
        fs::resize_file(folder.Write(name, head), 44 + kDataBytes);  // silence after the tone, sparse
    }
    const Bytes small = clitest::SineWave(440.0, 22050, 16, 0.25);
    for (int i = 0; i < 240; ++i) {
        folder.Write("lib/s" + std::to_string(1000 + i) + ".wav", small);
    }
    const std::string out = folder.PathOf("out");
    const std::array<int, 3> signals{SIGINT, SIGTERM, SIGHUP};
    for (int run = 0; run < 30; ++run) {
        const int signal = signals[run % signals.size()];
        SCOPED_TRACE("run " + std::to_string(run) + ", signal " + std::to_string(signal));
        fs::remove_all(out);
        fs::create_directory(out);
        const pid_t child = clitest::StartProcess(
            KORVANI_PITCH_PATH, {"-j", "4", "--rate", "48000", "--retune", out, folder.PathOf("lib")});
        // Waits for the first copy to begin, then lets a different stretch of
        // the run pass each time before the signal.
        for (int wait = 0; wait < 20000 && fs::is_empty(out); ++wait) {
            ::usleep(500);
        }
        ::usleep(static_cast<useconds_t>(run * 7000));
        ::kill(child, signal);
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE((WIFSIGNALED(status) && WTERMSIG(status) == signal) ||
                    (WIFEXITED(status) && WEXITSTATUS(status) == 0))
            << status;
        EXPECT_EQ(TemporaryFiles(out), std::vector<std::string>{});
        for (const std::string& name : fixtures::Listing(out)) {
            Bytes copy = fixtures::ReadBytes(out + "/" + name);
            if (name.starts_with("a")) {
                ASSERT_EQ(copy.size(), 44 + kDataBytes) << name;
                copy.resize(44 + toneBytes);
                EXPECT_TRUE(copy == RetunedBytes(head, 48000)) << name << " is not the retune of its source";
            } else {
                EXPECT_TRUE(copy == RetunedBytes(small, 48000)) << name << " is not the retune of its source";
            }
        }
    }
}

// A float WAV as libsndfile writes it, its RIFF size then set to `riffSize`
// (0 or 0xFFFFFFFF: a writer that could not go back), and `tail` after it.
Bytes FloatWave(std::uint32_t riffSize, const Bytes& tail, const std::string& scratch) {
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* sound = sf_open(scratch.c_str(), SFM_WRITE, &info);
    std::vector<float> samples(22050);
    for (std::size_t n = 0; n < samples.size(); ++n) {
        samples[n] =
            static_cast<float>(0.5 * std::sin(2.0 * std::acos(-1.0) * 440.0 * static_cast<double>(n) / 44100.0));
    }
    sf_writef_float(sound, samples.data(), static_cast<sf_count_t>(samples.size()));
    sf_close(sound);
    Bytes bytes = fixtures::ReadBytes(scratch);
    for (int i = 0; i < 4; ++i) {
        bytes[4 + i] = static_cast<std::uint8_t>(riffSize >> (8 * i));
    }
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    return bytes;
}

// The frames libsndfile reads from `path`, and its rate; none when it cannot open it.
std::optional<std::pair<std::vector<float>, int>> SndfileFrames(const std::string& path) {
    SF_INFO info{};
    SNDFILE* sound = sf_open(path.c_str(), SFM_READ, &info);
    if (sound == nullptr) {
        return std::nullopt;
    }
    std::vector<float> frames(static_cast<std::size_t>(info.frames * info.channels));
    sf_readf_float(sound, frames.data(), info.frames);
    sf_close(sound);
    return std::pair{frames, info.samplerate};
}

struct OddRiffCase {
    const char* Name;
    Bytes Source;
    bool SmplWritten;    // --smpl writes a copy; else refused, exit 1, nothing written
    bool RetuneWritten;  // the same for --retune
};

// --smpl and --retune on sources whose RIFF size does not tell where the form
// ends: a copy is written only where the chunks show the end, and then
// libsndfile and korvani-pitch read it with the same samples.
TEST(PitchOutputCopies, ASourceWithAnOddRiffSizeIsCopiedExactlyOrRefused) {
    fixtures::TempDir folder;
    const std::string scratch = folder.PathOf("scratch.wav");
    Bytes pcmZero = clitest::SineWave(440.0, 44100, 16, 0.5);
    std::fill(pcmZero.begin() + 4, pcmZero.begin() + 8, 0);
    const std::vector<OddRiffCase> cases = {
        // The retune, korvani's own rewrite, refuses a RIFF size of 0 as korvani does.
        {"float, RIFF size 0", FloatWave(0, {}, scratch), true, false},
        {"float, RIFF size 0xFFFFFFFF", FloatWave(0xFFFFFFFF, {}, scratch), true, true},
        {"float, RIFF size 0, bytes after the chunks", FloatWave(0, Bytes{'x', 'y', 'z'}, scratch), false, false},
        {"PCM, RIFF size 0", pcmZero, false, false},
    };
    for (const OddRiffCase& row : cases) {
        for (const char* option : {"--smpl", "--retune"}) {
            SCOPED_TRACE(std::string(row.Name) + ", " + option);
            const std::string source = folder.Write("source.wav", row.Source);
            const std::string target = folder.PathOf("copy.wav");
            fs::remove(target);
            const auto run = clitest::RunPitch({option, target, source});
            const bool written = std::string(option) == "--retune" ? row.RetuneWritten : row.SmplWritten;
            EXPECT_EQ(run.ExitStatus, written ? 0 : 1) << run.Err;
            EXPECT_EQ(fs::exists(target), written);
            EXPECT_EQ(TemporaryFiles(folder.Path()), std::vector<std::string>{});
            if (!written) {
                continue;
            }
            const auto copy = SndfileFrames(target);
            const auto original = SndfileFrames(source);
            if (!copy || !original) {
                ADD_FAILURE() << "libsndfile cannot open the " << (copy ? "source" : "copy");
                continue;
            }
            EXPECT_EQ(copy->first, original->first);
            const auto again = clitest::RunPitch({"--json", target});
            EXPECT_EQ(again.ExitStatus, 0) << again.Err;
        }
    }
}

// Two inputs whose copies would have one name stop the run before anything
// is written; distinct names go through.
TEST(PitchOutputCopies, CopiesThatWouldCollideAreRefusedBeforeAnythingIsWritten) {
    fixtures::TempDir folder;
    const Bytes tone = clitest::SineWave(440.0, 44100, 16, 0.5);
    fs::create_directories(folder.PathOf("A"));
    fs::create_directories(folder.PathOf("B"));
    const std::string a = folder.Write("A/x.wav", tone);
    const std::string b = folder.Write("B/x.wav", tone);
    const std::string y = folder.Write("B/y.wav", tone);
    const std::string out = folder.PathOf("out");
    fs::create_directory(out);
    const std::string line = "korvani-pitch: " + out + "/x.wav: the copies of ";
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--retune", out, folder.PathOf("A"), folder.PathOf("B")}, line + a + " and " + b},
        {{"--smpl", out, a, b}, line + a + " and " + b},
        {{"--retune", out, a, a}, line + a + " and " + a},
        {{"--retune", out, "--smpl", out, a}, line + a + " and " + a},
    };
    for (const auto& [arguments, message] : cases) {
        SCOPED_TRACE(message);
        const auto run = clitest::RunPitch(arguments);
        EXPECT_EQ(run.ExitStatus, 2);
        EXPECT_EQ(run.Out, "");
        EXPECT_EQ(run.Err, message + " would both be written here\n");
        EXPECT_TRUE(fs::is_empty(out));
    }
    EXPECT_EQ(clitest::RunPitch({"--retune", out, a, y}).ExitStatus, 0);
    EXPECT_EQ(fixtures::Listing(out), (std::vector<std::string>{"x.wav", "y.wav"}));
}

// A target whose folder's name takes 240 of the 255 bytes a name may have:
// the temporary copy beside it adds nothing the system would refuse.
TEST(PitchOutputCopies, ATargetInAFolderWithALongNameIsWritten) {
    fixtures::TempDir folder;
    const std::string source = folder.Write("tone.wav", clitest::SineWave(440.0, 44100, 16, 0.5));
    const std::string longFolder = folder.PathOf(std::string(240, 'd'));
    fs::create_directory(longFolder);
    const std::vector<std::vector<std::string>> cases = {
        {"--retune", longFolder, "--rate", "48000"},
        {"--retune", longFolder + "/r.wav", "--rate", "48000"},
        {"--smpl", longFolder + "/s.wav"},
    };
    for (std::vector<std::string> all : cases) {
        SCOPED_TRACE(all[1]);
        all.push_back(source);
        const auto run = clitest::RunPitch(all);
        EXPECT_EQ(run.ExitStatus, 0) << run.Err;
    }
    EXPECT_EQ(fixtures::Listing(longFolder), (std::vector<std::string>{"r.wav", "s.wav", "tone.wav"}));
    EXPECT_EQ(fixtures::ReadBytes(longFolder + "/r.wav"), RetunedBytes(fixtures::ReadBytes(source), 48000));
}

// The cells of one CSV row as RFC 4180 reads them.
std::vector<std::string> CsvCells(const std::string& row) {
    std::vector<std::string> cells(1);
    bool quoted = false;
    for (std::size_t i = 0; i < row.size(); ++i) {
        if (quoted && row[i] == '"') {
            quoted = i + 1 < row.size() && row[i + 1] == '"' ? (cells.back() += '"', ++i, true) : false;
        } else if (!quoted && row[i] == '"') {
            quoted = true;
        } else if (!quoted && row[i] == ',') {
            cells.emplace_back();
        } else {
            cells.back() += row[i];
        }
    }
    return cells;
}

// Text cells a spreadsheet would run as formulas get a ' before them; a
// negative number stays a number.
TEST(PitchOutputCsv, ACellThatWouldBeAFormulaIsWrittenInert) {
    fixtures::TempDir folder;
    const Bytes flat = clitest::SineWave(clitest::NoteHz(69, -20.0), 44100, 16, 0.5);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"=1+2.wav", "'=1+2.wav"}, {"+1.wav", "'+1.wav"},   {"-1.wav", "'-1.wav"},  {"@x.wav", "'@x.wav"},
        {"\tx.wav", "'\tx.wav"},   {"\rx.wav", "'\rx.wav"}, {"x=1.wav", "x=1.wav"},
    };
    for (const auto& [name, cell] : cases) {
        SCOPED_TRACE(name);
        folder.Write(name, flat);
        const auto run = clitest::RunProcess(
            "/bin/sh", {"-c", "cd \"$1\" && exec \"$0\" --csv -- \"$2\"", KORVANI_PITCH_PATH, folder.Path(), name});
        ASSERT_EQ(run.ExitStatus, 0) << run.Err;
        const std::string row =
            run.Out.substr(run.Out.find("\r\n") + 2, run.Out.rfind("\r\n") - run.Out.find("\r\n") - 2);
        const std::vector<std::string> header = CsvCells(run.Out.substr(0, run.Out.find("\r\n")));
        const std::vector<std::string> cells = CsvCells(row);
        ASSERT_EQ(cells.size(), header.size()) << row;
        EXPECT_EQ(cells[0], cell);
        const auto cents = std::find(header.begin(), header.end(), "cents") - header.begin();
        ASSERT_LT(cents, static_cast<std::ptrdiff_t>(cells.size()));
        ASSERT_TRUE(cells[cents].starts_with("-")) << cells[cents];  // a number, no ' before it
        EXPECT_NEAR(std::stod(cells[cents]), -20.0, 1.0);
        fs::remove(folder.PathOf(name));
    }
    // So does the row of a file that failed.
    folder.Write("-bad.wav", Bytes{'n', 'o', 't'});
    const auto failed = clitest::RunProcess(
        "/bin/sh", {"-c", "cd \"$1\" && exec \"$0\" --csv -- -bad.wav", KORVANI_PITCH_PATH, folder.Path()});
    EXPECT_EQ(CsvCells(Lines(failed.Out).at(1)).at(0), "'-bad.wav");
}

// Each name reads back as it was: no two look alike, none breaks its line;
// a usage error echoes what it was given the same way.
TEST(PitchOutputText, NamesAndEchoedArgumentsAreEscapedSoThatNoLineCanBeForged) {
    fixtures::TempDir folder;
    const Bytes tone = clitest::SineWave(440.0, 44100, 16, 0.5);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"a\nb.wav", "a\\nb.wav"},
        {"a\\nb.wav", "a\\\\nb.wav"},
        {"a\xc2\x85"
         "b.wav",
         "a\\u0085b.wav"},
        {"a\xc2\x9b"
         "b.wav",
         "a\\u009bb.wav"},
        {"a\xe2\x80\xa8"
         "b.wav",
         "a\\u2028b.wav"},
        {"a\xe2\x80\xa9"
         "b.wav",
         "a\\u2029b.wav"},
        {"a\x7f"
         "b.wav",
         "a\\x7fb.wav"},
        {"a\xff"
         "b.wav",
         "a\\xffb.wav"},
        {"\xc3\xa9t\xc3\xa9.wav", "\xc3\xa9t\xc3\xa9.wav"},
    };
    for (const auto& [name, shown] : cases) {
        SCOPED_TRACE(shown);
        const std::string path = folder.Write(name, tone);
        const auto run = clitest::RunPitch({path});
        ASSERT_EQ(run.ExitStatus, 0) << run.Err;
        EXPECT_EQ(Lines(run.Out).at(0), "file: " + folder.Path() + "/" + shown);
        fs::remove(path);
    }
    const auto usage = clitest::RunPitch({"--x\nkorvani-pitch: forged.wav: not a WAV file"});
    EXPECT_EQ(usage.ExitStatus, 2);
    EXPECT_EQ(Lines(usage.Err).at(0), "korvani-pitch: unknown option --x\\nkorvani-pitch: forged.wav: not a WAV file");
    for (const std::string& line : Lines(usage.Err)) {
        EXPECT_FALSE(line.starts_with("korvani-pitch: forged")) << line;
    }
}

struct ProgressCase {
    const char* Name;
    Stream Err;
    std::vector<std::string> Options;
    bool Folder;  // the folder of four files, or one file
    bool Shown;
};

// The progress line: on a terminal with several files, or when asked; it is
// cleared before each message and at the end, so that without its drawings
// standard error says exactly what it says without it.
TEST(PitchOutputProgress, TheProgressLineShowsOnATerminalOrWhenAskedAndIsClearedAround) {
    fixtures::TempDir folder;
    fs::create_directory(folder.PathOf("lib"));
    const Bytes tone = clitest::SineWave(440.0, 44100, 16, 0.5);
    for (const char* name : {"a.wav", "c.wav", "d.wav"}) {
        folder.Write(std::string("lib/") + name, tone);
    }
    folder.Write("lib/b.wav", Bytes{'n', 'o', 't'});
    const auto plain = RunWithStreams({"-j", "2", folder.PathOf("lib")}, Stream::Pipe, Stream::Pipe);
    ASSERT_EQ(plain.ExitStatus, 1);
    const std::vector<ProgressCase> cases = {
        {"terminal", Stream::Terminal, {}, true, true},
        {"pipe", Stream::Pipe, {}, true, false},
        {"terminal, --quiet", Stream::Terminal, {"--quiet"}, true, false},
        {"pipe, --progress", Stream::Pipe, {"--progress"}, true, true},
        {"terminal, one file", Stream::Terminal, {}, false, false},
    };
    const std::regex drawing("\r[^\r\n\x1b]*\x1b\\[K");
    for (const ProgressCase& row : cases) {
        SCOPED_TRACE(row.Name);
        std::vector<std::string> arguments = row.Options;
        arguments.insert(arguments.end(), {"-j", "2", row.Folder ? folder.PathOf("lib") : folder.PathOf("lib/a.wav")});
        const auto run = RunWithStreams(arguments, Stream::Pipe, row.Err);
        EXPECT_EQ(run.ExitStatus, row.Folder ? 1 : 0);
        EXPECT_EQ(run.Err.find("\r4/4 files, 1 failed, 0:00 left\x1b[K") != std::string::npos, row.Shown) << run.Err;
        EXPECT_EQ(run.Err.find("\r0/4 files, 0 failed\x1b[K") != std::string::npos, row.Shown);
        EXPECT_EQ(run.Err.ends_with("\r\x1b[K"), row.Shown);
        // Each message starts a line of its own: the line was cleared first.
        for (auto at = run.Err.find("korvani-pitch: "); at != std::string::npos;
             at = run.Err.find("korvani-pitch: ", at + 1)) {
            EXPECT_TRUE(at == 0 || run.Err[at - 1] == '\n' || run.Err.substr(at - 4, 4) == "\r\x1b[K") << run.Err;
        }
        if (row.Folder) {
            EXPECT_EQ(run.Out, plain.Out);
            EXPECT_EQ(std::regex_replace(run.Err, drawing, ""), plain.Err);
        }
    }
}

}  // namespace
