// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/qt/QtApplication.h"

#include "framework/Application.h"
#include "framework/qt/ApplicationLoop.h"
#include "framework/qt/EventHold.h"
#include "framework/qt/SafeCall.h"

#include <QKeyEvent>
#include <QWidget>

FrameworkQApplication::FrameworkQApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // The framework ends its loop itself; Qt's quit would end every loop.
    setQuitOnLastWindowClosed(false);
}

bool FrameworkQApplication::notify(QObject* receiver, QEvent* event) {
    // While the program waits with its windows painted, input is dropped and requests to close wait.
    if (TEventHold::HoldsBack(*receiver, *event)) {
        return true;
    }
    TApplicationLoop* loop = ActiveLoop();
    if (loop != nullptr && event->isInputEvent()) {
        loop->NoteInput();
    }
    if (loop != nullptr && event->type() == QEvent::KeyPress && receiver->isWidgetType()) {
        bool consumed = false;
        CallSafely([&] {
            consumed = loop->PreTranslateKey(static_cast<QWidget*>(receiver), static_cast<const QKeyEvent&>(*event));
        });
        if (consumed) {
            return true;
        }
    }
    bool result = false;
    CallSafely([&] { result = QApplication::notify(receiver, event); });
    return result;
}
