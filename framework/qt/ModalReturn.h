// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// ModalReturn: the way back from a modal window (a message box, a dialog
// run, a file dialog). Made just before the modal window opens, it notes
// the window the user was working in and, when it ends after the modal
// window has closed, makes that window active again with the focus where it
// was. A window manager would hand the focus to the modal window's owner
// instead, which is not always where the user came from (a box owned by the
// view, opened from the result dialog), and the keys would then go astray.

#include <QPointer>
#include <QWidget>

class ModalReturn {
public:
    /// Notes the active window, else the one the last modal window returned
    /// to, else the window of `owner` (the modal window's owner, may be nullptr).
    explicit ModalReturn(QWidget* owner);
    ~ModalReturn();

    ModalReturn(const ModalReturn&) = delete;
    ModalReturn& operator=(const ModalReturn&) = delete;

private:
    QPointer<QWidget> Window;
    QPointer<QWidget> Focus;
};
