// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/Scroller.h"

#include "framework/Window.h"
#include "framework/qt/ScrollShell.h"
#include "resources/VirtualKeys.h"

#include <QScrollBar>

#include <algorithm>

namespace {

int Clamp(long long position, int range) {
    return static_cast<int>(std::clamp<long long>(position, 0, std::max(range, 0)));
}

constexpr int kNotch = 120;  // eighths of a degree in one notch of a wheel

// Takes the whole steps out of `rest` + `added`, `per` of them making one
// step; what is left stays in `rest`.
int WholeSteps(int& rest, int added, int per) {
    if (per <= 0) {
        return 0;
    }
    rest += added;
    const int steps = rest / per;
    rest -= steps * per;
    return steps;
}

int PageFor(int clientExtent, int unit) {
    if (unit <= 0) {
        return 1;  // no scrolling in that direction
    }
    return std::max((clientExtent + 1) / unit - 1, 1);
}

void SetBar(QScrollBar* bar, int range, int value, int page) {
    if (bar == nullptr) {
        return;
    }
    const int shownRange = std::min(std::max(range, 0), TScroller::MaxBarValue);
    bar->setRange(0, shownRange);
    bar->setPageStep(std::max(page, 1));
    bar->setValue(value);
    bar->setVisible(shownRange > 0);
}

}  // namespace

TScroller::TScroller(TWindow* window, int xUnit, int yUnit, int xRange, int yRange)
    : Window(window), XUnit(xUnit), YUnit(yUnit), XRange(xRange), YRange(yRange) {}

void TScroller::SetRange(int xRange, int yRange) {
    XRange = xRange;
    YRange = yRange;
    SetSBarRange();
    ScrollTo(XPos, YPos);
}

void TScroller::SetUnits(int xUnit, int yUnit) {
    XUnit = xUnit;
    YUnit = yUnit;
    SetPageSize();
    SetSBarRange();
}

void TScroller::SetPageSize() {
    const TRect client = Window != nullptr ? Window->GetClientRect() : TRect{};
    XPage = PageFor(client.Width(), XUnit);
    YPage = PageFor(client.Height(), YUnit);
}

int TScroller::BarValue(int position, int range) {
    if (range <= MaxBarValue) {
        return position;
    }
    return static_cast<int>(static_cast<long long>(position) * MaxBarValue / range);
}

int TScroller::RangeValue(int barValue, int range) {
    if (range <= MaxBarValue) {
        return barValue;
    }
    return static_cast<int>(static_cast<long long>(barValue) * range / MaxBarValue);
}

void TScroller::SetSBarRange() {
    if (Window == nullptr) {
        return;
    }
    // A bar's page step only sizes its thumb; requests use the scroller's steps.
    SetBar(ScrollShell::BarOf(*Window, Qt::Horizontal), XRange, XScrollValue(XPos), XScrollValue(XPage));
    SetBar(ScrollShell::BarOf(*Window, Qt::Vertical), YRange, YScrollValue(YPos), YScrollValue(YPage));
}

void TScroller::ScrollTo(int x, int y) {
    MoveTo(x, y);
}

void TScroller::ScrollBy(int dx, int dy) {
    MoveTo(static_cast<long long>(XPos) + dx, static_cast<long long>(YPos) + dy);
}

void TScroller::MoveTo(long long x, long long y) {
    const int newX = Clamp(x, XRange);
    const int newY = Clamp(y, YRange);
    if (newX == XPos && newY == YPos) {
        return;
    }
    XPos = newX;
    YPos = newY;
    if (Window == nullptr) {
        return;
    }
    if (QScrollBar* bar = ScrollShell::BarOf(*Window, Qt::Horizontal)) {
        bar->setValue(XScrollValue(XPos));
    }
    if (QScrollBar* bar = ScrollShell::BarOf(*Window, Qt::Vertical)) {
        bar->setValue(YScrollValue(YPos));
    }
    Window->Invalidate();
}

long long TScroller::Target(unsigned request, int thumbPos, int pos, int line, int page, int range) {
    switch (request) {
    case SB_LINEUP: return static_cast<long long>(pos) - line;
    case SB_LINEDOWN: return static_cast<long long>(pos) + line;
    case SB_PAGEUP: return static_cast<long long>(pos) - page;
    case SB_PAGEDOWN: return static_cast<long long>(pos) + page;
    case SB_TOP: return 0;
    case SB_BOTTOM: return range;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: return RangeValue(thumbPos, range);
    default: return pos;
    }
}

void TScroller::HScroll(unsigned request, int thumbPos) {
    MoveTo(Target(request, thumbPos, XPos, XLine, XPage, XRange), YPos);
}

void TScroller::VScroll(unsigned request, int thumbPos) {
    MoveTo(XPos, Target(request, thumbPos, YPos, YLine, YPage, YRange));
}

void TScroller::WheelScroll(int angleX, int angleY, int linesPerNotch) {
    // Turning left or up moves back: toward position 0.
    int sideways = -angleX;
    int upright = -angleY;
    if (Sideways()) {
        sideways += upright;
        upright = 0;
    }
    const int lines = std::max(linesPerNotch, 1);
    const int dx = WholeSteps(WheelRestX, sideways * lines, kNotch);
    const int dy = WholeSteps(WheelRestY, upright * lines, kNotch);
    MoveTo(static_cast<long long>(XPos) + static_cast<long long>(dx) * XLine,
           static_cast<long long>(YPos) + static_cast<long long>(dy) * YLine);
}

void TScroller::PixelScroll(int dx, int dy) {
    int sideways = -dx;
    int upright = -dy;
    if (Sideways()) {
        sideways += upright;
        upright = 0;
    }
    ScrollBy(WholeSteps(PixelRestX, sideways, XUnit), WholeSteps(PixelRestY, upright, YUnit));
}

bool TScroller::KeyScroll(unsigned key) {
    const auto along = [this](unsigned request) {
        if (Sideways()) {
            HScroll(request, 0);
        } else {
            VScroll(request, 0);
        }
    };
    switch (key) {
    case VK_LEFT: HScroll(SB_LINELEFT, 0); return true;
    case VK_RIGHT: HScroll(SB_LINERIGHT, 0); return true;
    case VK_UP: VScroll(SB_LINEUP, 0); return true;
    case VK_DOWN: VScroll(SB_LINEDOWN, 0); return true;
    case VK_PRIOR: along(SB_PAGEUP); return true;
    case VK_NEXT: along(SB_PAGEDOWN); return true;
    case VK_HOME: along(SB_TOP); return true;
    case VK_END: along(SB_BOTTOM); return true;
    default: return false;
    }
}
