// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/Dc.h"

#include "framework/Exceptions.h"
#include "framework/Module.h"
#include "framework/Scroller.h"
#include "framework/Window.h"
#include "framework/qt/Conversions.h"
#include "framework/qt/Fonts.h"
#include "framework/qt/WindowAccess.h"
#include "framework/qt/WindowWidget.h"
#include "resources/ResourceIds.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPointer>

#include <algorithm>
#include <utility>

namespace {

const TColor kBlack{0, 0, 0};
const TColor kWhite{255, 255, 255};

QFont QtFont(const TFont& font) {
    QFont qt = PlatformFont(font.GetFaceName(), 0);
    qt.setWeight(font.GetWeight() >= 700 ? QFont::Bold : QFont::Normal);
    qt.setItalic(font.IsItalic());
    const int height = font.GetHeight();
    if (height < 0) {
        qt.setPixelSize(-height);
    } else if (height > 0) {
        // A line height: scale the character height until the line fits.
        qt.setPixelSize(height);
        const int line = QFontMetrics(qt).height();
        qt.setPixelSize(std::max(1, height * height / std::max(line, 1)));
    }
    return qt;
}

}  // namespace

/// The state of one surface: where it draws and what is selected.
class TDCImpl {
public:
    QPointer<WindowWidget> Target;
    int OriginX = 0;
    int OriginY = 0;
    TColor TextColor = kBlack;
    TColor BkColor = kWhite;
    unsigned Align = TA_LEFT | TA_TOP;
    TColor PenColor = kBlack;
    TColor BrushColor = kWhite;
    QFont Font;

    /// The image drawn on, nullptr once the window is gone.
    QImage* Image() { return Target.isNull() ? nullptr : &Target->Image(); }

    /// Fills device columns [x0, x1) of device row y, clipped to `image`.
    static void FillSpan(QImage& image, int x0, int x1, int y, QRgb rgb) {
        if (y < 0 || y >= image.height()) {
            return;
        }
        x0 = std::max(x0, 0);
        x1 = std::min(x1, image.width());
        if (x0 >= x1) {
            return;
        }
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        std::fill(row + x0, row + x1, rgb);
    }
};

TDC::TDC(TWindow& window, TPoint origin) : Impl(std::make_unique<TDCImpl>()) {
    Impl->Target = TWindowAccess::ClientWidget(window);
    if (Impl->Target.isNull()) {
        // The platform fails to give a surface for a window without a client area.
        throw xmsg(std::string(res::FindString(strid::GdiFailure).value_or("")));
    }
    Impl->OriginX = origin.X;
    Impl->OriginY = origin.Y;
    Impl->Font = PlatformFont({}, 0);
}

TDC::~TDC() = default;

void TDC::Flush() {
    if (!Impl->Target.isNull()) {
        Impl->Target->update();
    }
}

TColor TDC::SetTextColor(const TColor& color) {
    return std::exchange(Impl->TextColor, color);
}

TColor TDC::SetBkColor(const TColor& color) {
    return std::exchange(Impl->BkColor, color);
}

unsigned TDC::SetTextAlign(unsigned flags) {
    return std::exchange(Impl->Align, flags);
}

bool TDC::GetTextMetrics(TTextMetric& metric) const {
    const QFontMetrics fm(Impl->Font);
    metric.tmHeight = fm.height();
    metric.tmAscent = fm.ascent();
    metric.tmDescent = fm.descent();
    metric.tmExternalLeading = fm.leading();
    metric.tmAveCharWidth = fm.averageCharWidth();
    return true;
}

void TDC::SelectObject(const TPen& pen) {
    Impl->PenColor = pen.GetColor();
}

void TDC::SelectObject(const TBrush& brush) {
    Impl->BrushColor = brush.GetColor();
}

void TDC::SelectObject(const TFont& font) {
    Impl->Font = QtFont(font);
}

void TDC::RestorePen() {
    Impl->PenColor = kBlack;
}

void TDC::RestoreBrush() {
    Impl->BrushColor = kWhite;
}

void TDC::RestoreFont() {
    Impl->Font = PlatformFont({}, 0);
}

void TDC::RestoreObjects() {
    RestorePen();
    RestoreBrush();
    RestoreFont();
}

bool TDC::TextOut(int x, int y, std::string_view text) {
    QImage* image = Impl->Image();
    if (image == nullptr) {
        return false;
    }
    const QString shown = ToQString(text);
    const QFontMetrics fm(Impl->Font);
    const int width = fm.horizontalAdvance(shown);
    int left = x - Impl->OriginX;
    int top = y - Impl->OriginY;
    switch (Impl->Align & TA_CENTER) {
    case TA_RIGHT: left -= width; break;
    case TA_CENTER: left -= width / 2; break;
    default: break;
    }
    switch (Impl->Align & TA_BASELINE) {
    case TA_BOTTOM: top -= fm.height(); break;
    case TA_BASELINE: top -= fm.ascent(); break;
    default: break;
    }
    QPainter painter(image);
    painter.fillRect(QRect(left, top, width, fm.height()), ToQColor(Impl->BkColor));
    painter.setFont(Impl->Font);
    painter.setPen(ToQColor(Impl->TextColor));
    painter.drawText(QPoint(left, top + fm.ascent()), shown);
    return true;
}

bool TDC::SetPixel(int x, int y, const TColor& color) {
    QImage* image = Impl->Image();
    const int dx = x - Impl->OriginX;
    const int dy = y - Impl->OriginY;
    if (image == nullptr || dx < 0 || dy < 0 || dx >= image->width() || dy >= image->height()) {
        return false;
    }
    reinterpret_cast<QRgb*>(image->scanLine(dy))[dx] = qRgb(color.R, color.G, color.B);
    return true;
}

bool TDC::Rectangle(int left, int top, int right, int bottom) {
    QImage* image = Impl->Image();
    if (image == nullptr) {
        return false;
    }
    const int x0 = std::min(left, right) - Impl->OriginX;
    const int x1 = std::max(left, right) - Impl->OriginX;
    const int y0 = std::min(top, bottom) - Impl->OriginY;
    const int y1 = std::max(top, bottom) - Impl->OriginY;
    if (x0 == x1 || y0 == y1) {
        return true;
    }
    const QRgb pen = qRgb(Impl->PenColor.R, Impl->PenColor.G, Impl->PenColor.B);
    const QRgb brush = qRgb(Impl->BrushColor.R, Impl->BrushColor.G, Impl->BrushColor.B);
    TDCImpl::FillSpan(*image, x0, x1, y0, pen);
    for (int y = std::max(y0 + 1, 0); y < std::min(y1 - 1, image->height()); ++y) {
        TDCImpl::FillSpan(*image, x0, x0 + 1, y, pen);
        TDCImpl::FillSpan(*image, x0 + 1, x1 - 1, y, brush);
        TDCImpl::FillSpan(*image, x1 - 1, x1, y, pen);
    }
    TDCImpl::FillSpan(*image, x0, x1, y1 - 1, pen);
    return true;
}

// --- TPaintDC --------------------------------------------------------------------

namespace {

TPoint ScrollOrigin(const TWindow& window) {
    const TScroller* scroller = window.GetScroller();
    return scroller != nullptr ? TPoint{scroller->OriginX(), scroller->OriginY()} : TPoint{};
}

}  // namespace

TPaintDC::TPaintDC(TWindow& window) : TDC(window, ScrollOrigin(window)) {
    const TPoint origin = ScrollOrigin(window);
    const TRect client = window.GetClientRect();
    PaintRect = TRect{origin.X, origin.Y, origin.X + client.Width(), origin.Y + client.Height()};
}

// --- TClientDC --------------------------------------------------------------------

namespace {

TWindow& AfterPendingRepaint(TWindow& window) {
    if (WindowWidget* client = TWindowAccess::ClientWidget(window)) {
        client->RepaintIfInvalid();
    }
    return window;
}

}  // namespace

TClientDC::TClientDC(TWindow& window) : TDC(AfterPendingRepaint(window), TPoint{}) {}

TClientDC::~TClientDC() {
    Flush();
}
