// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/qt/Fonts.h"

#include "framework/qt/Conversions.h"

#include <QApplication>
#include <QFontMetrics>

namespace {

// Rounds units * base / divisor to the nearest integer, halves away from zero.
int Scale(int units, int base, int divisor) {
    const long long product = static_cast<long long>(units) * base;
    const long long half = divisor / 2;
    return static_cast<int>(product >= 0 ? (product + half) / divisor : (product - half) / divisor);
}

}  // namespace

QFont PlatformFont(std::string_view faceName, int pointSize) {
    QFont font = QApplication::font();
    if (!faceName.empty() && faceName != "MS Sans Serif" && faceName != "Helv") {
        font.setFamily(ToQString(faceName));
    }
    if (pointSize > 0) {
        font.setPointSize(pointSize);
    }
    return font;
}

QSize DialogBaseUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int letters =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return QSize((letters / 26 + 1) / 2, metrics.height());
}

QRect DialogUnitsToPixels(int x, int y, int cx, int cy, const QSize& baseUnits) {
    return QRect(Scale(x, baseUnits.width(), 4), Scale(y, baseUnits.height(), 8), Scale(cx, baseUnits.width(), 4),
                 Scale(cy, baseUnits.height(), 8));
}

int TitleBarWidth(const QString& caption) {
    QFont titleFont = QApplication::font();
    titleFont.setBold(true);
    const QFontMetrics metrics(titleFont);
    // A title-bar button is about as wide as the bar is high: a line and a margin.
    constexpr int kIconAndButtons = 4;
    constexpr int kMargin = 8;
    const int button = metrics.height() + kMargin;
    return metrics.horizontalAdvance(caption) + kIconAndButtons * button + 2 * kMargin;
}
