// SPDX-License-Identifier: GPL-3.0-or-later
// korvani from end to end, as a person uses it: "open..." on a recording of
// a 440 Hz tone, the sampling-frequency box answered, start time 0, the
// spectrum shown, a left click at the peak's column, the result dialog naming
// a1, and "Modify..." writing a copy whose header carries the proposed rate.
// The program is the real one: AppMain, korvatekApp and the wave template
// that joins the static list while the program starts.

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
#include "tests/support/RecordingSoundOutput.h"
#include "tests/support/RiffBuilder.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

namespace {

using harness::ScriptedUser;

constexpr std::size_t kRateOffset = 24;      // samples per second in a canonical header
constexpr std::size_t kByteRateOffset = 28;  // average bytes per second

/// One second of a 440 Hz tone, 16-bit mono at 44100 Hz.
fixtures::Bytes Tone440() {
    fixtures::Bytes samples;
    for (int i = 0; i < 44100; ++i) {
        const double value = 12000.0 * std::sin(2 * std::numbers::pi * 440.0 * i / 44100.0);
        fixtures::AppendLe16(samples, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(value))));
    }
    return fixtures::PcmWave(1, 44100, 16, samples);
}

class EndToEnd : public testing::Test, protected KorvaniSurroundings {};

TEST_F(EndToEnd, OpenClickThePeakReadTheNoteAndWriteARetunedCopy) {
    const std::string source = folder.Write("tone440.wav", Tone440());
    const std::string target = folder.PathOf("retuned.wav");
    const int code = RunKorvani([&](TApplication& app) {
        TFrameWindow& frame = *app.GetMainWindow();
        const std::vector<harness::ShownModal> shown = OpenWave(frame, source);
        ASSERT_EQ(shown.size(), 2U);
        EXPECT_EQ(shown[0].Text, "44100 Hz ,  16 bit");
        EXPECT_EQ(shown[0].Caption, "sampling frequency");
        EXPECT_EQ(shown[1].Caption, "You can specify a start point for the analysis.");
        EXPECT_EQ(files.Last().Filters, (std::vector<TFileFilter>{{"Wave files (*.wav)", "*.wav"}}));
        EXPECT_EQ(harness::Caption(frame), "korvani - tone440.wav");
        EXPECT_EQ(sound.Sounds().size(), 1U) << "the file is played once";

        auto* view = dynamic_cast<TWaveView*>(frame.GetClientWindow());
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(view->GetScroller()->GetXRange(), 16384 - 1004);
        const int h = view->GetClientRect().Height();
        const auto peak = static_cast<int>(view->GetWaveDocument().Wave().Analysis().Magnitude[327]);
        EXPECT_EQ(harness::Pixel(*view, 327, h - 10 - peak).R, 200) << "the peak is drawn in its column";

        {
            ScriptedUser user;                  // no box may appear
            harness::Click(*view, 327, h / 2);  // 440 Hz lies at bin 326.9
        }
        TFreqDisplayDialog* dialog = view->GetResultDialog();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(harness::ControlText(*dialog, resid::PeakFrequencyBox), "440.0 Hz");
        EXPECT_EQ(harness::ControlText(*dialog, resid::NoteBox), "a1 (440.0 Hz)");
        const std::string rateText = harness::ControlText(*dialog, resid::SampleRateBox);
        const auto proposed = static_cast<std::uint32_t>(std::stoul(rateText));
        EXPECT_NEAR(proposed, 44100U, 10U) << "a tone on its note needs almost no correction";

        {
            ScriptedUser user;  // success shows no box
            saves.Choose(target);
            harness::ClickControl(*dialog, resid::ModifyButton);
        }
        EXPECT_EQ(saves.Last().InitialName, source);
        const fixtures::Bytes original = fixtures::ReadBytes(source);
        const fixtures::Bytes copy = fixtures::ReadBytes(target);
        ASSERT_EQ(copy.size(), original.size());
        EXPECT_EQ(fixtures::ReadLe32(copy, kRateOffset), proposed);
        EXPECT_EQ(fixtures::ReadLe32(copy, kByteRateOffset), proposed * 2);
        for (std::size_t i = 0; i < copy.size(); ++i) {
            if (i < kRateOffset || i >= kByteRateOffset + 4) {
                ASSERT_EQ(copy[i], original[i]) << "byte " << i;
            }
        }
        EXPECT_TRUE(dialog->IsWindow()) << "the dialog stays open after the rewrite";

        harness::ClickMenuItem(frame, {"&file", "close"});
        EXPECT_EQ(harness::Caption(frame), "korvani");
    });
    EXPECT_EQ(code, 0);
}

}  // namespace

// No picture outlives its file: "close" leaves an empty client area under the
// caption "korvani", read back pixel by pixel (the file's preview, drawn on
// the main window itself, stood under its view until then).
TEST_F(EndToEnd, ClosingTheFileLeavesAnEmptyWindow) {
    const std::string source = folder.Write("tone440.wav", Tone440());
    const int code = RunKorvani([&](TApplication& app) {
        TFrameWindow& frame = *app.GetMainWindow();
        const auto blank = [&frame] {
            const QImage image = harness::ClientImage(frame);
            return std::all_of(image.constBits(), image.constBits() + image.sizeInBytes(),
                               [](uchar byte) { return byte == 0xFF; });
        };
        ASSERT_TRUE(blank()) << "a fresh window is empty";
        bool previewShown = false;
        {
            ScriptedUser user;
            user.Press(IDOK).Then([&](QWidget& prompt) {
                previewShown = !blank();
                harness::ClickControl(*harness::DialogOf(prompt), IDOK);
            });
            files.Choose(source);
            harness::ClickMenuItem(frame, {"&file", "open..."});
        }
        ASSERT_TRUE(previewShown);
        ASSERT_NE(frame.GetClientWindow(), nullptr);
        harness::ClickMenuItem(frame, {"&file", "close"});
        EXPECT_EQ(frame.GetClientWindow(), nullptr);
        EXPECT_EQ(harness::Caption(frame), "korvani");
        EXPECT_TRUE(blank()) << "the closed file's preview is gone";
    });
    EXPECT_EQ(code, 0);
}
