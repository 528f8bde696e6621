// SPDX-License-Identifier: GPL-3.0-or-later
// The one-line input prompt (layout 32514): what it shows, the typing limit
// of its buffer, OK copying the text back, Cancel and Escape leaving the
// buffer as it was.

#include "tests/framework/TestFrameApp.h"

#include "framework/InputDialog.h"
#include "framework/testing/DialogDriver.h"
#include "framework/testing/Harness.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

namespace {

using harness::ScriptedUser;

constexpr const char* kTitle = "You can specify a start point for the analysis.";
constexpr const char* kPrompt = "start time in milli seconds :";

class InputPrompt : public testing::Test {
protected:
    // Runs a prompt over `buffer` of `size` bytes; answers Execute().
    int Ask(char* buffer, int size) {
        int result = 0;
        harness::RunApplication(app, [&] {
            TInputDialog prompt(app.Frame, kTitle, kPrompt, buffer, size);
            result = prompt.Execute();
        });
        return result;
    }

    harness::FakeLockKeys keys;
    TestFrameApp app;
};

TEST_F(InputPrompt, ShowsTitlePromptBufferAndItsTwoButtons) {
    ScriptedUser user;
    user.Then([](QWidget& modal) {
        TDialog& dialog = *harness::DialogOf(modal);
        auto* edit = qobject_cast<QLineEdit*>(harness::ControlOf(dialog, resid::InputEdit));
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->text(), "0");
        EXPECT_EQ(edit->selectedText(), "0") << "the edit box starts with the focus and its text selected";
        EXPECT_EQ(QApplication::focusWidget(), edit);
        EXPECT_EQ(harness::ControlText(dialog, resid::InputPrompt), kPrompt);
        // 180 x 64 dialog units of 8-point "Helv", which is the default sans font here.
        QFont font = QApplication::font();
        font.setPointSize(8);
        const QFontMetrics fm(font);
        const int across =
            (fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 26 + 1) / 2;
        EXPECT_EQ(harness::DialogSize(dialog), QSize((180 * across + 2) / 4, (64 * fm.height() + 4) / 8));
        harness::ClickControl(dialog, IDCANCEL);
    });
    char buffer[8] = "0";
    EXPECT_EQ(Ask(buffer, sizeof buffer), IDCANCEL);
    ASSERT_EQ(user.Shown().size(), 1u);
    EXPECT_EQ(user.Last().Caption, kTitle);
    EXPECT_EQ(user.Last().Owner, app.Frame);
    EXPECT_EQ(user.Last().Buttons, (std::vector<std::string>{"&OK", "&Abbruch"}));
}

TEST_F(InputPrompt, IsAnsweredOnlyOnceItIsActiveWithTheFocusInItsEditBox) {
    ScriptedUser user;
    user.Then([](QWidget& modal) {
        TDialog& dialog = *harness::DialogOf(modal);
        EXPECT_TRUE(modal.isActiveWindow());
        EXPECT_EQ(QApplication::focusWidget(), harness::ControlOf(dialog, resid::InputEdit));
        harness::ClickControl(dialog, IDCANCEL);
    });
    char buffer[8] = "0";
    harness::RunApplication(app, [&] {
        // Busy for longer than the user's polling step, as under load: when the
        // prompt's loop starts, the user's poll is due before the platform's
        // activation of the prompt is delivered.
        const auto busyUntil = std::chrono::steady_clock::now() + std::chrono::milliseconds(50);
        while (std::chrono::steady_clock::now() < busyUntil) {
        }
        TInputDialog prompt(app.Frame, kTitle, kPrompt, buffer, sizeof buffer);
        EXPECT_EQ(prompt.Execute(), IDCANCEL);
    });
    EXPECT_EQ(user.Shown().size(), 1u);
}

TEST_F(InputPrompt, BufferOfEightTakesSevenCharactersAndOkCopiesThemBack) {
    ScriptedUser user;
    user.Then([](QWidget& modal) {
        TDialog& dialog = *harness::DialogOf(modal);
        auto* edit = qobject_cast<QLineEdit*>(harness::ControlOf(dialog, resid::InputEdit));
        QTest::keyClicks(edit, QStringLiteral("1234567890"));  // replaces the selected "0"
        EXPECT_EQ(edit->text(), "1234567") << "the eighth character cannot be typed";
        harness::ClickControl(dialog, IDOK);
    });
    char buffer[8] = "0";
    std::memset(buffer + 2, '#', sizeof buffer - 2);  // never part of the text
    EXPECT_EQ(Ask(buffer, sizeof buffer), IDOK);
    EXPECT_STREQ(buffer, "1234567");
}

TEST_F(InputPrompt, EnterIsOkAndAShorterTextEndsWithItsZero) {
    ScriptedUser user;
    user.Then([](QWidget& modal) {
        QTest::keyClicks(modal.focusWidget(), QStringLiteral("250"));
        QTest::keyClick(modal.focusWidget(), Qt::Key_Return);
    });
    char buffer[8] = "0";
    EXPECT_EQ(Ask(buffer, sizeof buffer), IDOK);
    EXPECT_STREQ(buffer, "250");
}

TEST_F(InputPrompt, CancelAndEscapeLeaveTheBufferUntouched) {
    ScriptedUser user;
    user.TypeAndPress("99", "&Abbruch").Then([](QWidget& modal) {
        QTest::keyClicks(modal.focusWidget(), QStringLiteral("55"));
        QTest::keyClick(modal.focusWidget(), Qt::Key_Escape);
    });
    char buffer[8] = "12";
    harness::RunApplication(app, [&] {
        TInputDialog prompt(app.Frame, kTitle, kPrompt, buffer, sizeof buffer);
        EXPECT_EQ(prompt.Execute(), IDCANCEL);
        EXPECT_STREQ(buffer, "12");
        EXPECT_EQ(prompt.Execute(), IDCANCEL) << "Escape";
        EXPECT_STREQ(buffer, "12");
    });
}

TEST_F(InputPrompt, ACopiedBackTextNeverCutsACharacterOrOverrunsTheBuffer) {
    ScriptedUser user;
    user.Then([](QWidget& modal) {
        TDialog& dialog = *harness::DialogOf(modal);
        auto* edit = qobject_cast<QLineEdit*>(harness::ControlOf(dialog, resid::InputEdit));
        edit->insert(QStringLiteral("äöüß"));  // pasted: the box keeps three characters
        EXPECT_EQ(edit->text(), QStringLiteral("äöü"));
        harness::ClickControl(dialog, IDOK);
    });
    char buffer[5] = "";
    buffer[4] = '#';
    EXPECT_EQ(Ask(buffer, 4), IDOK);
    EXPECT_STREQ(buffer, "ä") << "three bytes fit: ä (2 bytes), but not ö after it";
    EXPECT_EQ(buffer[4], '#');
}

}  // namespace
