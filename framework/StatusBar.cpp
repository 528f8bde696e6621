// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/StatusBar.h"

#include "framework/Module.h"
#include "framework/Seams.h"
#include "framework/qt/Conversions.h"
#include "framework/qt/WindowAccess.h"
#include "framework/qt/WindowWidget.h"
#include "resources/ResourceIds.h"
#include "resources/Resources.h"
#include "resources/VirtualKeys.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QScreen>

#include <cmath>

namespace {

// Pixel layout of the bar: outer margin, gap between fields, one border
// unit, and the padding between a field's border and its text.
constexpr int kMargin = 2;
constexpr int kFieldGap = 2;
constexpr int kBorder = 1;
constexpr int kTextPadX = 4;
constexpr int kTextPadY = 1;

constexpr TStatusBar::TModeIndicator kIndicators[] = {
    TStatusBar::ExtendSelection, TStatusBar::CapsLock, TStatusBar::NumLock,
    TStatusBar::ScrollLock,      TStatusBar::Overtype, TStatusBar::RecordingMacro,
};

int ScreenDpiY() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? static_cast<int>(std::lround(screen->logicalDotsPerInchY())) : 96;
}

QFont ToQFont(const TGadgetWindowFont& font) {
    QFont qfont(QString::fromLatin1(TGadgetWindowFont::FaceName));
    qfont.setStyleHint(QFont::SansSerif);
    qfont.setFixedPitch(false);
    qfont.setPixelSize(-font.GetHeight(ScreenDpiY()));
    qfont.setWeight(static_cast<QFont::Weight>(font.GetWeight()));
    qfont.setItalic(font.IsItalic());
    return qfont;
}

// The i-th "|"-separated part of string `id`, empty when missing.
std::string Part(const TModule* module, unsigned id, std::size_t index) {
    const std::string text = module != nullptr ? module->LoadString(id).value_or("") : "";
    std::size_t start = 0;
    for (std::size_t i = 0; i < index; ++i) {
        start = text.find('|', start);
        if (start == std::string::npos) {
            return {};
        }
        ++start;
    }
    return text.substr(start, text.find('|', start) - start);
}

std::size_t IndexOf(TStatusBar::TModeIndicator indicator) {
    std::size_t i = 0;
    while ((1u << i) != static_cast<unsigned>(indicator)) {
        ++i;
    }
    return i;
}

void DrawBorder(QPainter& painter, const QRect& r, TStatusBar::TBorderStyle style, const QPalette& palette) {
    const QColor shadow = palette.color(QPalette::Dark);
    const QColor highlight = palette.color(QPalette::Light);
    QColor topLeft;
    QColor bottomRight;
    switch (style) {
    case TStatusBar::None: return;
    case TStatusBar::Plain: topLeft = bottomRight = shadow; break;
    case TStatusBar::Raised:
        topLeft = highlight;
        bottomRight = shadow;
        break;
    case TStatusBar::Recessed:
    case TStatusBar::Embossed:
        topLeft = shadow;
        bottomRight = highlight;
        break;
    }
    const int l = r.left();
    const int t = r.top();
    const int rr = r.left() + r.width() - 1;
    const int b = r.top() + r.height() - 1;
    painter.setPen(topLeft);
    painter.drawLine(l, t, rr, t);
    painter.drawLine(l, t, l, b);
    painter.setPen(bottomRight);
    painter.drawLine(l, b, rr, b);
    painter.drawLine(rr, t, rr, b);
}

}  // namespace

TGadgetWindowFont::TGadgetWindowFont(int points, bool bold, bool italic) : Points(points), Bold(bold), Italic(italic) {}

int TGadgetWindowFont::GetHeight(int pixelsPerInchY) const {
    return -static_cast<int>(std::lround(Points * pixelsPerInchY / 72.0));
}

TStatusBar::TStatusBar(TWindow* parent, TBorderStyle borderStyle, unsigned modeIndicators,
                       const TGadgetWindowFont& font, TModule* module)
    : TWindow(parent, nullptr, module), BorderStyle(borderStyle), ModeIndicators(modeIndicators), Font(font) {
    SetBkgndColor(FromQColor(QGuiApplication::palette().color(QPalette::Window)));
}

TStatusBar::~TStatusBar() = default;

const TEventTable& TStatusBar::ClassEventTable() {
    static const TEventTable table(TWindow::ClassEventTable(), {});
    return table;
}

void TStatusBar::PerformCreate() {
    const QFontMetrics metrics(ToQFont(Font));
    Attr.H = metrics.height() + 2 * (kMargin + kBorder + kTextPadY);
    TWindow::PerformCreate();
}

void TStatusBar::SetText(std::string_view text) {
    if (Text == text) {
        return;
    }
    Text = std::string(text);
    Invalidate();
}

void TStatusBar::SetModeIndicator(TModeIndicator indicator, bool on) {
    const unsigned before = IndicatorsOn;
    IndicatorsOn = on ? (IndicatorsOn | indicator) : (IndicatorsOn & ~static_cast<unsigned>(indicator));
    if (IndicatorsOn != before) {
        Invalidate();
    }
}

TStatusBar::TIndicatorTexts TStatusBar::IndicatorTexts(TModeIndicator indicator) const {
    const std::size_t index = IndexOf(indicator);
    return TIndicatorTexts{Part(GetModule(), strid::ModeIndicatorNames, index),
                           Part(GetModule(), strid::ModeIndicatorBlanks, index)};
}

std::string TStatusBar::GetIndicatorText(TModeIndicator indicator) const {
    const TIndicatorTexts texts = IndicatorTexts(indicator);
    return GetModeIndicator(indicator) ? texts.Name : texts.Blank;
}

std::vector<TRect> TStatusBar::GetFieldRects() const {
    const TRect client = GetClientRect();
    const QFontMetrics metrics(ToQFont(Font));
    const int top = kMargin;
    const int bottom = client.Height() - kMargin;
    std::vector<TRect> indicatorRects;
    int right = client.Width() - kMargin;
    for (auto it = std::rbegin(kIndicators); it != std::rend(kIndicators); ++it) {
        if (!HasModeIndicator(*it)) {
            continue;
        }
        const TIndicatorTexts texts = IndicatorTexts(*it);
        const int textWidth = std::max(metrics.horizontalAdvance(ToQString(texts.Name)),
                                       metrics.horizontalAdvance(ToQString(texts.Blank)));
        const int width = textWidth + 2 * (kBorder + kTextPadX);
        indicatorRects.insert(indicatorRects.begin(), TRect{right - width, top, right, bottom});
        right -= width + kFieldGap;
    }
    std::vector<TRect> fields{TRect{kMargin, top, std::max(kMargin, right), bottom}};
    fields.insert(fields.end(), indicatorRects.begin(), indicatorRects.end());
    return fields;
}

void TStatusBar::EvPaint() {
    QImage& image = TWindowAccess::RetainedImage(*this);
    QPainter painter(&image);
    const QPalette palette = QGuiApplication::palette();
    painter.setFont(ToQFont(Font));
    const std::vector<TRect> fields = GetFieldRects();

    std::vector<std::string> texts{Text};
    for (TModeIndicator indicator : kIndicators) {
        if (HasModeIndicator(indicator)) {
            texts.push_back(GetIndicatorText(indicator));
        }
    }
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const QRect rect(fields[i].Left, fields[i].Top, fields[i].Width(), fields[i].Height());
        DrawBorder(painter, rect, BorderStyle, palette);
        const QRect textRect = rect.adjusted(kBorder + kTextPadX, kBorder, -(kBorder + kTextPadX), -kBorder);
        painter.setPen(palette.color(QPalette::WindowText));
        painter.setClipRect(textRect);
        painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, ToQString(texts[i]));
        painter.setClipping(false);
    }
}

TPreProcess TStatusBar::PreProcessMsg(const TMessage& msg) {
    if (msg.Msg != WM_KEYDOWN) {
        return TPreProcess::PassOn;
    }
    const auto flags = static_cast<unsigned>(HighUWord(msg.LParam));
    if ((flags & KF_REPEAT) != 0) {
        return TPreProcess::PassOn;  // a held key toggles once
    }
    switch (static_cast<unsigned>(msg.WParam)) {
    case VK_CAPITAL: SetModeIndicator(CapsLock, !GetModeIndicator(CapsLock)); break;
    case VK_NUMLOCK: SetModeIndicator(NumLock, !GetModeIndicator(NumLock)); break;
    case VK_SCROLL: SetModeIndicator(ScrollLock, !GetModeIndicator(ScrollLock)); break;
    case VK_INSERT:
        if ((flags & (res::FCONTROL | res::FSHIFT)) == 0) {
            SetModeIndicator(Overtype, !GetModeIndicator(Overtype));
        }
        break;
    default: break;
    }
    return TPreProcess::PassOn;  // the keys go on as usual
}

bool TStatusBar::IdleAction(long idleCount) {
    if (idleCount == 0) {
        SyncWithLockKeys();
    }
    return TWindow::IdleAction(idleCount);
}

void TStatusBar::SyncWithLockKeys() {
    const std::optional<TLockKeyState> state = TSeam<ILockKeys>::Get().Query();
    if (!state) {
        return;
    }
    SetModeIndicator(CapsLock, state->CapsLock);
    SetModeIndicator(NumLock, state->NumLock);
    SetModeIndicator(ScrollLock, state->ScrollLock);
}
