// SPDX-License-Identifier: GPL-3.0-or-later
// korvani and korvani-pitch agree: the same recording, the same start time
// and the same clicked bin give the same three texts in korvani's result
// dialog (boxes 107, 108 and 109) as in korvani-pitch's JSON line, and
// "Modify..." writes the same copy, byte for byte, as `--retune`. korvani is
// driven in-process as a person uses it (open..., the boxes, the start-time
// prompt, a click at the bin's column after scrolling); korvani-pitch runs as
// a child process reading as the window does (--as-window: channels mixed). Each case also
// names the note it expects, so that the two cannot agree on a wrong answer
// unnoticed.

#include "app/korvatekApp.h"
#include "document/WaveDocument.h"
#include "presentation/FreqDisplayDialog.h"
#include "presentation/WaveView.h"

#include "framework/Entry.h"
#include "framework/FrameWindow.h"
#include "framework/Scroller.h"
#include "framework/testing/DialogDriver.h"
#include "framework/testing/FileOpenAnswers.h"
#include "framework/testing/FileSaveAnswers.h"
#include "framework/testing/Harness.h"
#include "resources/ResourceIds.h"
#include "tests/app/RunKorvani.h"
#include "tests/cli/FlatJson.h"
#include "tests/cli/PitchProcess.h"
#include "tests/support/RecordingSoundOutput.h"
#include "tests/support/RiffBuilder.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <ostream>
#include <string>
#include <vector>

namespace {

using harness::ScriptedUser;

constexpr std::size_t kRateOffset = 24;  // samples per second in a canonical header

/// A stretch of a sine tone in a recording.
struct ToneSegment {
    double Hz;
    double Seconds;
};

/// One recording, one start time and one click, and the note both programs must name.
struct AgreementCase {
    const char* Name;
    std::uint16_t Channels;
    std::uint32_t SampleRate;
    std::uint16_t Bits;
    std::vector<ToneSegment> Tones;  // played one after the other, the same on every channel
    int StartMilliseconds;
    int Bin;             // the spectrum bin clicked
    int ScrollPosition;  // where the spectrum is scrolled to before the click
    bool NoHigher;       // the "no higher frequency" box checked, --no-higher given
    const char* Note;    // the note text both must show
};

void PrintTo(const AgreementCase& c, std::ostream* out) {
    *out << c.Name;
}

/// The recording of `c`: its tones at half of full scale, phase running on
/// from one tone into the next, 8-bit (unsigned) or 16-bit little-endian.
fixtures::Bytes Recording(const AgreementCase& c) {
    fixtures::Bytes samples;
    double phase = 0.0;
    for (const ToneSegment& tone : c.Tones) {
        const auto count = static_cast<long>(tone.Seconds * c.SampleRate);
        for (long n = 0; n < count; ++n) {
            const double value = 0.5 * std::sin(phase);
            phase += 2 * std::numbers::pi * tone.Hz / c.SampleRate;
            for (std::uint16_t channel = 0; channel < c.Channels; ++channel) {
                if (c.Bits == 8) {
                    samples.push_back(static_cast<std::uint8_t>(128 + std::lround(value * 127.0)));
                } else {
                    fixtures::AppendLe16(
                        samples, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(value * 32767.0))));
                }
            }
        }
    }
    return fixtures::PcmWave(c.Channels, c.SampleRate, c.Bits, samples);
}

/// The three texts korvani's result dialog showed.
struct DialogTexts {
    std::string Frequency;
    std::string Note;
    std::string Rate;
};

class PitchAgreement : public testing::TestWithParam<AgreementCase>, protected KorvaniSurroundings {
protected:
    /// Opens `source` in korvani as a person would, clicks the case's bin,
    /// reads the result dialog and lets "Modify..." write `copy`.
    DialogTexts AskKorvani(const std::string& source, const std::string& copy) {
        const AgreementCase& c = GetParam();
        DialogTexts texts;
        const int code = RunKorvani([&](TApplication& app) {
            TFrameWindow& frame = *app.GetMainWindow();
            const int okBoxes = c.Channels != 1 ? 2 : 1;  // the sample rate, the channel count
            const auto shown = OpenWave(frame, source, std::to_string(c.StartMilliseconds), okBoxes);
            ASSERT_EQ(shown.size(), okBoxes + 1U);
            EXPECT_EQ(shown.back().Caption, "You can specify a start point for the analysis.");
            auto* view = dynamic_cast<TWaveView*>(frame.GetClientWindow());
            ASSERT_NE(view, nullptr);
            view->GetScroller()->ScrollTo(c.ScrollPosition, 0);
            ASSERT_EQ(view->GetScroller()->GetXPos(), c.ScrollPosition);
            const int x = c.Bin - view->GetScroller()->GetXPos();
            ASSERT_GE(x, 0);
            ASSERT_LT(x, view->GetClientRect().Width()) << "the bin's column lies outside the window";
            {
                ScriptedUser user;  // no box may appear
                harness::Click(*view, x, view->GetClientRect().Height() / 2);
            }
            TFreqDisplayDialog* dialog = view->GetResultDialog();
            ASSERT_NE(dialog, nullptr) << "the click opened no result dialog";
            texts.Frequency = harness::ControlText(*dialog, resid::PeakFrequencyBox);
            texts.Note = harness::ControlText(*dialog, resid::NoteBox);
            texts.Rate = harness::ControlText(*dialog, resid::SampleRateBox);
            if (c.NoHigher) {
                harness::ClickControl(*dialog, resid::NoHigherFrequencyBox);
                ASSERT_TRUE(dialog->IsDlgButtonChecked(resid::NoHigherFrequencyBox));
            }
            {
                ScriptedUser user;  // success shows no box
                saves.Choose(copy);
                harness::ClickControl(*dialog, resid::ModifyButton);
            }
            harness::ClickMenuItem(frame, {"&file", "close"});
        });
        EXPECT_EQ(code, 0);
        return texts;
    }

    /// Runs korvani-pitch on `source` with the case's start and bin, retuning
    /// into `copy`; answers its JSON line.
    clitest::FlatJson AskPitch(const std::string& source, const std::string& copy) {
        const AgreementCase& c = GetParam();
        std::vector<std::string> arguments{
            "--as-window", "--start", std::to_string(c.StartMilliseconds), "--bin", std::to_string(c.Bin), "--retune",
            copy,          "--json"};
        if (c.NoHigher) {
            arguments.emplace_back("--no-higher");
        }
        arguments.push_back(source);
        const clitest::ProcessOutcome run = clitest::RunProcess(KORVANI_PITCH_PATH, arguments);
        EXPECT_EQ(run.ExitStatus, 0) << run.Err;
        EXPECT_EQ(run.Err, "");
        const std::vector<std::string> lines = clitest::Lines(run.Out);
        if (lines.size() != 1) {
            ADD_FAILURE() << "korvani-pitch printed " << lines.size() << " lines:\n" << run.Out;
            return clitest::FlatJson(R"({"frequency_text":"","note_text":"","rate_text":"","start_bin":-1})");
        }
        return clitest::FlatJson(lines.front());
    }
};

TEST_P(PitchAgreement, TheResultDialogShowsWhatKorvaniPitchPrintsAndModifyWritesTheSameCopy) {
    const AgreementCase& c = GetParam();
    const std::string source = folder.Write("recording.wav", Recording(c));
    const std::string korvaniCopy = folder.PathOf("modified.wav");
    const std::string pitchCopy = folder.PathOf("retuned.wav");

    const DialogTexts dialog = AskKorvani(source, korvaniCopy);
    const clitest::FlatJson printed = AskPitch(source, pitchCopy);

    EXPECT_EQ(printed.Number("start_bin"), c.Bin);
    EXPECT_EQ(dialog.Frequency, printed.String("frequency_text"));
    EXPECT_EQ(dialog.Note, printed.String("note_text"));
    EXPECT_EQ(dialog.Rate, printed.String("rate_text"));
    EXPECT_EQ(dialog.Note, c.Note);

    const fixtures::Bytes original = fixtures::ReadBytes(source);
    const fixtures::Bytes fromKorvani = fixtures::ReadBytes(korvaniCopy);
    const fixtures::Bytes fromPitch = fixtures::ReadBytes(pitchCopy);
    ASSERT_EQ(fromKorvani.size(), original.size()) << "Modify... wrote no complete copy";
    EXPECT_TRUE(fromKorvani == fromPitch) << "the copies differ";
    auto written = static_cast<std::uint32_t>(std::stoul(dialog.Rate));
    if (c.NoHigher && written > c.SampleRate) {
        written /= 2;
    }
    EXPECT_EQ(fixtures::ReadLe32(fromKorvani, kRateOffset), written);
}

// 438.2 Hz lies below a1: its proposed rate is higher than the file's own,
// which "no higher frequency" halves. The glide sounds a#1 for its first
// 0.8 s and a1 after: the same click names either, by the start time. The
// stereo and four-channel recordings are heard as their mono tone: channels
// mixed, the start time counted in frames.
// The 2960 Hz peak lies beyond the first window width: the spectrum is
// scrolled to reach it.
const AgreementCase kCases[] = {
    {"Mono16At44100OnItsPeak", 1, 44100, 16, {{438.2, 1.5}}, 0, 326, 0, false, "a1 (440.0 Hz)"},
    {"Mono16At44100ClimbingDown", 1, 44100, 16, {{438.2, 1.5}}, 250, 329, 0, true, "a1 (440.0 Hz)"},
    {"GlideFromTheStart", 1, 44100, 16, {{466.16, 0.8}, {440.0, 0.8}}, 0, 337, 100, true, "a#1 (466.2 Hz)"},
    {"GlideFrom800Milliseconds", 1, 44100, 16, {{466.16, 0.8}, {440.0, 0.8}}, 800, 337, 100, false, "a1 (440.0 Hz)"},
    {"Mono8At11025ClimbingUp", 1, 11025, 8, {{523.0, 1.0}}, 0, 385, 0, false, "c2 (523.3 Hz)"},
    {"Stereo16At22050", 2, 22050, 16, {{330.0, 1.0}}, 100, 245, 0, false, "e1 (329.6 Hz)"},
    {"FourChannel8At11025", 4, 11025, 8, {{523.0, 1.0}}, 50, 385, 0, true, "c2 (523.3 Hz)"},
    {"Mono16At48000Scrolled", 1, 48000, 16, {{2960.0, 1.0}}, 0, 2024, 1500, false, "f#4 (2960.0 Hz)"},
};

INSTANTIATE_TEST_SUITE_P(Recordings, PitchAgreement, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<AgreementCase>& recording) { return recording.param.Name; });

}  // namespace
