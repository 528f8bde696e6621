// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/qt/WindowWidget.h"

#include "framework/Scroller.h"
#include "framework/qt/Conversions.h"
#include "framework/qt/SafeCall.h"
#include "framework/qt/WindowAccess.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>

namespace {

constexpr const char* kWindowProperty = "korvaniWindow";

unsigned MouseKeyFlags(const QMouseEvent& event) {
    unsigned flags = 0;
    if (event.buttons() & Qt::LeftButton) {
        flags |= MK_LBUTTON;
    }
    if (event.buttons() & Qt::RightButton) {
        flags |= MK_RBUTTON;
    }
    if (event.modifiers() & Qt::ShiftModifier) {
        flags |= MK_SHIFT;
    }
    if (event.modifiers() & Qt::ControlModifier) {
        flags |= MK_CONTROL;
    }
    return flags;
}

}  // namespace

WindowWidget::WindowWidget(TWindow& owner, QWidget* parent) : QWidget(parent), Window(&owner) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    TagWidget(*this, owner);
}

QImage& WindowWidget::Image() {
    const QSize wanted(std::max(1, width()), std::max(1, height()));
    if (Retained.size() != wanted) {
        QImage resized(wanted, QImage::Format_RGB32);
        resized.fill(Window != nullptr ? ToQColor(Window->GetBkgndColor()) : QColor(Qt::white));
        if (!Retained.isNull()) {
            QPainter painter(&resized);
            painter.drawImage(0, 0, Retained);
        }
        Retained = std::move(resized);
    }
    return Retained;
}

void WindowWidget::Invalidate() {
    NeedsRepaint = true;
    update();
}

void WindowWidget::RepaintIfInvalid() {
    if (NeedsRepaint && Window != nullptr) {
        NeedsRepaint = false;
        TWindowAccess::Paint(*Window);
    }
}

void WindowWidget::paintEvent(QPaintEvent* event) {
    RepaintIfInvalid();
    QPainter painter(this);
    painter.drawImage(event->rect(), Image(), event->rect());
}

void WindowWidget::resizeEvent(QResizeEvent*) {
    Invalidate();
    if (Window == nullptr) {
        return;
    }
    TMessage msg{WM_SIZE, 0,
                 isMinimized()   ? SIZE_MINIMIZED
                 : isMaximized() ? SIZE_MAXIMIZED
                                 : SIZE_RESTORED,
                 MakeLParam(width(), height())};
    CallSafely([&] { TWindowAccess::Deliver(*Window, msg); });
}

void WindowWidget::SendMouse(unsigned msgId, QMouseEvent* event) {
    if (Window == nullptr) {
        return;
    }
    const QPoint at = event->position().toPoint();
    TMessage msg{msgId, 0, MouseKeyFlags(*event), MakeLParam(at.x(), at.y())};
    CallSafely([&] { TWindowAccess::Deliver(*Window, msg); });
}

void WindowWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        SendMouse(WM_LBUTTONDOWN, event);
    } else if (event->button() == Qt::RightButton) {
        SendMouse(WM_RBUTTONDOWN, event);
    }
}

void WindowWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        SendMouse(WM_LBUTTONUP, event);
    } else if (event->button() == Qt::RightButton) {
        SendMouse(WM_RBUTTONUP, event);
    }
}

void WindowWidget::mouseMoveEvent(QMouseEvent* event) {
    SendMouse(WM_MOUSEMOVE, event);
}

void WindowWidget::keyPressEvent(QKeyEvent* event) {
    if (Window == nullptr) {
        return;
    }
    TMessage msg = KeyMessage(*event);
    CallSafely([&] { TWindowAccess::Deliver(*Window, msg); });
}

void WindowWidget::keyReleaseEvent(QKeyEvent* event) {
    if (Window == nullptr) {
        return;
    }
    TMessage msg = KeyMessage(*event);
    CallSafely([&] { TWindowAccess::Deliver(*Window, msg); });
}

void WindowWidget::wheelEvent(QWheelEvent* event) {
    TScroller* scroller = Window != nullptr ? Window->GetScroller() : nullptr;
    if (scroller == nullptr) {
        event->ignore();  // a parent may scroll
        return;
    }
    // A touchpad reports pixels, a wheel notches; never both at once.
    const QPoint pixels = event->pixelDelta();
    const QPoint angle = event->angleDelta();
    CallSafely([&] {
        if (!pixels.isNull()) {
            scroller->PixelScroll(pixels.x(), pixels.y());
        } else {
            scroller->WheelScroll(angle.x(), angle.y(), QApplication::wheelScrollLines());
        }
    });
    event->accept();
}

void WindowWidget::Detach() {
    Window = nullptr;
    UntagWidget(*this);
}

void TagWidget(QWidget& widget, TWindow& window) {
    widget.setProperty(kWindowProperty, QVariant::fromValue(static_cast<void*>(&window)));
}

void UntagWidget(QWidget& widget) {
    widget.setProperty(kWindowProperty, QVariant());
}

TWindow* WindowFromWidget(const QWidget* widget) {
    for (; widget != nullptr; widget = widget->parentWidget()) {
        const QVariant tag = widget->property(kWindowProperty);
        if (tag.isValid()) {
            return static_cast<TWindow*>(tag.value<void*>());
        }
    }
    return nullptr;
}
