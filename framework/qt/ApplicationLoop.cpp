// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/qt/ApplicationLoop.h"

#include "framework/Application.h"
#include "framework/FrameWindow.h"
#include "framework/qt/Conversions.h"
#include "framework/qt/EventHold.h"
#include "framework/qt/SafeCall.h"
#include "framework/qt/WindowAccess.h"
#include "framework/qt/WindowWidget.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QKeyEvent>
#include <QPointer>
#include <QTimer>

namespace {

TApplicationLoop* gActiveLoop = nullptr;

}  // namespace

TApplicationLoop* ActiveLoop() {
    return gActiveLoop;
}

TApplicationLoop::TApplicationLoop(TApplication& app) : App(app), Previous(gActiveLoop) {
    gActiveLoop = this;
}

TApplicationLoop::~TApplicationLoop() {
    gActiveLoop = Previous;
}

int TApplicationLoop::Run() {
    if (PendingQuit) {
        const int code = *PendingQuit;
        PendingQuit.reset();
        return code;
    }
    QEventLoop loop;
    Loop = &loop;
    PendingQuit.reset();
    IdleCount = 0;
    IdleWanted = true;
    const auto connection = connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
                                    [this] { OnAboutToBlock(); });
    const int code = loop.exec();
    disconnect(connection);
    Loop = nullptr;
    PendingQuit.reset();
    // The widgets of windows destroyed meanwhile go now.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return code;
}

void TApplicationLoop::PostQuit(int exitCode) {
    // The first quit decides the exit code, as the first quit message would.
    if (PendingQuit) {
        return;
    }
    PendingQuit = exitCode;
    if (Loop == nullptr) {
        return;
    }
    Loop->exit(exitCode);
    // Nested modal loops end too, as the platform's quit message ends them.
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(widget);
        if (dialog != nullptr && dialog->isVisible() && dialog->isModal()) {
            QTimer::singleShot(0, dialog, [dialog] { dialog->reject(); });
        }
    }
}

void TApplicationLoop::NoteInput() {
    IdleCount = 0;
    IdleWanted = true;
}

void TApplicationLoop::OnAboutToBlock() {
    // Idle work runs from the queue, never inside the dispatcher's own wait.
    if (IdleWanted && !IdleScheduled && !InIdle) {
        IdleScheduled = true;
        QTimer::singleShot(0, this, [this] { RunIdle(); });
    }
}

void TApplicationLoop::RunIdle() {
    IdleScheduled = false;
    // Idle work waits while the program waits; the next empty queue asks again.
    if (TEventHold::IsOn()) {
        return;
    }
    InIdle = true;
    bool more = false;
    CallSafely([&] { more = App.IdleAction(IdleCount++); });
    IdleWanted = more;
    InIdle = false;
}

bool TApplicationLoop::PreTranslateKey(QWidget* receiver, const QKeyEvent& event) {
    const TMessage msg = KeyMessage(event);
    // A key of a window that is no framework window (a message box, a file
    // dialog) is that window's alone, not its owner's accelerators'.
    TWindow* first = WindowFromWidget(receiver);
    const QWidget* firstTop = first != nullptr ? TWindowAccess::TopWidget(*first) : nullptr;
    if (firstTop != nullptr && receiver->window() != firstTop->window()) {
        return false;
    }
    for (TWindow* window = first; window != nullptr; window = window->GetParent()) {
        switch (window->PreProcessMsg(msg)) {
        case TPreProcess::Consumed: return true;
        case TPreProcess::Deliver: return false;
        case TPreProcess::PassOn: break;
        }
    }
    return false;
}
