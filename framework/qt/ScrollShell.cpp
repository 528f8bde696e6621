// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/qt/ScrollShell.h"

#include "framework/Scroller.h"
#include "framework/Window.h"
#include "framework/qt/SafeCall.h"
#include "framework/qt/WindowAccess.h"
#include "framework/qt/WindowWidget.h"

#include <QGridLayout>
#include <QScrollBar>

#include <optional>

namespace {

// The scroller request for a Qt slider action; nothing for the others.
std::optional<unsigned> RequestFor(int action) {
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub: return SB_LINEUP;
    case QAbstractSlider::SliderSingleStepAdd: return SB_LINEDOWN;
    case QAbstractSlider::SliderPageStepSub: return SB_PAGEUP;
    case QAbstractSlider::SliderPageStepAdd: return SB_PAGEDOWN;
    case QAbstractSlider::SliderToMinimum: return SB_TOP;
    case QAbstractSlider::SliderToMaximum: return SB_BOTTOM;
    case QAbstractSlider::SliderMove: return SB_THUMBTRACK;
    default: return std::nullopt;
    }
}

}  // namespace

ScrollShell::ScrollShell(TWindow& window, QWidget* parent, unsigned style)
    : QWidget(parent), Window(window), ClientArea(new WindowWidget(window, this)) {
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ClientArea, 0, 0);
    if ((style & WS_HSCROLL) != 0) {
        Horizontal = MakeBar(Qt::Horizontal);
        layout->addWidget(Horizontal, 1, 0);
    }
    if ((style & WS_VSCROLL) != 0) {
        Vertical = MakeBar(Qt::Vertical);
        layout->addWidget(Vertical, 0, 1);
    }
    setFocusProxy(ClientArea);
}

QScrollBar* ScrollShell::MakeBar(Qt::Orientation orientation) {
    auto* bar = new QScrollBar(orientation, this);
    bar->setRange(0, 0);
    bar->hide();
    bar->setFocusPolicy(Qt::NoFocus);
    const auto request = [this, orientation, bar](unsigned code, int position) {
        TScroller* scroller = WindowFromWidget(this) == &Window ? Window.GetScroller() : nullptr;
        if (scroller == nullptr || Adjusting) {
            return;
        }
        CallSafely([&] {
            if (orientation == Qt::Horizontal) {
                scroller->HScroll(code, position);
            } else {
                scroller->VScroll(code, position);
            }
        });
        if (code == SB_THUMBTRACK || code == SB_THUMBPOSITION) {
            return;  // the thumb stays under the mouse
        }
        // The scroller decides where the thumb stands, not the bar's own step;
        // setting it here triggers a thumb move, which must not scroll again.
        Adjusting = true;
        bar->setSliderPosition(orientation == Qt::Horizontal ? scroller->XScrollValue(scroller->GetXPos())
                                                             : scroller->YScrollValue(scroller->GetYPos()));
        Adjusting = false;
    };
    connect(bar, &QAbstractSlider::actionTriggered, this, [bar, request](int action) {
        if (const auto code = RequestFor(action)) {
            request(*code, bar->sliderPosition());
        }
    });
    connect(bar, &QAbstractSlider::sliderReleased, this,
            [bar, request] { request(SB_THUMBPOSITION, bar->sliderPosition()); });
    return bar;
}

QScrollBar* ScrollShell::BarOf(const TWindow& window, Qt::Orientation orientation) {
    auto* shell = dynamic_cast<ScrollShell*>(TWindowAccess::TopWidget(window));
    if (shell == nullptr) {
        return nullptr;
    }
    return orientation == Qt::Horizontal ? shell->HorizontalBar() : shell->VerticalBar();
}
