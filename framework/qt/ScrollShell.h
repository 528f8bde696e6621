// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// ScrollShell: the Qt side of a window with scroll bars (style WS_HSCROLL
// or WS_VSCROLL): the window's client-area widget with a real horizontal
// bar under it and a vertical one beside it, each only for its style. The
// bars do not move by themselves: each user action on a bar becomes a
// request (SB_...) to the window's scroller, which then sets the bar. The
// shell belongs to the Qt widget tree; the window holds it as its top widget.

#include <QWidget>

class QScrollBar;
class TWindow;
class WindowWidget;

class ScrollShell : public QWidget {
public:
    /// The shell of `window` in `parent` (nullptr: top level), with the bars
    /// that `style` asks for.
    ScrollShell(TWindow& window, QWidget* parent, unsigned style);

    /// The client-area widget.
    WindowWidget* Client() const { return ClientArea; }
    /// The horizontal bar, nullptr when the window has none.
    QScrollBar* HorizontalBar() const { return Horizontal; }
    /// The vertical bar, nullptr when the window has none.
    QScrollBar* VerticalBar() const { return Vertical; }

    /// The scroll bar of `window` in one direction, nullptr when it has none.
    static QScrollBar* BarOf(const TWindow& window, Qt::Orientation orientation);

private:
    QScrollBar* MakeBar(Qt::Orientation orientation);

    TWindow& Window;
    WindowWidget* ClientArea;
    QScrollBar* Horizontal = nullptr;
    QScrollBar* Vertical = nullptr;
    bool Adjusting = false;  // the shell itself is moving a bar
};
