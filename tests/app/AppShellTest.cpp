// SPDX-License-Identifier: GPL-3.0-or-later
// korvani's application shell run as a whole, from the framework's entry
// through AppMain: placement, caption, menu, hints, status bar, the quit
// command, views becoming the client, and both ways exceptions end the
// program.

#include "tests/app/FakeView.h"

#include "app/SDIDecFrame.h"
#include "app/korvatekApp.h"
#include "framework/Entry.h"
#include "framework/qt/WindowAccess.h"
#include "framework/testing/Harness.h"

#include <QApplication>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

using harness::ScriptedUser;

// Runs korvani as the process entry would, with `args` after the program
// name, and calls `body` once its main window is up.
int RunKorvani(const std::function<void(TApplication&)>& body, std::vector<std::string> args = {}) {
    std::vector<std::string> storage{"korvani"};
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : storage) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    return harness::RunProgram([&] { return FrameworkEntry(static_cast<int>(storage.size()), argv.data(), &AppMain); },
                               body);
}

TFrameWindow& MainWindow(TApplication& app) {
    return *app.GetMainWindow();
}

class AppShell : public testing::Test {
protected:
    harness::FakeDesktop desktop{TSize{1024, 768}};
    harness::FakeLockKeys keys{TLockKeyState{}};
};

TEST_F(AppShell, OpensAt10And96Sized1004By640OnA1024By768Desktop) {
    const int code = RunKorvani([](TApplication& app) {
        EXPECT_EQ(harness::Geometry(MainWindow(app)), (TRect{10, 96, 1014, 736}));
        EXPECT_TRUE(MainWindow(app).IsVisible());
        EXPECT_FALSE(TWindowAccess::TopWidget(MainWindow(app))->isMinimized());
    });
    EXPECT_EQ(code, 0);
}

TEST_F(AppShell, PlacementFollowsTheDesktopSize) {
    harness::FakeDesktop large(TSize{1280, 1024});
    SDIDecFrame frame(nullptr, "korvani", nullptr, true, nullptr);
    EXPECT_EQ(frame.Attr.X, 10);
    EXPECT_EQ(frame.Attr.Y, 128);
    EXPECT_EQ(frame.Attr.W, 1260);
    EXPECT_EQ(frame.Attr.H, 864);
    harness::FakeDesktop odd(TSize{1023, 767});
    SDIDecFrame truncated(nullptr, "korvani", nullptr, true, nullptr);
    EXPECT_EQ(truncated.Attr.Y, 95) << "767 / 8 truncates";
    EXPECT_EQ(truncated.Attr.H, 639) << "7 * 767 / 8 - 32 truncates";
}

TEST_F(AppShell, StartsEmptyCaptionedKorvaniWhateverTheCommandLineSays) {
    RunKorvani(
        [](TApplication& app) {
            TFrameWindow& frame = MainWindow(app);
            EXPECT_EQ(harness::Caption(frame), "korvani");
            EXPECT_EQ(frame.GetClientWindow(), nullptr);
            EXPECT_FALSE(TWindowAccess::TopWidget(frame)->acceptDrops()) << "no dropped files";
            EXPECT_EQ(ProcessStart().CommandLine, "song.wav --platform xcb");
        },
        {"song.wav", "--platform", "xcb"});
}

TEST_F(AppShell, MenuBarShowsFileAndHelpAndTheWindowCarriesIcon1001) {
    RunKorvani([](TApplication& app) {
        EXPECT_EQ(harness::MenuBarEntries(MainWindow(app)), (std::vector<std::string>{"&file", "&help"}));
        EXPECT_EQ(MainWindow(app).GetIconId(), 1001u);
        const QList<QSize> sizes = TWindowAccess::TopWidget(MainWindow(app))->windowIcon().availableSizes();
        for (int edge : {16, 32, 48, 64, 128, 256}) {
            EXPECT_TRUE(sizes.contains(QSize(edge, edge))) << edge << " px";
        }
    });
}

TEST_F(AppShell, QuitEndsWithZeroAndItsItemIsEnabled) {
    const int code = RunKorvani([](TApplication& app) {
        EXPECT_TRUE(harness::IsMenuItemEnabled(MainWindow(app), {"&file", "&quit\tAlt+F4"}));
        harness::ClickMenuItem(MainWindow(app), {"&file", "&quit\tAlt+F4"});
        EXPECT_FALSE(MainWindow(app).IsWindow());
    });
    EXPECT_EQ(code, 0);
}

TEST_F(AppShell, HintsForThePopupsTheirItemsAndTheClosedMenu) {
    RunKorvani([](TApplication& app) {
        TFrameWindow& frame = MainWindow(app);
        TStatusBar* bar = harness::StatusBarOf(frame);
        ASSERT_NE(bar, nullptr);
        QMenu* file = harness::OpenMenu(frame, "&file");
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(bar->GetText(), "Ein neues Dokument erzeugen");
        harness::HoverMenuItem(*file, "close");
        EXPECT_EQ(bar->GetText(), "Dieses Dokument schließen");
        harness::HoverMenuItem(*file, "&quit\tAlt+F4");
        EXPECT_EQ(bar->GetText(), "korvatekApp beenden und Speicherung der Dokumente abfragen");
        harness::CloseMenus();
        EXPECT_EQ(bar->GetText(), "");

        QMenu* help = harness::OpenMenu(frame, "&help");
        ASSERT_NE(help, nullptr);
        EXPECT_EQ(bar->GetText(), "Zugriff auf Info");
        harness::HoverMenuItem(*help, "info &about...");
        EXPECT_EQ(bar->GetText(), "Info über die Anwendung korvani");
        harness::CloseMenus();
        EXPECT_EQ(bar->GetText(), "");
    });
}

TEST_F(AppShell, StatusBarAtTheBottomWithCapsNumScrlOvr) {
    keys.Set(TLockKeyState{false, true, false});
    RunKorvani([](TApplication& app) {
        TFrameWindow& frame = MainWindow(app);
        TStatusBar* bar = harness::StatusBarOf(frame);
        ASSERT_NE(bar, nullptr);
        harness::ProcessEvents();
        EXPECT_EQ(bar->GetBorderStyle(), TStatusBar::Recessed);
        EXPECT_EQ(bar->GetFont().GetPoints(), 10);
        EXPECT_EQ(bar->GetWindowRect().Bottom, frame.GetClientRect().Bottom);
        EXPECT_EQ(bar->GetFieldRects().size(), 5u);
        EXPECT_EQ(bar->GetIndicatorText(TStatusBar::CapsLock), "    ");
        EXPECT_EQ(bar->GetIndicatorText(TStatusBar::NumLock), "NUM");
        EXPECT_EQ(bar->GetIndicatorText(TStatusBar::ScrollLock), "    ");
        EXPECT_EQ(bar->GetIndicatorText(TStatusBar::Overtype), "   ");
        harness::PressKey(frame, Qt::Key_CapsLock);
        EXPECT_EQ(bar->GetIndicatorText(TStatusBar::CapsLock), "CAPS");
    });
}

TEST_F(AppShell, EditingKeysOfTheAcceleratorTableDoNothing) {
    RunKorvani([](TApplication& app) {
        TFrameWindow& frame = MainWindow(app);
        harness::PressKey(frame, Qt::Key_Delete);
        harness::PressKey(frame, Qt::Key_Delete, Qt::ShiftModifier);
        harness::PressKey(frame, Qt::Key_Insert, Qt::ControlModifier);
        harness::PressKey(frame, Qt::Key_Backspace, Qt::AltModifier);
        harness::PressKey(frame, Qt::Key_F3);
        harness::ProcessEvents();
        EXPECT_TRUE(frame.IsWindow());
        EXPECT_EQ(harness::Caption(frame), "korvani");
    });
}

// Tells the frame, as the document manager does, that `view` was created or closed.
void NotifyFrame(TFrameWindow& frame, unsigned code, TView& view) {
    frame.SendMessage(ViewNotify, code, 0, reinterpret_cast<std::intptr_t>(&view));
}

TEST_F(AppShell, AViewBecomesTheClientAndLeavesTheCaptionKorvaniWhenClosed) {
    FakeView view(1);
    RunKorvani([&view](TApplication& app) {
        TFrameWindow& frame = MainWindow(app);
        NotifyFrame(frame, ViewCreated, view);
        EXPECT_EQ(frame.GetClientWindow(), &view);
        EXPECT_TRUE(view.IsVisible());
        EXPECT_EQ(harness::MenuBarEntries(frame), (std::vector<std::string>{"&file", "&help"})) << "no view menu";
        frame.SetDocTitle("a.wav", 0);
        EXPECT_EQ(harness::Caption(frame), "korvani - a.wav");

        NotifyFrame(frame, ViewClosed, view);
        EXPECT_EQ(frame.GetClientWindow(), nullptr);
        EXPECT_EQ(harness::Caption(frame), "korvani");
    });
}

TEST_F(AppShell, AnUnusableViewLeavesTheFrameEmpty) {
    FakeView view(0);
    RunKorvani([&view](TApplication& app) {
        TFrameWindow& frame = MainWindow(app);
        NotifyFrame(frame, ViewCreated, view);
        EXPECT_EQ(frame.GetClientWindow(), nullptr);
        EXPECT_FALSE(view.IsVisible());
    });
}

TEST_F(AppShell, AnExceptionWithoutTextInTheLoopAnsweredNoEndsWithMinusOne) {
    keys.ThrowOnQuery("");  // the status bar's first idle call raises it
    ScriptedUser user;
    user.Press(IDNO);
    const int code = RunKorvani([](TApplication&) { harness::ProcessEvents(); });
    EXPECT_EQ(code, -1);
    const harness::ShownModal report = user.Last();
    EXPECT_EQ(report.Caption, "Nicht behandelte Exception");
    EXPECT_EQ(report.Text, "Unknown Exception\nFortfahren?");
    EXPECT_EQ(report.Icon, MB_ICONSTOP);
    EXPECT_EQ(report.Owner, nullptr);
}

TEST_F(AppShell, AnsweringYesGoesOnUntilQuit) {
    keys.ThrowOnQuery("Ausführungsfehler bei Fenster korvani");
    ScriptedUser user;
    user.Press(IDYES);
    const int code = RunKorvani([](TApplication& app) {
        harness::ProcessEvents();
        EXPECT_TRUE(MainWindow(app).IsWindow());
        harness::ClickMenuItem(MainWindow(app), {"&file", "&quit\tAlt+F4"});
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(user.Last().Text, "Ausführungsfehler bei Fenster korvani\nFortfahren?");
}

TEST_F(AppShell, AnXmsgEscapingTheRunShowsTheExceptionBoxAndGivesMinusOne) {
    desktop.FailWith("Fehler bei Erzeugung von Fenster korvani");
    ScriptedUser user;
    user.Press(IDOK);
    const int code = RunKorvani([](TApplication&) { ADD_FAILURE() << "the main window came up"; });
    EXPECT_EQ(code, -1);
    const harness::ShownModal box = user.Last();
    EXPECT_EQ(box.Caption, "Exception");
    EXPECT_EQ(box.Text, "Fehler bei Erzeugung von Fenster korvani");
    EXPECT_EQ(box.Buttons, (std::vector<std::string>{"OK"}));
    EXPECT_EQ(box.Icon, 0u);
    EXPECT_EQ(box.Owner, nullptr);
    EXPECT_EQ(TApplication::Current(), nullptr) << "the application was destroyed";
}

}  // namespace
