// SPDX-License-Identifier: GPL-3.0-or-later
// The scroller: page steps from the client size, line, page, end and thumb
// requests clamped to 0..range, the 32767 cap of the bars with scaled
// positions, bars only for the window's scroll styles, and a real
// horizontal bar under the client area whose clicks scroll and repaint.

#include "tests/framework/TestFrameApp.h"

#include "framework/Dc.h"
#include "framework/Scroller.h"
#include "framework/qt/ScrollShell.h"
#include "framework/qt/WindowAccess.h"
#include "framework/qt/WindowWidget.h"
#include "framework/testing/Harness.h"

#include <QApplication>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <memory>

namespace {

// A client window that plots logical column x in red x mod 256 along row 0,
// with a scroller of unit 1 and a range chosen by the test, and watches its size messages.
class ScrolledWindow : public TWindow {
public:
    ScrolledWindow(TWindow* parent, std::uint32_t scrollStyle, int xRange) : TWindow(parent) {
        Attr.Style |= scrollStyle;
        SetScroller(std::make_unique<TScroller>(this, 1, 0, xRange, 0));
    }
    DECLARE_EVENT_TABLE
    int SizeMessages = 0;

protected:
    void OnSize(unsigned sizeType, const TSize& size) {
        HandleSize(sizeType, size);
        ++SizeMessages;
    }
    void OnPaint(TDC& dc, bool, TRect& rect) override {
        for (int x = rect.Left; x < rect.Right; ++x) {
            dc.SetPixel(x, 0, TColor{static_cast<std::uint8_t>(x % 256), 0, 0});
        }
    }
};

const TEventTable& ScrolledWindow::ClassEventTable() {
    static const TEventTable table(TWindow::ClassEventTable(), {
                                                                   EvSize(&ScrolledWindow::OnSize),
                                                               });
    return table;
}

class Scrolling : public testing::Test {
protected:
    void Open(std::uint32_t style, int range) {
        app.Decorate = [this, style, range](TDecoratedFrame& frame) {
            window = new ScrolledWindow(&frame, style, range);
            frame.SetClientWindow(window);
        };
    }
    ~Scrolling() override { delete window; }

    TScroller& Scroller() { return *window->GetScroller(); }
    QScrollBar* Bar(Qt::Orientation orientation = Qt::Horizontal) { return ScrollShell::BarOf(*window, orientation); }
    // The logical column shown at client x 0 (from the plotted red).
    int ShownColumn() { return harness::Pixel(*window, 0, 0).R; }

    harness::FakeLockKeys keys;
    TestFrameApp app;
    ScrolledWindow* window = nullptr;
};

TEST_F(Scrolling, PageStepFollowsTheClientWidthAndTheRequestsStayWithinTheRange) {
    Open(WS_HSCROLL, 1000);
    harness::RunApplication(app, [&] {
        harness::Resize(*app.Frame, 500, 400);
        const int width = window->GetClientRect().Width();
        EXPECT_EQ(Scroller().GetXPage(), width) << "(w + 1) / 1 - 1";
        EXPECT_EQ(Scroller().GetXLine(), 1);
        EXPECT_EQ(Scroller().GetYPage(), 1) << "no vertical unit: page 1";

        Scroller().HScroll(SB_LINERIGHT, 0);
        EXPECT_EQ(Scroller().GetXPos(), 1);
        Scroller().HScroll(SB_PAGERIGHT, 0);
        EXPECT_EQ(Scroller().GetXPos(), 1 + width);
        Scroller().HScroll(SB_PAGELEFT, 0);
        Scroller().HScroll(SB_LINELEFT, 0);
        EXPECT_EQ(Scroller().GetXPos(), 0);
        Scroller().HScroll(SB_LINELEFT, 0);
        EXPECT_EQ(Scroller().GetXPos(), 0) << "not below 0";
        Scroller().HScroll(SB_BOTTOM, 0);
        EXPECT_EQ(Scroller().GetXPos(), 1000);
        Scroller().HScroll(SB_PAGERIGHT, 0);
        EXPECT_EQ(Scroller().GetXPos(), 1000) << "not beyond the range";
        Scroller().HScroll(SB_THUMBTRACK, 250);
        EXPECT_EQ(Scroller().GetXPos(), 250);
        Scroller().HScroll(SB_THUMBPOSITION, 5000);
        EXPECT_EQ(Scroller().GetXPos(), 1000);
        Scroller().HScroll(SB_TOP, 0);
        EXPECT_EQ(Scroller().GetXPos(), 0);
        Scroller().ScrollBy(-5, 7);
        EXPECT_EQ(Scroller().GetXPos(), 0);
        EXPECT_EQ(Scroller().GetYPos(), 0) << "vertical range 0";

        Scroller().HScroll(SB_THUMBPOSITION, 300);
        EXPECT_EQ(Scroller().GetXPos(), 300);
    });
}

TEST_F(Scrolling, PageStepIsAtLeastOneAndUsesTheUnit) {
    Open(WS_HSCROLL, 1000);
    harness::RunApplication(app, [&] {
        harness::Resize(*app.Frame, 500, 400);
        const int width = window->GetClientRect().Width();
        Scroller().SetUnits(7, 0);
        EXPECT_EQ(Scroller().GetXPage(), (width + 1) / 7 - 1);
        Scroller().SetUnits(width + 1, 0);
        EXPECT_EQ(Scroller().GetXPage(), 1) << "one unit wider than the client: 0, raised to 1";
        Scroller().SetUnits(4 * width, 0);
        EXPECT_EQ(Scroller().GetXPage(), 1);
    });
}

TEST_F(Scrolling, ResizingRecomputesThePageStepThroughTheSizeHandling) {
    Open(WS_HSCROLL, 5000);
    harness::RunApplication(app, [&] {
        harness::Resize(*app.Frame, 600, 400);
        const int messages = window->SizeMessages;
        const int widePage = Scroller().GetXPage();
        harness::Resize(*app.Frame, 300, 400);
        EXPECT_GT(window->SizeMessages, messages);
        EXPECT_EQ(Scroller().GetXPage(), window->GetClientRect().Width());
        EXPECT_EQ(widePage - Scroller().GetXPage(), 300);
    });
}

TEST_F(Scrolling, BarShowsTheRangeCappedAt32767AndScalesPositionsBothWays) {
    Open(WS_HSCROLL, 100000);
    harness::RunApplication(app, [&] {
        ASSERT_NE(Bar(), nullptr);
        EXPECT_EQ(Bar()->maximum(), 32767);
        Scroller().ScrollTo(50000, 0);
        EXPECT_EQ(Bar()->value(), 16383) << "50000 x 32767 / 100000, truncated";
        Scroller().HScroll(SB_THUMBPOSITION, 32767);
        EXPECT_EQ(Scroller().GetXPos(), 100000) << "the thumb at the end reads back as the range";
        Scroller().HScroll(SB_THUMBPOSITION, 16384);
        EXPECT_EQ(Scroller().GetXPos(), 50001) << "16384 x 100000 / 32767, truncated";
        Scroller().HScroll(SB_LINERIGHT, 0);
        EXPECT_EQ(Scroller().GetXPos(), 50002) << "line steps stay in units of the range";
        EXPECT_EQ(Scroller().XScrollValue(100000), 32767);

        Scroller().SetRange(32767, 0);
        EXPECT_EQ(Bar()->maximum(), 32767);
        EXPECT_EQ(Scroller().GetXPos(), 32767) << "clamped to the smaller range";
        EXPECT_EQ(Bar()->value(), 32767) << "unscaled at 32767";
    });
}

TEST_F(Scrolling, TheWheelAndTheKeysMoveTheScaledBarAsItsOwnRequestsDo) {
    Open(WS_HSCROLL, 100000);
    harness::RunApplication(app, [&] {
        ASSERT_NE(Bar(), nullptr);
        Scroller().ScrollTo(50000, 0);
        QWidget* client = TWindowAccess::ClientWidget(*window);
        QWheelEvent notch(QPointF(5, 5), client->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(client, &notch);
        const int afterNotch = 50000 + QApplication::wheelScrollLines();
        EXPECT_EQ(Scroller().GetXPos(), afterNotch);
        EXPECT_EQ(Bar()->value(), afterNotch * 32767LL / 100000);
        EXPECT_EQ(ShownColumn(), afterNotch % 256);
        QTest::keyClick(client, Qt::Key_End);
        EXPECT_EQ(Scroller().GetXPos(), 100000);
        EXPECT_EQ(Bar()->value(), 32767);
    });
}

TEST_F(Scrolling, WithBothRangesTheArrowsMoveTheirWayAndTheOtherKeysMoveUpAndDown) {
    Open(WS_HSCROLL | WS_VSCROLL, 1000);
    harness::RunApplication(app, [&] {
        harness::Resize(*app.Frame, 500, 400);
        Scroller().SetUnits(1, 1);
        Scroller().SetRange(1000, 1000);
        QWidget* client = TWindowAccess::ClientWidget(*window);
        struct Row {
            Qt::Key key;
            int x;
            int y;
        };
        const auto wheel = [client](QPoint angle, QPoint pixels) {
            QWheelEvent turn(QPointF(5, 5), client->mapToGlobal(QPointF(5, 5)), pixels, angle, Qt::NoButton,
                             Qt::NoModifier, pixels.isNull() ? Qt::NoScrollPhase : Qt::ScrollUpdate, false);
            QApplication::sendEvent(client, &turn);
        };
        Scroller().ScrollTo(500, 500);
        wheel({0, -120}, {});
        EXPECT_EQ(Scroller().GetYPos(), 500 + QApplication::wheelScrollLines()) << "a notch down: the lines of one";
        // Swipes of 3 pixels add up: units of 7 pixels scroll once 7 have come together.
        Scroller().SetUnits(7, 7);
        Scroller().ScrollTo(500, 500);
        for (int swipe = 0; swipe < 3; ++swipe) {
            wheel({}, {-3, 0});
        }
        EXPECT_EQ(Scroller().GetXPos(), 501);
        Scroller().SetUnits(1, 1);
        const int page = Scroller().GetYPage();
        for (const Row& row : {Row{Qt::Key_Right, 501, 500}, Row{Qt::Key_Down, 500, 501}, Row{Qt::Key_Home, 500, 0},
                               Row{Qt::Key_End, 500, 1000}, Row{Qt::Key_PageUp, 500, 500 - page},
                               Row{Qt::Key_PageDown, 500, 500 + page}}) {
            Scroller().ScrollTo(500, 500);
            QTest::keyClick(client, row.key);
            EXPECT_EQ(Scroller().GetXPos(), row.x) << row.key;
            EXPECT_EQ(Scroller().GetYPos(), row.y) << row.key;
        }
    });
}

TEST_F(Scrolling, NegativeRangeMeansNoScrollingAndNoVisibleBar) {
    Open(WS_HSCROLL, -200);
    harness::RunApplication(app, [&] {
        ASSERT_NE(Bar(), nullptr);
        EXPECT_FALSE(Bar()->isVisible());
        Scroller().HScroll(SB_PAGERIGHT, 0);
        Scroller().HScroll(SB_BOTTOM, 0);
        EXPECT_EQ(Scroller().GetXPos(), 0);
        Scroller().SetRange(10, 0);
        EXPECT_TRUE(Bar()->isVisible());
        Scroller().SetRange(0, 0);
        EXPECT_FALSE(Bar()->isVisible()) << "nothing to scroll";
    });
}

TEST_F(Scrolling, BarsExistOnlyForTheWindowsScrollStyles) {
    Open(0, 1000);
    harness::RunApplication(app, [&] {
        EXPECT_EQ(Bar(Qt::Horizontal), nullptr);
        EXPECT_EQ(Bar(Qt::Vertical), nullptr);
        Scroller().ScrollTo(40, 0);
        EXPECT_EQ(ShownColumn(), 40) << "the scroller still scrolls the painting";
        Scroller().SetRange(10, 0);
        EXPECT_EQ(Scroller().GetXPos(), 10) << "a smaller range, with no bar to clamp it, clamps the position";
        EXPECT_EQ(ShownColumn(), 10);
    });
}

TEST_F(Scrolling, TheHorizontalBarLiesUnderTheClientAreaAndItsClicksScrollAndRepaint) {
    Open(WS_HSCROLL, 1000);
    harness::RunApplication(app, [&] {
        harness::Resize(*app.Frame, 500, 400);
        QScrollBar* bar = Bar();
        ASSERT_NE(bar, nullptr);
        EXPECT_EQ(Bar(Qt::Vertical), nullptr);
        ASSERT_TRUE(bar->isVisible());
        EXPECT_EQ(bar->pageStep(), Scroller().GetXPage()) << "the thumb's share of the bar is one page's";
        QWidget* client = TWindowAccess::ClientWidget(*window);
        EXPECT_EQ(bar->geometry().top(), client->geometry().bottom() + 1) << "directly under the client area";
        EXPECT_EQ(bar->width(), client->width());
        EXPECT_EQ(window->GetClientRect().Height(), client->height()) << "the bar is not part of the client area";
        EXPECT_EQ(ShownColumn(), 0);

        // The arrow at the right end: one line.
        QStyleOptionSlider option;
        option.initFrom(bar);
        option.orientation = Qt::Horizontal;
        option.minimum = bar->minimum();
        option.maximum = bar->maximum();
        option.sliderPosition = bar->sliderPosition();
        option.sliderValue = bar->value();
        option.pageStep = bar->pageStep();
        option.singleStep = bar->singleStep();
        const QRect addLine =
            bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarAddLine, bar);
        QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, addLine.center());
        EXPECT_EQ(Scroller().GetXPos(), 1);
        EXPECT_EQ(bar->value(), 1);
        EXPECT_EQ(ShownColumn(), 1) << "scrolling repainted the window";

        // The trough right of the thumb: one page.
        const QRect addPage =
            bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarAddPage, bar);
        QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, addPage.center());
        EXPECT_EQ(Scroller().GetXPos(), 1 + Scroller().GetXPage());
        EXPECT_EQ(bar->value(), Scroller().GetXPos());
        EXPECT_EQ(ShownColumn(), Scroller().GetXPos() % 256);
    });
}

}  // namespace
