// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Points, sizes, rectangles and colours in the platform's pixel units. A
// rectangle excludes its right and bottom edges: width = Right - Left.

#include <cstdint>

/// A point in pixels.
struct TPoint {
    int X = 0;
    int Y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

/// A size in pixels.
struct TSize {
    int Cx = 0;
    int Cy = 0;
    friend bool operator==(const TSize&, const TSize&) = default;
};

/// A rectangle; Right and Bottom lie just outside it.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    /// Right - Left.
    int Width() const { return Right - Left; }
    /// Bottom - Top.
    int Height() const { return Bottom - Top; }
    friend bool operator==(const TRect&, const TRect&) = default;
};

/// An (R, G, B) colour of 8-bit channels.
struct TColor {
    std::uint8_t R = 0;
    std::uint8_t G = 0;
    std::uint8_t B = 0;
    friend bool operator==(const TColor&, const TColor&) = default;
};
