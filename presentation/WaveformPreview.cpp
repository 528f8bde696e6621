// SPDX-License-Identifier: GPL-3.0-or-later
#include "presentation/WaveformPreview.h"

#include "engine/WaveData.h"
#include "engine/WaveTexts.h"

#include "analysis/MixedFrames.h"
#include "framework/Dc.h"
#include "framework/Window.h"
#include "platform/SampleFormat.h"

#include <cstddef>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <span>

namespace {

constexpr char kShownMillisecondsFormat[] = "You can see the first %d ms of the recording.";
constexpr int kTextX = 20;
constexpr int kTextY = 20;

// The colour of column x of w: a fixed red, green rising and blue falling
// across the window.
TColor ColumnColor(std::uint8_t red, int greenSpan, int x, int w) {
    return TColor{red, static_cast<std::uint8_t>(greenSpan * x / w), static_cast<std::uint8_t>(200 - 200 * x / w)};
}

// The height of frame `index` above the middle line, in pixels: its mixed
// value truncated toward zero, as the analysis hears it.
int FrameHeight(const std::uint8_t* frames, std::uint32_t bitsPerSample, std::uint16_t channels, std::uint64_t index) {
    const std::size_t frameBytes = bitsPerSample / 8 * std::size_t{channels};
    const auto sample = static_cast<int>(MixedFrameValue(frames + index * frameBytes, bitsPerSample, channels));
    return bitsPerSample == 8 ? sample : sample / 256;  // truncates toward zero
}

void DrawColumns(TDC& dc, const TWaveData& wave, int w, int h) {
    const std::uint32_t bits = wave.BitsPerSample();
    const std::uint16_t channels = wave.ValuesPerFrame();
    // 64 bits: DataSize x 8 wraps at 512 MiB.
    const std::uint64_t frameCount = std::uint64_t{wave.DataSize()} * 8 / bits / channels;
    const std::span<const std::uint8_t> data = wave.Samples();
    // Never read past the bytes really held, whatever DataSize says.
    const std::uint64_t readable = std::min<std::uint64_t>(frameCount, data.size() * 8 / bits / channels);
    if (readable == 0) {
        return;
    }
    const std::uint8_t red = bits == 8 ? 150 : 130;
    const int greenSpan = bits == 8 ? 130 : 150;
    for (int x = 0; x < w; ++x) {
        const int y = h / 2 - FrameHeight(data.data(), bits, channels, static_cast<std::uint64_t>(x) % readable);
        dc.SetPixel(x, y, ColumnColor(red, greenSpan, x, w));
    }
}

}  // namespace

bool DrawWaveformPreview(TWindow* mainWindow, const TWaveData& wave) {
    const TRect client = mainWindow->GetClientRect();
    const int w = client.Width();
    const int h = client.Height();

    if (!platform::IsSupportedResolution(wave.BitsPerSample())) {
        mainWindow->MessageBox(BitsPerSampleText(wave.BitsPerSample()), kUnsupportedResolutionCaption, 0);
        return false;
    }
    // The preview of an earlier file may still stand in the window: it is
    // wiped before this one is drawn.
    mainWindow->Invalidate();
    mainWindow->UpdateWindow();
    TClientDC dc(*mainWindow);
    DrawColumns(dc, wave, w, h);

    if (wave.SampleRate() != 0) {
        const std::uint32_t milliseconds = static_cast<std::uint32_t>(w) * 1000U / wave.SampleRate();
        char text[sizeof kShownMillisecondsFormat + 16];
        std::snprintf(text, sizeof text, kShownMillisecondsFormat, static_cast<int>(milliseconds));
        dc.SetTextAlign(TA_LEFT | TA_TOP);
        dc.TextOut(kTextX, kTextY, text);
    }
    return true;
}
