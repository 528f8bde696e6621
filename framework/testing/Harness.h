// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The test harness: runs the real application in-process (offscreen) and
// drives it as a person would: menus, keys, mouse, resizing; reads what the
// screen shows (captions, status bar, pixels); replaces the seams to the
// outside world. Modal windows are answered by a ScriptedUser. Only tests
// link it; it sees Qt and the framework's private side.
//
//     TEST(Quit, EndsWithZero) {
//         harness::FakeDesktop desktop({1024, 768});
//         korvatekApp app;
//         const int code = harness::RunApplication(app, [&] {
//             harness::ClickMenuItem(*app.GetMainWindow(), {"&file", "&quit\tAlt+F4"});
//         });
//         EXPECT_EQ(code, 0);
//     }

#include "framework/Application.h"
#include "framework/FrameWindow.h"
#include "framework/Seams.h"
#include "framework/StatusBar.h"
#include "framework/testing/ScriptedUser.h"

#include <QImage>
#include <QMenu>
#include <QMenuBar>

#include <chrono>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace harness {

// --- Seams ----------------------------------------------------------------------------

/// A desktop of a chosen size, in place of the screen while it lives.
class FakeDesktop : public IDesktop {
public:
    explicit FakeDesktop(TSize size) : Size(size), Scope(*this) {}
    TSize GetDesktopSize() override;
    /// Makes every query throw `error` instead (a broken desktop).
    void FailWith(std::optional<std::string> error) { Error = std::move(error); }

private:
    TSize Size;
    std::optional<std::string> Error;
    TScopedSeam<IDesktop> Scope;
};

/// Lock keys whose state the test sets, in place of the keyboard while it lives.
class FakeLockKeys : public ILockKeys {
public:
    /// Keys in `state`; nothing means the platform cannot tell.
    explicit FakeLockKeys(std::optional<TLockKeyState> state = TLockKeyState{}) : State(state), Scope(*this) {}
    std::optional<TLockKeyState> Query() override;
    /// Changes the state the keyboard reports.
    void Set(std::optional<TLockKeyState> state) { State = state; }
    /// Makes the next `count` queries throw xmsg(`text`).
    void ThrowOnQuery(std::string text, int count = 1);
    /// How often the state was asked for.
    int Queries() const { return QueryCount; }

private:
    std::optional<TLockKeyState> State;
    std::string ErrorText;
    int ErrorsLeft = 0;
    int QueryCount = 0;
    TScopedSeam<ILockKeys> Scope;
};

// --- Running the application -----------------------------------------------------------

/// Runs `app` and, once its message loop runs (main window shown), calls
/// `body` from inside the loop. If the main window still exists when body
/// returns, it is closed through the close path. Answers Run()'s exit code;
/// an exception escaping Run() escapes here. After `limit` the test fails
/// and the application is made to quit.
int RunApplication(TApplication& app, const std::function<void()>& body,
                   std::chrono::milliseconds limit = std::chrono::seconds(20));

/// Runs a program's main function `main` (for instance AppMain through
/// FrameworkEntry) and, once the application it makes shows its main window,
/// calls `body` with that application from inside the loop; then closes the
/// main window if it is still open. Answers what `main` answered.
int RunProgram(const std::function<int()>& main, const std::function<void(TApplication&)>& body,
               std::chrono::milliseconds limit = std::chrono::seconds(20));

/// Lets the event loop run for `duration` (timers, posted events, idle).
void ProcessEvents(std::chrono::milliseconds duration = std::chrono::milliseconds(20));

// --- What the screen shows ---------------------------------------------------------------

/// The caption shown in the title bar of `window`.
std::string Caption(const TWindow& window);
/// The window's geometry on the desktop (for a child: in its parent's client area).
TRect Geometry(const TWindow& window);
/// The retained client image of `window`, repainted first if it was invalid.
QImage ClientImage(TWindow& window);
/// One pixel of the client area of `window`.
TColor Pixel(TWindow& window, int x, int y);
/// The whole window as it shows on screen, children included (no popups).
QImage Grab(const TWindow& window);
/// The first status bar among the children of `frame`, nullptr when none.
TStatusBar* StatusBarOf(TFrameWindow& frame);

// --- Menus --------------------------------------------------------------------------------

/// The frame's menu bar; fails the test when it has none.
QMenuBar* MenuBarOf(TFrameWindow& frame);
/// The texts of the menu bar's entries, as the resource spells them.
std::vector<std::string> MenuBarEntries(TFrameWindow& frame);
/// Opens the bar's popup `title` with a mouse click and answers it (nullptr
/// and a failure when there is no such entry).
QMenu* OpenMenu(TFrameWindow& frame, const std::string& title);
/// Moves the mouse onto item `text` (exact text, "\t" part included) of an open popup.
void HoverMenuItem(QMenu& menu, const std::string& text);
/// The action of item `text` in `menu`, nullptr when none.
QAction* FindMenuItem(QMenu& menu, const std::string& text);
/// Closes every open popup with Escape, as a person would.
void CloseMenus();
/// Opens the popups along `path` (bar entry, then items) and clicks the last
/// item. Arm a ScriptedUser first when the command opens a modal window.
void ClickMenuItem(TFrameWindow& frame, std::initializer_list<std::string> path);
/// Whether the item at `path` is enabled when its popup opens.
bool IsMenuItemEnabled(TFrameWindow& frame, std::initializer_list<std::string> path);

// --- Keys, mouse, size ---------------------------------------------------------------------

/// Presses and releases `key` with `modifiers` in `window` (its focus widget when it has one).
void PressKey(TWindow& window, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
/// Clicks `button` at (x, y) of the client area of `window`.
void Click(TWindow& window, int x, int y, Qt::MouseButton button = Qt::LeftButton);
/// Resizes `window` to width x height and lets the layout settle.
void Resize(TWindow& window, int width, int height);

}  // namespace harness
