// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Drawing surfaces and drawing objects. A surface (TDC) draws into the
// retained client image of a window (framework/Window.h): a TPaintDC is the
// surface the framework hands to a window's paint hook, with the scroll
// origin applied, so the window paints in logical coordinates; a TClientDC
// draws outside painting in client coordinates, and what it draws stays
// until that area is repainted. Surfaces own none of the drawing objects
// selected into them: they keep their colour and font while selected.
//
//     void TMyView::OnPaint(TDC& dc, bool, TRect& rect) {
//         const TPen pen(TColor{0, 0, 60});
//         const TBrush brush(TColor{0, 0, 60});
//         dc.SelectObject(pen);
//         dc.SelectObject(brush);
//         dc.Rectangle(0, 0, 100, rect.Height());
//         dc.SetPixel(10, 10, TColor{255, 0, 0});
//         dc.RestoreObjects();
//     }

#include "framework/Geometry.h"

#include <memory>
#include <string>
#include <string_view>

class TWindow;
class TDCImpl;

// Text alignment (SetTextAlign): one horizontal and one vertical choice.
inline constexpr unsigned TA_LEFT = 0, TA_RIGHT = 2, TA_CENTER = 6;
inline constexpr unsigned TA_TOP = 0, TA_BOTTOM = 8, TA_BASELINE = 24;

/// Measures of a surface's current font, in pixels.
struct TTextMetric {
    int tmHeight = 0;  // line height: ascent + descent
    int tmAscent = 0;
    int tmDescent = 0;
    int tmExternalLeading = 0;  // space the font suggests between lines
    int tmAveCharWidth = 0;
};

/// What pens and brushes are: one solid colour.
class TSolidColor {
public:
    /// A tool of `color`.
    explicit TSolidColor(const TColor& color) : Color(color) {}
    /// Its colour.
    const TColor& GetColor() const { return Color; }

private:
    TColor Color;
};

/// A solid pen of width 1 in one colour: the outline of rectangles.
class TPen : public TSolidColor {
public:
    using TSolidColor::TSolidColor;
};

/// A solid brush of one colour: the inside of rectangles.
class TBrush : public TSolidColor {
public:
    using TSolidColor::TSolidColor;
};

/// A font by face name and height. "MS Sans Serif" and "Helv" stand for
/// the platform's default sans font.
class TFont {
public:
    /// A font of `faceName`; `height` < 0 asks for a character height of
    /// -height pixels, > 0 for a line height of height pixels, 0 for the
    /// default size; `weight` 400 is normal, 700 bold.
    TFont(std::string_view faceName, int height, int weight = 400, bool italic = false)
        : FaceName(faceName), Height(height), Weight(weight), Italic(italic) {}

    /// The face name as given.
    const std::string& GetFaceName() const { return FaceName; }
    /// The height as given (see the constructor).
    int GetHeight() const { return Height; }
    /// The weight.
    int GetWeight() const { return Weight; }
    /// Whether it is italic.
    bool IsItalic() const { return Italic; }

private:
    std::string FaceName;
    int Height;
    int Weight;
    bool Italic;
};

/// A drawing surface on a window's retained client image. Logical point
/// (x, y) is pixel (x - origin x, y - origin y) of the image; what falls
/// outside the image is dropped. A new surface draws black text on an
/// opaque white cell, with a black pen, a white brush and the application's
/// default font, aligned top-left.
class TDC {
public:
    virtual ~TDC();
    TDC(const TDC&) = delete;
    TDC& operator=(const TDC&) = delete;

    /// Sets the text colour; answers the previous one.
    TColor SetTextColor(const TColor& color);
    /// Sets the colour of the opaque cell behind text; answers the previous one.
    TColor SetBkColor(const TColor& color);
    /// Sets the text alignment (TA_... flags); answers the previous one.
    unsigned SetTextAlign(unsigned flags);
    /// Fills `metric` with the measures of the current font; true.
    bool GetTextMetrics(TTextMetric& metric) const;

    /// Selects `pen` for outlines until another pen or RestorePen().
    void SelectObject(const TPen& pen);
    /// Selects `brush` for insides until another brush or RestoreBrush().
    void SelectObject(const TBrush& brush);
    /// Selects `font` for text until another font or RestoreFont().
    void SelectObject(const TFont& font);
    /// Puts the surface's first pen back.
    void RestorePen();
    /// Puts the surface's first brush back.
    void RestoreBrush();
    /// Puts the surface's first font back.
    void RestoreFont();
    /// Puts the first pen, brush and font back.
    void RestoreObjects();

    /// Draws `text` whole at logical (x, y) as the alignment says (top-left
    /// for 0), in the text colour over an opaque cell in the text-background
    /// colour; the cell is the text's advance wide and a line high. True.
    bool TextOut(int x, int y, std::string_view text);
    /// Sets the pixel at logical (x, y) to `color`; false (nothing drawn)
    /// when the point lies outside the surface.
    bool SetPixel(int x, int y, const TColor& color);
    /// Outlines logical (left, top)-(right, bottom) with the pen and fills
    /// its inside with the brush; the right column and bottom row are not
    /// part of it. True.
    bool Rectangle(int left, int top, int right, int bottom);
    /// Rectangle() for `rect`.
    bool Rectangle(const TRect& rect) { return Rectangle(rect.Left, rect.Top, rect.Right, rect.Bottom); }

protected:
    /// A surface on the retained image of `window` with logical `origin`.
    /// Throws xmsg "GDI-Fehler" when the window has no client area.
    TDC(TWindow& window, TPoint origin);
    /// Shows what was drawn so far on the screen.
    void Flush();

private:
    std::unique_ptr<TDCImpl> Impl;
};

/// The surface of a window's paint hook: the whole client area, erased,
/// in logical coordinates (the window's scroller origin applied).
class TPaintDC : public TDC {
public:
    /// The paint surface of `window`; only the framework's repaint makes one.
    explicit TPaintDC(TWindow& window);
    /// The area being repainted, in logical coordinates.
    const TRect& GetPaintRect() const { return PaintRect; }

private:
    TRect PaintRect;
};

/// A transient surface on a window's client area outside painting, in
/// client (unscrolled) coordinates. A repaint pending on the window runs
/// first, so the drawing stays until the next one; the screen shows it once
/// the surface is released (destroyed).
class TClientDC : public TDC {
public:
    /// A client surface of `window`.
    explicit TClientDC(TWindow& window);
    ~TClientDC() override;
};
