// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "framework/WindowView.h"

#include <memory>

class TDC;
class TDocument;
class TFreqDisplayDialog;
class TWaveDocument;

/// The spectrum view of a wave document: one pixel column per bin of the
/// magnitude spectrum, under four lines of help text, on a dark blue ground,
/// scrolling horizontally across the bins. A left click picks a peak: the
/// view locates it, names its note and opens a result dialog in place of the
/// previous one. Moving the mouse with the right button held paints a small
/// coloured cross that is not kept.
///
/// Reads the document's analysis and never changes it. Owns its scroller and
/// the latest result dialog; the document owns the view.
class TWaveView : public TWindowView {
public:
    /// The view of `document` (opened and analysed), with `parent` (nullptr:
    /// the application makes it the frame's client). The horizontal scroll
    /// range is the bin count minus the main window's width at this moment.
    explicit TWaveView(TWaveDocument& document, TWindow* parent = nullptr);
    /// Destroys the result dialog (its window first), then the window view.
    ~TWaveView() override;

    DECLARE_EVENT_TABLE

    /// The document shown.
    const TWaveDocument& GetWaveDocument() const { return WaveDocument; }
    /// The dialog of the latest successful peak selection, nullptr before the first.
    TFreqDisplayDialog* GetResultDialog() const { return ResultDialog.get(); }

protected:
    /// The framework's set-up, then the dark blue background.
    void SetupWindow() override;
    /// Fills the spectrum's area with the background and, when `rect` has a
    /// width, draws the help lines and the spectrum.
    void OnPaint(TDC& dc, bool erase, TRect& rect) override;

    /// The framework's size handling, then a whole repaint.
    void OnSize(unsigned sizeType, const TSize& size);
    /// Peak selection at client point `point` (scroll position added).
    void OnLeftButtonDown(unsigned modKeys, const TPoint& point);
    /// Taken, nothing done.
    void OnLeftButtonUp(unsigned modKeys, const TPoint& point);
    /// Taken, nothing done.
    void OnRightButtonDown(unsigned modKeys, const TPoint& point);
    /// The marking cross while the right button is held.
    void OnMouseMove(unsigned modKeys, const TPoint& point);
    /// Answers true.
    bool OnDocumentCommit(TDocument* document);
    /// Repaints the whole view and answers true.
    bool OnDocumentRevert(TDocument* document);

private:
    /// The help lines and every bin's pixel on the current surface.
    void DrawSpectrum();
    /// Closes and deletes the result dialog, if there is one.
    void DropResultDialog();

    TWaveDocument& WaveDocument;
    TDC* CurrentDC = nullptr;  // valid only while painting
    TRect RepaintRect;         // logical coordinates of the latest paint
    std::unique_ptr<TFreqDisplayDialog> ResultDialog;
};
