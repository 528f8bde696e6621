// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/qt/EventHold.h"

#include "framework/Waiting.h"
#include "framework/qt/SafeCall.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <memory>
#include <utility>
#include <vector>

namespace {

using TWork = std::function<void()>;

// The hold of one thread: its scopes and what they set aside.
struct THoldState {
    std::vector<int> LoopLevels;  // the event-loop level of each scope now on, innermost last
    std::vector<TWork> SetAside;  // in the order the requests came
};

thread_local THoldState tHold;

int CurrentLoopLevel() {
    return QThread::currentThread()->loopLevel();
}

// What a person does with keyboard, mouse, pen or finger, shortcuts included.
bool IsUserInput(const QEvent& event) {
    if (event.isInputEvent()) {
        return true;
    }
    switch (event.type()) {
    case QEvent::Shortcut:
    case QEvent::InputMethod:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::DragLeave:
    case QEvent::Drop:
    case QEvent::Gesture:
    case QEvent::GestureOverride: return true;
    default: return false;
    }
}

// Requests that could end a window or the application.
bool IsRequestToEnd(const QEvent& event) {
    return event.type() == QEvent::Close || event.type() == QEvent::Quit;
}

// Whether a modal window other than `target`'s own stands in front of it.
bool IsBehindModalWindow(QObject& target) {
    const QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) {
        return false;
    }
    if (const auto* window = qobject_cast<QWindow*>(&target)) {
        return window != modal->windowHandle();
    }
    if (const auto* widget = qobject_cast<QWidget*>(&target)) {
        return widget->window() != modal;
    }
    return false;
}

// Sends a copy of `event` to `receiver` when called, unless the receiver is
// gone, or a close comes due behind a modal window: the platform drops a
// window manager's close there, and the modal window may belong to the
// window being closed.
TWork Redelivery(QObject& receiver, const QEvent& event) {
    const QPointer<QObject> target(&receiver);
    const std::shared_ptr<QEvent> copy(event.clone());
    return [target, copy] {
        if (target.isNull() || (copy->type() == QEvent::Close && IsBehindModalWindow(*target))) {
            return;
        }
        QCoreApplication::sendEvent(target.data(), copy.get());
    };
}

}  // namespace

TEventHold::TScope::TScope() {
    tHold.LoopLevels.push_back(CurrentLoopLevel());
}

TEventHold::TScope::~TScope() {
    tHold.LoopLevels.pop_back();
    if (!tHold.LoopLevels.empty() || tHold.SetAside.empty()) {
        return;
    }
    std::vector<TWork> setAside = std::exchange(tHold.SetAside, {});
    AfterHandler([setAside = std::move(setAside)] {
        if (QCoreApplication* qtApp = QCoreApplication::instance()) {
            Post(*qtApp, [setAside] {
                for (const TWork& work : setAside) {
                    CallSafely(work);
                }
            });
        }
    });
}

bool TEventHold::IsOn() {
    // A modal loop opened inside the wait (by mistake) takes input as modal
    // loops do, rather than hang with nothing able to end it.
    return !tHold.LoopLevels.empty() && tHold.LoopLevels.back() == CurrentLoopLevel();
}

bool TEventHold::HoldsBack(QObject& receiver, QEvent& event) {
    if (!IsOn()) {
        return false;
    }
    if (IsUserInput(event)) {
        event.accept();
        return true;
    }
    if (IsRequestToEnd(event)) {
        tHold.SetAside.push_back(Redelivery(receiver, event));
        event.ignore();  // not closed now
        return true;
    }
    // A platform window's timer drives its update requests: painting.
    return event.type() == QEvent::Timer && !receiver.isWindowType();
}

void TEventHold::Post(QObject& context, std::function<void()> work) {
    const QPointer<QObject> guard(&context);
    QTimer::singleShot(0, &context, [guard, work = std::move(work)] {
        if (IsOn()) {
            tHold.SetAside.push_back([guard, work] {
                if (!guard.isNull()) {
                    work();
                }
            });
            return;
        }
        work();
    });
}

void PaintWhileWaiting() {
    if (QCoreApplication::instance() == nullptr) {
        return;  // no windows to paint
    }
    const TEventHold::TScope hold;
    // All events, so that input from the window system is read and dropped
    // rather than left queued for whatever runs after the wait.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}
