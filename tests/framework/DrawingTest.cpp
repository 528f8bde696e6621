// SPDX-License-Identifier: GPL-3.0-or-later
// Drawing surfaces on a window's retained image, read back pixel by pixel:
// pixels, rectangles with pen and brush (right and bottom edges excluded),
// text over an opaque cell, the paint surface's scroll origin, and client
// surfaces whose drawings last until the next repaint.

#include "tests/framework/TestFrameApp.h"

#include "framework/Dc.h"
#include "framework/Exceptions.h"
#include "framework/Scroller.h"
#include "framework/testing/Harness.h"

#include <QApplication>
#include <QFontMetrics>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

const TColor kGround{0, 0, 60};
const TColor kRed{255, 0, 0};
const TColor kGreen{0, 255, 0};
const TColor kText{200, 210, 255};
const TColor kWhite{255, 255, 255};
const TColor kBlack{0, 0, 0};

// A client window whose paint hook is the test's.
class CanvasWindow : public TWindow {
public:
    explicit CanvasWindow(TWindow* parent) : TWindow(parent) { SetBkgndColor(kGround); }
    std::function<void(TDC&, TRect&)> Paint;
    TRect LastPaintRect;
    int Paints = 0;

protected:
    void OnPaint(TDC& dc, bool, TRect& rect) override {
        ++Paints;
        LastPaintRect = rect;
        if (Paint) {
            Paint(dc, rect);
        }
    }
};

class Drawing : public testing::Test {
protected:
    Drawing() {
        app.Decorate = [this](TDecoratedFrame& frame) {
            canvas = new CanvasWindow(&frame);
            canvas->Paint = paint;
            if (scrollUnit > 0) {
                canvas->Attr.Style |= WS_HSCROLL;
                canvas->SetScroller(std::make_unique<TScroller>(canvas, scrollUnit, 0, 1000, 0));
            }
            frame.SetClientWindow(canvas);
        };
    }
    ~Drawing() override { delete canvas; }

    // Runs `body` with the canvas shown and painted once.
    void Run(const std::function<void()>& body) {
        harness::RunApplication(app, [&] {
            harness::ProcessEvents();
            body();
        });
    }

    std::function<void(TDC&, TRect&)> paint;  // the canvas's paint hook
    int scrollUnit = 0;                       // > 0: a horizontal scroller of range 1000
    harness::FakeLockKeys keys;
    TestFrameApp app;
    CanvasWindow* canvas = nullptr;
};

TEST_F(Drawing, SetPixelSetsExactlyOnePixelAndIgnoresPointsOutside) {
    paint = [](TDC& dc, TRect& rect) {
        EXPECT_TRUE(dc.SetPixel(7, 3, TColor{1, 2, 3}));
        EXPECT_TRUE(dc.SetPixel(rect.Right - 1, rect.Bottom - 1, kRed));
        EXPECT_FALSE(dc.SetPixel(-1, 3, kRed));
        EXPECT_FALSE(dc.SetPixel(rect.Right, 0, kRed));
        EXPECT_FALSE(dc.SetPixel(0, rect.Bottom, kRed));
        EXPECT_FALSE(dc.SetPixel(0, -100000, kRed));
    };
    Run([&] {
        const TRect client = canvas->GetClientRect();
        EXPECT_EQ(harness::Pixel(*canvas, 7, 3), (TColor{1, 2, 3}));
        EXPECT_EQ(harness::Pixel(*canvas, 6, 3), kGround);
        EXPECT_EQ(harness::Pixel(*canvas, 8, 3), kGround);
        EXPECT_EQ(harness::Pixel(*canvas, 7, 2), kGround);
        EXPECT_EQ(harness::Pixel(*canvas, client.Right - 1, client.Bottom - 1), kRed);
        EXPECT_EQ(harness::Pixel(*canvas, 0, 3), kGround);
    });
}

TEST_F(Drawing, RectangleOutlinesWithThePenFillsWithTheBrushAndLeavesRightAndBottomOut) {
    paint = [](TDC& dc, TRect&) {
        const TPen pen(kRed);
        const TBrush brush(kGreen);
        dc.SelectObject(pen);
        dc.SelectObject(brush);
        dc.Rectangle(10, 20, 30, 26);
        dc.Rectangle(TRect{40, 20, 41, 21});  // one pixel: all outline
        dc.RestoreObjects();
        dc.Rectangle(50, 20, 54, 24);  // the surface's own black pen and white brush
    };
    Run([&] {
        // Outline: first and last column and row inside (10..29, 20..25).
        for (const auto& [x, y] :
             {std::pair{10, 20}, {29, 20}, {10, 25}, {29, 25}, {20, 20}, {20, 25}, {10, 22}, {29, 22}}) {
            EXPECT_EQ(harness::Pixel(*canvas, x, y), kRed) << x << ", " << y;
        }
        EXPECT_EQ(harness::Pixel(*canvas, 11, 21), kGreen);
        EXPECT_EQ(harness::Pixel(*canvas, 28, 24), kGreen);
        // The right column and the bottom row are not part of it.
        EXPECT_EQ(harness::Pixel(*canvas, 30, 22), kGround);
        EXPECT_EQ(harness::Pixel(*canvas, 20, 26), kGround);
        EXPECT_EQ(harness::Pixel(*canvas, 9, 22), kGround);
        EXPECT_EQ(harness::Pixel(*canvas, 20, 19), kGround);

        EXPECT_EQ(harness::Pixel(*canvas, 40, 20), kRed);
        EXPECT_EQ(harness::Pixel(*canvas, 41, 20), kGround);
        EXPECT_EQ(harness::Pixel(*canvas, 40, 21), kGround);

        EXPECT_EQ(harness::Pixel(*canvas, 50, 20), kBlack);
        EXPECT_EQ(harness::Pixel(*canvas, 51, 21), kWhite);
        EXPECT_EQ(harness::Pixel(*canvas, 53, 23), kBlack);
        EXPECT_EQ(harness::Pixel(*canvas, 54, 23), kGround);
    });
}

// The bounding box of the pixels of `image` inside `area` that are exactly `colour`.
QRect ColourBox(const QImage& image, const QRect& area, const TColor& colour) {
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (image.pixelColor(x, y) == QColor(colour.R, colour.G, colour.B)) {
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    return box;
}

TEST_F(Drawing, TextStandsTopLeftAtItsPointOverAnOpaqueCellOneLineHigh) {
    TTextMetric metric;
    paint = [&](TDC& dc, TRect&) {
        dc.GetTextMetrics(metric);
        EXPECT_EQ(dc.SetTextAlign(TA_LEFT | TA_TOP), 0u);
        dc.SetBkColor(TColor{0, 0, 61});
        dc.SetTextColor(kText);
        dc.TextOut(50, 30, "The location of the maximum");
    };
    Run([&] {
        const QFontMetrics fm(QApplication::font());
        EXPECT_EQ(metric.tmHeight, fm.height()) << "the line height of the surface's default font";
        EXPECT_EQ(metric.tmHeight, metric.tmAscent + metric.tmDescent);

        const QImage image = harness::ClientImage(*canvas);
        const int width = fm.horizontalAdvance(QStringLiteral("The location of the maximum"));
        // The cell: exactly the text's advance wide and one line high, from
        // (50, 30); glyphs may overhang it, as on the platform.
        EXPECT_EQ(ColourBox(image, QRect(40, 20, width + 40, metric.tmHeight + 20), TColor{0, 0, 61}),
                  QRect(50, 30, width, metric.tmHeight));
        // The glyphs in the text colour stand inside it, nothing outside.
        bool textColour = false;
        for (int y = 30; y < 30 + metric.tmHeight; ++y) {
            for (int x = 50; x < 50 + width; ++x) {
                textColour = textColour || image.pixelColor(x, y) == QColor(200, 210, 255);
            }
        }
        EXPECT_TRUE(textColour);
        EXPECT_EQ(harness::Pixel(*canvas, 50, 30), (TColor{0, 0, 61})) << "the cell's corner is background";
    });
}

TEST_F(Drawing, OtherAlignmentsAndASelectedFontMoveAndSizeTheCell) {
    TTextMetric small;
    TTextMetric large;
    paint = [&](TDC& dc, TRect&) {
        dc.GetTextMetrics(small);
        const TFont font("MS Sans Serif", -30);
        dc.SelectObject(font);
        dc.GetTextMetrics(large);
        dc.SetBkColor(kWhite);
        dc.SetTextAlign(TA_RIGHT | TA_BOTTOM);
        dc.TextOut(200, 100, "Hz");
        dc.RestoreFont();
        dc.SetTextAlign(TA_CENTER | TA_TOP);
        dc.TextOut(300, 10, "Hz");
    };
    Run([&] {
        EXPECT_GT(large.tmHeight, small.tmHeight);
        const QImage image = harness::ClientImage(*canvas);
        const QRect right = ColourBox(image, QRect(100, 40, 120, 80), kWhite);
        EXPECT_EQ(right.right(), 199) << "right-aligned: the cell ends just before x";
        EXPECT_EQ(right.bottom(), 99) << "bottom-aligned: the cell ends just above y";
        EXPECT_EQ(right.height(), large.tmHeight);
        const QRect centred = ColourBox(image, QRect(250, 0, 100, 40), kWhite);
        EXPECT_LE(std::abs(centred.left() + centred.right() + 1 - 600), 1) << "centred on x";
        EXPECT_EQ(centred.top(), 10);
        EXPECT_EQ(centred.height(), small.tmHeight) << "the default font is back";
    });
}

TEST_F(Drawing, PaintSurfaceUsesTheScrollOriginAndHandsOverTheLogicalArea) {
    scrollUnit = 2;
    paint = [](TDC& dc, TRect&) {
        for (int x = 0; x < 400; ++x) {
            dc.SetPixel(x, 5, TColor{static_cast<std::uint8_t>(x % 256), 0, 0});
        }
    };
    Run([&] {
        const TRect client = canvas->GetClientRect();
        EXPECT_EQ(canvas->LastPaintRect, (TRect{0, 0, client.Width(), client.Height()}));
        canvas->GetScroller()->ScrollTo(30, 0);
        EXPECT_EQ(harness::Pixel(*canvas, 0, 5), (TColor{60, 0, 0})) << "client x 0 shows logical x 30 x 2";
        EXPECT_EQ(harness::Pixel(*canvas, 10, 5), (TColor{70, 0, 0}));
        EXPECT_EQ(canvas->LastPaintRect, (TRect{60, 0, 60 + client.Width(), client.Height()}));

        canvas->GetScroller()->SetAutoOrg(false);
        canvas->Invalidate();
        EXPECT_EQ(harness::Pixel(*canvas, 10, 5), (TColor{10, 0, 0})) << "without the automatic origin";
    });
}

TEST_F(Drawing, ClientSurfaceDrawsInClientCoordinatesUntilTheAreaIsRepainted) {
    scrollUnit = 1;
    Run([&] {
        canvas->GetScroller()->ScrollTo(300, 0);
        harness::ProcessEvents();
        const int paints = canvas->Paints;
        {
            TClientDC dc(*canvas);
            dc.SetPixel(11, 10, kRed);
            dc.TextOut(20, 40, "x");
        }
        harness::ProcessEvents();
        EXPECT_EQ(harness::Pixel(*canvas, 11, 10), kRed) << "client coordinates: the scroll position is not added";
        EXPECT_EQ(harness::Pixel(*canvas, 20, 40), kWhite) << "the surface's default text background";
        EXPECT_EQ(harness::Grab(*canvas).pixelColor(11, 10), QColor(255, 0, 0)) << "the screen shows it";
        EXPECT_EQ(canvas->Paints, paints) << "a client surface causes no repaint";

        canvas->Invalidate();
        EXPECT_EQ(harness::Pixel(*canvas, 11, 10), kGround) << "the repaint erased it";
        EXPECT_EQ(harness::Pixel(*canvas, 20, 40), kGround);
    });
}

TEST_F(Drawing, AClientSurfaceDrawnBeforeAPendingRepaintIsNotErasedByIt) {
    Run([&] {
        canvas->Invalidate();  // a repaint is due, as after a resize
        {
            TClientDC dc(*canvas);
            dc.SetPixel(3, 3, kRed);
        }
        harness::ProcessEvents();
        EXPECT_EQ(harness::Pixel(*canvas, 3, 3), kRed);
    });
}

TEST(DrawingSurface, AWindowWithoutClientAreaGivesNoSurface) {
    TWindow window(nullptr, "ohne");
    try {
        TClientDC dc(window);
        FAIL() << "a surface on a window that was never created";
    } catch (const xmsg& x) {
        EXPECT_EQ(x.why(), "GDI-Fehler");
    }
}

}  // namespace
