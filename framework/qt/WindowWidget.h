// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// WindowWidget: the Qt widget that is a TWindow's client area. It shows the
// window's retained image, repaints it (erase, then the paint hook) when the
// window was invalidated, and turns Qt input events into the window's
// messages. It belongs to the Qt widget tree; the TWindow holds it through a
// guarded pointer and detaches it when destroyed, after which it forwards
// nothing (it may outlive the window until Qt deletes it).

#include <QImage>
#include <QWidget>

class TWindow;

class WindowWidget : public QWidget {
public:
    /// The client-area widget of `owner`, placed in `parent` (nullptr: top level).
    WindowWidget(TWindow& owner, QWidget* parent);

    /// The window it belongs to, nullptr once detached.
    TWindow* Owner() const { return Window; }
    /// Cuts the link to the window, which is being destroyed.
    void Detach();

    /// The retained image, sized to the widget now (kept content stays,
    /// new area is erased with the background colour).
    QImage& Image();
    /// Marks the whole image for erase and paint hook before it is shown next.
    void Invalidate();
    /// Runs a pending erase and paint hook now.
    void RepaintIfInvalid();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void SendMouse(unsigned msg, QMouseEvent* event);

    TWindow* Window;
    QImage Retained;
    bool NeedsRepaint = true;
};

/// The TWindow a widget belongs to: the widget itself or its nearest
/// ancestor that is a window's widget; nullptr when none.
TWindow* WindowFromWidget(const QWidget* widget);

/// Marks `widget` as a widget of `window` for WindowFromWidget.
void TagWidget(QWidget& widget, TWindow& window);

/// Removes the mark of TagWidget.
void UntagWidget(QWidget& widget);
