// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/qt/ModalReturn.h"

#include <QApplication>

namespace {

// The window the last modal window gave the focus back to. Activation is
// asynchronous: a box that opens right after another one closed may find
// no active window yet, or the closed one.
QPointer<QWidget>& LastReturn() {
    static QPointer<QWidget> window;
    return window;
}

}  // namespace

ModalReturn::ModalReturn(QWidget* owner) {
    QWidget* active = QApplication::activeWindow();
    // A menu that opened the modal window is gone by the time it closes.
    while (active != nullptr && active->windowType() == Qt::Popup && active->parentWidget() != nullptr) {
        active = active->parentWidget()->window();
    }
    if (active == nullptr || !active->isVisible()) {
        active = LastReturn();
    }
    if ((active == nullptr || !active->isVisible()) && owner != nullptr) {
        active = owner->window();
    }
    if (active != nullptr && active->isVisible()) {
        Window = active;
        Focus = active->focusWidget();
    }
}

ModalReturn::~ModalReturn() {
    if (Window.isNull() || !Window->isVisible()) {
        return;
    }
    LastReturn() = Window;
    Window->activateWindow();
    if (!Focus.isNull() && Focus->window() == Window && Focus->isVisible()) {
        Focus->setFocus(Qt::ActiveWindowFocusReason);
    }
}
