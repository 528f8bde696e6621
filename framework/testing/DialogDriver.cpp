// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/testing/DialogDriver.h"

#include "framework/qt/DialogShell.h"
#include "framework/qt/WindowWidget.h"
#include "framework/testing/Harness.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace harness {

TDialog* DialogOf(QWidget& widget) {
    for (TWindow* window = WindowFromWidget(&widget); window != nullptr; window = window->GetParent()) {
        if (auto* dialog = dynamic_cast<TDialog*>(window)) {
            return dialog;
        }
    }
    return nullptr;
}

QWidget* ControlOf(const TDialog& dialog, unsigned id) {
    const DialogShell* shell = DialogShell::Of(dialog);
    QWidget* control = shell != nullptr ? shell->Control(id) : nullptr;
    if (control == nullptr) {
        ADD_FAILURE() << "the dialog "
                      << (shell != nullptr ? "has no control " + std::to_string(id) : "is not created");
    }
    return control;
}

QRect ControlRect(const TDialog& dialog, unsigned id) {
    const QWidget* control = ControlOf(dialog, id);
    return control != nullptr ? control->geometry() : QRect();
}

QSize DialogSize(const TDialog& dialog) {
    const DialogShell* shell = DialogShell::Of(dialog);
    return shell != nullptr ? shell->size() : QSize();
}

std::string ControlText(const TDialog& dialog, unsigned id) {
    const QWidget* control = ControlOf(dialog, id);
    return control != nullptr ? ::ControlText(*control).toStdString() : std::string();
}

void ClickControl(const TDialog& dialog, unsigned id) {
    if (QWidget* control = ControlOf(dialog, id)) {
        QTest::mouseClick(control, Qt::LeftButton, Qt::NoModifier, control->rect().center());
    }
}

void FocusControl(const TDialog& dialog, unsigned id) {
    if (QWidget* control = ControlOf(dialog, id)) {
        control->window()->activateWindow();
        control->setFocus(Qt::TabFocusReason);
        ProcessEvents(std::chrono::milliseconds(5));
    }
}

void TypeInto(const TDialog& dialog, unsigned id, const std::string& text) {
    auto* edit = qobject_cast<QLineEdit*>(ControlOf(dialog, id));
    if (edit == nullptr) {
        ADD_FAILURE() << "control " << id << " is no edit box";
        return;
    }
    FocusControl(dialog, id);
    edit->end(false);
    QTest::keyClicks(edit, QString::fromStdString(text));
}

void PressDialogKey(const TDialog& dialog, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QWidget* top = DialogShell::Of(dialog);
    QWidget* focus = QApplication::focusWidget();
    if (top == nullptr) {
        ADD_FAILURE() << "the dialog is not created";
        return;
    }
    QTest::keyClick(focus != nullptr && focus->window() == top ? focus : top, key, modifiers);
}

unsigned FocusedControl(const TDialog& dialog) {
    const DialogShell* shell = DialogShell::Of(dialog);
    const QWidget* focus = QApplication::focusWidget();
    if (shell == nullptr || focus == nullptr) {
        return 0;
    }
    return shell->IdOf(focus).value_or(0);
}

}  // namespace harness
