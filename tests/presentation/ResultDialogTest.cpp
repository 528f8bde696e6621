// SPDX-License-Identifier: GPL-3.0-or-later
// A left click on the spectrum as a person makes it, and the result dialog
// it opens: the bin under the pointer (scroll position added), the three
// texts, the dialog replaced or left, "Modify..." and Escape with the save
// dialog answered, the rate read back from its box, the copies written.
//
// The recording: a constant offset (bin 0 is then a top without a left
// neighbour: "no lokal maximum!"), an 8 Hz tone (a peak below the lowest
// note) and a tone at 438.153 Hz, whose peak the analysis locates at
// 438.195 Hz, which is named a1 (440.0 Hz) with a proposed rate of 44281.

#include "tests/presentation/WaveViewFixture.h"

#include "presentation/FreqDisplayDialog.h"

#include "framework/qt/WindowAccess.h"
#include "framework/qt/WindowWidget.h"
#include "framework/testing/DialogDriver.h"
#include "framework/testing/FileSaveAnswers.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPointer>
#include <QTest>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using harness::ScriptedUser;
using spectrumtest::ProbeView;
using spectrumtest::SpectrumViewTest;

constexpr int kPeakColumn = 326;             // the 438.153 Hz tone's bin, unscrolled
constexpr int kLowToneColumn = 10;           // climbs to the 8 Hz peak: below every note
constexpr std::size_t kRateOffset = 24;      // samples per second in a canonical header
constexpr std::size_t kByteRateOffset = 28;  // average bytes per second

fixtures::Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return fixtures::Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

/// The dialogs shown now, modal or not.
int VisibleDialogs() {
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<QDialog*>(widget) != nullptr && widget->isVisible()) {
            ++count;
        }
    }
    return count;
}

/// Selects the whole text of edit box `id` and types `text` over it.
void TypeOver(const TDialog& dialog, unsigned id, const std::string& text) {
    harness::FocusControl(dialog, id);
    auto* edit = qobject_cast<QLineEdit*>(harness::ControlOf(dialog, id));
    ASSERT_NE(edit, nullptr);
    edit->selectAll();
    QTest::keyClicks(edit, QString::fromStdString(text));
}

class ResultDialog : public SpectrumViewTest {
protected:
    /// Opens the three-tone recording; answers its view.
    ProbeView* OpenTones(TFrameWindow& frame) {
        source = folder.PathOf("tones.wav");
        return Open(frame, "tones.wav",
                    spectrumtest::ToneWave(44100, {{0.0, 5000.0}, {8.0, 6000.0}, {438.153, 12000.0}}));
    }

    /// Clicks client column `x` of the view (row 100) with the left button.
    static void ClickColumn(TWaveView& view, int x) { harness::Click(view, x, 100); }

    /// Runs the application, opens the three-tone recording, clicks its peak
    /// (no box may appear) and calls `body` with the frame, the view and the
    /// result dialog the click opened; neither pointer is null.
    void RunOnPeak(const std::function<void(TFrameWindow&, ProbeView*, TFreqDisplayDialog*)>& body) {
        Run([&](TFrameWindow& frame) {
            ProbeView* view = OpenTones(frame);
            ASSERT_NE(view, nullptr);
            {
                ScriptedUser user;  // no box may appear
                ClickColumn(*view, kPeakColumn);
            }
            TFreqDisplayDialog* dialog = view->GetResultDialog();
            ASSERT_NE(dialog, nullptr);
            body(frame, view, dialog);
        });
    }

    /// "Modify..." on `dialog`, the save dialog answered with `name` in the
    /// test's folder.
    void ModifyInto(TFreqDisplayDialog& dialog, const std::string& name) {
        saves.Choose(folder.PathOf(name));
        harness::ClickControl(dialog, resid::ModifyButton);
    }

    /// Types `rate` over the rate box, then "Modify..." into `name`.
    void ModifyInto(TFreqDisplayDialog& dialog, const std::string& name, const std::string& rate) {
        TypeOver(dialog, resid::SampleRateBox, rate);
        ModifyInto(dialog, name);
    }

    /// The copy written to `name`, checked to equal the source but for its
    /// two rate fields; answers its samples-per-second field.
    std::uint32_t WrittenRate(const std::string& name) {
        const fixtures::Bytes original = ReadFile(source);
        const fixtures::Bytes copy = ReadFile(folder.PathOf(name));
        EXPECT_EQ(copy.size(), original.size()) << name;
        if (copy.size() != original.size()) {
            return 0;
        }
        const std::uint32_t rate = fixtures::ReadLe32(copy, kRateOffset);
        EXPECT_EQ(fixtures::ReadLe32(copy, kByteRateOffset), rate * 2) << "16-bit mono: two bytes a sample";
        for (std::size_t i = 0; i < copy.size(); ++i) {
            if (i < kRateOffset || i >= kByteRateOffset + 4) {
                EXPECT_EQ(copy[i], original[i]) << name << " byte " << i;
                if (copy[i] != original[i]) {
                    break;
                }
            }
        }
        return rate;
    }

    std::string source;
    harness::FileSaveAnswers saves;
};

TEST_F(ResultDialog, AClickOnAPeakShowsItsFrequencyNoteAndProposedRate) {
    RunOnPeak([&](TFrameWindow&, ProbeView*, TFreqDisplayDialog* dialog) {
        EXPECT_TRUE(dialog->IsWindow());
        EXPECT_TRUE(dialog->IsVisible());
        EXPECT_EQ(harness::Caption(*dialog), "");
        EXPECT_EQ(harness::ControlText(*dialog, resid::PeakFrequencyBox), "438.2 Hz");
        EXPECT_EQ(harness::ControlText(*dialog, resid::NoteBox), "a1 (440.0 Hz)");
        EXPECT_EQ(harness::ControlText(*dialog, resid::SampleRateBox), "44281");
        EXPECT_FALSE(dialog->IsDlgButtonChecked(resid::NoHigherFrequencyBox));
        EXPECT_EQ(harness::ControlText(*dialog, resid::ModifyButton), "Modify...");
    });
}

TEST_F(ResultDialog, StandsAtThreeByTwentyOneUnitsFromTheViewWithItsControlsInFocusOrder) {
    RunOnPeak([&](TFrameWindow&, ProbeView* view, TFreqDisplayDialog* dialog) {
        // Dialog units of the layout's font, measured on "Modify..." at x 200
        // and the check box at y 76.
        const double unitX = harness::ControlRect(*dialog, resid::ModifyButton).x() / 200.0;
        const double unitY = harness::ControlRect(*dialog, resid::NoHigherFrequencyBox).y() / 76.0;
        const QPoint viewOrigin = TWindowAccess::ClientWidget(*view)->mapToGlobal(QPoint(0, 0));
        const QPoint dialogOrigin = TWindowAccess::TopWidget(*dialog)->geometry().topLeft();
        EXPECT_NEAR(dialogOrigin.x() - viewOrigin.x(), 3 * unitX, 1.5);
        EXPECT_NEAR(dialogOrigin.y() - viewOrigin.y(), 21 * unitY, 1.5);
        EXPECT_NEAR(harness::DialogSize(*dialog).width(), 261 * unitX, 1.5);
        EXPECT_NEAR(harness::DialogSize(*dialog).height(), 99 * unitY, 1.5);

        harness::FocusControl(*dialog, resid::OkButton);
        std::vector<unsigned> order{harness::FocusedControl(*dialog)};
        for (int i = 0; i < 5; ++i) {
            harness::PressDialogKey(*dialog, Qt::Key_Tab);
            order.push_back(harness::FocusedControl(*dialog));
        }
        EXPECT_EQ(order, (std::vector<unsigned>{resid::OkButton, resid::ModifyButton, resid::PeakFrequencyBox,
                                                resid::NoteBox, resid::SampleRateBox, resid::OkButton}));
    });
}

TEST_F(ResultDialog, TheScrollPositionIsAddedToTheClickedColumn) {
    Run([&](TFrameWindow& frame) {
        ProbeView* view = OpenTones(frame);
        ASSERT_NE(view, nullptr);
        ScriptedUser user;  // no box may appear
        ClickColumn(*view, kLowToneColumn);
        EXPECT_EQ(view->GetResultDialog(), nullptr) << "bin 10 climbs to 8 Hz, below every note: no result";

        view->GetScroller()->ScrollTo(300, 0);
        ClickColumn(*view, 10);
        ASSERT_NE(view->GetResultDialog(), nullptr);
        EXPECT_EQ(harness::ControlText(*view->GetResultDialog(), resid::PeakFrequencyBox), "438.2 Hz");
    });
}

TEST_F(ResultDialog, AClickPastTheLastBinDoesNothing) {
    Run([&](TFrameWindow& frame) {
        ProbeView* view = Open(frame, "low-rate.wav", spectrumtest::ToneWave(1000, {{100.0, 8000.0}}));
        ASSERT_NE(view, nullptr);
        ASSERT_EQ(view->GetWaveDocument().Wave().Analysis().BinCount, 512);
        ScriptedUser user;  // no box may appear
        ClickColumn(*view, 512);
        ClickColumn(*view, 900);
        EXPECT_EQ(view->GetResultDialog(), nullptr);
        EXPECT_EQ(VisibleDialogs(), 0);

        ClickColumn(*view, 102);  // 100 Hz lies at bin 102.4
        ASSERT_NE(view->GetResultDialog(), nullptr);
        EXPECT_EQ(harness::ControlText(*view->GetResultDialog(), resid::NoteBox), "G ( 98.0 Hz)");
    });
}

TEST_F(ResultDialog, AFailedClickLeavesTheDialogASecondPeakReplacesIt) {
    RunOnPeak([&](TFrameWindow&, ProbeView* view, TFreqDisplayDialog* first) {
        TypeOver(*first, resid::SampleRateBox, "12345");

        ScriptedUser user;
        user.Press(IDOK);
        ClickColumn(*view, 0);  // bin 0 is a top without a left neighbour
        ClickColumn(*view, kLowToneColumn);
        ASSERT_EQ(user.Shown().size(), 1U);
        EXPECT_EQ(user.Shown()[0].Text, "no lokal maximum!");
        EXPECT_EQ(user.Shown()[0].Caption, DefaultMessageBoxCaption);
        EXPECT_EQ(user.Shown()[0].Owner, view);
        EXPECT_EQ(view->GetResultDialog(), first);
        EXPECT_TRUE(first->IsWindow());
        EXPECT_EQ(harness::ControlText(*first, resid::SampleRateBox), "12345");

        const QPointer<QWidget> firstWindow = TWindowAccess::TopWidget(*first);
        ClickColumn(*view, kPeakColumn + 2);
        ASSERT_NE(view->GetResultDialog(), nullptr);
        EXPECT_TRUE(firstWindow.isNull() || !firstWindow->isVisible());
        EXPECT_EQ(harness::ControlText(*view->GetResultDialog(), resid::SampleRateBox), "44281");
        EXPECT_EQ(VisibleDialogs(), 1);
    });
}

/// One second of the three tones at 44100 Hz, 16 bits, in `channels`
/// channels that differ from one another (pairs of the tones plus and minus
/// another sine) but whose mean is the mono recording, value for value.
fixtures::Bytes TonesHeardIn(std::uint16_t channels) {
    const fixtures::Bytes mono = spectrumtest::Tones16(44100, {{0.0, 5000.0}, {8.0, 6000.0}, {438.153, 12000.0}});
    fixtures::Bytes data;
    for (std::size_t i = 0; i < mono.size() / 2; ++i) {
        const auto heard = static_cast<std::int16_t>(fixtures::ReadLe16(mono, 2 * i));
        for (std::uint16_t c = 0; c < channels; ++c) {
            const double other = 1000.7 * (1 + c / 2);
            const long apart =
                channels == 1
                    ? 0
                    : std::lround(4000.0 * std::sin(2 * std::numbers::pi * other * static_cast<double>(i) / 44100));
            fixtures::AppendLe16(data, static_cast<std::uint16_t>(heard + (c % 2 == 0 ? apart : -apart)));
        }
    }
    return fixtures::PcmWave(channels, 44100, 16, data);
}

// A stereo and a four-channel recording are heard as the mono one they mix
// to: the view draws its spectrum, pixel for pixel, and a click on its peak
// names its note. One channel, the sum, or the values one after another
// (an octave low) would draw and name something else.
TEST_F(ResultDialog, SeveralChannelsShowTheSpectrumAndNoteOfWhatIsHeard) {
    struct Seen {
        QImage Spectrum;
        std::string Frequency;
        std::string Note;
        std::string Rate;
    };
    const auto look = [&](std::uint16_t channels) {
        Seen seen;
        Run([&](TFrameWindow& frame) {
            ProbeView* view = Open(frame, "heard.wav", TonesHeardIn(channels), channels == 1 ? 1 : 2);
            ASSERT_NE(view, nullptr);
            seen.Spectrum = harness::ClientImage(*view);
            ScriptedUser user;  // no box may appear
            ClickColumn(*view, kPeakColumn);
            const TFreqDisplayDialog* dialog = view->GetResultDialog();
            ASSERT_NE(dialog, nullptr);
            seen.Frequency = harness::ControlText(*dialog, resid::PeakFrequencyBox);
            seen.Note = harness::ControlText(*dialog, resid::NoteBox);
            seen.Rate = harness::ControlText(*dialog, resid::SampleRateBox);
        });
        return seen;
    };
    const Seen mono = look(1);
    EXPECT_EQ(mono.Note, "a1 (440.0 Hz)");
    EXPECT_EQ(mono.Rate, "44281");
    for (const std::uint16_t channels : {std::uint16_t{2}, std::uint16_t{4}}) {
        const Seen heard = look(channels);
        EXPECT_TRUE(heard.Spectrum == mono.Spectrum) << channels << " channels draw another spectrum";
        EXPECT_EQ(heard.Frequency, mono.Frequency) << channels << " channels";
        EXPECT_EQ(heard.Note, mono.Note) << channels << " channels";
        EXPECT_EQ(heard.Rate, mono.Rate) << channels << " channels";
    }
}

TEST_F(ResultDialog, ModifyWritesTheProposedRateIntoACopyAndStaysOpen) {
    RunOnPeak([&](TFrameWindow&, ProbeView* view, TFreqDisplayDialog* dialog) {
        ScriptedUser user;  // success shows no box
        ModifyInto(*dialog, "proposed.wav");

        EXPECT_EQ(WrittenRate("proposed.wav"), 44281U);
        const TSaveFileRequest asked = saves.Last();
        EXPECT_EQ(asked.Owner, dialog);
        EXPECT_EQ(asked.Filters, (std::vector<std::pair<std::string, std::string>>{{"Wave Files (*.WAV)", "*.wav"}}));
        EXPECT_EQ(asked.DefaultExt, "WAV");
        EXPECT_EQ(asked.InitialName, source);
        EXPECT_EQ(asked.InitialDir, "");
        EXPECT_EQ(asked.Flags, 0x0006U);
        EXPECT_TRUE(dialog->IsWindow());
        EXPECT_EQ(view->GetResultDialog(), dialog);
        EXPECT_EQ(harness::ControlText(*dialog, resid::SampleRateBox), "44281");
    });
}

TEST_F(ResultDialog, NoHigherFrequencyHalvesOnlyARateAboveTheFilesOwn) {
    RunOnPeak([&](TFrameWindow&, ProbeView*, TFreqDisplayDialog* dialog) {
        harness::ClickControl(*dialog, resid::NoHigherFrequencyBox);
        ASSERT_TRUE(dialog->IsDlgButtonChecked(resid::NoHigherFrequencyBox));

        ModifyInto(*dialog, "halved.wav");
        ModifyInto(*dialog, "lower.wav", "43900");
        ModifyInto(*dialog, "same.wav", "44100");

        EXPECT_EQ(WrittenRate("halved.wav"), 22140U);
        EXPECT_EQ(WrittenRate("lower.wav"), 43900U);
        EXPECT_EQ(WrittenRate("same.wav"), 44100U);
    });
}

TEST_F(ResultDialog, TheRateBoxIsReadByItsLeadingNumber) {
    RunOnPeak([&](TFrameWindow&, ProbeView*, TFreqDisplayDialog* dialog) {
        ScriptedUser user;  // no box: a box without a number reads 0, refused with the rates (tests/app)
        ModifyInto(*dialog, "blanks.wav", "  48000");
        ModifyInto(*dialog, "hz.wav", "+32000 Hz");

        EXPECT_EQ(WrittenRate("blanks.wav"), 48000U);
        EXPECT_EQ(WrittenRate("hz.wav"), 32000U);
    });
}

TEST(LeadingUnsigned32, ReadsTheLeadingNumberAndWrapsWithoutARangeCheck) {
    EXPECT_EQ(LeadingUnsigned32("  48000"), 48000U);
    EXPECT_EQ(LeadingUnsigned32("\t\n+7x9"), 7U);
    EXPECT_EQ(LeadingUnsigned32("abc"), 0U);
    EXPECT_EQ(LeadingUnsigned32(""), 0U);
    EXPECT_EQ(LeadingUnsigned32("- 5"), 0U);
    EXPECT_EQ(LeadingUnsigned32("-1"), 4294967295U);
    EXPECT_EQ(LeadingUnsigned32("4294967296"), 0U);
    EXPECT_EQ(LeadingUnsigned32("4294967297"), 1U);
}

TEST_F(ResultDialog, EscapeAsksForANameAndCancellingItWritesNothing) {
    RunOnPeak([&](TFrameWindow&, ProbeView* view, TFreqDisplayDialog* dialog) {
        ScriptedUser user;
        user.Press(IDOK);
        saves.Cancel();
        harness::FocusControl(*dialog, resid::SampleRateBox);
        harness::PressDialogKey(*dialog, Qt::Key_Escape);

        EXPECT_EQ(saves.Shown().size(), 1U);
        ASSERT_EQ(user.Shown().size(), 1U);
        EXPECT_EQ(user.Shown()[0].Text, "file not written");
        EXPECT_EQ(user.Shown()[0].Caption, DefaultMessageBoxCaption);
        EXPECT_EQ(user.Shown()[0].Owner, view);
        EXPECT_TRUE(dialog->IsWindow());
        EXPECT_EQ(view->GetResultDialog(), dialog);
    });
}

TEST_F(ResultDialog, AfterARefusedModifyTheKeysReachTheDialogAgain) {
    RunOnPeak([&](TFrameWindow&, ProbeView*, TFreqDisplayDialog* dialog) {
        harness::ProcessEvents();
        ASSERT_EQ(QApplication::activeWindow(), TWindowAccess::TopWidget(*dialog)) << "a new window is the active one";
        ScriptedUser user;
        user.Press(IDOK);
        saves.Choose(source);  // the file itself: refused with a box owned by the view
        harness::PressDialogKey(*dialog, Qt::Key_Escape);
        ASSERT_EQ(user.Shown().size(), 1U);
        harness::ProcessEvents();

        // The next key goes where the keyboard is now, as a person's would.
        QWidget* keyboard = QApplication::focusWidget();
        ASSERT_NE(keyboard, nullptr);
        EXPECT_EQ(keyboard->window(), TWindowAccess::TopWidget(*dialog));
        saves.Cancel();
        user.Press(IDOK);  // "file not written"
        QTest::keyClick(keyboard, Qt::Key_Escape);
        EXPECT_EQ(saves.Shown().size(), 2U) << "Escape asks for a name again";
    });
}

TEST_F(ResultDialog, TwoModifiesWithTwoNamesGiveTwoCopies) {
    RunOnPeak([&](TFrameWindow&, ProbeView*, TFreqDisplayDialog* dialog) {
        ModifyInto(*dialog, "first.wav");
        ModifyInto(*dialog, "second", "22050");

        EXPECT_EQ(WrittenRate("first.wav"), 44281U);
        EXPECT_EQ(WrittenRate("second.WAV"), 22050U) << "the default extension is added";
        EXPECT_TRUE(dialog->IsWindow());
    });
}

TEST_F(ResultDialog, EachBoxTakesThirtyOneCharactersAtMost) {
    RunOnPeak([&](TFrameWindow&, ProbeView*, TFreqDisplayDialog* dialog) {
        const std::string forty(40, '7');
        for (const unsigned box : {resid::PeakFrequencyBox, resid::NoteBox, resid::SampleRateBox}) {
            TypeOver(*dialog, box, forty);
            EXPECT_EQ(harness::ControlText(*dialog, box), std::string(31, '7')) << "box " << box;
        }
    });
}

TEST_F(ResultDialog, EnterClosesTheDialogWhoseObjectStaysWithTheView) {
    RunOnPeak([&](TFrameWindow&, ProbeView* view, TFreqDisplayDialog* dialog) {
        harness::FocusControl(*dialog, resid::NoteBox);
        harness::PressDialogKey(*dialog, Qt::Key_Return);
        EXPECT_FALSE(dialog->IsWindow());
        EXPECT_EQ(view->GetResultDialog(), dialog);
        EXPECT_EQ(VisibleDialogs(), 0);

        // The view keeps working: the next peak opens a new dialog.
        ClickColumn(*view, kPeakColumn);
        ASSERT_NE(view->GetResultDialog(), nullptr);
        EXPECT_TRUE(view->GetResultDialog()->IsWindow());
    });
}

TEST_F(ResultDialog, ClosingTheDocumentTakesTheDialogAlong) {
    RunOnPeak([&](TFrameWindow& frame, ProbeView*, TFreqDisplayDialog* dialog) {
        const QPointer<QWidget> shown = TWindowAccess::TopWidget(*dialog);
        ASSERT_FALSE(shown.isNull());

        fixtures::ClickClose(frame);
        EXPECT_EQ(frame.GetClientWindow(), nullptr);
        EXPECT_TRUE(shown.isNull() || !shown->isVisible());
        EXPECT_EQ(VisibleDialogs(), 0);
    });
}

}  // namespace
