// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/cli/FlatJson.h"
#include "tests/cli/PitchProcess.h"
#include "tests/cli/SoundFormatFiles.h"
#include "tests/cli/ToneFiles.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

using clitest::FlatJson;
using clitest::Lines;
using clitest::RunPitch;

constexpr int kRate = 48000;
constexpr std::uint32_t kRetunedRate = 44100;
// A tone between notes, 30 cents above a (220 Hz): every reader must find the same peak.
const double kToneHz = clitest::NoteHz(57, 30.0);

fixtures::Bytes ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return fixtures::Bytes(std::istreambuf_iterator<char>(in), {});
}

// Offset of the "fmt " chunk's contents in a WAV or RF64 file's bytes.
std::size_t FormatContents(const fixtures::Bytes& bytes) {
    const std::string id = "fmt ";
    const auto found = std::search(bytes.begin(), bytes.end(), id.begin(), id.end());
    return static_cast<std::size_t>(found - bytes.begin()) + 8;
}

// The largest magnitude of the spectrum korvani-pitch prints for `path`.
double PeakMagnitude(const std::string& path) {
    double peak = 0.0;
    for (const std::string& line : Lines(RunPitch({"--spectrum", path}).Out)) {
        const auto tab = line.rfind('\t');
        if (tab != std::string::npos && line.find('\t') != tab) {
            peak = std::max(peak, std::stod(line.substr(tab + 1)));
        }
    }
    return peak;
}

struct SoundFormat {
    const char* Name;
    int Format;  ///< libsndfile's container | encoding
    int Channels;
    const char* FormatText;
    bool Retunable;  ///< a WAV file: --retune patches its header
};

void PrintTo(const SoundFormat& format, std::ostream* out) {
    *out << format.Name;
}

class PitchFormats : public ::testing::TestWithParam<SoundFormat> {
protected:
    fixtures::TempDir folder_;
};

TEST_P(PitchFormats, NamesTheNoteOfThe16BitWavAndRetunesOnlyWavHeaders) {
    const SoundFormat& format = GetParam();
    const std::string reference = folder_.Write("reference.wav", clitest::SineWave(kToneHz, kRate, 16, 1.0));
    const std::string source = folder_.PathOf(std::string(format.Name) + ".snd");
    clitest::WriteSoundFile(source, format.Format, kToneHz, kRate, format.Channels, 1.0);

    const auto run = RunPitch({"--json", reference, source});
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    const auto lines = Lines(run.Out);
    ASSERT_EQ(lines.size(), 2U);
    const FlatJson expected(lines[0]);
    const FlatJson json(lines[1]);
    EXPECT_EQ(expected.String("reader"), "korvani");
    EXPECT_EQ(expected.String("format"), "WAV 16-bit PCM");
    EXPECT_EQ(json.String("reader"), "libsndfile");
    EXPECT_EQ(json.String("format"), format.FormatText);
    EXPECT_EQ(json.Number("channels"), format.Channels);
    const std::string text = format.FormatText;
    const std::size_t bits = text.rfind(' ', text.find("-bit")) + 1;
    EXPECT_EQ(json.Number("bits_per_sample"), std::stoi(text.substr(bits)));
    EXPECT_EQ(json.String("note_text"), expected.String("note_text"));
    EXPECT_NEAR(json.Number("frequency"), expected.Number("frequency"), 0.1);
    // The same tone on every channel reads as loud as on one: the channels are averaged, not summed.
    EXPECT_NEAR(PeakMagnitude(source) / PeakMagnitude(reference), 1.0, 0.01);

    const std::string target = folder_.PathOf("retuned.snd");
    const auto retune = RunPitch({"--retune", target, "--rate", std::to_string(kRetunedRate), source});
    if (!format.Retunable) {
        EXPECT_EQ(retune.ExitStatus, 1);
        ASSERT_EQ(Lines(retune.Err).size(), 1U) << retune.Err;
        EXPECT_NE(retune.Err.find(std::string(format.FormatText).substr(0, 4)), std::string::npos) << retune.Err;
        EXPECT_NE(retune.Err.find("WAV files"), std::string::npos) << retune.Err;
        EXPECT_FALSE(std::filesystem::exists(target));
        return;
    }
    ASSERT_EQ(retune.ExitStatus, 0) << retune.Err;
    const fixtures::Bytes original = ReadBytes(source);
    fixtures::Bytes copy = ReadBytes(target);
    const std::size_t fmt = FormatContents(original);
    ASSERT_EQ(copy.size(), original.size());
    EXPECT_EQ(fixtures::ReadLe32(copy, fmt + 4), kRetunedRate);
    const std::uint32_t blockAlign = fixtures::ReadLe16(original, fmt + 12);
    EXPECT_EQ(fixtures::ReadLe32(copy, fmt + 8), blockAlign * kRetunedRate);
    std::copy(original.begin() + static_cast<std::ptrdiff_t>(fmt + 4),
              original.begin() + static_cast<std::ptrdiff_t>(fmt + 12),
              copy.begin() + static_cast<std::ptrdiff_t>(fmt + 4));
    EXPECT_EQ(copy, original);  // only the two rate fields differ
}

INSTANTIATE_TEST_SUITE_P(
    Files, PitchFormats,
    ::testing::Values(SoundFormat{"Wav24", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 1, "WAV 24-bit PCM", true},
                      SoundFormat{"Wav32", SF_FORMAT_WAV | SF_FORMAT_PCM_32, 1, "WAV 32-bit PCM", true},
                      SoundFormat{"WavFloat", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1, "WAV 32-bit float", true},
                      SoundFormat{"WavDouble", SF_FORMAT_WAV | SF_FORMAT_DOUBLE, 1, "WAV 64-bit float", true},
                      SoundFormat{"Extensible24Stereo", SF_FORMAT_WAVEX | SF_FORMAT_PCM_24, 2,
                                  "WAV extensible 24-bit PCM", true},
                      SoundFormat{"Rf64", SF_FORMAT_RF64 | SF_FORMAT_PCM_24, 1, "RF64 24-bit PCM", true},
                      SoundFormat{"Aiff16", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 1, "AIFF 16-bit PCM", false},
                      SoundFormat{"Aiff24", SF_FORMAT_AIFF | SF_FORMAT_PCM_24, 1, "AIFF 24-bit PCM", false},
                      SoundFormat{"Flac16", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 1, "FLAC 16-bit PCM", false},
                      SoundFormat{"Flac24", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 1, "FLAC 24-bit PCM", false}),
    [](const ::testing::TestParamInfo<SoundFormat>& format) { return std::string(format.param.Name); });

TEST(PitchFormatRefusals, FilesCutShortAndUnreadableFilesAreRefusedWithOneLine) {
    fixtures::TempDir folder;
    const auto cut = [&](const char* name, int format) {
        const std::string path = folder.PathOf(name);
        clitest::WriteSoundFile(path, format, kToneHz, kRate, 1, 1.0);
        std::filesystem::resize_file(path, std::filesystem::file_size(path) / 2);
        return path;
    };
    const std::string paths[] = {cut("cut.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24),
                                 cut("cut.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24),
                                 folder.Write("noise.aif", fixtures::Pattern(4000))};
    for (const std::string& path : paths) {
        const auto run = RunPitch({path});
        EXPECT_EQ(run.ExitStatus, 1) << path;
        EXPECT_EQ(run.Out, "") << path;
        EXPECT_EQ(Lines(run.Err).size(), 1U) << run.Err;
        EXPECT_EQ(run.Err.rfind("korvani-pitch: " + path + ": ", 0), 0U) << run.Err;
    }
}

}  // namespace
