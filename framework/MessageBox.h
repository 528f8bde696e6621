// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The message box service: a modal box with a text, a caption (or none) and
// the platform's flags, answering with the platform's button ids. Windows
// offer it as TWindow::MessageBox; boxes with no owner use MessageBoxEx.

#include <string_view>

class TWindow;

// Button sets (flags & 0x0F).
inline constexpr unsigned MB_OK = 0x00;
inline constexpr unsigned MB_OKCANCEL = 0x01;
inline constexpr unsigned MB_ABORTRETRYIGNORE = 0x02;
inline constexpr unsigned MB_YESNOCANCEL = 0x03;
inline constexpr unsigned MB_YESNO = 0x04;
inline constexpr unsigned MB_RETRYCANCEL = 0x05;
// Icons (flags & 0xF0).
inline constexpr unsigned MB_ICONSTOP = 0x10;
inline constexpr unsigned MB_ICONQUESTION = 0x20;
inline constexpr unsigned MB_ICONEXCLAMATION = 0x30;
inline constexpr unsigned MB_ICONINFORMATION = 0x40;
// Default button (flags & 0xF00): the first unless one of these is given.
inline constexpr unsigned MB_DEFBUTTON2 = 0x100;
inline constexpr unsigned MB_DEFBUTTON3 = 0x200;

// Answers.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

/// The caption shown when a box is given none.
inline constexpr std::string_view DefaultMessageBoxCaption = "Error";

/// Shows a modal message box owned by `owner` (nullptr: no owner, modal for
/// the whole application) and returns the id of the button that ended it.
/// `caption` nullptr means no caption: the box shows DefaultMessageBoxCaption.
/// Escape answers IDCANCEL where the box has a Cancel button, IDOK for an OK
/// box, and does nothing otherwise.
int MessageBoxEx(TWindow* owner, std::string_view text, const char* caption, unsigned flags);
