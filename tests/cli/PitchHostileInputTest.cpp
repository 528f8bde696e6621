// SPDX-License-Identifier: GPL-3.0-or-later
// korvani-pitch's input side under hostile input: links, FIFOs and folders
// where files belong, rates no reader may size anything from, samples that
// are no numbers, long paths, streams of unknown length, memory under
// parallel jobs, walks, file lists and the GNU parallel pipeline of the
// README. Every case runs the built program as a user would; the ones that
// could hang run under timeout(1), so a hang fails instead of blocking.

#include "tests/cli/FlatJson.h"
#include "tests/cli/PitchProcess.h"
#include "tests/cli/SoundFormatFiles.h"
#include "tests/cli/ToneFiles.h"

#include "tests/support/RiffBuilder.h"
#include "tests/support/TempDir.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using clitest::FlatJson;
using clitest::Lines;
using clitest::RunPitch;
using clitest::RunProcess;

const double kA4 = clitest::NoteHz(69);

// korvani-pitch under timeout(1): a run that hangs is killed and fails its
// exit status instead of blocking the suite.
clitest::ProcessOutcome RunPitchOrKill(const std::vector<std::string>& arguments) {
    std::vector<std::string> all{"-s", "KILL", "20", KORVANI_PITCH_PATH};
    all.insert(all.end(), arguments.begin(), arguments.end());
    return RunProcess("/usr/bin/timeout", all);
}

// A shell pipeline, as a user types it, with korvani-pitch as $K.
clitest::ProcessOutcome RunShell(const std::string& folder, const std::string& pipeline) {
    return RunProcess("/bin/sh", {"-c", "cd '" + folder + "' && K='" KORVANI_PITCH_PATH "' && " + pipeline});
}

// An AIFF file of 16-bit mono PCM whose COMM chunk gives `rate` as the
// 80-bit extended number `rateBytes` (big-endian), written byte by byte so
// that infinity and NaN can be written too.
fixtures::Bytes AiffWithRateBytes(const std::array<std::uint8_t, 10>& rateBytes) {
    const std::uint32_t frames = 400;
    auto be = [](fixtures::Bytes& out, std::uint64_t value, int bytes) {
        for (int i = bytes - 1; i >= 0; --i) {
            out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        }
    };
    fixtures::Bytes comm;
    be(comm, 1, 2);
    be(comm, frames, 4);
    be(comm, 16, 2);
    comm.insert(comm.end(), rateBytes.begin(), rateBytes.end());
    fixtures::Bytes ssnd(8, 0);
    for (std::uint32_t n = 0; n < frames; ++n) {
        be(ssnd, static_cast<std::uint16_t>(static_cast<std::int16_t>(8000 * std::sin(n * 0.3))), 2);
    }
    fixtures::Bytes body{'A', 'I', 'F', 'F', 'C', 'O', 'M', 'M'};
    be(body, comm.size(), 4);
    body.insert(body.end(), comm.begin(), comm.end());
    body.insert(body.end(), {'S', 'S', 'N', 'D'});
    be(body, ssnd.size(), 4);
    body.insert(body.end(), ssnd.begin(), ssnd.end());
    fixtures::Bytes file{'F', 'O', 'R', 'M'};
    be(file, body.size(), 4);
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

std::array<std::uint8_t, 10> Extended(double rate) {
    if (std::isnan(rate)) {
        return {0x7F, 0xFF, 0xC0, 0, 0, 0, 0, 0, 0, 0};
    }
    if (std::isinf(rate)) {
        return {0x7F, 0xFF, 0x80, 0, 0, 0, 0, 0, 0, 0};
    }
    int exponent = 0;
    const double fraction = std::frexp(rate, &exponent);  // rate = fraction x 2^exponent, fraction in [0.5, 1)
    const auto mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 64));
    const auto biased = static_cast<std::uint16_t>(16383 + exponent - 1);
    std::array<std::uint8_t, 10> bytes{static_cast<std::uint8_t>(biased >> 8), static_cast<std::uint8_t>(biased)};
    for (int i = 0; i < 8; ++i) {
        bytes[static_cast<std::size_t>(2 + i)] = static_cast<std::uint8_t>(mantissa >> (56 - 8 * i));
    }
    return bytes;
}

// A 64-bit float WAV file whose sixth sample is `odd` and the rest a tone.
fixtures::Bytes DoubleWaveWith(double odd) {
    fixtures::Bytes samples;
    for (int n = 0; n < 4000; ++n) {
        const double value = n == 5 ? odd : 0.5 * std::sin(n * 0.06);
        std::uint64_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        fixtures::AppendLe32(samples, static_cast<std::uint32_t>(bits));
        fixtures::AppendLe32(samples, static_cast<std::uint32_t>(bits >> 32));
    }
    fixtures::FmtFields fields{3, 1, 44100, 44100 * 8, 8, 64};
    return fixtures::RiffBuilder().Fmt(fields).Data(samples).Build();
}

// A 32-bit float WAV file whose sixth sample is `odd` and the rest a tone.
fixtures::Bytes FloatWaveWith(float odd) {
    fixtures::Bytes samples;
    for (int n = 0; n < 4000; ++n) {
        const float value = n == 5 ? odd : static_cast<float>(0.5 * std::sin(n * 0.06));
        std::uint32_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        fixtures::AppendLe32(samples, bits);
    }
    fixtures::FmtFields fields{3, 1, 44100, 44100 * 4, 4, 32};
    return fixtures::RiffBuilder().Fmt(fields).Data(samples).Build();
}

// Writes a sound file through libsndfile; false when libsndfile refuses the
// rate for that format (the case cannot be made on this machine then).
bool TryWriteSoundFile(const std::string& path, int format, int rate) {
    try {
        clitest::WriteSoundFile(path, format, 1000.0, rate, 2, 0.0002);
        return true;
    } catch (const std::runtime_error&) {
        return false;
    }
}

// A FLAC file whose STREAMINFO names `rate` (libsndfile writes none above
// 655350 Hz, FLAC's header holds up to 1,048,575): one at 48000 Hz, patched.
std::function<std::vector<std::string>(const fixtures::TempDir&)> FlacAtRate(std::uint32_t rate) {
    return [rate](const fixtures::TempDir& folder) {
        const std::string path = folder.PathOf("r.flac");
        clitest::WriteSoundFile(path, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 1000.0, 48000, 1, 0.01);
        std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
        std::array<char, 3> field{};  // "fLaC", a block header, 10 bytes of sizes: then 20 bits of rate
        file.seekg(18);
        file.read(field.data(), field.size());
        const auto low = static_cast<std::uint8_t>(field[2]) & 0x0FU;
        field = {static_cast<char>(rate >> 12), static_cast<char>(rate >> 4),
                 static_cast<char>((rate << 4 | low) & 0xFF)};
        file.seekp(18);
        file.write(field.data(), field.size());
        return std::vector<std::string>{path};
    };
}

// --- hostile inputs: each refused at once with its name and its reason --------

struct HostileInput {
    const char* Name;
    // Makes the case's files in the folder and answers korvani-pitch's arguments.
    std::function<std::vector<std::string>(const fixtures::TempDir&)> Make;
    int ExitStatus;
    std::vector<std::string> ErrLines;  ///< "NAME: REASON", NAME relative to the folder
};

void PrintTo(const HostileInput& input, std::ostream* out) {
    *out << input.Name;
}

std::string InvalidRate(const std::string& name, const std::string& rate) {
    return name + ": invalid sample rate: " + rate + " Hz (korvani-pitch reads 2 to 768000 Hz)";
}

std::vector<HostileInput> HostileInputs() {
    const auto wave = [](const fixtures::TempDir& folder, const char* name) {
        return folder.Write(name, clitest::SineWave(kA4, 44100, 16, 0.5));
    };
    const auto sound = [](int format, int rate, const char* name) {
        return [=](const fixtures::TempDir& folder) {
            const std::string path = folder.PathOf(name);
            return TryWriteSoundFile(path, format, rate) ? std::vector<std::string>{path} : std::vector<std::string>{};
        };
    };
    return {
        {"LinkLoop",
         [](const fixtures::TempDir& folder) {
             fs::create_symlink("loop.wav", folder.PathOf("loop.wav"));
             return std::vector<std::string>{folder.PathOf("loop.wav")};
         },
         1,
         {"loop.wav: Too many levels of symbolic links"}},
        {"LinkLoopRetuned",
         [](const fixtures::TempDir& folder) {
             fs::create_symlink("loop.wav", folder.PathOf("loop.wav"));
             return std::vector<std::string>{"--retune", folder.PathOf("out.wav"), folder.PathOf("loop.wav")};
         },
         1,
         {"loop.wav: Too many levels of symbolic links"}},
        {"FolderNamedLikeAFileRetuned",
         [](const fixtures::TempDir& folder) {
             fs::create_directory(folder.PathOf("x.wav"));
             return std::vector<std::string>{"--retune", folder.PathOf("out.wav"), folder.PathOf("x.wav")};
         },
         1,
         {"x.wav: Is a directory"}},
        {"Fifo",
         [](const fixtures::TempDir& folder) {
             ::mkfifo(folder.PathOf("fifo.wav").c_str(), 0600);
             return std::vector<std::string>{folder.PathOf("fifo.wav")};
         },
         1,
         {"fifo.wav: not a regular file: a FIFO"}},
        {"FifoThroughALink",
         [](const fixtures::TempDir& folder) {
             ::mkfifo(folder.PathOf("fifo").c_str(), 0600);
             fs::create_symlink("fifo", folder.PathOf("link.wav"));
             return std::vector<std::string>{folder.PathOf("link.wav")};
         },
         1,
         {"link.wav: not a regular file: a FIFO"}},
        {"FifoDanglingLinkAndDeviceInAWalk",
         [wave](const fixtures::TempDir& folder) {
             fs::create_directories(folder.PathOf("lib/sub"));
             wave(folder, "lib/a.wav");
             ::mkfifo(folder.PathOf("lib/sub/fifo.flac").c_str(), 0600);
             fs::create_symlink("nowhere.wav", folder.PathOf("lib/dangling.wav"));
             fs::create_symlink("/dev/null", folder.PathOf("lib/null.aiff"));
             wave(folder, "lib/sub/z.wav");
             return std::vector<std::string>{"--csv", folder.PathOf("lib")};
         },
         1,
         {"lib/dangling.wav: No such file or directory", "lib/null.aiff: not a regular file: a character device",
          "lib/sub/fifo.flac: not a regular file: a FIFO"}},
        {"WavAbove768k",
         [](const fixtures::TempDir& folder) {
             return std::vector<std::string>{
                 folder.Write("r.wav", fixtures::PcmWave(1, 768001, 16, fixtures::Bytes(960, 0)))};
         },
         1,
         {InvalidRate("r.wav", "768001")}},
        {"WavRateZero",
         [](const fixtures::TempDir& folder) {
             return std::vector<std::string>{
                 folder.Write("r.wav", fixtures::PcmWave(1, 0, 16, fixtures::Bytes(960, 0)))};
         },
         1,
         {InvalidRate("r.wav", "0")}},
        {"Rf64Above768k",
         sound(SF_FORMAT_RF64 | SF_FORMAT_PCM_16, 768001, "r.rf64"),
         1,
         {InvalidRate("r.rf64", "768001")}},
        {"Rf64At1e6",
         sound(SF_FORMAT_RF64 | SF_FORMAT_PCM_16, 1000000, "r.rf64"),
         1,
         {InvalidRate("r.rf64", "1000000")}},
        {"AiffAbove768k",
         sound(SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 768001, "r.aiff"),
         1,
         {InvalidRate("r.aiff", "768001")}},
        {"AiffAt1e6",
         sound(SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 1000000, "r.aiff"),
         1,
         {InvalidRate("r.aiff", "1000000")}},
        {"AiffAt2e6",
         [](const fixtures::TempDir& folder) {
             return std::vector<std::string>{folder.Write("r.aiff", AiffWithRateBytes(Extended(2e6)))};
         },
         1,
         {InvalidRate("r.aiff", "2000000")}},
        {"FlacAbove768k", FlacAtRate(768001), 1, {InvalidRate("r.flac", "768001")}},
        {"FlacAt1e6", FlacAtRate(1000000), 1, {InvalidRate("r.flac", "1000000")}},
        {"NanSample",
         [](const fixtures::TempDir& folder) {
             return std::vector<std::string>{
                 folder.Write("nan.wav", FloatWaveWith(std::numeric_limits<float>::quiet_NaN()))};
         },
         1,
         {"nan.wav: the samples are not finite numbers"}},
        {"InfiniteSample",
         [](const fixtures::TempDir& folder) {
             return std::vector<std::string>{
                 folder.Write("inf.wav", FloatWaveWith(std::numeric_limits<float>::infinity()))};
         },
         1,
         {"inf.wav: the samples are not finite numbers"}},
        {"OverflowingSample",
         [](const fixtures::TempDir& folder) {
             return std::vector<std::string>{folder.Write("big.wav", DoubleWaveWith(1e300))};
         },
         1,
         {"big.wav: the samples are too large to analyse"}},
        {"PathOf4000Bytes",
         [wave](const fixtures::TempDir& folder) {
             std::string deep = "deep";
             while (deep.size() < 3900) {
                 deep += "/" + std::string(200, 'd');
             }
             fs::create_directories(folder.PathOf(deep));
             wave(folder, (deep + "/a.wav").c_str());
             fs::create_directory(folder.PathOf("out"));
             return std::vector<std::string>{"--retune", folder.PathOf("out"), folder.PathOf(deep + "/a.wav")};
         },
         0,
         {}},
        {"FlacFromAPipeAndMp3",
         [wave](const fixtures::TempDir& folder) {
             wave(folder, "a.wav");
             RunShell(folder.Path(),
                      "ffmpeg -loglevel error -i a.wav -f flac - > pipe.flac && "
                      "ffmpeg -loglevel error -i a.wav a.mp3");
             return std::vector<std::string>{folder.PathOf("pipe.flac"), folder.PathOf("a.mp3")};
         },
         0,
         {}},
    };
}

class HostileInputCase : public ::testing::TestWithParam<HostileInput> {};

TEST_P(HostileInputCase, IsAnsweredAtOnceWithItsNameAndReason) {
    const HostileInput& input = GetParam();
    const fixtures::TempDir folder;
    const std::vector<std::string> arguments = input.Make(folder);
    if (arguments.empty()) {
        GTEST_SKIP() << "libsndfile on this machine writes no such file";
    }
    const auto run = RunPitchOrKill(arguments);
    EXPECT_EQ(run.ExitStatus, input.ExitStatus) << run.Err;
    std::vector<std::string> expected;
    for (const std::string& line : input.ErrLines) {
        expected.push_back("korvani-pitch: " + folder.Path() + "/" + line);
    }
    EXPECT_EQ(Lines(run.Err), expected);
    for (const std::string& line : Lines(run.Out)) {
        if (line.starts_with("retuned copy: ")) {
            EXPECT_TRUE(fs::is_regular_file(line.substr(14, line.find(" (") - 14))) << line;
        }
    }
    if (input.ExitStatus == 0) {
        for (const std::string& line : Lines(run.Out)) {
            if (line.starts_with("corresponding note: ")) {
                EXPECT_EQ(line, "corresponding note: a1 (440.0 Hz)");
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Inputs, HostileInputCase, ::testing::ValuesIn(HostileInputs()),
                         [](const ::testing::TestParamInfo<HostileInput>& input) { return input.param.Name; });

TEST(PitchHostileRates, AiffRatesOfInfinityAndNanAreRefusedAsInvalidRates) {
    const fixtures::TempDir folder;
    const std::vector<std::pair<double, std::string>> rates = {{std::numeric_limits<double>::infinity(), "inf"},
                                                               {std::numeric_limits<double>::quiet_NaN(), "nan"}};
    for (const auto& [rate, text] : rates) {
        const std::string path = folder.Write("r.aiff", AiffWithRateBytes(Extended(rate)));
        const auto run = RunPitch({"--json", path});
        EXPECT_EQ(run.ExitStatus, 1);
        EXPECT_EQ(FlatJson(Lines(run.Out).at(0)).String("error_code"), "invalid_rate") << run.Out;
        EXPECT_EQ(run.Err, "korvani-pitch: " + InvalidRate(path, text) + "\n");
    }
}

// --- memory: one budget for the whole process --------------------------------

// Runs korvani-pitch to its end and answers its peak resident set, in KiB.
long PeakKilobytesOf(const std::vector<std::string>& arguments) {
    const pid_t child = clitest::StartProcess(KORVANI_PITCH_PATH, arguments);
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    EXPECT_TRUE(WIFEXITED(status));
    return usage.ru_maxrss;
}

TEST(PitchMemory, FourTinyFilesAt768kHzUnderFourJobsStayWithin256MB) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "under AddressSanitizer its shadow memory and quarantine count in the resident size";
#endif
    const fixtures::TempDir folder;
    std::vector<std::string> arguments{"-j", "4"};
    for (const char* name : {"a.wav", "b.wav", "c.wav", "d.wav"}) {
        // 1,004 bytes: 480 samples at the highest rate, every analysis at its largest.
        arguments.push_back(folder.Write(name, clitest::SineWave(kA4, 768000, 16, 480.0 / 768000)));
        EXPECT_EQ(fs::file_size(arguments.back()), 1004U);
    }
    EXPECT_LE(PeakKilobytesOf(arguments), 256'000'000 / 1024);
    const auto run = RunPitch(arguments);
    EXPECT_EQ(Lines(run.Err), std::vector<std::string>{});
    EXPECT_EQ(run.ExitStatus, 0);
}

// --- failures: the plain reason and the code ------------------------------------

struct FailureCase {
    const char* Name;
    std::function<std::vector<std::string>(const fixtures::TempDir&)> Make;
    std::string Line;  ///< "NAME: REASON"
    std::string Code;
};

void PrintTo(const FailureCase& failure, std::ostream* out) {
    *out << failure.Name;
}

std::vector<FailureCase> FailureCases() {
    const auto file = [](const char* name, fixtures::Bytes bytes) {
        return [=](const fixtures::TempDir& folder) { return std::vector<std::string>{folder.Write(name, bytes)}; };
    };
    return {
        {"Missing",
         [](const fixtures::TempDir& folder) { return std::vector<std::string>{folder.PathOf("nosuch.wav")}; },
         "nosuch.wav: No such file or directory", "not_found"},
        {"Directory",
         [](const fixtures::TempDir& folder) {
             fs::create_directory(folder.PathOf("x.wav"));
             return std::vector<std::string>{"--retune", folder.PathOf("out.wav"), folder.PathOf("x.wav")};
         },
         "x.wav: Is a directory", "is_directory"},
        {"EmptyFolder",
         [](const fixtures::TempDir& folder) {
             fs::create_directory(folder.PathOf("empty"));
             std::ofstream(folder.PathOf("empty/notes.txt")) << "no sound\n";
             return std::vector<std::string>{folder.PathOf("empty")};
         },
         "empty: no audio file found in the folder", "no_files"},
        {"NotAudio", file("text.wav", fixtures::Bytes{'h', 'i', '\n'}), "text.wav: not an audio file", "not_audio"},
        {"WavWithoutFormat", file("w.wav", fixtures::RiffBuilder("WAVE").Build()), "w.wav: no \"fmt \" chunk",
         "damaged"},
        {"UnsupportedEncoding",
         file("w.wav", fixtures::RiffBuilder()
                           .Fmt(fixtures::FmtFields{0x1234, 1, 44100, 88200, 2, 16})
                           .Data(fixtures::Bytes(300, 0))
                           .Build()),
         "w.wav: unsupported encoding: WAV format tag 0x1234", "unsupported"},
        {"InvalidRate", file("r.wav", fixtures::PcmWave(1, 1000000, 16, fixtures::Bytes(100, 0))),
         "r.wav: invalid sample rate: 1000000 Hz (korvani-pitch reads 2 to 768000 Hz)", "invalid_rate"},
        {"NoPitch", file("silent.wav", clitest::SilentWave(44100)), "silent.wav: no pitch found: silent", "no_pitch"},
        {"RetuneIntoTheSource",
         [](const fixtures::TempDir& folder) {
             const std::string path = folder.Write("a.wav", clitest::SineWave(440.0, 44100, 16, 0.5));
             return std::vector<std::string>{"--retune", path, path};
         },
         "a.wav: the target is the source", "same_file"},
        {"SamplerCopyThroughALinkToTheSource",
         [](const fixtures::TempDir& folder) {
             const std::string path = folder.Write("a.wav", clitest::SineWave(440.0, 44100, 16, 0.5));
             fs::create_symlink(path, folder.PathOf("link.wav"));
             return std::vector<std::string>{"--smpl", folder.PathOf("link.wav"), path};
         },
         "a.wav: the target is the source", "same_file"},
    };
}

class FailureCaseRun : public ::testing::TestWithParam<FailureCase> {};

TEST_P(FailureCaseRun, SaysThePlainReasonAndGivesItsCodeInJsonAndCsv) {
    const FailureCase& failure = GetParam();
    const fixtures::TempDir folder;
    std::vector<std::string> arguments = failure.Make(folder);
    const auto text = RunPitchOrKill(arguments);
    EXPECT_EQ(text.ExitStatus, 1);
    EXPECT_EQ(text.Err, "korvani-pitch: " + folder.Path() + "/" + failure.Line + "\n");
    arguments.insert(arguments.begin(), "--json");
    const auto json = RunPitchOrKill(arguments);
    EXPECT_EQ(json.ExitStatus, 1);
    ASSERT_EQ(Lines(json.Out).size(), 1U) << json.Out;
    EXPECT_EQ(FlatJson(Lines(json.Out)[0]).String("error_code"), failure.Code);
    arguments[0] = "--csv";
    const auto csv = RunPitchOrKill(arguments);
    ASSERT_EQ(Lines(csv.Out).size(), 2U) << csv.Out;
    EXPECT_NE(Lines(csv.Out)[1].find("," + failure.Code + ","), std::string::npos) << csv.Out;
}

INSTANTIATE_TEST_SUITE_P(Failures, FailureCaseRun, ::testing::ValuesIn(FailureCases()),
                         [](const ::testing::TestParamInfo<FailureCase>& failure) { return failure.param.Name; });

// Runs korvani-pitch as the user nobody, as a root-run suite cannot be
// refused a folder otherwise.
clitest::ProcessOutcome RunPitchAsNobody(const std::vector<std::string>& arguments) {
    std::vector<std::string> all{"--reuid=nobody", "--regid=nogroup", "--clear-groups", KORVANI_PITCH_PATH};
    all.insert(all.end(), arguments.begin(), arguments.end());
    return ::geteuid() == 0 ? RunProcess("/usr/bin/setpriv", all) : RunPitch(arguments);
}

TEST(PitchWalk, AnUnreadableFolderAndFileAreEachReportedAndTheRestAnalysed) {
    if (::geteuid() == 0 && ::access("/usr/bin/setpriv", X_OK) != 0) {
        GTEST_SKIP() << "running as root without setpriv: no user to be refused a folder";
    }
    const fixtures::TempDir folder;
    ::chmod(folder.Path().c_str(), 0755);
    fs::create_directories(folder.PathOf("lib/locked"));
    for (const char* name : {"lib/a.wav", "lib/locked/b.wav", "lib/z.wav", "lib/secret.wav"}) {
        folder.Write(name, clitest::SineWave(kA4, 44100, 16, 0.5));
    }
    ::chmod(folder.PathOf("lib/locked").c_str(), 0);
    ::chmod(folder.PathOf("lib/secret.wav").c_str(), 0);
    const auto run = RunPitchAsNobody({"--csv", folder.PathOf("lib")});
    ::chmod(folder.PathOf("lib/locked").c_str(), 0755);
    EXPECT_EQ(run.ExitStatus, 1);
    EXPECT_EQ(Lines(run.Err), (std::vector<std::string>{
                                  "korvani-pitch: " + folder.PathOf("lib/locked") + ": Permission denied",
                                  "korvani-pitch: " + folder.PathOf("lib/secret.wav") + ": Permission denied",
                              }));
    const auto rows = Lines(run.Out);
    ASSERT_EQ(rows.size(), 5U) << run.Out;  // the header, a.wav, the folder's error, secret.wav's, z.wav
    EXPECT_TRUE(rows[1].starts_with(folder.PathOf("lib/a.wav") + ",korvani,"));
    EXPECT_NE(rows[2].find(",permission,"), std::string::npos);
    EXPECT_NE(rows[3].find(",permission,"), std::string::npos);
    EXPECT_TRUE(rows[4].starts_with(folder.PathOf("lib/z.wav") + ",korvani,"));
}

// --- the walk takes every format it reads; --ext narrows it ---------------------

TEST(PitchWalk, TakesEveryEndingTheReadersKnowInAnyCaseAndExtNarrowsIt) {
    const fixtures::TempDir folder;
    fs::create_directory(folder.PathOf("lib"));
    const std::string source = folder.Write("a.wav", clitest::SineWave(kA4, 44100, 16, 0.5));
    const std::vector<std::pair<const char*, int>> formats = {
        {"a.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16},          {"b.WAVE", SF_FORMAT_WAV | SF_FORMAT_PCM_24},
        {"c.rf64", SF_FORMAT_RF64 | SF_FORMAT_PCM_16},        {"d.aif", SF_FORMAT_AIFF | SF_FORMAT_PCM_16},
        {"e.AIFF", SF_FORMAT_AIFF | SF_FORMAT_PCM_16},        {"f.aifc", SF_FORMAT_AIFF | SF_FORMAT_PCM_16},
        {"g.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16},        {"h.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS},
        {"i.oga", SF_FORMAT_OGG | SF_FORMAT_VORBIS},          {"j.opus", SF_FORMAT_OGG | SF_FORMAT_OPUS},
        {"k.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III},
    };
    std::vector<std::string> expected;
    for (const auto& [name, format] : formats) {
        clitest::WriteSoundFile(folder.PathOf(std::string("lib/") + name), format, kA4, 48000, 1, 0.5);
        expected.push_back(folder.PathOf(std::string("lib/") + name));
    }
    std::ofstream(folder.PathOf("lib/notes.txt")) << "not a sound\n";
    const auto run = RunPitch({"--json", folder.PathOf("lib")});
    EXPECT_EQ(run.ExitStatus, 0) << run.Err;
    std::vector<std::string> found;
    for (const std::string& line : Lines(run.Out)) {
        const FlatJson json(line);
        found.push_back(json.String("file"));
        EXPECT_EQ(json.String("note_text"), "a1 (440.0 Hz)") << line;
        if (json.String("format") == "OGG Vorbis") {
            EXPECT_EQ(json.Number("bits_per_sample"), 0) << line;  // and no "0 bit" in the text
        }
    }
    EXPECT_EQ(found, expected);
    const auto text = RunPitch({folder.PathOf("lib/h.ogg")});
    EXPECT_NE(text.Out.find("format: OGG Vorbis\nsampling frequency: 48000 Hz\n"), std::string::npos) << text.Out;

    const auto narrowed = RunPitch({"--json", "--ext", "FLAC,.aif", folder.PathOf("lib")});
    ASSERT_EQ(Lines(narrowed.Out).size(), 2U) << narrowed.Out;
    EXPECT_EQ(FlatJson(Lines(narrowed.Out)[0]).String("file"), folder.PathOf("lib/d.aif"));
    EXPECT_EQ(FlatJson(Lines(narrowed.Out)[1]).String("file"), folder.PathOf("lib/g.flac"));
    (void)source;
}

// --- file lists -------------------------------------------------------------------

TEST(PitchFileList, NamesComeOneALineOrNulSeparatedFromAFileOrStandardInput) {
    const fixtures::TempDir folder;
    const std::string odd = "odd name\nwith a line break.wav";
    for (const std::string& name : {std::string("a.wav"), std::string("b c.wav"), odd}) {
        folder.Write(name, clitest::SineWave(kA4, 44100, 16, 0.5));
    }
    std::ofstream(folder.PathOf("list.txt")) << "a.wav\n\nb c.wav\n";
    struct ListRun {
        std::string Pipeline;
        std::vector<std::string> Files;
    };
    const std::vector<ListRun> runs = {
        {"$K --json --files-from list.txt", {"a.wav", "b c.wav"}},
        {"$K --json --files-from - < list.txt", {"a.wav", "b c.wav"}},
        {"find . -name '*.wav' -print0 | LC_ALL=C sort -z | $K --json -0 --files-from -",
         {"./a.wav", "./b c.wav", "./" + odd}},
        {"$K --json --files-from list.txt a.wav", {"a.wav", "a.wav", "b c.wav"}},
    };
    for (const ListRun& list : runs) {
        const auto run = RunShell(folder.Path(), list.Pipeline);
        EXPECT_EQ(run.ExitStatus, 0) << list.Pipeline << "\n" << run.Err;
        std::vector<std::string> files;
        for (const std::string& line : Lines(run.Out)) {
            files.push_back(FlatJson(line).String("file"));
        }
        EXPECT_EQ(files, list.Files) << list.Pipeline;
    }
    // A list that cannot be read says why; one that names nothing says so.
    fs::create_directory(folder.PathOf("folder"));
    for (const auto& [pipeline, line] : std::vector<std::pair<std::string, std::string>>{
             {"$K --files-from nosuch.txt", "nosuch.txt: No such file or directory"},
             {"$K --files-from folder", "folder: Is a directory"},
             {"$K --files-from - <&-", "standard input: Bad file descriptor"},
             {"printf '' | $K --files-from -", "standard input: the list names no file"},
         }) {
        const auto run = RunShell(folder.Path(), pipeline);
        EXPECT_EQ(run.ExitStatus, 1) << pipeline;
        EXPECT_EQ(run.Err, "korvani-pitch: " + line + "\n") << pipeline;
    }
    EXPECT_EQ(RunShell(folder.Path(), "$K -0 a.wav").ExitStatus, 2);
}

// --- the README's pipeline for a library larger than one machine ------------

TEST(PitchParallel, TheReadmePipelineRunLocallyMergesToTheDirectRunsCsv) {
    if (::access("/usr/bin/parallel", X_OK) != 0) {
        GTEST_SKIP() << "GNU parallel is not installed (tools/install-deps test installs it)";
    }
    const fixtures::TempDir folder;
    fs::create_directories(folder.PathOf("lib/sub"));
    for (int note = 60; note < 69; ++note) {
        const std::string name = (note % 3 == 0 ? "lib/sub/n" : "lib/n") + std::to_string(note) + ".wav";
        folder.Write(name, clitest::SineWave(clitest::NoteHz(note), 44100, 16, 0.5));
    }
    // As the README shows it, with ":" (this machine) for the hosts and two
    // files a job so that several CSVs are merged.
    const auto spread = RunShell(folder.Path(),
                                 "find lib -name '*.wav' -print0 | LC_ALL=C sort -z | "
                                 "parallel --will-cite -0 -k -X -n 2 --sshlogin 2/: \"$K\" --csv | "
                                 "awk 'NR == 1 { header = $0; print; next } $0 != header' > merged.csv");
    EXPECT_EQ(spread.ExitStatus, 0) << spread.Err;
    const auto direct = RunShell(folder.Path(), "$K --csv lib");
    std::ifstream merged(folder.PathOf("merged.csv"), std::ios::binary);
    const std::string mergedText((std::istreambuf_iterator<char>(merged)), std::istreambuf_iterator<char>());
    EXPECT_EQ(Lines(direct.Out).size(), 10U);
    EXPECT_EQ(mergedText, direct.Out);
}

}  // namespace
