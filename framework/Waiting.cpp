#include "framework/Waiting.h"

#include "framework/qt/EventHold.h"

#include <QCoreApplication>
#include <QEventLoop>

void PaintWhileWaiting() {
    if (QCoreApplication::instance() == nullptr) {
        return;  // no windows to paint
    }
    const TEventHold::TScope hold;
    // All events, so that input from the window system is read and dropped
    // rather than left queued for whatever runs after the wait.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}
