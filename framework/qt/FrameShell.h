// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// FrameShell: the Qt side of a TFrameWindow: the top-level widget with the
// menu bar above the frame's client-area widget, which lays out the edge
// windows (decorations) and the client window. Closing it by the window
// manager goes through the frame's close path (while the frame exists). TFrameAccess opens it to the
// framework and the harness.

#include "framework/FrameWindow.h"

#include <QPointer>
#include <QWidget>

#include <string>

class QMenuBar;
class QVBoxLayout;
class WindowWidget;

class FrameShell : public QWidget {
public:
    /// The shell of `frame`, placed in `parent` (nullptr: top level).
    FrameShell(TFrameWindow& frame, QWidget* parent);

    /// The menu bar.
    QMenuBar* MenuBar() const { return Bar; }
    /// The frame's client-area widget.
    WindowWidget* Body() const { return BodyWidget; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QMenuBar* Bar;
    WindowWidget* BodyWidget;
};

class TFrameAccess {
public:
    /// The shell of a created frame, nullptr otherwise.
    static FrameShell* Shell(const TFrameWindow& frame);
    /// The menu bar of a created frame, nullptr otherwise.
    static QMenuBar* MenuBar(const TFrameWindow& frame);
    /// Shows the menu hint for command id `id` (0: clears it) when tracking is on.
    static void ShowHint(TFrameWindow& frame, unsigned id);
};
