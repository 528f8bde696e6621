// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TWindowAccess: the framework's private door into TWindow, for code that
// needs the Qt side of a window: drawing surfaces (the retained image),
// frames and dialogs (their widgets), the harness. Only framework sources
// and the test harness include it.

#include "framework/Window.h"

#include <QPointer>
#include <QWidget>

class QImage;
class WindowWidget;

/// The Qt side of a TWindow; exists from PerformCreate() to Destroy().
class TWindowImpl {
public:
    QPointer<QWidget> Top;          // the widget that is the window: caption, geometry, visibility
    QPointer<WindowWidget> Client;  // the client area: retained image, input
};

class TWindowAccess {
public:
    /// The window's widgets; nullptr when the window is not created.
    static TWindowImpl* Impl(const TWindow& window) { return window.Impl.get(); }
    /// Installs the widgets that PerformCreate() built; `client` may be
    /// nullptr for windows without a retained client area (dialogs).
    static void Attach(TWindow& window, QWidget* top, WindowWidget* client);
    /// The widget that is the window, nullptr when not created.
    static QWidget* TopWidget(const TWindow& window);
    /// The client-area widget, nullptr when not created.
    static WindowWidget* ClientWidget(const TWindow& window);
    /// The widget that holds the children of `window`: its client area, else
    /// the window's own widget; nullptr when not created.
    static QWidget* ChildArea(const TWindow& window);
    /// The retained client image, sized to the client area. The window must exist.
    static QImage& RetainedImage(TWindow& window);
    /// Runs the erase and the paint hook of `window` on its retained image.
    static void Paint(TWindow& window);
    /// Hands `msg` to the window (event table, else default processing).
    static TResult Deliver(TWindow& window, TMessage& msg) { return window.HandleMessage(msg); }
};

/// Places `widget` at the position and size of `attr` (CW_USEDEFAULT: left to Qt).
void ApplyPlacement(QWidget& widget, const TWindowAttr& attr);
