// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TScroller: the scroll state of one window: units, ranges, position, line
// and page steps, and the automatic drawing origin. It serves the window's
// scroll bars (only the directions whose style, WS_HSCROLL or WS_VSCROLL,
// the window has), answers their requests, keeps the position within
// 0..range, and repaints the window when the position changes. The window
// owns its scroller (TWindow::SetScroller); the scroller keeps a reference
// to the window and draws nothing itself.
//
// Scroll bars show at most 32767 steps: for a larger range the positions
// shown on a bar and read back from its thumb are scaled by 32767 / range.

class TWindow;

// Scroll-bar requests (HScroll, VScroll); a request's vertical and
// horizontal names share its number.
inline constexpr unsigned SB_LINEUP = 0, SB_LINELEFT = 0;
inline constexpr unsigned SB_LINEDOWN = 1, SB_LINERIGHT = 1;
inline constexpr unsigned SB_PAGEUP = 2, SB_PAGELEFT = 2;
inline constexpr unsigned SB_PAGEDOWN = 3, SB_PAGERIGHT = 3;
inline constexpr unsigned SB_THUMBPOSITION = 4;
inline constexpr unsigned SB_THUMBTRACK = 5;
inline constexpr unsigned SB_TOP = 6, SB_LEFT = 6;
inline constexpr unsigned SB_BOTTOM = 7, SB_RIGHT = 7;
inline constexpr unsigned SB_ENDSCROLL = 8;

class TScroller {
public:
    /// The largest position a scroll bar shows.
    static constexpr int MaxBarValue = 32767;

    /// A scroller for `window` with (x unit, y unit) in pixels and (x range,
    /// y range) in units. Position (0, 0), line steps 1, page steps 1 until
    /// the window has a size; the automatic origin on. Thumb tracking is
    /// always on: dragging the thumb scrolls at once.
    TScroller(TWindow* window, int xUnit, int yUnit, int xRange, int yRange);

    TScroller(const TScroller&) = delete;
    TScroller& operator=(const TScroller&) = delete;

    /// The window scrolled.
    TWindow* GetWindow() const { return Window; }

    /// The horizontal position in units.
    int GetXPos() const { return XPos; }
    /// The vertical position in units.
    int GetYPos() const { return YPos; }
    /// The horizontal unit in pixels.
    int GetXUnit() const { return XUnit; }
    /// The vertical unit in pixels.
    int GetYUnit() const { return YUnit; }
    /// The horizontal range in units (below 0: no scrolling).
    int GetXRange() const { return XRange; }
    /// The vertical range in units (below 0: no scrolling).
    int GetYRange() const { return YRange; }
    /// The horizontal line step in units.
    int GetXLine() const { return XLine; }
    /// The horizontal page step in units.
    int GetXPage() const { return XPage; }
    /// The vertical page step in units.
    int GetYPage() const { return YPage; }

    /// Changes the ranges (below 0: no scrolling); the position is clamped.
    void SetRange(int xRange, int yRange);
    /// Changes the units in pixels.
    void SetUnits(int xUnit, int yUnit);
    /// Turns the automatic origin on or off: painting offset by position x
    /// unit (on at the start).
    void SetAutoOrg(bool on) { AutoOrg = on; }
    /// Whether the automatic origin is on.
    bool IsAutoOrg() const { return AutoOrg; }

    /// The page steps from the client size: (width + 1) / x unit - 1, at
    /// least 1, and likewise down; a unit of 0 or less gives 1.
    void SetPageSize();
    /// Gives the window's scroll bars their range (capped at 32767) and
    /// position; a bar whose range is 0 is hidden.
    void SetSBarRange();

    /// Moves to (x, y), clamped to 0..range; the window repaints when the
    /// position changed.
    void ScrollTo(int x, int y);
    /// Moves by (dx, dy) units.
    void ScrollBy(int dx, int dy);
    /// A horizontal scroll-bar request (SB_...); `thumbPos` is the bar's
    /// position for the thumb requests.
    void HScroll(unsigned request, int thumbPos);
    /// A vertical scroll-bar request.
    void VScroll(unsigned request, int thumbPos);

    /// A turn of the mouse wheel in eighths of a degree (120 a notch), as the
    /// platform reports it: positive x turns left, positive y away from the
    /// user (up). Each notch scrolls `linesPerNotch` line steps; an upright
    /// turn scrolls sideways when there is no vertical range. Parts of a
    /// notch add up until they make a whole line.
    void WheelScroll(int angleX, int angleY, int linesPerNotch);
    /// A touchpad swipe of (dx, dy) pixels, signed as a wheel's turn: the
    /// position moves by as many whole units, parts adding up.
    void PixelScroll(int dx, int dy);
    /// The scroll keys (virtual-key codes): left and right arrow one line
    /// sideways, up and down arrow one line down or up, Page Up and Page Down
    /// one page, Home and End to the ends; the last three act vertically
    /// when there is a vertical range, else sideways. Answers whether `key`
    /// is one of them.
    bool KeyScroll(unsigned key);

    /// The logical x shown at client x 0: position x unit with the
    /// automatic origin, else 0.
    int OriginX() const { return AutoOrg ? XPos * XUnit : 0; }
    /// The logical y shown at client y 0.
    int OriginY() const { return AutoOrg ? YPos * YUnit : 0; }

    /// A horizontal position as the bar shows it.
    int XScrollValue(int position) const { return BarValue(position, XRange); }
    /// A vertical position as the bar shows it.
    int YScrollValue(int position) const { return BarValue(position, YRange); }

private:
    static int BarValue(int position, int range);
    static int RangeValue(int barValue, int range);
    static long long Target(unsigned request, int thumbPos, int pos, int line, int page, int range);
    void MoveTo(long long x, long long y);
    bool Sideways() const { return YRange <= 0; }

    TWindow* Window;
    int XUnit;
    int YUnit;
    int XRange;
    int YRange;
    int XPos = 0;
    int YPos = 0;
    int XLine = 1;
    int YLine = 1;
    int XPage = 1;
    int YPage = 1;
    bool AutoOrg = true;
    // What a wheel or a swipe has turned but not yet scrolled: eighths of a
    // degree times lines per notch, and pixels.
    int WheelRestX = 0;
    int WheelRestY = 0;
    int PixelRestX = 0;
    int PixelRestY = 0;
};
