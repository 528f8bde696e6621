// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Fonts of dialog layouts and drawing objects on Qt, and the dialog units
// that layouts are measured in. The old platform faces "MS Sans Serif" and
// "Helv" do not exist here; they become the application's default sans font.

#include <QFont>
#include <QRect>
#include <QSize>

#include <string_view>

/// The font for face `faceName` at `pointSize` points (0 keeps the default size).
QFont PlatformFont(std::string_view faceName, int pointSize);

/// The dialog base units of `font`: the average width of its 52 letters
/// A-Z and a-z, rounded, across; its character height down.
QSize DialogBaseUnits(const QFont& font);

/// A rectangle in dialog units as pixels for `baseUnits`: x = units x
/// width / 4 and y = units x height / 8, each rounded to the nearest pixel.
QRect DialogUnitsToPixels(int x, int y, int cx, int cy, const QSize& baseUnits);

/// The width a window needs to show `caption` whole in a window manager's
/// title bar: the caption in a bold version of the application's font (as
/// title fonts usually are), and room for the bar's icon and three buttons.
int TitleBarWidth(const QString& caption);
