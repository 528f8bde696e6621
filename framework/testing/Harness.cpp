// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/testing/Harness.h"

#include "framework/Exceptions.h"
#include "framework/qt/FrameShell.h"
#include "framework/qt/WindowAccess.h"
#include "framework/qt/WindowWidget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace harness {
namespace {

// Runs the event loop until `done` holds or `timeout` passes; answers `done()`.
bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::seconds(2)) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeout.count()) {
            return false;
        }
        ProcessEvents(std::chrono::milliseconds(2));
    }
    return true;
}

// Waits until the application's main window is the active window, as it is
// for a person who has just started the program.
void WaitUntilActive(TApplication& app) {
    TFrameWindow* mainWindow = app.GetMainWindow();
    QWidget* top = mainWindow != nullptr ? TWindowAccess::TopWidget(*mainWindow) : nullptr;
    if (top == nullptr || !top->isVisible()) {
        return;
    }
    // Offscreen, nothing gives the activation back after a modal window
    // closed; a person would click on the window.
    if (!top->isActiveWindow()) {
        top->activateWindow();
    }
    if (!WaitFor([top] { return top->isActiveWindow(); })) {
        ADD_FAILURE() << "the main window never became active";
    }
}

QAction* FindBarEntry(QMenuBar& bar, const std::string& title) {
    for (QAction* action : bar.actions()) {
        if (action->text().toStdString() == title) {
            return action;
        }
    }
    return nullptr;
}

// Opens the popups of `path` and answers the action of its last element.
QAction* WalkMenuPath(TFrameWindow& frame, std::initializer_list<std::string> path, QMenu*& lastMenu) {
    lastMenu = nullptr;
    if (path.size() < 2) {
        ADD_FAILURE() << "a menu path needs a bar entry and an item";
        return nullptr;
    }
    auto step = path.begin();
    QMenu* menu = OpenMenu(frame, *step);
    for (++step; menu != nullptr; ++step) {
        QAction* action = FindMenuItem(*menu, *step);
        if (action == nullptr) {
            ADD_FAILURE() << "no menu item \"" << *step << "\"";
            return nullptr;
        }
        if (std::next(step) == path.end()) {
            lastMenu = menu;
            return action;
        }
        HoverMenuItem(*menu, *step);
        menu = action->menu();
        if (menu == nullptr || !WaitFor([menu] { return menu->isVisible(); })) {
            ADD_FAILURE() << "\"" << *step << "\" opens no popup";
            return nullptr;
        }
    }
    return nullptr;
}

}  // namespace

// --- Seams ------------------------------------------------------------------------------

TSize FakeDesktop::GetDesktopSize() {
    if (Error) {
        throw xmsg(*Error);
    }
    return Size;
}

std::optional<TLockKeyState> FakeLockKeys::Query() {
    ++QueryCount;
    if (ErrorsLeft > 0) {
        --ErrorsLeft;
        throw xmsg(ErrorText);
    }
    return State;
}

void FakeLockKeys::ThrowOnQuery(std::string text, int count) {
    ErrorText = std::move(text);
    ErrorsLeft = count;
}

// --- Running -----------------------------------------------------------------------------

// Makes the test fail and the application quit once `limit` has passed.
void ArmWatchdog(QObject& scope, std::chrono::milliseconds limit) {
    QTimer::singleShot(limit, &scope, [limit] {
        ADD_FAILURE() << "the application still ran after " << limit.count() << " ms; it was made to quit";
        if (QWidget* modal = QApplication::activeModalWidget()) {
            ForceClose(*modal);
        }
        if (TApplication* app = TApplication::Current()) {
            app->PostQuit(-99);
        }
    });
}

// Calls `body` from the event queue, then closes the main window if it is still open.
void PostBody(QObject& scope, TApplication& app, const std::function<void()>& body) {
    QTimer::singleShot(0, &scope, [&app, &body] {
        WaitUntilActive(app);
        body();
        TFrameWindow* mainWindow = app.GetMainWindow();
        if (mainWindow != nullptr && mainWindow->IsWindow()) {
            mainWindow->CloseWindow();
        }
    });
}

int RunApplication(TApplication& app, const std::function<void()>& body, std::chrono::milliseconds limit) {
    // Timers owned by `scope` die with this call, even when Run() throws.
    QObject scope;
    PostBody(scope, app, body);
    ArmWatchdog(scope, limit);
    return app.Run();
}

int RunProgram(const std::function<int()>& main, const std::function<void(TApplication&)>& body,
               std::chrono::milliseconds limit) {
    QObject scope;
    std::function<void()> boundBody;
    auto* poll = new QTimer(&scope);
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [poll, &scope, &body, &boundBody] {
        // The body starts once the program's main window is up and no modal
        // window (a report at the start) stands in front of it.
        TApplication* app = TApplication::Current();
        TFrameWindow* mainWindow = app != nullptr ? app->GetMainWindow() : nullptr;
        if (mainWindow == nullptr || !mainWindow->IsVisible() || QApplication::activeModalWidget() != nullptr) {
            return;
        }
        poll->stop();
        boundBody = [app, &body] { body(*app); };
        PostBody(scope, *app, boundBody);
    });
    poll->start();
    ArmWatchdog(scope, limit);
    return main();
}

void ProcessEvents(std::chrono::milliseconds duration) {
    // A real nested loop: it waits for events, so idle processing runs too.
    QEventLoop loop;
    QTimer::singleShot(duration, &loop, &QEventLoop::quit);
    loop.exec();
}

// --- Screen ----------------------------------------------------------------------------------

std::string Caption(const TWindow& window) {
    const QWidget* top = TWindowAccess::TopWidget(window);
    return top != nullptr ? top->windowTitle().toStdString() : std::string();
}

TRect Geometry(const TWindow& window) {
    return window.GetWindowRect();
}

QImage ClientImage(TWindow& window) {
    WindowWidget* client = TWindowAccess::ClientWidget(window);
    if (client == nullptr) {
        ADD_FAILURE() << "the window has no client area (not created)";
        return {};
    }
    client->RepaintIfInvalid();
    return client->Image();
}

TColor Pixel(TWindow& window, int x, int y) {
    const QImage image = ClientImage(window);
    if (!image.valid(x, y)) {
        ADD_FAILURE() << "pixel (" << x << ", " << y << ") lies outside the client area " << image.width() << " x "
                      << image.height();
        return {};
    }
    const QRgb rgb = image.pixel(x, y);
    return TColor{static_cast<std::uint8_t>(qRed(rgb)), static_cast<std::uint8_t>(qGreen(rgb)),
                  static_cast<std::uint8_t>(qBlue(rgb))};
}

QImage Grab(const TWindow& window) {
    QWidget* top = TWindowAccess::TopWidget(window);
    return top != nullptr ? top->grab().toImage() : QImage();
}

TStatusBar* StatusBarOf(TFrameWindow& frame) {
    for (TWindow* child : frame.GetChildren()) {
        if (auto* statusBar = dynamic_cast<TStatusBar*>(child)) {
            return statusBar;
        }
    }
    return nullptr;
}

// --- Menus --------------------------------------------------------------------------------------

QMenuBar* MenuBarOf(TFrameWindow& frame) {
    QMenuBar* bar = TFrameAccess::MenuBar(frame);
    if (bar == nullptr) {
        ADD_FAILURE() << "the frame has no menu bar (not created)";
    }
    return bar;
}

std::vector<std::string> MenuBarEntries(TFrameWindow& frame) {
    std::vector<std::string> entries;
    if (QMenuBar* bar = MenuBarOf(frame)) {
        for (QAction* action : bar->actions()) {
            if (!action->isSeparator()) {
                entries.push_back(action->text().toStdString());
            }
        }
    }
    return entries;
}

QMenu* OpenMenu(TFrameWindow& frame, const std::string& title) {
    QMenuBar* bar = MenuBarOf(frame);
    QAction* entry = bar != nullptr ? FindBarEntry(*bar, title) : nullptr;
    if (entry == nullptr || entry->menu() == nullptr) {
        ADD_FAILURE() << "the menu bar has no popup \"" << title << "\"";
        return nullptr;
    }
    CloseMenus();
    QMenu* menu = entry->menu();
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->actionGeometry(entry).center());
    if (!WaitFor([menu] { return menu->isVisible(); })) {
        ADD_FAILURE() << "the popup \"" << title << "\" did not open";
        return nullptr;
    }
    return menu;
}

QAction* FindMenuItem(QMenu& menu, const std::string& text) {
    for (QAction* action : menu.actions()) {
        if (!action->isSeparator() && action->text().toStdString() == text) {
            return action;
        }
    }
    return nullptr;
}

void HoverMenuItem(QMenu& menu, const std::string& text) {
    QAction* action = FindMenuItem(menu, text);
    if (action == nullptr) {
        ADD_FAILURE() << "no menu item \"" << text << "\"";
        return;
    }
    QTest::mouseMove(&menu, menu.actionGeometry(action).center());
    ProcessEvents(std::chrono::milliseconds(5));
}

void CloseMenus() {
    for (int tries = 0; tries < 10; ++tries) {
        QWidget* popup = QApplication::activePopupWidget();
        if (popup == nullptr) {
            break;
        }
        QTest::keyClick(popup, Qt::Key_Escape);
    }
    ProcessEvents(std::chrono::milliseconds(5));
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << "a popup stayed open";
}

void ClickMenuItem(TFrameWindow& frame, std::initializer_list<std::string> path) {
    QMenu* menu = nullptr;
    QAction* item = WalkMenuPath(frame, path, menu);
    if (item == nullptr) {
        CloseMenus();
        return;
    }
    EXPECT_TRUE(item->isEnabled()) << "clicking the disabled item \"" << item->text().toStdString() << "\"";
    QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(item).center());
    if (QApplication::activePopupWidget() != nullptr) {
        CloseMenus();
    }
}

bool IsMenuItemEnabled(TFrameWindow& frame, std::initializer_list<std::string> path) {
    QMenu* menu = nullptr;
    QAction* item = WalkMenuPath(frame, path, menu);
    const bool enabled = item != nullptr && item->isEnabled();
    CloseMenus();
    return enabled;
}

// --- Keys, mouse, size ------------------------------------------------------------------------------

void PressKey(TWindow& window, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QWidget* target = QApplication::focusWidget();
    TWindow* focused = WindowFromWidget(target);
    bool inside = false;
    for (TWindow* w = focused; w != nullptr; w = w->GetParent()) {
        inside = inside || w == &window;
    }
    if (!inside) {
        target = TWindowAccess::ClientWidget(window);
    }
    if (target == nullptr) {
        ADD_FAILURE() << "the window is not created";
        return;
    }
    QTest::keyClick(target, key, modifiers);
}

void Click(TWindow& window, int x, int y, Qt::MouseButton button) {
    WindowWidget* client = TWindowAccess::ClientWidget(window);
    if (client == nullptr) {
        ADD_FAILURE() << "the window is not created";
        return;
    }
    QTest::mouseClick(client, button, Qt::NoModifier, QPoint(x, y));
}

void Resize(TWindow& window, int width, int height) {
    QWidget* top = TWindowAccess::TopWidget(window);
    if (top == nullptr) {
        ADD_FAILURE() << "the window is not created";
        return;
    }
    top->resize(width, height);
    ProcessEvents(std::chrono::milliseconds(10));
}

}  // namespace harness
