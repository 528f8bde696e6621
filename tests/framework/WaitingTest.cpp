// SPDX-License-Identifier: GPL-3.0-or-later
// PaintWhileWaiting: a handler that waits with the windows painted, as the
// document waits for its sound. Windows invalidated or resized meanwhile are
// repainted before the wait ends; clicks, accelerators and menu clicks that
// arrive meanwhile are dropped, never handled later; a close request waits
// until the handler has returned, its boxes included (and is dropped if a
// modal window stands in front of the frame by then); timers, idle
// processing and the report of a failed paint wait too.

#include "tests/framework/TestFrameApp.h"

#include "framework/Exceptions.h"
#include "framework/Waiting.h"
#include "framework/qt/WindowAccess.h"
#include "framework/qt/WindowWidget.h"
#include "framework/testing/Harness.h"
#include "resources/ResourceIds.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

namespace {

using harness::ScriptedUser;
using namespace std::chrono_literals;

// The client window. A right click runs the test's job, a handler that
// waits; left clicks and the find-next command (F3 in accelerator table
// 100) are counted; so are paints, and the next paint can be made to fail.
class BusyWindow : public TWindow {
public:
    explicit BusyWindow(TWindow* parent) : TWindow(parent) {}
    DECLARE_EVENT_TABLE

    std::function<void()> Job;
    int Paints = 0;
    int Clicks = 0;
    int Commands = 0;
    bool FailNextPaint = false;

    void OnRightButtonDown(unsigned, const TPoint&) {
        if (Job) {
            Job();
        }
    }
    void OnLeftButtonDown(unsigned, const TPoint&) { ++Clicks; }
    void CmFindNext() { ++Commands; }

protected:
    void OnPaint(TDC&, bool, TRect&) override {
        ++Paints;
        if (FailNextPaint) {
            FailNextPaint = false;
            throw xmsg("Malfehler");
        }
    }
};

const TEventTable& BusyWindow::ClassEventTable() {
    static const TEventTable table(TWindow::ClassEventTable(),
                                   {
                                       EvMouse(WM_RBUTTONDOWN, &BusyWindow::OnRightButtonDown),
                                       EvMouse(WM_LBUTTONDOWN, &BusyWindow::OnLeftButtonDown),
                                       EvCommand(CmdEditFindNext, &BusyWindow::CmFindNext),
                                   });
    return table;
}

// Waits as the document waits for its sound: the hook about every 2 ms,
// `calls` times.
void WaitPainted(int calls) {
    for (int i = 0; i < calls; ++i) {
        PaintWhileWaiting();
        std::this_thread::sleep_for(2ms);
    }
}

// Waits the same way until `done` holds, for 2 s at most; answers `done()`.
bool WaitPaintedUntil(const std::function<bool()>& done) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 2000) {
        WaitPainted(1);
    }
    return done();
}

// Queues what a person does meanwhile: a left click into `window`, F3, and a
// click on the menu bar's "&file", which opens its popup.
void QueueUserInput(TWindow& window, QMenuBar& bar) {
    QWidget* client = TWindowAccess::ClientWidget(window);
    const QPointF at(10, 10);
    const QPointF globalAt = client->mapToGlobal(at);
    QCoreApplication::postEvent(client, new QMouseEvent(QEvent::MouseButtonPress, at, globalAt, Qt::LeftButton,
                                                        Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(client, new QMouseEvent(QEvent::MouseButtonRelease, at, globalAt, Qt::LeftButton,
                                                        Qt::NoButton, Qt::NoModifier));
    QCoreApplication::postEvent(client, new QKeyEvent(QEvent::KeyPress, Qt::Key_F3, Qt::NoModifier));
    QCoreApplication::postEvent(client, new QKeyEvent(QEvent::KeyRelease, Qt::Key_F3, Qt::NoModifier));
    const QPointF fileAt = bar.actionGeometry(bar.actions().front()).center();
    QCoreApplication::postEvent(&bar, new QMouseEvent(QEvent::MouseButtonPress, fileAt, bar.mapToGlobal(fileAt),
                                                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
}

// Runs the busy window's job: a right click into it, as a person would. The
// button goes up only where the window is still there.
void StartJob(BusyWindow& busy) {
    const QPointer<QWidget> client = TWindowAccess::ClientWidget(busy);
    QTest::mousePress(client, Qt::RightButton, Qt::NoModifier, QPoint(10, 10));
    if (!client.isNull()) {
        QTest::mouseRelease(client, Qt::RightButton, Qt::NoModifier, QPoint(10, 10));
    }
}

using Waiting = ClientWindowTest<BusyWindow>;

TEST_F(Waiting, WindowsInvalidatedOrResizedDuringTheWaitAreRepaintedBeforeItEnds) {
    bool repaintedOnce = false;
    bool repaintedAgain = false;
    bool laidOutAndRepainted = false;
    harness::RunApplication(app, [&] {
        harness::ProcessEvents();
        client->Job = [&] {
            int before = client->Paints;
            client->Invalidate();  // as a closed dialog leaves the window to repaint
            repaintedOnce = WaitPaintedUntil([&] { return client->Paints > before; });
            before = client->Paints;
            client->Invalidate();
            repaintedAgain = WaitPaintedUntil([&] { return client->Paints > before; });
            before = client->Paints;
            TWindowAccess::TopWidget(*app.Frame)->resize(520, 410);
            laidOutAndRepainted =
                WaitPaintedUntil([&] { return client->GetClientRect().Width() == 520 && client->Paints > before; });
        };
        StartJob(*client);
    });
    EXPECT_TRUE(repaintedOnce);
    EXPECT_TRUE(repaintedAgain);
    EXPECT_TRUE(laidOutAndRepainted) << "the frame's layout followed the new size during the wait";
}

TEST_F(Waiting, InputThatArrivesDuringTheWaitIsDroppedAndNeverHandledLater) {
    int clicksDuringWait = -1;
    int commandsDuringWait = -1;
    bool popupDuringWait = true;
    harness::RunApplication(app, [&] {
        QMenuBar* bar = harness::MenuBarOf(*app.Frame);
        ASSERT_NE(bar, nullptr);
        client->Job = [&] {
            QueueUserInput(*client, *bar);
            WaitPainted(20);
            clicksDuringWait = client->Clicks;
            commandsDuringWait = client->Commands;
            popupDuringWait = QApplication::activePopupWidget() != nullptr;
        };
        StartJob(*client);
        harness::ProcessEvents(50ms);
        EXPECT_EQ(client->Clicks, 0) << "the click was dropped, not kept for later";
        EXPECT_EQ(client->Commands, 0) << "the accelerator was dropped, not kept for later";
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << "the menu click was dropped, not kept for later";

        // After the wait the program takes the same input again.
        QueueUserInput(*client, *bar);
        harness::ProcessEvents(50ms);
        EXPECT_EQ(client->Clicks, 1);
        EXPECT_EQ(client->Commands, 1);
        EXPECT_NE(QApplication::activePopupWidget(), nullptr);
        harness::CloseMenus();
    });
    EXPECT_EQ(clicksDuringWait, 0);
    EXPECT_EQ(commandsDuringWait, 0);
    EXPECT_FALSE(popupDuringWait);
}

TEST_F(Waiting, ACloseRequestDuringTheWaitIsHandledOnlyOnceTheHandlerHasReturned) {
    bool openAfterWait = false;
    bool openWhileItsBoxShows = false;
    bool openAtTheHandlersEnd = false;
    bool openAfterTheHandler = false;
    bool closedLater = false;
    ScriptedUser user;
    user.Then([&](QWidget& box) {
        openWhileItsBoxShows = app.Frame->IsWindow();
        harness::ForceClose(box);
    });
    const int code = harness::RunApplication(app, [&] {
        client->Job = [&] {
            // The window manager's close button, pressed during the wait.
            QCoreApplication::postEvent(TWindowAccess::TopWidget(*app.Frame)->windowHandle(), new QCloseEvent);
            WaitPainted(20);
            openAfterWait = app.Frame->IsWindow();
            client->MessageBox("done", "job");  // the rest of the handler's work
            openAtTheHandlersEnd = app.Frame->IsWindow();
        };
        StartJob(*client);
        openAfterTheHandler = app.Frame->IsWindow();
        harness::ProcessEvents();
        closedLater = !app.Frame->IsWindow();
    });
    EXPECT_TRUE(openAfterWait);
    EXPECT_TRUE(openWhileItsBoxShows);
    EXPECT_TRUE(openAtTheHandlersEnd);
    EXPECT_TRUE(openAfterTheHandler);
    EXPECT_TRUE(closedLater) << "the close was handled after the handler, through the frame's close path";
    EXPECT_EQ(code, 0);
    EXPECT_EQ(user.Shown().size(), 1U);
}

TEST_F(Waiting, ACloseRequestThatComesDueWhileAModalWindowStandsInFrontIsDropped) {
    bool openAfterTheBox = false;
    ScriptedUser user;
    user.Then([&](QWidget& box) {
        // This answer is a handler that waits, inside the box's modal loop.
        QCoreApplication::postEvent(TWindowAccess::TopWidget(*app.Frame)->windowHandle(), new QCloseEvent);
        WaitPainted(20);
        // The box stays a moment longer: the close comes due in front of it.
        QTimer::singleShot(50, &box, [&box] { harness::ForceClose(box); });
    });
    const int code = harness::RunApplication(app, [&] {
        client->Job = [&] { client->MessageBox("busy", "job"); };
        StartJob(*client);
        harness::ProcessEvents();
        openAfterTheBox = app.Frame->IsWindow();
    });
    EXPECT_TRUE(openAfterTheBox) << "dropped, as the window manager's close of a window behind a modal one";
    EXPECT_EQ(user.Shown().size(), 1U);
    EXPECT_EQ(code, 0);
}

TEST_F(Waiting, TimersIdleAndTheReportOfAFailedPaintWaitUntilTheHandlerHasReturned) {
    class IdleApp : public TestFrameApp {
    public:
        bool IdleAction(long idleCount) override {
            ++Calls;
            return TestFrameApp::IdleAction(idleCount);
        }
        int Calls = 0;
    } idleApp;
    idleApp.Decorate = app.Decorate;
    int ticks = 0;
    int ticksDuringWait = -1;
    int ticksAfterWait = 0;
    int idleCallsDuringWait = -1;
    int idleCallsAfterWait = 0;
    bool failedPaintDuringWait = false;
    std::size_t boxesDuringWait = 99;
    ScriptedUser user;
    user.Press(IDYES);
    harness::RunApplication(idleApp, [&] {
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
        timer.start(5);
        client->Job = [&] {
            const int ticksBefore = ticks;
            const int idleCallsBefore = idleApp.Calls;
            // As when the queue ran empty just before the wait: idle work is due.
            emit QAbstractEventDispatcher::instance()->aboutToBlock();
            const int paintsBefore = client->Paints;
            client->FailNextPaint = true;
            client->Invalidate();
            failedPaintDuringWait = WaitPaintedUntil([&] { return client->Paints > paintsBefore; });
            WaitPainted(30);
            ticksDuringWait = ticks - ticksBefore;
            idleCallsDuringWait = idleApp.Calls - idleCallsBefore;
            boxesDuringWait = user.Shown().size();
        };
        StartJob(*client);
        const int ticksAtTheEnd = ticks;
        const int idleCallsAtTheEnd = idleApp.Calls;
        harness::ProcessEvents(50ms);
        ticksAfterWait = ticks - ticksAtTheEnd;
        idleCallsAfterWait = idleApp.Calls - idleCallsAtTheEnd;
    });
    EXPECT_TRUE(failedPaintDuringWait);
    EXPECT_EQ(ticksDuringWait, 0);
    EXPECT_GT(ticksAfterWait, 0) << "the timer fires again after the wait";
    EXPECT_EQ(idleCallsDuringWait, 0);
    EXPECT_GT(idleCallsAfterWait, 0) << "idle processing runs again after the wait";
    EXPECT_EQ(boxesDuringWait, 0U);
    ASSERT_EQ(user.Shown().size(), 1U) << "the paint's failure is reported after the handler";
    EXPECT_EQ(user.Shown()[0].Text, "Malfehler\nFortfahren?");
}

}  // namespace
