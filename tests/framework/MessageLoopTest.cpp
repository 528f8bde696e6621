// SPDX-License-Identifier: GPL-3.0-or-later
// The application's run: the exit codes, the exception report inside the
// loop (Yes goes on, No ends with -1), exceptions escaping the start, idle
// processing with its rising count, and the accelerators of table 100.

#include "tests/framework/TestFrameApp.h"

#include "framework/Exceptions.h"
#include "framework/Window.h"
#include "framework/testing/Harness.h"
#include "resources/ResourceIds.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

using harness::ScriptedUser;

// A client window whose mouse and key handlers raise exceptions, and that
// records the editing commands the accelerators send.
class TroubleWindow : public TWindow {
public:
    explicit TroubleWindow(TWindow* parent) : TWindow(parent) {}
    DECLARE_EVENT_TABLE
    void OnLeftButtonDown(unsigned, const TPoint&) { throw xmsg(""); }
    void OnRightButtonDown(unsigned, const TPoint&) { throw xalloc("Zuwenig Speicherplatz", 1 << 20); }
    void OnKeyDown(unsigned key, unsigned, unsigned) {
        if (key == 'O') {
            throw 42;
        }
        if (key == 'S') {
            throw std::runtime_error("kaputt");
        }
    }
    void CmDelete() { Received.push_back(CmdEditDelete); }
    void CmCut() { Received.push_back(CmdEditCut); }
    void CmPaste() { Received.push_back(CmdEditPaste); }
    void CmUndo() { Received.push_back(CmdEditUndo); }
    void CmFindNext() { Received.push_back(CmdEditFindNext); }
    std::vector<unsigned> Received;
};

const TEventTable& TroubleWindow::ClassEventTable() {
    static const TEventTable table(TWindow::ClassEventTable(),
                                   {
                                       EvMouse(WM_LBUTTONDOWN, &TroubleWindow::OnLeftButtonDown),
                                       EvMouse(WM_RBUTTONDOWN, &TroubleWindow::OnRightButtonDown),
                                       EvKey(WM_KEYDOWN, &TroubleWindow::OnKeyDown),
                                       EvCommand(CmdEditDelete, &TroubleWindow::CmDelete),
                                       EvCommand(CmdEditCut, &TroubleWindow::CmCut),
                                       EvCommand(CmdEditPaste, &TroubleWindow::CmPaste),
                                       EvCommand(CmdEditUndo, &TroubleWindow::CmUndo),
                                       EvCommand(CmdEditFindNext, &TroubleWindow::CmFindNext),
                                   });
    return table;
}

using MessageLoop = ClientWindowTest<TroubleWindow>;

TEST_F(MessageLoop, QuitCommandEndsTheRunWithZero) {
    const int code = harness::RunApplication(app, [&] {
        harness::ClickMenuItem(*app.Frame, {"&file", "&quit\tAlt+F4"});
        EXPECT_FALSE(app.Frame->IsWindow()) << "the main window is destroyed";
    });
    EXPECT_EQ(code, 0);
}

TEST_F(MessageLoop, AnExceptionWithoutTextIsReportedAsUnknownAndYesGoesOn) {
    ScriptedUser user;
    user.Press(IDYES);
    bool stillRunning = false;
    const int code = harness::RunApplication(app, [&] {
        harness::Click(*client, 10, 10);
        stillRunning = app.Frame->IsWindow();
    });
    EXPECT_TRUE(stillRunning);
    EXPECT_EQ(code, 0) << "the run ended normally later";
    const harness::ShownModal report = user.Last();
    EXPECT_EQ(report.Caption, "Nicht behandelte Exception");
    EXPECT_EQ(report.Text, "Unknown Exception\nFortfahren?");
    EXPECT_EQ(report.Buttons, (std::vector<std::string>{"&Yes", "&No"}));
    EXPECT_EQ(report.Icon, MB_ICONSTOP);
    EXPECT_EQ(report.Owner, nullptr);
}

TEST_F(MessageLoop, AnsweringNoEndsTheRunWithMinusOne) {
    ScriptedUser user;
    user.Press(IDNO);
    const int code = harness::RunApplication(app, [&] {
        harness::Click(*client, 10, 10, Qt::RightButton);
        EXPECT_TRUE(app.Frame->IsWindow()) << "the window stays until the loop has ended";
    });
    EXPECT_EQ(code, -1);
    EXPECT_EQ(user.Last().Text, "Zuwenig Speicherplatz\nFortfahren?");
}

TEST_F(MessageLoop, ExceptionsOfOtherTypesAreReportedToo) {
    ScriptedUser user;
    user.Press(IDYES).Press(IDYES);
    harness::RunApplication(app, [&] {
        harness::PressKey(*client, Qt::Key_O);
        harness::PressKey(*client, Qt::Key_S);
    });
    ASSERT_EQ(user.Shown().size(), 2u);
    EXPECT_EQ(user.Shown()[0].Text, "Unknown Exception\nFortfahren?");
    EXPECT_EQ(user.Shown()[1].Text, "kaputt\nFortfahren?");
}

// An application whose start makes its main window with `create`; answers
// the text of the xmsg that escapes its run, or "<nothing escaped>".
std::string WhyTheStartFails(std::function<void()> create) {
    class StartingApp : public TApplication {
    public:
        explicit StartingApp(std::function<void()> creator)
            : TApplication("starting", gModule), Creator(std::move(creator)) {}

    protected:
        void CreateMainWindow() override { Creator(); }

    private:
        std::function<void()> Creator;
    } app(std::move(create));
    try {
        app.Run();
    } catch (const xmsg& x) {
        return x.why();
    }
    return "<nothing escaped>";
}

TEST_F(MessageLoop, AnExceptionDuringTheStartEscapesTheRun) {
    EXPECT_EQ(WhyTheStartFails([] { throw xmsg("Fehler bei Erzeugung von Fenster korvani"); }),
              "Fehler bei Erzeugung von Fenster korvani");
}

TEST_F(MessageLoop, AStartWithoutMainWindowRaisesMainWindowInvalid) {
    EXPECT_EQ(WhyTheStartFails([] {}), "MainWindow ungültig");
}

TEST_F(MessageLoop, IdleCountRisesWhileTheQueueStaysEmptyAndRestartsOnInput) {
    class IdleApp : public TestFrameApp {
    public:
        bool IdleAction(long idleCount) override {
            Counts.push_back(idleCount);
            TestFrameApp::IdleAction(idleCount);
            return idleCount < 3;  // wants three more calls, then waits
        }
        std::vector<long> Counts;
    } idleApp;
    harness::RunApplication(idleApp, [&] {
        harness::ProcessEvents(std::chrono::milliseconds(50));
        EXPECT_EQ(idleApp.Counts, (std::vector<long>{0, 1, 2, 3})) << "counts until the first pause";
        idleApp.Counts.clear();
        harness::PressKey(*idleApp.Frame, Qt::Key_A);
        harness::ProcessEvents(std::chrono::milliseconds(50));
        ASSERT_FALSE(idleApp.Counts.empty());
        EXPECT_EQ(idleApp.Counts.front(), 0) << "input restarts the count";
    });
}

TEST_F(MessageLoop, AcceleratorTableSendsTheEditingCommands) {
    harness::RunApplication(app, [&] {
        harness::PressKey(*app.Frame, Qt::Key_Delete);
        harness::PressKey(*app.Frame, Qt::Key_Delete, Qt::ShiftModifier);
        harness::PressKey(*app.Frame, Qt::Key_Insert, Qt::ShiftModifier);
        harness::PressKey(*app.Frame, Qt::Key_Backspace, Qt::AltModifier);
        harness::PressKey(*app.Frame, Qt::Key_F3);
        harness::PressKey(*app.Frame, Qt::Key_F4);  // not in the table
    });
    EXPECT_EQ(client->Received,
              (std::vector<unsigned>{CmdEditDelete, CmdEditCut, CmdEditPaste, CmdEditUndo, CmdEditFindNext}));
}

TEST_F(MessageLoop, UnhandledAcceleratorsDoNothing) {
    TestFrameApp plain;
    harness::RunApplication(plain, [&] {
        harness::PressKey(*plain.Frame, Qt::Key_Delete);
        harness::PressKey(*plain.Frame, Qt::Key_Insert, Qt::ControlModifier);
        harness::ProcessEvents();
        EXPECT_TRUE(plain.Frame->IsWindow());
        EXPECT_EQ(harness::Caption(*plain.Frame), "testapp");
    });
}

}  // namespace
