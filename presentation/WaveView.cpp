// SPDX-License-Identifier: GPL-3.0-or-later
#include "presentation/WaveView.h"

#include "presentation/FreqDisplayDialog.h"

#include "document/WaveDocument.h"

#include "framework/Dc.h"
#include "framework/Document.h"
#include "framework/Messages.h"
#include "framework/Scroller.h"
#include "platform/SampleFormat.h"
#include "resources/ResourceIds.h"

#include "analysis/AnalysisTexts.h"
#include "analysis/PeakReport.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace {

const TColor kBackground{0, 0, 60};
const TColor kTextColor{200, 210, 255};

// Help lines start this far from the left edge and below the first line.
constexpr int kHelpLineX = 50;
constexpr int kHelpLineGap = 20;

// The magnitude-0 line lies this far above the bottom of the client area.
constexpr int kBaseline8Bit = 20;
constexpr int kBaseline16Bit = 10;

// Magnitudes beyond this lie far outside any window; they are not drawn, so
// no conversion to int can overflow.
constexpr double kDrawableMagnitude = 1.0e9;

// The box shown when the spectrum is asked for a resolution it cannot read.
constexpr char kUnsupportedResolutionBitsCaption[] = "unsupported resolution (bits/sample)";

/// The text of that box: the bit count alone, taken as a signed 32-bit number.
std::string FormatBitCountText(std::uint32_t bitsPerSample) {
    return std::to_string(static_cast<std::int32_t>(bitsPerSample));
}

/// The main window's width as the framework recorded it, else as it shows.
int RecordedWidth(const TWindow* mainWindow) {
    if (mainWindow == nullptr) {
        return 0;
    }
    if (mainWindow->Attr.W != CW_USEDEFAULT) {
        return mainWindow->Attr.W;
    }
    return mainWindow->GetWindowRect().Width();
}

/// The low 8 bits of `value`, as a colour channel.
std::uint8_t Channel(long long value) {
    return static_cast<std::uint8_t>(value & 0xFF);
}

/// The colour of the marking cross at client pixel (x, y), both at least 1.
TColor CrossColor(long long x, long long y) {
    return TColor{Channel((x * x) / 256), Channel((256 * y) / x), Channel((256 * x) / y)};
}

}  // namespace

TWaveView::TWaveView(TWaveDocument& document, TWindow* parent) : TWindowView(document, parent), WaveDocument(document) {
    Attr.Style |= WS_HSCROLL;
    const int range = document.Wave().Analysis().BinCount - RecordedWidth(document.MessageOwner);
    SetScroller(std::make_unique<TScroller>(this, 1, 0, range, 0));
    GetScroller()->SetAutoOrg(true);
}

TWaveView::~TWaveView() {
    DropResultDialog();
}

const TEventTable& TWaveView::ClassEventTable() {
    static const TEventTable table(TWindowView::ClassEventTable(),
                                   {
                                       EvSize(&TWaveView::OnSize),
                                       EvMouse(WM_LBUTTONDOWN, &TWaveView::OnLeftButtonDown),
                                       EvMouse(WM_RBUTTONDOWN, &TWaveView::OnRightButtonDown),
                                       EvMouse(WM_MOUSEMOVE, &TWaveView::OnMouseMove),
                                       EvMouse(WM_LBUTTONUP, &TWaveView::OnLeftButtonUp),
                                       EvNotify(DocumentNotification, DocCommitNotice, &TWaveView::OnDocumentCommit),
                                       EvNotify(DocumentNotification, DocRevertNotice, &TWaveView::OnDocumentRevert),
                                   });
    return table;
}

void TWaveView::SetupWindow() {
    TWindowView::SetupWindow();
    SetBkgndColor(kBackground);
}

void TWaveView::OnPaint(TDC& dc, bool, TRect& rect) {
    CurrentDC = &dc;
    RepaintRect = rect;

    const TPen pen(kBackground);
    const TBrush brush(kBackground);
    dc.SelectObject(pen);
    dc.SelectObject(brush);
    dc.Rectangle(0, 0, WaveDocument.Wave().Analysis().BinCount, RepaintRect.Height());
    dc.SetBkColor(kBackground);
    dc.SetTextColor(kTextColor);
    if (RepaintRect.Width() != 0) {
        DrawSpectrum();
    }
    dc.RestorePen();
    dc.RestoreBrush();
    CurrentDC = nullptr;
}

void TWaveView::DrawSpectrum() {
    TDC& dc = *CurrentDC;
    const TRect client = GetClientRect();
    const int width = client.Width();
    const int height = client.Height();
    TTextMetric metric;
    dc.GetTextMetrics(metric);
    const int line = metric.tmHeight;

    dc.SetTextAlign(TA_LEFT | TA_TOP);
    char firstLine[80];
    std::snprintf(firstLine, sizeof firstLine, "You can see a diagram of the first %d frequencies", width);
    dc.TextOut(kHelpLineX, line + kHelpLineGap, firstLine);
    dc.TextOut(kHelpLineX, 2 * line + kHelpLineGap, "resulting from a FFT of the wave data.");
    dc.TextOut(kHelpLineX, 3 * line + kHelpLineGap, "Using the mouse pointer select the appropriate peak!");
    dc.TextOut(kHelpLineX, 4 * line + kHelpLineGap, "The location of the maximum will then be determined.");

    const TWaveData& wave = WaveDocument.Wave();
    if (!platform::IsSupportedResolution(wave.BitsPerSample())) {
        MessageBox(FormatBitCountText(wave.BitsPerSample()), kUnsupportedResolutionBitsCaption, MB_OK);
        return;
    }
    const bool eightBit = wave.BitsPerSample() == 8;
    const int baseline = height - (eightBit ? kBaseline8Bit : kBaseline16Bit);
    const long long columns = width > 0 ? width : 1;
    const FrequencyAnalysis& analysis = wave.Analysis();
    for (std::int32_t bin = 0; bin < analysis.BinCount; ++bin) {
        const double magnitude = analysis.Magnitude[static_cast<std::size_t>(bin)];
        if (!(std::fabs(magnitude) < kDrawableMagnitude)) {
            continue;
        }
        const std::uint8_t rising = Channel((256LL * bin) / columns);
        const auto falling = static_cast<std::uint8_t>(255 - Channel((256LL * bin) / (2 * columns)));
        const TColor color = eightBit ? TColor{rising, 200, falling} : TColor{200, rising, falling};
        dc.SetPixel(bin, baseline - static_cast<int>(magnitude), color);
    }
}

void TWaveView::OnSize(unsigned sizeType, const TSize& size) {
    HandleSize(sizeType, size);
    Invalidate();
}

void TWaveView::OnLeftButtonDown(unsigned, const TPoint& point) {
    const std::int64_t bin = static_cast<std::int64_t>(point.X) + GetScroller()->GetXPos();
    const FrequencyAnalysis& analysis = WaveDocument.Wave().Analysis();
    if (bin < 0 || bin >= analysis.BinCount) {
        return;  // no spectrum value under the pointer
    }
    const PeakLocation peak = analysis.LocatePeak(bin);
    if (peak.Outcome == PeakOutcome::NoLocalMaximum) {
        MessageBox(kNoLocalMaximumText, nullptr, MB_OK);
        return;
    }
    if (peak.Outcome != PeakOutcome::Found) {
        return;
    }
    const std::optional<PeakDescription> result = DescribePeak(peak.Frequency, WaveDocument.Wave().SampleRate());
    if (!result) {
        return;  // no note to name: the click shows nothing
    }

    DropResultDialog();
    ResultDialog =
        std::make_unique<TFreqDisplayDialog>(*this, resid::FreqDisplayDialog, result->FrequencyText, result->NoteText,
                                             result->RateText, WaveDocument.Wave().FileName(), GetModule());
    ResultDialog->Create();
}

void TWaveView::OnLeftButtonUp(unsigned, const TPoint&) {}

void TWaveView::OnRightButtonDown(unsigned, const TPoint&) {}

void TWaveView::OnMouseMove(unsigned modKeys, const TPoint& point) {
    if ((modKeys & MK_RBUTTON) == 0 || point.X < 1 || point.Y < 1) {
        return;
    }
    TClientDC dc(*this);
    const int x = point.X;
    const int y = point.Y;
    const TPoint cross[] = {{x + 1, y}, {x, y + 1}, {x + 1, y + 1}, {x + 2, y + 1}, {x + 1, y + 2}};
    for (const TPoint& pixel : cross) {
        dc.SetPixel(pixel.X, pixel.Y, CrossColor(pixel.X, pixel.Y));
    }
}

bool TWaveView::OnDocumentCommit(TDocument*) {
    return true;
}

bool TWaveView::OnDocumentRevert(TDocument*) {
    Invalidate();
    return true;
}

void TWaveView::DropResultDialog() {
    if (ResultDialog == nullptr) {
        return;
    }
    if (ResultDialog->IsWindow()) {
        ResultDialog->Destroy();
    }
    ResultDialog.reset();
}
