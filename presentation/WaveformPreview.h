// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The waveform preview: the first samples of a freshly loaded recording,
// drawn straight into the main window's client area while the user chooses
// where the analysis starts, with a line that says how many milliseconds
// are shown. Nothing of it is kept: it stays on the window until that area
// is repainted (at the latest when the spectrum view becomes the client).
// It refuses resolutions other than 8 and 16 bits with its own message box.

class TWaveData;
class TWindow;

/// Clears `mainWindow`'s client area (w x h) to its background, so that no
/// earlier drawing stays under this one, then draws one pixel per column x
/// for frame x mod S of `wave` (S = DataSize x 8 / BitsPerSample / its
/// ValuesPerFrame, so the frames repeat when the window is wider than the
/// data), s being the frame's mixed value (MixedFrameValue) truncated
/// toward zero, the signal the analysis reads:
///  -  8 bits: y = h / 2 - (s - 128), colour (150, 130 x / w, 200 - 200 x / w)
///  - 16 bits: y = h / 2 - s / 256,   colour (130, 150 x / w, 200 - 200 x / w)
/// then "You can see the first %d ms of the recording." at (20, 20), top-left
/// aligned, in the surface's default colours, with %d = w x 1000 / SampleRate
/// in unsigned 32-bit arithmetic. For any other resolution it draws nothing,
/// shows "%d  bits/sample" under "unsupported resolution" on `mainWindow` and
/// answers false; otherwise true. Without a sample value (S = 0) no column is
/// drawn, and without a sample rate the line is left out.
bool DrawWaveformPreview(TWindow* mainWindow, const TWaveData& wave);
