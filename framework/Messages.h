// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The messages that windows, the application and the document manager
// exchange, with the platform's numbers, and the message record that event
// tables dispatch. Arguments are packed as the platform packs them.

#include "framework/Geometry.h"

#include <cstdint>

using TResult = std::intptr_t;

// Window messages.
inline constexpr unsigned WM_SIZE = 0x0005;
inline constexpr unsigned WM_PAINT = 0x000F;
inline constexpr unsigned WM_CLOSE = 0x0010;
inline constexpr unsigned WM_KEYDOWN = 0x0100;
inline constexpr unsigned WM_KEYUP = 0x0101;
inline constexpr unsigned WM_COMMAND = 0x0111;
inline constexpr unsigned WM_MOUSEMOVE = 0x0200;
inline constexpr unsigned WM_LBUTTONDOWN = 0x0201;
inline constexpr unsigned WM_LBUTTONUP = 0x0202;
inline constexpr unsigned WM_RBUTTONDOWN = 0x0204;
inline constexpr unsigned WM_RBUTTONUP = 0x0205;

// Framework messages.
inline constexpr unsigned CanCloseQuery = 32761;          // application to document manager
inline constexpr unsigned DocumentNotification = 0x7FFB;  // 32763: document to its views
inline constexpr unsigned ViewNotify = 32764;             // code 0 view created, 1 view closed; LParam the view
inline constexpr unsigned DocumentNotice = 32765;         // document manager to main window
inline constexpr unsigned CommandEnable = 32767;          // LParam points to a TCommandEnabler

// View notification codes of ViewNotify.
inline constexpr unsigned ViewCreated = 0, ViewClosed = 1;

// WM_SIZE kinds (WParam).
inline constexpr unsigned SIZE_RESTORED = 0, SIZE_MINIMIZED = 1, SIZE_MAXIMIZED = 2;

// Key-message flag in the high word of LParam: the key was already down
// (an auto-repeat).
inline constexpr unsigned KF_REPEAT = 0x4000;

// Key and button state flags of mouse messages (WParam).
inline constexpr unsigned MK_LBUTTON = 0x0001, MK_RBUTTON = 0x0002, MK_SHIFT = 0x0004, MK_CONTROL = 0x0008;

/// One message as event tables see it. `Id` is the command id (WM_COMMAND,
/// CommandEnable) or the notification code (ViewNotify...); plain window
/// messages leave it 0. `Result` receives the handler's answer.
struct TMessage {
    unsigned Msg = 0;
    unsigned Id = 0;
    std::uintptr_t WParam = 0;
    std::intptr_t LParam = 0;
    TResult Result = 0;
};

/// Packs two 16-bit values into an LParam (low word first), as the platform does.
constexpr std::intptr_t MakeLParam(int low, int high) {
    return static_cast<std::intptr_t>((static_cast<std::uint32_t>(static_cast<std::uint16_t>(high)) << 16) |
                                      static_cast<std::uint16_t>(low));
}

/// The signed low word of an LParam (x of a mouse point, width of a size).
constexpr int LowWord(std::intptr_t value) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(value & 0xFFFF));
}

/// The unsigned low word of an LParam (width of a size).
constexpr int LowUWord(std::intptr_t value) {
    return static_cast<int>(value & 0xFFFF);
}

/// The unsigned high word of an LParam (height of a size).
constexpr int HighUWord(std::intptr_t value) {
    return static_cast<int>((value >> 16) & 0xFFFF);
}

/// The signed high word of an LParam (y of a mouse point, height of a size).
constexpr int HighWord(std::intptr_t value) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>((value >> 16) & 0xFFFF));
}
