// SPDX-License-Identifier: GPL-3.0-or-later
// The spectrum view as a person sees it, read back pixel by pixel: the
// scroll range from the main window's width, the per-bin gradient and
// baseline of 8-bit and 16-bit files, the help lines (the first one with the
// client width, also after a resize), a repaint without width, the marking
// cross under the right button, and the document's notifications.

#include "tests/presentation/WaveViewFixture.h"

#include "framework/qt/ScrollShell.h"
#include "framework/qt/WindowAccess.h"
#include "framework/qt/WindowWidget.h"

#include <QImage>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace {

using spectrumtest::ProbeView;
using spectrumtest::SilentWave;
using spectrumtest::SpectrumViewTest;

const TColor kGround{0, 0, 60};
const TColor kText{200, 210, 255};

/// Whether the `width` x `height` area at (x, y) of `image` equals the one at
/// (refX, refY) of `reference`.
bool SameArea(const QImage& image, int x, int y, const QImage& reference, int refX, int refY, int width, int height) {
    return image.copy(x, y, width, height) == reference.copy(refX, refY, width, height);
}

/// `text` as the view's help lines draw it: its colours, its default font, at (0, 0).
QImage RenderedLine(const std::string& text) {
    TWindow canvas(nullptr, "reference");
    canvas.Attr.X = 0;
    canvas.Attr.Y = 0;
    canvas.Attr.W = 800;
    canvas.Attr.H = 60;
    canvas.SetBkgndColor(kGround);
    canvas.Create();
    {
        TClientDC dc(canvas);
        dc.SetBkColor(kGround);
        dc.SetTextColor(kText);
        dc.TextOut(0, 0, text);
    }
    QImage image = harness::ClientImage(canvas);
    canvas.Destroy();
    return image;
}

/// Whether the view shows `text` as its help line number `line` (1 ... 4),
/// compared over `width` columns.
bool ShowsHelpLine(TWaveView& view, int line, const std::string& text, int width) {
    const int t = [&] {
        TClientDC dc(view);
        TTextMetric metric;
        dc.GetTextMetrics(metric);
        return metric.tmHeight;
    }();
    return SameArea(harness::ClientImage(view), 50, line * t + 20, RenderedLine(text), 0, 0, width, t);
}

/// Whether every pixel of rows [top, bottom) of the client image is the ground.
bool OnlyGround(TWaveView& view, int top, int bottom) {
    const QImage image = harness::ClientImage(view);
    for (int y = top; y < bottom; ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != qRgb(kGround.R, kGround.G, kGround.B)) {
                return false;
            }
        }
    }
    return true;
}

/// Moves the mouse to client (x, y) of `view` with `buttons` held, as Qt reports it.
void MoveMouse(TWaveView& view, int x, int y, Qt::MouseButtons buttons) {
    QWidget* client = TWindowAccess::ClientWidget(view);
    ASSERT_NE(client, nullptr);
    const QPointF at(x, y);
    QMouseEvent move(QEvent::MouseMove, at, client->mapToGlobal(at), Qt::NoButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(client, &move);
}

TColor CrossColor(int x, int y) {
    return TColor{static_cast<std::uint8_t>((x * x) / 256 % 256), static_cast<std::uint8_t>((256 * y) / x % 256),
                  static_cast<std::uint8_t>((256 * x) / y % 256)};
}

/// Turns the wheel (or swipes: `pixels`) over the middle of the view's client area.
void Wheel(TWaveView& view, QPoint angle, QPoint pixels = {}) {
    QWidget* client = TWindowAccess::ClientWidget(view);
    ASSERT_NE(client, nullptr);
    const QPointF at(client->width() / 2, client->height() / 2);
    QWheelEvent turn(at, client->mapToGlobal(at), pixels, angle, Qt::NoButton, Qt::NoModifier,
                     pixels.isNull() ? Qt::NoScrollPhase : Qt::ScrollUpdate, false);
    QApplication::sendEvent(client, &turn);
}

/// The colour of a silent 16-bit file's bin `bin` in a view `width` pixels wide.
TColor SilentBin16(int bin, int width) {
    return TColor{200, static_cast<std::uint8_t>(256 * bin / width % 256),
                  static_cast<std::uint8_t>(255 - 256 * bin / (2 * width) % 256)};
}

using WaveView = SpectrumViewTest;

TEST_F(WaveView, TheWheelTheTouchpadAndTheScrollKeysMoveItLikeItsBar) {
    struct Row {
        const char* what;
        int start;
        std::vector<QPoint> angles;  // wheel turns, one event each
        QPoint pixels;               // or one swipe
        std::optional<Qt::Key> key;  // or a key pressed in the main window
        int expected;                // the position afterwards
    };
    const int lines = QApplication::wheelScrollLines();
    const int end = 16384 - 1004;
    const Row rows[] = {
        {"wheel down a notch", 2000, {{0, -120}}, {}, {}, 2000 + lines},
        {"wheel up two notches", 2000, {{0, 120}, {0, 120}}, {}, {}, 2000 - 2 * lines},
        {"two half notches make one", 2000, {{0, -60}, {0, -60}}, {}, {}, 2000 + lines},
        {"sideways wheel right", 2000, {{-120, 0}}, {}, {}, 2000 + lines},
        {"sideways wheel left", 2000, {{120, 0}}, {}, {}, 2000 - lines},
        {"wheel up at the start", 0, {{0, 120}}, {}, {}, 0},
        {"touchpad swipe", 2000, {}, {-37, 0}, {}, 2037},
        {"right arrow", 2000, {}, {}, Qt::Key_Right, 2001},
        {"left arrow", 2000, {}, {}, Qt::Key_Left, 1999},
        {"page down", 2000, {}, {}, Qt::Key_PageDown, 2500},
        {"page up", 2000, {}, {}, Qt::Key_PageUp, 1500},
        {"page down near the end", end - 10, {}, {}, Qt::Key_PageDown, end},
        {"home", 2000, {}, {}, Qt::Key_Home, 0},
        {"end", 2000, {}, {}, Qt::Key_End, end},
    };
    Run([&](TFrameWindow& frame) {
        ProbeView* view = Open(frame, "wide.wav", SilentWave(44100, 16));
        ASSERT_NE(view, nullptr);
        SetClientWidth(frame, *view, 500);  // a page of 500 bins
        TScroller& scroller = *view->GetScroller();
        const QScrollBar* bar = ScrollShell::BarOf(*view, Qt::Horizontal);
        ASSERT_NE(bar, nullptr);
        const int baseline = view->GetClientRect().Height() - 10;
        for (const Row& row : rows) {
            scroller.ScrollTo(row.start, 0);
            for (const QPoint& angle : row.angles) {
                Wheel(*view, angle);
            }
            if (!row.pixels.isNull()) {
                Wheel(*view, {}, row.pixels);
            }
            if (row.key) {
                harness::PressKey(frame, *row.key);
            }
            EXPECT_EQ(scroller.GetXPos(), row.expected) << row.what;
            EXPECT_EQ(bar->value(), row.expected) << row.what;
            EXPECT_EQ(harness::Pixel(*view, 0, baseline), SilentBin16(row.expected, 500)) << row.what;
        }
    });
}

TEST_F(WaveView, ScrollsAcrossTheBinsLeftOfTheMainWindowsWidth) {
    Run([&](TFrameWindow& frame) {
        ProbeView* view = Open(frame, "wide.wav", SilentWave(44100, 16));
        ASSERT_NE(view, nullptr);
        ASSERT_EQ(view->GetWaveDocument().Wave().Analysis().BinCount, 16384);
        TScroller& scroller = *view->GetScroller();
        EXPECT_EQ(scroller.GetXRange(), 16384 - 1004);
        EXPECT_EQ(scroller.GetXUnit(), 1);
        EXPECT_EQ(scroller.GetYUnit(), 0);
        EXPECT_EQ(scroller.GetYRange(), 0);
        EXPECT_TRUE(scroller.IsAutoOrg());

        scroller.ScrollTo(1 << 20, 0);
        EXPECT_EQ(scroller.GetXPos(), 15380);
        scroller.ScrollTo(-5, 0);
        EXPECT_EQ(scroller.GetXPos(), 0);

        // A main window resized later does not change the range.
        harness::Resize(frame, 700, 500);
        EXPECT_EQ(scroller.GetXRange(), 15380);
    });
}

TEST_F(WaveView, FewerBinsThanTheMainWindowIsWideDoNotScroll) {
    Run([&](TFrameWindow& frame) {
        ProbeView* view = Open(frame, "narrow.wav", SilentWave(1000, 16));
        ASSERT_NE(view, nullptr);
        ASSERT_EQ(view->GetWaveDocument().Wave().Analysis().BinCount, 512);
        TScroller& scroller = *view->GetScroller();
        EXPECT_EQ(scroller.GetXRange(), 512 - 1004);
        scroller.ScrollTo(300, 0);
        EXPECT_EQ(scroller.GetXPos(), 0);
    });
}

TEST_F(WaveView, SixteenBitBinsRunGreenUpAndBlueDownTenPixelsAboveTheBottom) {
    Run([&](TFrameWindow& frame) {
        ProbeView* view = Open(frame, "silent16.wav", SilentWave(44100, 16));
        ASSERT_NE(view, nullptr);
        SetClientWidth(frame, *view, 500);
        const int h = view->GetClientRect().Height();
        const int baseline = h - 10;

        EXPECT_EQ(harness::Pixel(*view, 0, baseline), (TColor{200, 0, 255}));
        EXPECT_EQ(harness::Pixel(*view, 250, baseline), (TColor{200, 128, 191}));
        EXPECT_EQ(harness::Pixel(*view, 499, baseline), (TColor{200, 255, 128}));
        EXPECT_EQ(harness::Pixel(*view, 250, baseline - 1), kGround);
        EXPECT_EQ(harness::Pixel(*view, 250, baseline + 1), kGround);

        // Scrolled by 500, client x 0 shows bin 500: green starts again.
        view->GetScroller()->ScrollTo(500, 0);
        EXPECT_EQ(harness::Pixel(*view, 0, baseline), (TColor{200, 0, 127}));
        // Bin 1000: blue starts again too.
        view->GetScroller()->ScrollTo(1000, 0);
        EXPECT_EQ(harness::Pixel(*view, 0, baseline), (TColor{200, 0, 255}));
        EXPECT_EQ(harness::Pixel(*view, 1, baseline), (TColor{200, 0, 255}));
        EXPECT_EQ(harness::Pixel(*view, 2, baseline), (TColor{200, 1, 255}));
    });
}

TEST_F(WaveView, EightBitBinsRunRedUpTwentyPixelsAboveTheBottom) {
    Run([&](TFrameWindow& frame) {
        ProbeView* view = Open(frame, "silent8.wav", SilentWave(22050, 8));
        ASSERT_NE(view, nullptr);
        SetClientWidth(frame, *view, 500);
        const int baseline = view->GetClientRect().Height() - 20;

        EXPECT_EQ(harness::Pixel(*view, 0, baseline), (TColor{0, 200, 255}));
        EXPECT_EQ(harness::Pixel(*view, 499, baseline), (TColor{255, 200, 128}));
        EXPECT_EQ(harness::Pixel(*view, 250, baseline + 10), kGround);
        view->GetScroller()->ScrollTo(500, 0);
        EXPECT_EQ(harness::Pixel(*view, 0, baseline), (TColor{0, 200, 127}));
        view->GetScroller()->ScrollTo(1000, 0);
        EXPECT_EQ(harness::Pixel(*view, 0, baseline), (TColor{0, 200, 255}));
    });
}

TEST_F(WaveView, AToneRisesAboveTheBaselineByItsMagnitude) {
    Run([&](TFrameWindow& frame) {
        ProbeView* view = Open(frame, "tone.wav", spectrumtest::ToneWave(44100, {{1000.0, 2000.0}}));
        ASSERT_NE(view, nullptr);
        const FrequencyAnalysis& analysis = view->GetWaveDocument().Wave().Analysis();
        const int h = view->GetClientRect().Height();
        for (const int bin : {742, 743, 744}) {  // 1000 Hz lies at bin 743.04
            const auto magnitude = static_cast<int>(analysis.Magnitude[static_cast<std::size_t>(bin)]);
            ASSERT_GT(magnitude, 0);
            EXPECT_EQ(harness::Pixel(*view, bin, h - 10 - magnitude).R, 200) << "bin " << bin;
        }
    });
}

TEST_F(WaveView, TheHelpLinesNameTheClientWidthAlsoAfterAResize) {
    Run([&](TFrameWindow& frame) {
        ProbeView* view = Open(frame, "lines.wav", SilentWave(44100, 16));
        ASSERT_NE(view, nullptr);
        const int width = view->GetClientRect().Width();
        const std::string before = "You can see a diagram of the first " + std::to_string(width) + " frequencies";
        EXPECT_TRUE(ShowsHelpLine(*view, 1, before, 600));
        EXPECT_TRUE(ShowsHelpLine(*view, 2, "resulting from a FFT of the wave data.", 600));
        EXPECT_TRUE(ShowsHelpLine(*view, 3, "Using the mouse pointer select the appropriate peak!", 600));
        EXPECT_TRUE(ShowsHelpLine(*view, 4, "The location of the maximum will then be determined.", 600));

        SetClientWidth(frame, *view, 500);
        EXPECT_TRUE(ShowsHelpLine(*view, 1, "You can see a diagram of the first 500 frequencies", 450));
        EXPECT_FALSE(ShowsHelpLine(*view, 1, before, 450));
    });
}

TEST_F(WaveView, ARepaintWithoutWidthFillsTheGroundAndDrawsNothingElse) {
    Run([&](TFrameWindow& frame) {
        ProbeView* view = Open(frame, "empty-rect.wav", SilentWave(44100, 16));
        ASSERT_NE(view, nullptr);
        const int h = view->GetClientRect().Height();
        ASSERT_FALSE(OnlyGround(*view, 0, h)) << "the full paint draws text and bins";

        TPaintDC dc(*view);
        TRect noWidth{40, 0, 40, h};
        view->OnPaint(dc, true, noWidth);
        EXPECT_TRUE(OnlyGround(*view, 0, h));
    });
}

TEST_F(WaveView, TheRightButtonPaintsAFivePixelCrossAtTheClientPoint) {
    Run([&](TFrameWindow& frame) {
        ProbeView* view = Open(frame, "cross.wav", SilentWave(44100, 16));
        ASSERT_NE(view, nullptr);
        view->GetScroller()->ScrollTo(300, 0);
        harness::ClientImage(*view);

        MoveMouse(*view, 40, 30, Qt::RightButton);
        for (const TPoint p : {TPoint{41, 30}, TPoint{40, 31}, TPoint{41, 31}, TPoint{42, 31}, TPoint{41, 32}}) {
            EXPECT_EQ(harness::Pixel(*view, p.X, p.Y), CrossColor(p.X, p.Y)) << p.X << "," << p.Y;
        }
        EXPECT_EQ(harness::Pixel(*view, 41, 30), (TColor{6, 187, 93}));
        EXPECT_EQ(harness::Pixel(*view, 40, 30), kGround) << "the pointer's own pixel stays";
        EXPECT_EQ(harness::Pixel(*view, 40, 32), kGround);

        // The next repaint of the area takes the cross away.
        view->Invalidate();
        EXPECT_EQ(harness::Pixel(*view, 41, 31), kGround);
    });
}

TEST_F(WaveView, NoCrossAtTheLeftOrTopEdgeOrWithoutTheRightButton) {
    Run([&](TFrameWindow& frame) {
        ProbeView* view = Open(frame, "no-cross.wav", SilentWave(44100, 16));
        ASSERT_NE(view, nullptr);
        const QImage before = harness::ClientImage(*view);

        MoveMouse(*view, 0, 30, Qt::RightButton);
        MoveMouse(*view, 30, 0, Qt::RightButton);
        MoveMouse(*view, 60, 60, Qt::LeftButton);
        MoveMouse(*view, 80, 80, Qt::NoButton);
        EXPECT_EQ(harness::ClientImage(*view), before);

        MoveMouse(*view, 1, 1, Qt::RightButton | Qt::LeftButton);
        EXPECT_EQ(harness::Pixel(*view, 2, 1), CrossColor(2, 1));
    });
}

TEST_F(WaveView, ARevertRepaintsTheWholeViewACommitChangesNothing) {
    Run([&](TFrameWindow& frame) {
        ProbeView* view = Open(frame, "notices.wav", SilentWave(44100, 16));
        ASSERT_NE(view, nullptr);
        TDocument& document = *view->GetDocument();

        MoveMouse(*view, 40, 30, Qt::RightButton);
        ASSERT_NE(harness::Pixel(*view, 41, 30), kGround);
        const TResult committed =
            view->SendMessage(DocumentNotification, DocCommitNotice, 0, reinterpret_cast<std::intptr_t>(&document));
        EXPECT_EQ(committed, 1);
        EXPECT_NE(harness::Pixel(*view, 41, 30), kGround) << "a commit repaints nothing";

        EXPECT_TRUE(document.Revert(true));
        EXPECT_EQ(harness::Pixel(*view, 41, 30), kGround);
    });
}

TEST_F(WaveView, AReloadKeepsTheSpectrumShownUntilTheNewLoadReplacesIt) {
    struct Row {
        const char* what;
        bool vanished;            // the file is gone before the reload
        const char* onlyCaption;  // the one box the reload shows
    };
    const Row rows[] = {
        {"the same file again", false, "sampling frequency"},
        {"a file that has gone", true, "Failed to open file   :- ("},
    };
    Run([&](TFrameWindow& frame) {
        ProbeView* view = Open(frame, "kept.wav", SilentWave(44100, 16));
        ASSERT_NE(view, nullptr);
        TDocument& document = *view->GetDocument();
        const int baseline = view->GetClientRect().Height() - 10;
        const TColor firstBin{200, 0, 255};
        ASSERT_EQ(harness::Pixel(*view, 0, baseline), firstBin);
        sound.SetWriteDelay(std::chrono::milliseconds(30));  // the view repaints while the file plays
        for (const Row& row : rows) {
            if (row.vanished) {
                std::filesystem::remove(folder.PathOf("kept.wav"));
            }
            TColor whileBoxShown{};
            harness::ScriptedUser user;
            user.Then([&](QWidget& box) {
                whileBoxShown = harness::Pixel(*view, 0, baseline);
                harness::ForceClose(box);
            });
            EXPECT_TRUE(document.Revert(false)) << row.what;
            ASSERT_EQ(user.Shown().size(), 1U) << row.what;
            EXPECT_EQ(user.Last().Caption, row.onlyCaption) << row.what;
            EXPECT_EQ(whileBoxShown, firstBin) << row.what;
            EXPECT_EQ(harness::Pixel(*view, 0, baseline), firstBin) << row.what;
        }
    });
}

}  // namespace
