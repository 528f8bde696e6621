// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Conversions between the framework's plain types and Qt's: texts (UTF-8),
// colours, rectangles, keys and modifiers.

#include "framework/Geometry.h"
#include "framework/Messages.h"

#include <QColor>
#include <QRect>
#include <QString>

#include <string>
#include <string_view>

class QKeyEvent;

/// UTF-8 text to QString.
inline QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

/// QString to UTF-8 text.
inline std::string FromQString(const QString& text) {
    return text.toUtf8().toStdString();
}

/// TColor to QColor.
inline QColor ToQColor(const TColor& color) {
    return QColor(color.R, color.G, color.B);
}

/// QColor to TColor.
inline TColor FromQColor(const QColor& color) {
    return TColor{static_cast<std::uint8_t>(color.red()), static_cast<std::uint8_t>(color.green()),
                  static_cast<std::uint8_t>(color.blue())};
}

/// QRect to TRect (right and bottom exclusive).
inline TRect FromQRect(const QRect& r) {
    return TRect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

/// The platform's virtual-key code of a Qt key, 0 when it has none.
unsigned VirtualKeyFromQt(int qtKey);

/// The WM_KEYDOWN / WM_KEYUP message of a key event: WParam the virtual
/// key, LParam's low word the repeat count (1) and its high word the
/// modifier keys held (FSHIFT, FCONTROL, FALT of resources/Resources.h)
/// plus KF_REPEAT for an auto-repeat.
TMessage KeyMessage(const QKeyEvent& event);
