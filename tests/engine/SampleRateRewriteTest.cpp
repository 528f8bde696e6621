// SPDX-License-Identifier: GPL-3.0-or-later
// The retuned copy: the two rate fields patched, every other byte as the
// source has it, the source never changed, and each failure's message.

#include "tests/engine/WaveTestSupport.h"

#include "engine/SampleRateRewrite.h"
#include "platform/Mmio.h"

#include "tests/support/OrdinaryUser.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

using fixtures::Bytes;
using fixtures::FmtFields;
using fixtures::PcmWave;
using fixtures::ReadBytes;
using fixtures::ReadLe16;
using fixtures::ReadLe32;
using fixtures::RiffBuilder;
using wavetest::Box;
using wavetest::Message;
using wavetest::RecordingReporter;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr std::size_t kRateAt = fixtures::kCanonicalFmtDataOffset + 4;
constexpr std::size_t kByteRateAt = fixtures::kCanonicalFmtDataOffset + 8;
constexpr std::size_t kBlockAlignAt = fixtures::kCanonicalFmtDataOffset + 12;

class SampleRateRewrite : public wavetest::WaveFileTest {
protected:
    // Runs the rewrite with `rate` as the new rate, counting how often it is asked.
    void Rewrite(const std::string& source, const std::string& target, std::uint32_t rate) {
        RewriteSampleRate(
            source, target,
            [this, rate] {
                ++rateAsked;
                return rate;
            },
            reporter);
    }

    // Expects `copy` to equal `original` except for the 8 bytes of the two rate fields.
    static void ExpectEqualOutsideRateFields(const Bytes& copy, const Bytes& original, std::size_t fmtData) {
        ASSERT_EQ(copy.size(), original.size());
        for (std::size_t i = 0; i < copy.size(); ++i) {
            if (i < fmtData + 4 || i >= fmtData + 12) {
                ASSERT_EQ(copy[i], original[i]) << "byte " << i;
            }
        }
    }

    int rateAsked = 0;
};

TEST_F(SampleRateRewrite, CopyCarriesTheNewRateAndItsByteRateAndNothingElseChanges) {
    struct Case {
        std::uint16_t channels;
        std::uint32_t rate;
        std::uint16_t bits;
        std::uint32_t newRate;
        std::uint32_t byteRate;
    };
    for (const Case& c :
         {Case{1, 44100, 16, 48000, 96000}, Case{2, 11025, 8, 22050, 44100}, Case{2, 48000, 16, 44100, 176400},
          Case{1, 48000, 16, 96000, 192000}, Case{2, 44100, 16, 2, 8}, Case{1, 8000, 8, 768000, 768000}}) {
        SCOPED_TRACE(std::to_string(c.rate) + " -> " + std::to_string(c.newRate));
        FmtFields fields = FmtFields::Pcm(c.channels, c.rate, c.bits);
        fields.blockAlign = 7;  // kept as it stands, whatever its value
        const Bytes original = RiffBuilder().Fmt(fields).Data(fixtures::Pattern(1001, c.newRate)).Build();
        const std::string source = WriteFile("source.wav", original);
        const std::string target = folder.PathOf("target.wav");
        reporter.messages.clear();
        rateAsked = 0;

        Rewrite(source, target, c.newRate);

        EXPECT_THAT(reporter.messages, IsEmpty());
        EXPECT_EQ(rateAsked, 1);
        const Bytes copy = ReadBytes(target);
        EXPECT_EQ(ReadLe32(copy, kRateAt), c.newRate);
        EXPECT_EQ(ReadLe32(copy, kByteRateAt), c.byteRate);
        EXPECT_EQ(ReadLe16(copy, kBlockAlignAt), 7U);
        ExpectEqualOutsideRateFields(copy, original, fixtures::kCanonicalFmtDataOffset);
        EXPECT_EQ(ReadBytes(source), original);
        EXPECT_EQ(HeldSinceStart(), kNothing);
    }
}

TEST_F(SampleRateRewrite, ByteRateIsComputedInThirtyTwoBitsAndKeepsTheWrapAround) {
    // 6 x 1000 x 768000 = 0x1_12A8_8000 wraps to 0x12A8_8000 in 32 bits; >> 3 = 0x0255_1000.
    const Bytes original = PcmWave(6, 44100, 1000, fixtures::Pattern(1500));
    const std::string source = WriteFile("six.wav", original);
    const std::string target = folder.PathOf("six-fast.wav");

    Rewrite(source, target, 768000);

    const Bytes copy = ReadBytes(target);
    EXPECT_EQ(ReadLe32(copy, kByteRateAt), 0x02551000U);
    EXPECT_THAT(reporter.messages, IsEmpty());
}

TEST_F(SampleRateRewrite, ARateKorvaniCannotOpenIsNeverWritten) {
    const Bytes original = PcmWave(2, 44100, 16, fixtures::Pattern(400));
    const std::string source = WriteFile("source.wav", original);
    const std::string target = folder.PathOf("target.wav");
    for (const std::uint32_t rate : {0U, 1U, 768001U, 4294967295U}) {
        SCOPED_TRACE(rate);
        reporter.messages.clear();
        Rewrite(source, target, rate);
        EXPECT_THAT(reporter.messages,
                    ElementsAre(Message{std::to_string(rate) + " Hz lies outside 2 to 768000 Hz: file not written",
                                        "unsupported sample rate"}));
        EXPECT_EQ(fixtures::Listing(folder.Path()).size(), 1U) << "neither a copy nor a temporary file";
        EXPECT_EQ(ReadBytes(source), original);
        EXPECT_EQ(HeldSinceStart(), kNothing);
    }
}

TEST_F(SampleRateRewrite, LongFmtChunkAfterOtherChunksIsPatchedInPlace) {
    Bytes longFmt = FmtFields::Pcm(1, 22050, 16).Encode();
    longFmt.insert(longFmt.end(), {0, 0, 0xAB});  // odd: a pad byte follows
    const Bytes original =
        RiffBuilder().Chunk("JUNK", Bytes(5, 0x11)).Chunk("fmt ", longFmt).Data(fixtures::Pattern(64)).Build();
    const std::string source = WriteFile("long.wav", original);
    const std::string target = folder.PathOf("long-out.wav");
    constexpr std::size_t kFmtData = 12 + 8 + 6 + 8;  // RIFF header, JUNK with its pad, fmt header

    Rewrite(source, target, 44100);

    const Bytes copy = ReadBytes(target);
    EXPECT_EQ(ReadLe32(copy, kFmtData + 4), 44100U);
    EXPECT_EQ(ReadLe32(copy, kFmtData + 8), 88200U);
    ExpectEqualOutsideRateFields(copy, original, kFmtData);
}

TEST_F(SampleRateRewrite, ExistingTargetIsReplaced) {
    const Bytes original = PcmWave(1, 44100, 16, fixtures::Pattern(300));
    const std::string source = WriteFile("source.wav", original);
    const std::string target = WriteFile("old.wav", fixtures::Pattern(5000, 3));

    Rewrite(source, target, 32000);

    const Bytes copy = ReadBytes(target);
    EXPECT_EQ(ReadLe32(copy, kRateAt), 32000U);
    ExpectEqualOutsideRateFields(copy, original, fixtures::kCanonicalFmtDataOffset);
}

TEST_F(SampleRateRewrite, TargetThatIsTheSourceItselfIsRefusedBeforeAnythingIsCopiedOrOpened) {
    const Bytes original = PcmWave(1, 44100, 16, fixtures::Pattern(300));
    const std::string source = WriteFile("source.wav", original);
    const std::string symlinkPath = folder.PathOf("symlink.wav");
    ASSERT_EQ(::symlink(source.c_str(), symlinkPath.c_str()), 0);
    const std::string hardLink = folder.PathOf("hardlink.wav");
    ASSERT_EQ(::link(source.c_str(), hardLink.c_str()), 0);
    const std::string dotted = folder.Path() + "/./source.wav";

    for (const std::string& target : {source, symlinkPath, hardLink, dotted}) {
        SCOPED_TRACE(target);
        reporter.messages.clear();
        faults.Clear();

        Rewrite(source, target, 96000);

        EXPECT_THAT(reporter.messages, ElementsAre(Box(target, "Failed to open file   :- (")));
        EXPECT_EQ(faults.Calls().mmioOpen, 0U);
        EXPECT_EQ(ReadBytes(source), original);
    }
    EXPECT_EQ(rateAsked, 0);
}

TEST_F(SampleRateRewrite, ReadOnlyTargetIsNotReplacedAndShowsItsPath) {
    const Bytes original = PcmWave(1, 44100, 16, fixtures::Pattern(300));
    const std::string source = WriteFile("source.wav", original);
    const Bytes before = PcmWave(1, 8000, 8, fixtures::Pattern(40));
    const std::string target = WriteFile("read-only.wav", before);
    ASSERT_EQ(::chmod(target.c_str(), 0444), 0);
    {
        fixtures::ScopedOrdinaryUser ordinaryUser;
        Rewrite(source, target, 48000);
    }

    EXPECT_THAT(reporter.messages, ElementsAre(Box(target, "Failed to open file   :- (")));
    EXPECT_EQ(ReadBytes(target), before);
    EXPECT_EQ(ReadBytes(source), original);
    EXPECT_EQ(rateAsked, 0);
}

// Runs the rewrite in a child process, as `user` would with `fileSizeLimit`
// bytes at most per file (0: no limit; SIGXFSZ ignored, so that the kernel
// refuses the write part-way instead of ending the process), and answers the
// messages it showed.
std::vector<Message> RewriteInChild(const std::string& source, const std::string& target, rlim_t fileSizeLimit,
                                    bool asOrdinaryUser) {
    std::array<int, 2> ends{};
    if (::pipe(ends.data()) != 0) {
        return {Box("no pipe")};
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ends[0]);
        std::signal(SIGXFSZ, SIG_IGN);
        if (fileSizeLimit != 0) {
            const rlimit limit{fileSizeLimit, fileSizeLimit};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        std::optional<fixtures::ScopedOrdinaryUser> user;
        if (asOrdinaryUser) {
            user.emplace();
        }
        RecordingReporter shown;
        RewriteSampleRate(
            source, target, [] { return 48000U; }, shown);
        std::string lines;
        for (const Message& message : shown.messages) {
            lines += message.caption.value_or("") + '\t' + message.text + '\n';
        }
        [[maybe_unused]] const ssize_t written = ::write(ends[1], lines.data(), lines.size());
        ::_exit(0);
    }
    ::close(ends[1]);
    std::string lines;
    std::array<char, 4096> buffer{};
    for (ssize_t got = 0; (got = ::read(ends[0], buffer.data(), buffer.size())) > 0;) {
        lines.append(buffer.data(), static_cast<std::size_t>(got));
    }
    ::close(ends[0]);
    ::waitpid(child, nullptr, 0);
    std::vector<Message> messages;
    std::istringstream in(lines);
    for (std::string caption, text; std::getline(in, caption, '\t') && std::getline(in, text);) {
        messages.push_back(Box(text, caption));
    }
    return messages;
}

TEST_F(SampleRateRewrite, CopyThatCannotBeMadeWholeLeavesTheTargetAsItWasAndSaysWhy) {
    const Bytes original = PcmWave(1, 44100, 16, fixtures::Pattern(300 * 1024));
    const Bytes standing = PcmWave(1, 8000, 8, fixtures::Pattern(40));
    struct Case {
        const char* name;
        const char* sourceName;  // in the folder; missing when not "source.wav"
        const char* targetName;  // in the folder
        bool targetExists;
        rlim_t fileSizeLimit;  // what the kernel lets one file grow to
        bool readOnlyFolder;   // the user may not make files beside the target
        const char* reason;
    };
    for (const Case& c : {
             Case{"disk full, new target", "source.wav", "out.wav", false, 200 * 1024, false, "File too large"},
             Case{"disk full, existing target", "source.wav", "out.wav", true, 200 * 1024, false, "File too large"},
             Case{"read-only folder", "source.wav", "out.wav", true, 0, true, "Permission denied"},
             Case{"missing source", "gone.wav", "out.wav", true, 0, false, "No such file or directory"},
             Case{"missing folder", "source.wav", "none/out.wav", false, 0, false, "No such file or directory"},
         }) {
        SCOPED_TRACE(c.name);
        const fixtures::TempDir place;
        const std::string source = place.Write("source.wav", original);
        const std::string folderPath = place.PathOf("in");
        ASSERT_EQ(::mkdir(folderPath.c_str(), 0755), 0);
        const std::string target = folderPath + "/" + c.targetName;
        if (c.targetExists) {
            ASSERT_TRUE(std::ofstream(target, std::ios::binary)
                            .write(reinterpret_cast<const char*>(standing.data()),
                                   static_cast<std::streamsize>(standing.size())));
            ::chmod(target.c_str(), 0666);
        }
        if (c.readOnlyFolder) {
            ::chmod(folderPath.c_str(), 0555);
        }
        const std::vector<std::string> before = fixtures::Listing(folderPath);

        const auto shown = RewriteInChild(place.PathOf(c.sourceName), target, c.fileSizeLimit, c.readOnlyFolder);

        ::chmod(folderPath.c_str(), 0755);
        EXPECT_THAT(shown, ElementsAre(Box(target + "  -  " + c.reason, "Failed to write file   :- (")));
        EXPECT_EQ(fixtures::Listing(folderPath), before);
        if (c.targetExists) {
            EXPECT_EQ(ReadBytes(target), standing);
        }
        EXPECT_EQ(ReadBytes(source), original);
    }
}

TEST_F(SampleRateRewrite, TargetWithTheLongestNameAFolderHoldsIsWritten) {
    const Bytes original = PcmWave(1, 44100, 16, fixtures::Pattern(300));
    const std::string source = WriteFile("source.wav", original);
    const std::string target = folder.PathOf(std::string(251, 'n') + ".wav");

    Rewrite(source, target, 22050);

    EXPECT_THAT(reporter.messages, IsEmpty());
    EXPECT_EQ(ReadLe32(ReadBytes(target), kRateAt), 22050U);
    EXPECT_EQ(fixtures::Listing(folder.Path()).size(), 2U);
}

// One refused rewrite: the source, a fault to arm, the one message, and
// whether the new rate was asked for.
struct RefusedRewrite {
    const char* name;
    Bytes source;
    std::function<void(platform::fault::ScopedFaults&)> armFault;
    std::string text;  // "" for the target path
    const char* caption;
    bool rateAsked;
};

std::ostream& operator<<(std::ostream& out, const RefusedRewrite& refused) {
    return out << refused.name;
}

std::vector<RefusedRewrite> RefusedRewrites() {
    const Bytes fmt = FmtFields::Pcm(2, 44100, 16).Encode();
    const Bytes data = fixtures::Pattern(200);
    const auto none = [](auto&) {};
    FmtFields noChannel = FmtFields::Pcm(2, 44100, 16);
    noChannel.channels = 0;
    FmtFields rateOne = FmtFields::Pcm(1, 1, 16);
    return {
        {"another form type", RiffBuilder("RMID").Chunk("fmt ", fmt).Data(data).Build(), none,
         "This is not a WAV file.", nullptr, false},
        {"no fmt chunk", RiffBuilder().Data(data).Build(), none, "WAVE file has no \"fmt\" chunk", nullptr, false},
        {"block not allocated", PcmWave(1, 44100, 16, data), [](auto& plan) { plan.FailGlobalAlloc(1); },
         "Not enough memory for fmt", nullptr, false},
        {"block not locked", PcmWave(1, 44100, 16, data), [](auto& plan) { plan.FailGlobalLock(1); },
         "Failed to lock memory for header", nullptr, false},
        {"fmt runs past the file", RiffBuilder().ChunkClaiming("fmt ", fmt, 40).Build(), none,
         "Failed to read format chunk", nullptr, false},
        {"fmt claims 0xFFFFFFFF", RiffBuilder().ChunkClaiming("fmt ", fmt, 0xFFFFFFFFU).Data(data).Build(), none,
         "Failed to read format chunk", nullptr, false},
        {"fmt under 16 bytes", RiffBuilder().Chunk("fmt ", Bytes(fmt.begin(), fmt.begin() + 14)).Data(data).Build(),
         none, "WAVE file has an invalid \"fmt\" chunk", nullptr, false},
        {"no channel", RiffBuilder().Fmt(noChannel).Data(data).Build(), none, "WAVE file has an invalid \"fmt\" chunk",
         nullptr, false},
        {"rate 1", RiffBuilder().Fmt(rateOne).Data(data).Build(), none, "WAVE file has an invalid \"fmt\" chunk",
         nullptr, false},
        {"short write", PcmWave(1, 44100, 16, data), [](auto& plan) { plan.ShortenMmioWrite(15); }, "",
         "cannot write \u00b4fmt\u00b4 chunk", true},
        {"close cannot store the chunk", PcmWave(1, 44100, 16, data),
         [](auto& plan) { plan.FailMmioClose(platform::MMIOERR_CANNOTWRITE); }, "",
         "cannot write \u00b4fmt\u00b4 chunk", true},
    };
}

class RefusedRewriteTest : public wavetest::WaveFileTest, public ::testing::WithParamInterface<RefusedRewrite> {};

TEST_P(RefusedRewriteTest, ShowsOneMessageLeavesTheSourceAndGivesEverythingBack) {
    const RefusedRewrite& refused = GetParam();
    const std::string source = WriteFile("source.wav", refused.source);
    const std::string target = folder.PathOf("target.wav");
    bool rateAsked = false;
    refused.armFault(faults);

    RewriteSampleRate(
        source, target,
        [&] {
            rateAsked = true;
            return 12345U;
        },
        reporter);

    const std::string text = refused.text.empty() ? target : refused.text;
    const Message expected = refused.caption == nullptr ? Box(text) : Box(text, refused.caption);
    EXPECT_THAT(reporter.messages, ElementsAre(expected));
    EXPECT_EQ(rateAsked, refused.rateAsked);
    EXPECT_EQ(ReadBytes(source), refused.source);
    EXPECT_EQ(fixtures::Listing(folder.Path()), std::vector<std::string>{"source.wav"});  // no copy, no temporary file
    EXPECT_EQ(HeldSinceStart(), kNothing);
    EXPECT_EQ(faults.Calls().mmioClose, 1U);
}

INSTANTIATE_TEST_SUITE_P(EveryFailureRow, RefusedRewriteTest, ::testing::ValuesIn(RefusedRewrites()),
                         [](const auto& row) { return wavetest::TestName(row.param.name); });

}  // namespace
