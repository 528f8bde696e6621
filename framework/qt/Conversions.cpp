// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/qt/Conversions.h"

#include "resources/Resources.h"
#include "resources/VirtualKeys.h"

#include <QKeyEvent>

unsigned VirtualKeyFromQt(int qtKey) {
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) {
        return static_cast<unsigned>('A' + (qtKey - Qt::Key_A));
    }
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) {
        return static_cast<unsigned>('0' + (qtKey - Qt::Key_0));
    }
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) {
        return VK_F1 + static_cast<unsigned>(qtKey - Qt::Key_F1);
    }
    switch (qtKey) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab: return VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return VK_MENU;
    case Qt::Key_Pause: return VK_PAUSE;
    case Qt::Key_CapsLock: return VK_CAPITAL;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_NumLock: return VK_NUMLOCK;
    case Qt::Key_ScrollLock: return VK_SCROLL;
    default: return 0;
    }
}

TMessage KeyMessage(const QKeyEvent& event) {
    unsigned modifiers = 0;
    if (event.modifiers() & Qt::ShiftModifier) {
        modifiers |= res::FSHIFT;
    }
    if (event.modifiers() & Qt::ControlModifier) {
        modifiers |= res::FCONTROL;
    }
    if (event.modifiers() & Qt::AltModifier) {
        modifiers |= res::FALT;
    }
    if (event.isAutoRepeat()) {
        modifiers |= KF_REPEAT;
    }
    TMessage msg;
    msg.Msg = event.type() == QEvent::KeyRelease ? WM_KEYUP : WM_KEYDOWN;
    msg.WParam = VirtualKeyFromQt(event.key());
    msg.LParam = MakeLParam(1, static_cast<int>(modifiers));
    return msg;
}
