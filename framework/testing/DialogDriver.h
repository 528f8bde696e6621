// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// DialogDriver: harness helpers for dialogs built from layouts, modal or
// modeless: find a control by id, read its text and place, click it, type
// into it and press keys in the dialog, as a person would. For a modal
// dialog, call them from a ScriptedUser answer (DialogOf gives the dialog).
//
//     user.Then([](QWidget& modal) {
//         TDialog& dialog = *harness::DialogOf(modal);
//         harness::TypeInto(dialog, resid::InputEdit, "250");
//         harness::ClickControl(dialog, IDOK);
//     });

#include "framework/Dialog.h"

#include <QRect>
#include <QWidget>

#include <string>

namespace harness {

/// The dialog whose window `widget` is or lies in; nullptr when none.
TDialog* DialogOf(QWidget& widget);
/// The widget of control `id` of a created dialog; nullptr and a failure when there is none.
QWidget* ControlOf(const TDialog& dialog, unsigned id);
/// The rectangle of control `id` in the dialog's client area, in pixels.
QRect ControlRect(const TDialog& dialog, unsigned id);
/// The size of the dialog's client area in pixels.
QSize DialogSize(const TDialog& dialog);
/// The text control `id` shows.
std::string ControlText(const TDialog& dialog, unsigned id);
/// Clicks control `id` with the left mouse button.
void ClickControl(const TDialog& dialog, unsigned id);
/// Gives control `id` the keyboard focus, as a click or Tab would.
void FocusControl(const TDialog& dialog, unsigned id);
/// Gives edit box `id` the focus, moves to its end and types `text` key by key.
void TypeInto(const TDialog& dialog, unsigned id, const std::string& text);
/// Presses `key` on the control that has the focus in the dialog.
void PressDialogKey(const TDialog& dialog, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
/// The id of the dialog's control that has the focus; 0 when none does.
unsigned FocusedControl(const TDialog& dialog);

}  // namespace harness
