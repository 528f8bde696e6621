// SPDX-License-Identifier: GPL-3.0-or-later
// The real implementations of the framework's seams: the desktop size from
// the primary screen, the lock keys from the X keyboard extension.

#include "framework/Seams.h"

#include <QGuiApplication>
#include <QScreen>

// Xlib defines macros (None, Bool, Status...) that clash with Qt; it comes last.
#include <X11/XKBlib.h>

namespace {

class ScreenDesktop : public IDesktop {
public:
    TSize GetDesktopSize() override {
        const QScreen* screen = QGuiApplication::primaryScreen();
        if (screen == nullptr) {
            return TSize{};
        }
        const QRect geometry = screen->geometry();
        return TSize{geometry.width(), geometry.height()};
    }
};

class XkbLockKeys : public ILockKeys {
public:
    std::optional<TLockKeyState> Query() override {
        // Only a real X display can tell; elsewhere (offscreen, Wayland) the
        // state is unknown and Xlib calls would crash on the missing display.
        if (QGuiApplication::platformName() != QLatin1String("xcb")) {
            return std::nullopt;
        }
        auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        Display* display = x11 != nullptr ? x11->display() : nullptr;
        if (display == nullptr) {
            return std::nullopt;
        }
        unsigned int indicators = 0;
        if (XkbGetIndicatorState(display, XkbUseCoreKbd, &indicators) != 0) {
            return std::nullopt;
        }
        return TLockKeyState{(indicators & 1u) != 0, (indicators & 2u) != 0, (indicators & 4u) != 0};
    }
};

}  // namespace

template <>
IDesktop& TSeam<IDesktop>::Default() {
    static ScreenDesktop desktop;
    return desktop;
}

template <>
ILockKeys& TSeam<ILockKeys>::Default() {
    static XkbLockKeys lockKeys;
    return lockKeys;
}
