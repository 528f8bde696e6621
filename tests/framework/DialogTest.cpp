// SPDX-License-Identifier: GPL-3.0-or-later
// Dialogs built from layouts: a modal run and its results (OK, Enter,
// Escape, the window's close), the close check and the data copied back on
// OK, the set-up order, the controls' pixel rectangles in dialog units of
// the layout's font, the failures to run or create; modeless dialogs with
// their keyboard (Enter, Escape, Tab) and a derived dialog that takes
// command 2 itself; control wrappers with their text limits.

#include "tests/framework/TestFrameApp.h"

#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/Exceptions.h"
#include "framework/qt/WindowAccess.h"
#include "framework/testing/DialogDriver.h"
#include "framework/testing/Harness.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using harness::ScriptedUser;

class Dialogs : public testing::Test {
protected:
    harness::FakeLockKeys keys;
    TestFrameApp app;
};

// The pixels of a rectangle in dialog units of an 8-point layout font,
// worked out from the font's own measures.
QRect PixelsOf(int x, int y, int cx, int cy) {
    QFont font = QApplication::font();
    font.setPointSize(8);
    const QFontMetrics fm(font);
    const int letters = fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    const int across = (letters / 26 + 1) / 2;
    const int down = fm.height();
    const auto h = [across](int units) { return (units * across + 2) / 4; };
    const auto v = [down](int units) { return (units * down + 4) / 8; };
    return QRect(h(x), v(y), h(cx), v(cy));
}

TEST_F(Dialogs, AModalDialogHasTheLayoutsCaptionTextsAndControlRectanglesForItsFont) {
    ScriptedUser user;
    user.Then([](QWidget& modal) {
        TDialog& dialog = *harness::DialogOf(modal);
        EXPECT_EQ(harness::DialogSize(dialog), PixelsOf(0, 0, 183, 127).size());
        EXPECT_EQ(modal.font().family(), QApplication::font().family()) << "\"MS Sans Serif\" is the default sans";
        EXPECT_EQ(modal.font().pointSize(), 8);
        EXPECT_EQ(harness::ControlRect(dialog, resid::AboutProductLine), PixelsOf(32, 25, 143, 10));
        EXPECT_EQ(harness::ControlRect(dialog, resid::AboutDescriptionLine), PixelsOf(30, 70, 146, 21));
        EXPECT_EQ(harness::ControlRect(dialog, IDOK), PixelsOf(83, 108, 40, 14));
        EXPECT_EQ(harness::ControlText(dialog, resid::AboutProductLine), "beta");
        const auto* icon = modal.findChildren<QLabel*>().at(3);
        EXPECT_FALSE(icon->pixmap().isNull()) << "icon 1001";
        EXPECT_EQ(icon->geometry(), PixelsOf(2, 2, 18, 20));
        harness::ClickControl(dialog, IDOK);
    });
    harness::RunApplication(app, [&] {
        TDialog about(app.Frame, resid::AboutDialog);
        EXPECT_EQ(about.Execute(), IDOK);
        EXPECT_FALSE(about.IsWindow()) << "the window lives only while the dialog runs";
    });
    ASSERT_EQ(user.Shown().size(), 1u);
    EXPECT_EQ(user.Last().Caption, "info about korvani");
    EXPECT_EQ(user.Last().Owner, app.Frame);
    EXPECT_EQ(user.Last().Buttons, (std::vector<std::string>{"OK"}));
    EXPECT_EQ(user.Last().Text, "beta\nKORVANI\nGives you the ability to determine the pitch of a given sample.\n\n");
}

TEST_F(Dialogs, AModalRunEndsWithOneForOkAndEnterAndWithTwoForEscapeAndTheWindowsClose) {
    ScriptedUser user;
    user.PressButton("OK").PressKey(Qt::Key_Return).PressKey(Qt::Key_Escape).Then([](QWidget& modal) {
        modal.close();
    });
    harness::RunApplication(app, [&] {
        TDialog about(app.Frame, resid::AboutDialog);
        EXPECT_EQ(about.Execute(), IDOK);
        EXPECT_EQ(about.Execute(), IDOK);
        EXPECT_EQ(about.Execute(), IDCANCEL);
        EXPECT_EQ(about.Execute(), IDCANCEL);
    });
    EXPECT_EQ(user.Shown().size(), 4u);
}

// A prompt over layout 32514 that records the order of its hooks and
// refuses to close as often as the test says.
class RecordingDialog : public TDialog {
public:
    explicit RecordingDialog(TWindow* parent)
        : TDialog(parent, resid::InputDialog), Edit(new TEdit(this, resid::InputEdit, 10)) {}
    std::vector<std::string> Steps;
    int Refusals = 0;
    std::string Copied;

    bool CanClose() override {
        Steps.push_back("close check");
        return Refusals-- <= 0;
    }

protected:
    void SetupWindow() override {
        TDialog::SetupWindow();
        Steps.push_back(Edit->IsWindow() ? "own set-up, edit bound" : "own set-up, edit missing");
    }
    void TransferData(TTransferDirection direction) override {
        if (direction == TTransferDirection::Set) {
            Steps.push_back("data in");
            Edit->SetText("start");
        } else {
            Steps.push_back("data out");
            Copied = Edit->GetText();
        }
    }

private:
    TEdit* Edit;
};

TEST_F(Dialogs, OkRunsTheCloseCheckThenCopiesTheDataBackAndTheDerivedSetUpRunsLast) {
    ScriptedUser user;
    user.Then([](QWidget& modal) {
        TDialog& dialog = *harness::DialogOf(modal);
        EXPECT_EQ(harness::ControlText(dialog, resid::InputEdit), "start");
        harness::TypeInto(dialog, resid::InputEdit, "ed");
        harness::ClickControl(dialog, IDOK);  // refused: stays open
        EXPECT_TRUE(modal.isVisible());
        harness::ClickControl(dialog, IDOK);
    });
    std::vector<std::string> steps;
    std::string copied;
    harness::RunApplication(app, [&] {
        RecordingDialog dialog(app.Frame);
        dialog.Refusals = 1;
        EXPECT_EQ(dialog.Execute(), IDOK);
        steps = dialog.Steps;
        copied = dialog.Copied;
    });
    EXPECT_EQ(steps, (std::vector<std::string>{"data in", "own set-up, edit bound", "close check", "close check",
                                               "data out"}));
    EXPECT_EQ(copied, "started");
}

TEST_F(Dialogs, CancelCopiesNothingBack) {
    ScriptedUser user;
    user.TypeAndPress("other", "&Abbruch");
    std::vector<std::string> steps;
    harness::RunApplication(app, [&] {
        RecordingDialog dialog(app.Frame);
        EXPECT_EQ(dialog.Execute(), IDCANCEL);
        steps = dialog.Steps;
    });
    EXPECT_EQ(steps, (std::vector<std::string>{"data in", "own set-up, edit bound"}));
}

TEST_F(Dialogs, ADialogWithoutLayoutCannotRunOrBeCreated) {
    harness::RunApplication(app, [&] {
        TDialog missing(app.Frame, 4711);
        missing.SetCaption("Nichts");
        try {
            missing.Execute();
            ADD_FAILURE() << "ran without a layout";
        } catch (const xmsg& x) {
            EXPECT_EQ(x.why(), "Ausführungsfehler bei Fenster Nichts");
        }
        try {
            missing.Create();
            ADD_FAILURE() << "created without a layout";
        } catch (const xmsg& x) {
            EXPECT_EQ(x.why(), "Fehler bei Erzeugung von Fenster Nichts");
        }

        TDialog withStranger(app.Frame, resid::FreqDisplayDialog);
        new TEdit(&withStranger, 999);
        try {
            withStranger.Create();
            ADD_FAILURE() << "a control the layout lacks was bound";
        } catch (const xmsg& x) {
            EXPECT_EQ(x.why(), "Fehler bei Erzeugung eines untergeordneten Fensters für TEdit");
        }
    });
}

// The result dialog's layout with command 2 taken by the dialog itself.
class ModifyingDialog : public TDialog {
public:
    explicit ModifyingDialog(TWindow* parent) : TDialog(parent, resid::FreqDisplayDialog) {}
    DECLARE_EVENT_TABLE
    int Modifications = 0;
    void OnModify() { ++Modifications; }
};

const TEventTable& ModifyingDialog::ClassEventTable() {
    static const TEventTable table(TDialog::ClassEventTable(),
                                   {
                                       EvCommand(resid::ModifyButton, &ModifyingDialog::OnModify),
                                   });
    return table;
}

TEST_F(Dialogs, AModelessDialogIsOpenAtOnceBesideItsOwnerAndEnterOrEscapeCloseIt) {
    harness::RunApplication(app, [&] {
        TDialog dialog(app.Frame, resid::FreqDisplayDialog);
        dialog.Create();
        ASSERT_TRUE(dialog.IsWindow());
        EXPECT_TRUE(dialog.IsVisible()) << "visible from its creation on";
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "not modal";
        EXPECT_EQ(harness::DialogSize(dialog), PixelsOf(0, 0, 261, 99).size());
        const QPoint clientOrigin = TWindowAccess::ChildArea(*app.Frame)->mapToGlobal(QPoint(0, 0));
        EXPECT_EQ(harness::Geometry(dialog).Left - clientOrigin.x(), PixelsOf(3, 21, 0, 0).x());
        EXPECT_EQ(harness::Geometry(dialog).Top - clientOrigin.y(), PixelsOf(3, 21, 0, 0).y());
        EXPECT_EQ(harness::ControlRect(dialog, IDOK), PixelsOf(184, 7, 67, 35));
        EXPECT_EQ(harness::ControlRect(dialog, resid::SampleRateBox), PixelsOf(130, 53, 40, 13));

        harness::FocusControl(dialog, resid::PeakFrequencyBox);
        harness::PressDialogKey(dialog, Qt::Key_Return);
        EXPECT_FALSE(dialog.IsWindow()) << "Enter is the default button, command 1";

        dialog.Create();
        harness::FocusControl(dialog, resid::NoteBox);
        harness::PressDialogKey(dialog, Qt::Key_Escape);
        EXPECT_FALSE(dialog.IsWindow()) << "Escape is command 2, the cancel";

        dialog.Create();
        TWindowAccess::TopWidget(dialog)->close();
        EXPECT_FALSE(dialog.IsWindow()) << "the platform's close destroys it";
    });
}

TEST_F(Dialogs, ADerivedDialogThatMapsCommandTwoGetsEscapeAndTheButtonAndStaysOpen) {
    harness::RunApplication(app, [&] {
        ModifyingDialog dialog(app.Frame);
        dialog.Create();
        harness::FocusControl(dialog, resid::SampleRateBox);
        harness::PressDialogKey(dialog, Qt::Key_Escape);
        EXPECT_EQ(dialog.Modifications, 1);
        harness::ClickControl(dialog, resid::ModifyButton);
        EXPECT_EQ(dialog.Modifications, 2);
        harness::FocusControl(dialog, resid::ModifyButton);
        harness::PressDialogKey(dialog, Qt::Key_Return);
        EXPECT_EQ(dialog.Modifications, 3) << "Enter on a focused push button is that button";
        EXPECT_TRUE(dialog.IsWindow());

        harness::FocusControl(dialog, resid::NoteBox);
        harness::PressDialogKey(dialog, Qt::Key_Return);
        EXPECT_EQ(dialog.Modifications, 3);
        EXPECT_FALSE(dialog.IsWindow()) << "Enter elsewhere is OK";
    });
}

TEST_F(Dialogs, TabWalksTheTabStopsInLayoutOrderAndTheCheckBoxAnswersItsState) {
    harness::RunApplication(app, [&] {
        TDialog dialog(app.Frame, resid::FreqDisplayDialog);
        dialog.Create();
        harness::ProcessEvents();
        TWindowAccess::TopWidget(dialog)->activateWindow();
        harness::ProcessEvents();
        EXPECT_EQ(harness::FocusedControl(dialog), unsigned{IDOK}) << "the first tab stop starts with the focus";
        std::vector<unsigned> order;
        for (int i = 0; i < 5; ++i) {
            harness::PressDialogKey(dialog, Qt::Key_Tab);
            order.push_back(harness::FocusedControl(dialog));
        }
        EXPECT_EQ(order, (std::vector<unsigned>{resid::ModifyButton, resid::PeakFrequencyBox, resid::NoteBox,
                                                resid::SampleRateBox, IDOK}))
            << "the check box has no tab stop";

        EXPECT_FALSE(dialog.IsDlgButtonChecked(resid::NoHigherFrequencyBox));
        harness::ClickControl(dialog, resid::NoHigherFrequencyBox);
        EXPECT_TRUE(dialog.IsDlgButtonChecked(resid::NoHigherFrequencyBox));
        EXPECT_TRUE(dialog.IsWindow()) << "the check box sends no closing command";
        dialog.CheckDlgButton(resid::NoHigherFrequencyBox, false);
        EXPECT_FALSE(dialog.IsDlgButtonChecked(resid::NoHigherFrequencyBox));
        EXPECT_FALSE(dialog.IsDlgButtonChecked(resid::SampleRateBox)) << "an edit box is never checked";
    });
}

TEST_F(Dialogs, EditBoxesTakeAtMostTheirLimitLessOneCharacterAndKeepTheirKeys) {
    harness::RunApplication(app, [&] {
        TDialog dialog(app.Frame, resid::FreqDisplayDialog);
        auto* box = new TEdit(&dialog, resid::SampleRateBox, 32);
        dialog.Create();
        harness::TypeInto(dialog, resid::SampleRateBox, std::string(40, '7'));
        EXPECT_EQ(box->GetText(), std::string(31, '7')) << "a 32nd character cannot be typed";
        char text[32];
        EXPECT_EQ(box->GetText(text, sizeof text), 31);
        char shortText[5];
        EXPECT_EQ(box->GetText(shortText, sizeof shortText), 4);
        EXPECT_STREQ(shortText, "7777");

        // Delete is an accelerator of the main window, but in the box it deletes.
        harness::PressDialogKey(dialog, Qt::Key_Home);
        harness::PressDialogKey(dialog, Qt::Key_Delete);
        EXPECT_EQ(box->GetText().size(), 30u);

        EXPECT_TRUE(box->SetText(std::string(50, 'x')));
        EXPECT_EQ(box->GetText(), std::string(31, 'x'));
        EXPECT_TRUE(dialog.SetDlgItemText(resid::NoteBox, "a1 (440.0 Hz)"));
        char note[32];
        EXPECT_EQ(dialog.GetDlgItemText(resid::NoteBox, note, sizeof note), 13);
        EXPECT_STREQ(note, "a1 (440.0 Hz)");
        EXPECT_FALSE(dialog.SetDlgItemText(4711, "x"));
    });
}

TEST_F(Dialogs, StaticTextsAreCutToTheirLimitAndReadIntoBuffersWholeCharactersOnly) {
    ScriptedUser user;
    user.Then([](QWidget& modal) {
        TDialog& dialog = *harness::DialogOf(modal);
        auto* line = dynamic_cast<TStatic*>(dialog.ChildWithId(resid::AboutProductLine));
        ASSERT_NE(line, nullptr);
        char buffer[128];
        EXPECT_EQ(line->GetText(buffer, sizeof buffer), 4);
        EXPECT_STREQ(buffer, "beta");
        line->SetText("korvani beta 1.1 – größer");
        EXPECT_EQ(harness::ControlText(dialog, resid::AboutProductLine), "korvani beta 1.")
            << "limit 16: 15 characters";
        auto* description = dynamic_cast<TStatic*>(dialog.ChildWithId(resid::AboutDescriptionLine));
        description->SetText("Güte");
        char small[3];
        EXPECT_EQ(description->GetText(small, sizeof small), 1) << "ü does not fit in the second byte";
        EXPECT_STREQ(small, "G");
        harness::ClickControl(dialog, IDOK);
    });
    harness::RunApplication(app, [&] {
        TDialog about(app.Frame, resid::AboutDialog);
        new TStatic(&about, resid::AboutProductLine, 16);
        new TStatic(&about, resid::AboutDescriptionLine, 255);
        EXPECT_EQ(about.Execute(), IDOK);
    });
}

}  // namespace
