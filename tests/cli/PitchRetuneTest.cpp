// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/cli/FlatJson.h"
#include "tests/cli/PitchProcess.h"
#include "tests/cli/ToneFiles.h"

#include "tests/support/TempDir.h"

#include "engine/SampleRateRewrite.h"
#include "engine/WaveReporter.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <csignal>
#include <cstdlib>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

using clitest::FlatJson;
using clitest::Lines;
using clitest::RunPitch;

fixtures::Bytes ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return fixtures::Bytes(std::istreambuf_iterator<char>(in), {});
}

class FailOnBox final : public TWaveReporter {
public:
    void Report(std::string_view text, const char* caption) override {
        ADD_FAILURE() << "rewrite reported " << (caption ? caption : "") << ": " << text;
    }
};

// The copy korvani's "Modify..." writes for `rate`: the same rewrite, run here.
fixtures::Bytes ModifyCopy(const std::string& source, const std::string& target, std::uint32_t rate) {
    FailOnBox reporter;
    RewriteSampleRate(
        source, target, [rate] { return rate; }, reporter);
    return ReadBytes(target);
}

constexpr std::size_t kRateOffset = fixtures::kCanonicalFmtDataOffset + 4;
constexpr std::size_t kByteRateOffset = fixtures::kCanonicalFmtDataOffset + 8;

class PitchRetune : public ::testing::Test {
protected:
    // A 44100 Hz 16-bit tone 20 cents below a1: its proposed rate lies above
    // 44100 (about 44610), so --no-higher halves it.
    std::string FlatTone() {
        return folder_.Write("flat.wav", clitest::SineWave(clitest::NoteHz(69, -20.0), 44100, 16, 1.0));
    }

    long ProposedRate(const std::string& source) {
        const auto run = RunPitch({"--json", source});
        EXPECT_EQ(run.ExitStatus, 0) << run.Err;
        return std::stol(FlatJson(Lines(run.Out).at(0))["rate"].Text);
    }

    fixtures::TempDir folder_;
};

TEST_F(PitchRetune, WritesTheBytesModifyWritesWithTheProposedRate) {
    const std::string source = FlatTone();
    const std::string target = folder_.PathOf("retuned.wav");
    const auto run = RunPitch({"--retune", target, source});
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    EXPECT_EQ(run.Err, "");
    const long proposed = ProposedRate(source);
    EXPECT_NE(run.Out.find("proposed sample rate: " + std::to_string(proposed) + "\n"), std::string::npos);
    EXPECT_GT(proposed, 44100);

    const fixtures::Bytes copy = ReadBytes(target);
    EXPECT_EQ(copy, ModifyCopy(source, folder_.PathOf("modify.wav"), static_cast<std::uint32_t>(proposed)));
    EXPECT_EQ(fixtures::ReadLe32(copy, kRateOffset), static_cast<std::uint32_t>(proposed));
    EXPECT_EQ(fixtures::ReadLe32(copy, kByteRateOffset), static_cast<std::uint32_t>(2 * proposed));
    fixtures::Bytes unchanged = copy;
    const fixtures::Bytes original = ReadBytes(source);
    std::copy(original.begin() + kRateOffset, original.begin() + kByteRateOffset + 4, unchanged.begin() + kRateOffset);
    EXPECT_EQ(unchanged, original);  // only the two rate fields differ

    struct stat status {};
    ASSERT_EQ(::stat(target.c_str(), &status), 0);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(status.st_mode & 0777, 0666 & ~mask);  // as a new copy gets it

    // A user who keeps new files private gets a private copy.
    const std::string privateCopy = folder_.PathOf("private.wav");
    const auto run077 = clitest::RunProcess(
        "/bin/sh", {"-c", "umask 077; exec \"$0\" \"$@\"", KORVANI_PITCH_PATH, "--retune", privateCopy, source});
    ASSERT_EQ(run077.ExitStatus, 0) << run077.Err;
    ASSERT_EQ(::stat(privateCopy.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600U);
}

TEST_F(PitchRetune, TheRateOptionAndTheNoHigherRuleChooseTheRateLikeTheDialog) {
    const std::string source = FlatTone();
    const long proposed = ProposedRate(source);
    const auto writtenRate = [&](const std::vector<std::string>& options) {
        const std::string target = folder_.PathOf("out.wav");
        std::vector<std::string> arguments = {"--retune", target};
        arguments.insert(arguments.end(), options.begin(), options.end());
        arguments.push_back(source);
        const auto run = RunPitch(arguments);
        EXPECT_EQ(run.ExitStatus, 0) << run.Err;
        return fixtures::ReadLe32(ReadBytes(target), kRateOffset);
    };
    EXPECT_EQ(writtenRate({"--rate", "48000"}), 48000U);
    EXPECT_EQ(writtenRate({"--rate=48000", "--no-higher"}), 24000U);
    EXPECT_EQ(writtenRate({"--rate", "43900", "--no-higher"}), 43900U);
    EXPECT_EQ(writtenRate({"--rate", "44100", "--no-higher"}), 44100U);
    EXPECT_EQ(writtenRate({"--no-higher"}), static_cast<std::uint32_t>(proposed / 2));
}

TEST_F(PitchRetune, ReplacesAnExistingTargetAndKeepsItsPermissions) {
    const std::string source = FlatTone();
    for (const mode_t mode : {0600, 0640, 0755}) {
        SCOPED_TRACE(mode);
        const std::string target = folder_.Write("old.wav", fixtures::Bytes{'o', 'l', 'd'});
        ::chmod(target.c_str(), mode);
        ASSERT_EQ(RunPitch({"--retune", target, "--rate", "22050", source}).ExitStatus, 0);
        EXPECT_EQ(ReadBytes(target), ModifyCopy(source, folder_.PathOf("modify.wav"), 22050));
        struct stat status {};
        ASSERT_EQ(::stat(target.c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & 07777, mode);
    }
}

// A symbolic link as the target stays a link and the file it names gets the
// copy; a device is not replaced by a file.
TEST_F(PitchRetune, ALinkAsTheTargetStaysALinkAndADeviceIsRefused) {
    const std::string source = FlatTone();
    const std::string named = folder_.Write("named.wav", fixtures::Bytes{'o', 'l', 'd'});
    const std::string link = folder_.PathOf("link.wav");
    std::filesystem::create_symlink(named, link);
    ASSERT_EQ(RunPitch({"--retune", link, "--rate", "22050", source}).ExitStatus, 0);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadBytes(named), ModifyCopy(source, folder_.PathOf("modify.wav"), 22050));

    const std::string device = folder_.PathOf("null");  // a null device of its own, harmless to replace
    if (::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
        GTEST_SKIP() << "cannot make a device here";
    }
    EXPECT_EQ(RunPitch({"--retune", device, "--rate", "22050", source}).ExitStatus, 1);
    EXPECT_TRUE(std::filesystem::is_character_file(device));
}

TEST_F(PitchRetune, RefusesTheSourceItselfAndLeavesItUnchanged) {
    const std::string source = FlatTone();
    const fixtures::Bytes before = ReadBytes(source);
    const std::string link = folder_.PathOf("link.wav");
    std::filesystem::create_symlink(source, link);
    for (const std::string& target : {source, link}) {
        const auto run = RunPitch({"--retune", target, source});
        EXPECT_EQ(run.ExitStatus, 1);
        EXPECT_EQ(run.Out, "");
        EXPECT_EQ(run.Err, "korvani-pitch: " + source + ": the target is the source\n");
        EXPECT_EQ(ReadBytes(source), before);
    }
}

TEST_F(PitchRetune, WritesNothingWhenTheTargetCannotBeMade) {
    const std::string source = FlatTone();
    const std::string target = folder_.PathOf("no/such/folder/out.wav");
    const auto run = RunPitch({"--json", "--retune", target, source});
    EXPECT_EQ(run.ExitStatus, 1);
    EXPECT_EQ(run.Err, "korvani-pitch: " + source + ": cannot write " + target + ": No such file or directory\n");
    EXPECT_EQ(FlatJson(Lines(run.Out).at(0)).Keys(), (std::vector<std::string>{"file", "errors", "error_code"}));
    EXPECT_FALSE(std::filesystem::exists(target));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.Path()), {}), 1);
}

TEST_F(PitchRetune, WritesNothingWhenTheFileFailsItsAnalysis) {
    const std::string target = folder_.Write("keep.wav", fixtures::Bytes{'k', 'e', 'e', 'p'});
    for (const std::string& source : {folder_.Write("text.wav", fixtures::Bytes{'n', 'o', 't'}),
                                      folder_.Write("silent.wav", clitest::SilentWave(44100))}) {
        const auto run = RunPitch({"--retune", target, source});
        EXPECT_EQ(run.ExitStatus, 1);
        EXPECT_EQ(ReadBytes(target), (fixtures::Bytes{'k', 'e', 'e', 'p'}));
    }
    const auto pastTheEnd = RunPitch({"--retune", folder_.PathOf("new.wav"), "--start", "5000", FlatTone()});
    EXPECT_EQ(pastTheEnd.ExitStatus, 1);
    EXPECT_FALSE(std::filesystem::exists(folder_.PathOf("new.wav")));
}

TEST_F(PitchRetune, ACopyTheKernelCutsShortFailsAndLeavesTheTargetAsItWas) {
    const std::string source = folder_.Write("long.wav", clitest::SineWave(440.0, 44100, 16, 4.0));
    const fixtures::Bytes standing{'o', 'l', 'd'};
    for (const bool targetExists : {false, true}) {
        SCOPED_TRACE(targetExists ? "existing target" : "new target");
        const std::string target = folder_.PathOf("out.wav");
        std::filesystem::remove(target);
        if (targetExists) {
            folder_.Write("out.wav", standing);
        }
        const std::vector<std::string> before = fixtures::Listing(folder_.Path());
        // 200 blocks of 512 bytes, about a third of the copy; SIGXFSZ ignored.
        const auto run =
            clitest::RunProcess("/bin/sh", {"-c", "trap '' XFSZ; ulimit -f 200; exec \"$0\" \"$@\"", KORVANI_PITCH_PATH,
                                            "--retune", target, "--rate", "48000", source});
        EXPECT_EQ(run.ExitStatus, 1);
        EXPECT_NE(run.Err.find("cannot write " + target + ": File too large"), std::string::npos) << run.Err;
        EXPECT_EQ(fixtures::Listing(folder_.Path()), before);
        if (targetExists) {
            EXPECT_EQ(ReadBytes(target), standing);
        }
    }
}

// A disk that fails the flush before the rename, or whose kernel copy stops
// one byte short: the program fails and the target stays as it was.
TEST_F(PitchRetune, ADiskThatFailsTheCopyLeavesTheTargetAsItWas) {
    const std::string source = FlatTone();
    const char* asan = std::getenv("ASAN_OPTIONS");
    const std::string asanOptions = std::string("ASAN_OPTIONS=") + (asan != nullptr ? asan : "") +
                                    ":verify_asan_link_order=0";  // the fault library comes first
    for (const char* fault : {"fsync", "short-copy"}) {
        for (const bool targetExists : {false, true}) {
            SCOPED_TRACE(std::string(fault) + (targetExists ? ", existing target" : ", new target"));
            const std::string target = folder_.PathOf("out.wav");
            std::filesystem::remove(target);
            if (targetExists) {
                folder_.Write("out.wav", fixtures::Bytes{'o', 'l', 'd'});
            }
            const std::vector<std::string> before = fixtures::Listing(folder_.Path());
            const auto run = clitest::RunProcess(
                "/usr/bin/env",
                {std::string("LD_PRELOAD=") + KORVANI_FAULTY_DISK_PATH, std::string("KORVANI_FAULTY_DISK=") + fault,
                 asanOptions, KORVANI_PITCH_PATH, "--retune", target, "--rate", "48000", source});
            EXPECT_EQ(run.ExitStatus, 1) << run.Out;
            EXPECT_EQ(fixtures::Listing(folder_.Path()), before);
            if (targetExists) {
                EXPECT_EQ(ReadBytes(target), (fixtures::Bytes{'o', 'l', 'd'}));
            }
        }
    }
}

// Another user's file in a sticky folder (as in /tmp): the kernel refuses the
// rename over it, so the program fails, the file stays and no copy is left.
TEST_F(PitchRetune, ARenameTheKernelRefusesLeavesTheTargetAndNoCopy) {
    if (::geteuid() != 0 || ::access("/usr/bin/setpriv", X_OK) != 0) {
        GTEST_SKIP() << "needs root and setpriv to give the target to one user and run the program as another";
    }
    const std::string source = FlatTone();
    const std::string shared = folder_.PathOf("shared");
    ASSERT_EQ(::mkdir(shared.c_str(), 0777), 0);
    ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
    const std::string target = folder_.Write("shared/theirs.wav", fixtures::Bytes{'o', 'l', 'd'});
    ASSERT_EQ(::chown(target.c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chmod(target.c_str(), 0666), 0);  // writable, yet not theirs to replace
    const std::vector<std::string> before = fixtures::Listing(shared);
    const auto run = clitest::RunProcess("/usr/bin/setpriv", {"--reuid=65533", "--regid=65533", "--clear-groups",
                                                              KORVANI_PITCH_PATH, "--retune", target, source});
    EXPECT_EQ(run.ExitStatus, 1) << run.Out << run.Err;
    EXPECT_NE(run.Err.find(target), std::string::npos) << run.Err;
    EXPECT_EQ(ReadBytes(target), (fixtures::Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(fixtures::Listing(shared), before);
}

TEST_F(PitchRetune, AnInterruptedCopyLeavesNoTemporaryFile) {
    // A large file, so that the copy is still running when the signal comes:
    // a second of tone, then silence up to 256 MiB (sparse on the disk).
    constexpr std::uint32_t kDataBytes = 256U << 20;
    const std::string source = folder_.Write("large.wav", clitest::SineWave(440.0, 44100, 16, 1.0));
    {
        std::fstream file(source, std::ios::in | std::ios::out | std::ios::binary);
        const auto putLe32 = [&](std::streamoff at, std::uint32_t value) {
            const std::array<char, 4> bytes{static_cast<char>(value), static_cast<char>(value >> 8),
                                            static_cast<char>(value >> 16), static_cast<char>(value >> 24)};
            file.seekp(at);
            file.write(bytes.data(), bytes.size());
        };
        putLe32(4, 36 + kDataBytes);
        putLe32(40, kDataBytes);
    }
    std::filesystem::resize_file(source, 44 + kDataBytes);
    const std::string target = folder_.PathOf("retuned.wav");
    const std::vector<std::string> before = fixtures::Listing(folder_.Path());

    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        const pid_t child = clitest::StartProcess(KORVANI_PITCH_PATH, {"--retune", target, "--rate", "48000", source});
        // Waits until the copy has begun beside the target, then interrupts it.
        bool copying = false;
        for (int wait = 0; wait < 60000 && !copying; ++wait) {
            copying = fixtures::Listing(folder_.Path()).size() > before.size();
            if (!copying) {
                ::usleep(500);
            }
        }
        ASSERT_TRUE(copying);
        ::kill(child, signal);
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_EQ(fixtures::Listing(folder_.Path()), before);
    }
}

}  // namespace
