// SPDX-License-Identifier: GPL-3.0-or-later
// Only a rate korvani can open (2 to 768000 Hz) is ever written, by the
// result dialog's "Modify..." and by korvani-pitch --retune --rate alike. One
// row per rate: what korvani writes or the box it shows instead (no name
// asked for, the keyboard back in the rate box, the dialog open), and what
// korvani-pitch writes or why it refuses. "no higher frequency" halves only a
// rate above the file's own; the halved rate meets the same rule.

#include "presentation/FreqDisplayDialog.h"
#include "presentation/WaveView.h"

#include "framework/FrameWindow.h"
#include "framework/testing/DialogDriver.h"
#include "framework/testing/Harness.h"
#include "resources/ResourceIds.h"
#include "tests/app/RunKorvani.h"
#include "tests/cli/PitchProcess.h"
#include "tests/cli/ToneFiles.h"
#include "tests/support/RiffBuilder.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace {

using harness::ScriptedUser;

constexpr std::size_t kRateOffset = 24;  // samples per second in a canonical header
constexpr int kPeakBin = 326;            // the 438.2 Hz tone of a 44100 Hz file
constexpr char kUsageError[] = "korvani-pitch: --rate needs a sample rate from 2 to 768000 Hz";

struct RateRow {
    const char* Name;
    const char* Typed;                    // into the rate box, and given to --rate
    bool NoHigher;                        // the box checked, --no-higher given
    std::optional<std::uint32_t> Writes;  // korvani's copy; nothing: the box below
    const char* Box;                      // the box's text when nothing is written
    int PitchStatus;                      // korvani-pitch's exit status
    std::optional<std::uint32_t> PitchWrites;
};

const RateRow kRows[] = {
    {"Zero", "0", false, {}, "0 Hz lies outside 2 to 768000 Hz: file not written", 2, {}},
    {"One", "1", false, {}, "1 Hz lies outside 2 to 768000 Hz: file not written", 2, {}},
    {"Two", "2", false, 2, "", 0, 2},
    {"Highest", "768000", false, 768000, "", 0, 768000},
    {"AboveHighest", "768001", false, {}, "768001 Hz lies outside 2 to 768000 Hz: file not written", 2, {}},
    {"Largest32Bit", "4294967295", false, {}, "4294967295 Hz lies outside 2 to 768000 Hz: file not written", 2, {}},
    {"NoNumber", "abc", false, {}, "0 Hz lies outside 2 to 768000 Hz: file not written", 2, {}},
    // 1 is not above 44100: not halved, and refused as it stands.
    {"OneWithNoHigher", "1", true, {}, "1 Hz lies outside 2 to 768000 Hz: file not written", 2, {}},
    {"HalvedToHighest", "1536001", true, 768000, "", 2, {}},
    {"HalvedAboveHighest", "1536002", true, {}, "768001 Hz lies outside 2 to 768000 Hz: file not written", 2, {}},
};

class RateRange : public testing::Test, protected KorvaniSurroundings {
protected:
    std::string source = folder.Write("tone.wav", clitest::SineWave(438.2, 44100, 16, 1.0));
};

std::optional<std::uint32_t> WrittenRate(const std::string& path) {
    if (!std::filesystem::exists(path)) {
        return std::nullopt;
    }
    return fixtures::ReadLe32(fixtures::ReadBytes(path), kRateOffset);
}

// Selects the rate box's text and types `text` over it.
void TypeRate(const TDialog& dialog, const std::string& text) {
    harness::FocusControl(dialog, resid::SampleRateBox);
    auto* edit = qobject_cast<QLineEdit*>(harness::ControlOf(dialog, resid::SampleRateBox));
    ASSERT_NE(edit, nullptr);
    edit->selectAll();
    QTest::keyClicks(edit, QString::fromStdString(text));
}

TEST_F(RateRange, TheRateFieldWritesOnlyRatesKorvaniOpens) {
    const int code = RunKorvani([&](TApplication& app) {
        TFrameWindow& frame = *app.GetMainWindow();
        OpenWave(frame, source);
        auto* view = dynamic_cast<TWaveView*>(frame.GetClientWindow());
        ASSERT_NE(view, nullptr);
        harness::Click(*view, kPeakBin, view->GetClientRect().Height() / 2);
        TFreqDisplayDialog* dialog = view->GetResultDialog();
        ASSERT_NE(dialog, nullptr);
        for (const RateRow& row : kRows) {
            SCOPED_TRACE(row.Name);
            if (dialog->IsDlgButtonChecked(resid::NoHigherFrequencyBox) != row.NoHigher) {
                harness::ClickControl(*dialog, resid::NoHigherFrequencyBox);
            }
            TypeRate(*dialog, row.Typed);
            const std::string copy = folder.PathOf(std::string(row.Name) + "-korvani.wav");
            const std::size_t asked = saves.Shown().size();
            ScriptedUser user;
            if (row.Writes) {
                saves.Choose(copy);
            } else {
                user.Press(IDOK);
            }
            harness::ClickControl(*dialog, resid::ModifyButton);
            EXPECT_EQ(WrittenRate(copy), row.Writes);
            if (row.Writes) {
                EXPECT_TRUE(user.Shown().empty());
                continue;
            }
            EXPECT_EQ(saves.Shown().size(), asked) << "no name is asked for";
            ASSERT_EQ(user.Shown().size(), 1U);
            EXPECT_EQ(user.Shown()[0].Text, row.Box);
            EXPECT_EQ(user.Shown()[0].Caption, "unsupported sample rate");
            EXPECT_EQ(user.Shown()[0].Owner, view);
            harness::ProcessEvents();
            EXPECT_TRUE(dialog->IsWindow());
            EXPECT_EQ(harness::FocusedControl(*dialog), resid::SampleRateBox) << "the keyboard is back in the rate box";
            QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("44100"));
            EXPECT_EQ(harness::ControlText(*dialog, resid::SampleRateBox), "44100") << "typed over the refused rate";
        }
    });
    EXPECT_EQ(code, 0);
}

TEST_F(RateRange, RateWritesOnlyRatesKorvaniOpens) {
    for (const RateRow& row : kRows) {
        SCOPED_TRACE(row.Name);
        const std::string copy = folder.PathOf(std::string(row.Name) + "-pitch.wav");
        std::vector<std::string> arguments{"--bin", std::to_string(kPeakBin), "--retune", copy, "--rate", row.Typed};
        if (row.NoHigher) {
            arguments.emplace_back("--no-higher");
        }
        arguments.push_back(source);
        const clitest::ProcessOutcome run = clitest::RunProcess(KORVANI_PITCH_PATH, arguments);
        EXPECT_EQ(run.ExitStatus, row.PitchStatus) << run.Err;
        EXPECT_EQ(WrittenRate(copy), row.PitchWrites);
        if (row.PitchStatus == 2) {
            EXPECT_EQ(clitest::Lines(run.Err).at(0), kUsageError);
        }
    }
}

// A rate proposed from the peak, not typed, meets the same rule: a 768000 Hz
// file whose tone lies below a1 proposes more than korvani opens.
TEST_F(RateRange, AProposedRateKorvaniCannotOpenWritesNoCopy) {
    const std::string high = folder.Write("high.wav", clitest::SineWave(432.0, 768000, 16, 0.5));
    const clitest::ProcessOutcome proposed = clitest::RunProcess(KORVANI_PITCH_PATH, {"--near", "432", high});
    ASSERT_EQ(proposed.ExitStatus, 0) << proposed.Err;
    const std::vector<std::string> lines = clitest::Lines(proposed.Out);
    ASSERT_FALSE(lines.empty());
    const std::string rate = lines.back().substr(lines.back().rfind(' ') + 1);
    ASSERT_GT(std::stoul(rate), 768000U) << lines.back();

    const std::string copy = folder.PathOf("high-copy.wav");
    const clitest::ProcessOutcome refused =
        clitest::RunProcess(KORVANI_PITCH_PATH, {"--near", "432", "--retune", copy, high});
    EXPECT_EQ(refused.ExitStatus, 1);
    EXPECT_EQ(refused.Err, "korvani-pitch: " + high + ": unsupported sample rate: " + rate +
                               " Hz lies outside 2 to 768000 Hz: file not written\n");
    EXPECT_FALSE(std::filesystem::exists(copy));

    const clitest::ProcessOutcome halved =
        clitest::RunProcess(KORVANI_PITCH_PATH, {"--near", "432", "--retune", copy, "--no-higher", high});
    EXPECT_EQ(halved.ExitStatus, 0) << halved.Err;
    EXPECT_EQ(WrittenRate(copy), std::stoul(rate) / 2);
}

}  // namespace
