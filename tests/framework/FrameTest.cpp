// SPDX-License-Identifier: GPL-3.0-or-later
// The decorated frame as a person sees it: the menu bar from the menu
// description, menu hints in the status bar, command enabling and routing,
// the document-title rule, the client window, and the status bar with its
// mode indicators and recessed fields.

#include "tests/framework/TestFrameApp.h"

#include "framework/Exceptions.h"
#include "framework/qt/Conversions.h"
#include "framework/testing/Harness.h"
#include "resources/ResourceIds.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPalette>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using harness::ScriptedUser;

// A client window that handles "info &about...", refuses "open..." through
// an enabler, and records the commands that reach it.
class CommandWindow : public TWindow {
public:
    explicit CommandWindow(TWindow* parent) : TWindow(parent) {}
    DECLARE_EVENT_TABLE
    void CmAbout() { Received.push_back(CmdAbout); }
    void CmOpen() { Received.push_back(CmdOpen); }
    void CeOpen(TCommandEnabler& ce) { ce.Enable(false); }
    std::vector<unsigned> Received;
};

const TEventTable& CommandWindow::ClassEventTable() {
    static const TEventTable table(TWindow::ClassEventTable(), {
                                                                   EvCommand(CmdAbout, &CommandWindow::CmAbout),
                                                                   EvCommand(CmdOpen, &CommandWindow::CmOpen),
                                                                   EvCommandEnable(CmdOpen, &CommandWindow::CeOpen),
                                                               });
    return table;
}

class Frame : public ClientWindowTest<CommandWindow> {
protected:
    std::string Hint() { return app.StatusBar->GetText(); }
};

TEST_F(Frame, MenuBarShowsTheGroupsWithoutTheirSeparator) {
    harness::RunApplication(app, [&] {
        EXPECT_EQ(harness::MenuBarEntries(*app.Frame), (std::vector<std::string>{"&file", "&help"}));
        QMenu* file = harness::OpenMenu(*app.Frame, "&file");
        ASSERT_NE(file, nullptr);
        std::vector<std::string> items;
        for (QAction* action : file->actions()) {
            items.push_back(action->isSeparator() ? "-" : action->text().toStdString());
        }
        EXPECT_EQ(items, (std::vector<std::string>{"open...", "-", "close", "-", "&quit\tAlt+F4"}));
        harness::CloseMenus();
    });
}

TEST_F(Frame, EnablesAnItemExactlyWhenAnEnablerSaysSoOrAHandlerExists) {
    harness::RunApplication(app, [&] {
        EXPECT_TRUE(harness::IsMenuItemEnabled(*app.Frame, {"&file", "&quit\tAlt+F4"})) << "the frame handles 24310";
        EXPECT_TRUE(harness::IsMenuItemEnabled(*app.Frame, {"&help", "info &about..."})) << "the client handles it";
        EXPECT_FALSE(harness::IsMenuItemEnabled(*app.Frame, {"&file", "open..."})) << "its enabler says no";
        EXPECT_FALSE(harness::IsMenuItemEnabled(*app.Frame, {"&file", "close"})) << "nobody handles 24339";
    });
}

TEST_F(Frame, WithoutTheHandlerTheItemIsDisabled) {
    TestFrameApp bare;
    harness::RunApplication(bare, [&] {
        EXPECT_FALSE(harness::IsMenuItemEnabled(*bare.Frame, {"&help", "info &about..."}));
        EXPECT_TRUE(harness::IsMenuItemEnabled(*bare.Frame, {"&file", "&quit\tAlt+F4"}));
    });
}

TEST_F(Frame, MenuCommandsReachTheFocusedWindowFirst) {
    harness::RunApplication(app, [&] {
        EXPECT_EQ(app.Frame->GetCommandTarget(), client);
        harness::ClickMenuItem(*app.Frame, {"&help", "info &about..."});
        EXPECT_EQ(client->Received, (std::vector<unsigned>{CmdAbout}));
        EXPECT_FALSE(app.Frame->RouteCommand(CmdClose)) << "nobody takes 24339";
    });
}

TEST_F(Frame, MenuHintsFollowTheHighlightAndClearWhenTheMenuCloses) {
    harness::RunApplication(app, [&] {
        EXPECT_EQ(Hint(), "");
        QMenu* file = harness::OpenMenu(*app.Frame, "&file");
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(Hint(), "Ein neues Dokument erzeugen") << "the popup: its first item's id minus 1";
        harness::HoverMenuItem(*file, "open...");
        EXPECT_EQ(Hint(), "Ein existierendes Dokument öffnen");
        harness::HoverMenuItem(*file, "close");
        EXPECT_EQ(Hint(), "Dieses Dokument schließen");
        harness::HoverMenuItem(*file, "&quit\tAlt+F4");
        EXPECT_EQ(Hint(), "korvatekApp beenden und Speicherung der Dokumente abfragen");

        // The pointer on the separator between "close" and "&quit".
        QAction* separator = file->actions().at(3);
        ASSERT_TRUE(separator->isSeparator());
        QTest::mouseMove(file, file->actionGeometry(separator).center());
        harness::ProcessEvents();
        EXPECT_EQ(Hint(), "");

        harness::CloseMenus();
        EXPECT_EQ(Hint(), "");

        QMenu* help = harness::OpenMenu(*app.Frame, "&help");
        ASSERT_NE(help, nullptr);
        EXPECT_EQ(Hint(), "Zugriff auf Info");
        harness::HoverMenuItem(*help, "info &about...");
        EXPECT_EQ(Hint(), "Info über die Anwendung korvani");
        harness::CloseMenus();
        EXPECT_EQ(Hint(), "");
    });
}

TEST_F(Frame, MenuHintRulesForSpecialIds) {
    TDecoratedFrame frame(nullptr, "f", nullptr, true);
    EXPECT_EQ(frame.MenuHint(0), "") << "separators";
    for (unsigned id = 32001; id <= 32009; ++id) {
        EXPECT_EQ(frame.MenuHint(id), "") << id;
    }
    EXPECT_EQ(frame.MenuHint(4711), "") << "an id the table lacks";
    EXPECT_EQ(frame.MenuHint(61536), "Fenster schließen");
    EXPECT_LE(frame.MenuHint(32508).size(), 127u);
}

TEST_F(Frame, KeyboardOpensTheMenuAndShowsTheHintOfItsFirstItem) {
    harness::RunApplication(app, [&] {
        harness::PressKey(*app.Frame, Qt::Key_F, Qt::AltModifier);
        harness::ProcessEvents();
        EXPECT_NE(QApplication::activePopupWidget(), nullptr);
        EXPECT_EQ(Hint(), "Ein existierendes Dokument öffnen") << "the keyboard highlights the first item";
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Down);
        EXPECT_EQ(Hint(), "Dieses Dokument schließen") << "grayed items are highlighted too";
        harness::CloseMenus();
        EXPECT_EQ(Hint(), "");
    });
}

TEST_F(Frame, DocumentTitleRule) {
    harness::RunApplication(app, [&] {
        TFrameWindow& frame = *app.Frame;
        frame.SetDocTitle("a.wav", 0);
        EXPECT_EQ(harness::Caption(frame), "testapp - a.wav");
        frame.SetDocTitle("a.wav", 2);
        EXPECT_EQ(harness::Caption(frame), "testapp - a.wav:2");
        frame.SetDocTitle("b.wav", -1);
        EXPECT_EQ(harness::Caption(frame), "testapp - a.wav:2") << "a negative index changes nothing";
        EXPECT_EQ(frame.GetCaption(), "testapp") << "the frame's own title stays";
        frame.SetCaption("testapp");
        EXPECT_EQ(harness::Caption(frame), "testapp");
    });
}

TEST_F(Frame, ClientWindowFillsTheSpaceBetweenMenuAndStatusBar) {
    harness::RunApplication(app, [&] {
        const TRect area = app.Frame->GetClientRect();
        const TRect clientRect = client->GetWindowRect();
        const TRect barRect = app.StatusBar->GetWindowRect();
        EXPECT_EQ(clientRect.Top, 0);
        EXPECT_EQ(clientRect.Width(), area.Width());
        EXPECT_EQ(clientRect.Bottom, barRect.Top);
        EXPECT_EQ(barRect.Bottom, area.Bottom);

        EXPECT_EQ(app.Frame->SetClientWindow(nullptr), client);
        EXPECT_EQ(app.Frame->GetClientWindow(), nullptr);
        EXPECT_FALSE(client->IsVisible());
        EXPECT_EQ(client->GetParent(), nullptr) << "the frame gives the client back";
        app.Frame->SetClientWindow(client);
        EXPECT_TRUE(client->IsVisible());
    });
}

TEST_F(Frame, StatusBarShowsTheFourIndicatorsOfMask30) {
    harness::RunApplication(app, [&] {
        TStatusBar& bar = *app.StatusBar;
        EXPECT_FALSE(bar.HasModeIndicator(TStatusBar::ExtendSelection));
        EXPECT_FALSE(bar.HasModeIndicator(TStatusBar::RecordingMacro));
        EXPECT_EQ(bar.GetFieldRects().size(), 5u) << "message area plus CAPS NUM SCRL OVR";
        EXPECT_EQ(bar.GetIndicatorText(TStatusBar::CapsLock), "    ");
        EXPECT_EQ(bar.GetIndicatorText(TStatusBar::NumLock), "   ");
        EXPECT_EQ(bar.GetIndicatorText(TStatusBar::ScrollLock), "    ");
        EXPECT_EQ(bar.GetIndicatorText(TStatusBar::Overtype), "   ");
        bar.SetModeIndicator(TStatusBar::CapsLock, true);
        EXPECT_EQ(bar.GetIndicatorText(TStatusBar::CapsLock), "CAPS");
    });
}

TEST_F(Frame, LockKeysAreReadAtTheFirstIdleCallAndToggledByKeyDowns) {
    keys.Set(TLockKeyState{true, false, true});
    harness::RunApplication(app, [&] {
        harness::ProcessEvents();
        TStatusBar& bar = *app.StatusBar;
        EXPECT_TRUE(bar.GetModeIndicator(TStatusBar::CapsLock));
        EXPECT_FALSE(bar.GetModeIndicator(TStatusBar::NumLock));
        EXPECT_TRUE(bar.GetModeIndicator(TStatusBar::ScrollLock));

        keys.Set(std::nullopt);  // from now on the platform cannot tell
        harness::PressKey(*app.Frame, Qt::Key_NumLock);
        EXPECT_TRUE(bar.GetModeIndicator(TStatusBar::NumLock));
        harness::PressKey(*app.Frame, Qt::Key_CapsLock);
        EXPECT_FALSE(bar.GetModeIndicator(TStatusBar::CapsLock));
        harness::PressKey(*app.Frame, Qt::Key_ScrollLock);
        harness::ProcessEvents();
        EXPECT_FALSE(bar.GetModeIndicator(TStatusBar::ScrollLock));
        EXPECT_GT(keys.Queries(), 1) << "asked again after input";
    });
}

TEST_F(Frame, InsertTogglesOvertypeOnlyWithoutCtrlOrShift) {
    keys.Set(std::nullopt);
    harness::RunApplication(app, [&] {
        TStatusBar& bar = *app.StatusBar;
        EXPECT_FALSE(bar.GetModeIndicator(TStatusBar::Overtype)) << "starts off";
        harness::PressKey(*app.Frame, Qt::Key_Insert);
        EXPECT_TRUE(bar.GetModeIndicator(TStatusBar::Overtype));
        harness::PressKey(*app.Frame, Qt::Key_Insert, Qt::ControlModifier);
        harness::PressKey(*app.Frame, Qt::Key_Insert, Qt::ShiftModifier);
        EXPECT_TRUE(bar.GetModeIndicator(TStatusBar::Overtype));
        harness::PressKey(*app.Frame, Qt::Key_Insert);
        EXPECT_FALSE(bar.GetModeIndicator(TStatusBar::Overtype));

        // A held key repeats its key-down; the indicator toggles once.
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Insert, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(QApplication::focusWidget(), &repeat);
        EXPECT_FALSE(bar.GetModeIndicator(TStatusBar::Overtype));
    });
}

TEST_F(Frame, StatusBarFieldsAreRecessedAndTheMessageAreaTakesTheRest) {
    keys.Set(TLockKeyState{true, false, false});
    harness::RunApplication(app, [&] {
        harness::ProcessEvents();
        TStatusBar& bar = *app.StatusBar;
        const QPalette palette = QGuiApplication::palette();
        const TColor shadow = FromQColor(palette.color(QPalette::Dark));
        const TColor highlight = FromQColor(palette.color(QPalette::Light));
        ASSERT_NE(shadow, highlight);
        const std::vector<TRect> fields = bar.GetFieldRects();
        for (const TRect& field : fields) {
            EXPECT_EQ(harness::Pixel(bar, field.Left, field.Top + 3), shadow) << "left edge";
            EXPECT_EQ(harness::Pixel(bar, field.Left + 3, field.Top), shadow) << "top edge";
            EXPECT_EQ(harness::Pixel(bar, field.Right - 1, field.Top + 3), highlight) << "right edge";
            EXPECT_EQ(harness::Pixel(bar, field.Left + 3, field.Bottom - 1), highlight) << "bottom edge";
        }
        EXPECT_EQ(fields.back().Right, bar.GetClientRect().Right - 2);

        // CAPS is on and shows ink, NUM is off and shows only its blanks.
        const auto ink = [&](const TRect& field) {
            int dark = 0;
            const QImage image = harness::ClientImage(bar);
            for (int y = field.Top + 2; y < field.Bottom - 2; ++y) {
                for (int x = field.Left + 2; x < field.Right - 2; ++x) {
                    dark += qGray(image.pixel(x, y)) < 100 ? 1 : 0;
                }
            }
            return dark;
        };
        EXPECT_GT(ink(fields[1]), 10);
        EXPECT_EQ(ink(fields[2]), 0);

        const int capsWidth = fields[1].Width();
        const int messageWidth = fields[0].Width();
        harness::Resize(*app.Frame, 700, 500);
        const std::vector<TRect> narrower = bar.GetFieldRects();
        EXPECT_EQ(narrower[1].Width(), capsWidth) << "indicator fields keep their width";
        EXPECT_EQ(narrower[0].Width(), messageWidth - 100) << "the message area takes the rest";
    });
}

TEST_F(Frame, StatusBarFontIsTenPointSansSerif) {
    const TGadgetWindowFont font(10, false, false);
    EXPECT_EQ(font.GetHeight(96), -13);
    EXPECT_EQ(font.GetHeight(120), -17);
    EXPECT_EQ(font.GetWeight(), 400);
    EXPECT_EQ(TGadgetWindowFont(10, true, true).GetWeight(), 700);
    EXPECT_STREQ(TGadgetWindowFont::FaceName, "MS Sans Serif");
}

}  // namespace
