// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/FrequencyAnalysis.h"

#include "analysis/MixedFrames.h"
#include "analysis/TransformStages.h"
#include "platform/SampleFormat.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <utility>

namespace {

// The window rises as sin^2 over the first M points and falls over the next
// M; the angle per point is this constant over M (slightly more than pi / 2).
constexpr double kWindowQuarterTurn = 1.570798;

// A sine of amplitude A centred on a bin reads A x 1250 / full scale there.
constexpr double kScaleNumerator = 2500.0;
constexpr double kFullScale8 = 128.0;
constexpr double kFullScale16 = 32768.0;

struct EightBitValue {
    double Read(const std::uint8_t* bytes) const { return platform::EightBitSample(bytes); }
};

struct SixteenBitValue {
    double Read(const std::uint8_t* bytes) const { return platform::SixteenBitSample(bytes); }
};

// Several channels: the mean of a frame's values (MixedFrameValue).
struct MixedValue {
    std::uint32_t BitsPerSample;
    std::uint16_t Channels;
    double Read(const std::uint8_t* frame) const { return MixedFrameValue(frame, BitsPerSample, Channels); }
};

// Writes window(i) x value for i = 0 ... N - 1, taking the frames of
// `frameBytes` from startSample on and starting over at startSample after the
// last one.
template <typename Value>
void WindowValues(std::span<const std::uint8_t> data, std::size_t frameBytes, std::int64_t sampleCount,
                  std::int64_t startSample, double windowStep, const Value& value, std::span<double> out) {
    const std::int64_t valuesToEnd = sampleCount - startSample;
    const std::uint8_t* const first = data.data() + static_cast<std::size_t>(startSample) * frameBytes;
    std::int64_t offset = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double w = std::sin(static_cast<double>(i) * windowStep);
        out[i] = w * w * value.Read(first + static_cast<std::size_t>(offset) * frameBytes);
        if (++offset == valuesToEnd) {
            offset = 0;
        }
    }
}

}  // namespace

SpectrumResult FrequencyAnalysis::ComputeSpectrum(std::span<const std::uint8_t> data, std::int64_t startSample) {
    RequireTables("ComputeSpectrum");
    if (!platform::IsSupportedResolution(BitsPerSample)) {
        return SpectrumResult::UnsupportedResolution;
    }
    if (startSample < 0 || startSample >= SampleCount) {
        throw std::invalid_argument("ComputeSpectrum: start sample " + std::to_string(startSample) +
                                    " lies outside 0 ... " + std::to_string(SampleCount - 1));
    }
    const std::size_t framesInData = data.size() / (BitsPerSample / 8 * std::size_t{Channels});
    if (framesInData < static_cast<std::size_t>(SampleCount)) {
        throw std::invalid_argument("ComputeSpectrum: the data holds " + std::to_string(framesInData) +
                                    " frames, the set-up counted " + std::to_string(SampleCount));
    }

    std::fill(WorkIm.data(), WorkIm.data() + WorkIm.size(), 0.0);
    WindowSamples(data, startSample);
    RunTransform();
    ComputeMagnitudes();
    stage_ = Stage::SpectrumReady;
    return SpectrumResult::Computed;
}

void FrequencyAnalysis::WindowSamples(std::span<const std::uint8_t> data, std::int64_t startSample) {
    const double windowStep = kWindowQuarterTurn / BinCount;
    const std::size_t frameBytes = BitsPerSample / 8 * std::size_t{Channels};
    if (Channels != 1) {
        WindowValues(data, frameBytes, SampleCount, startSample, windowStep, MixedValue{BitsPerSample, Channels},
                     WorkRe.span());
    } else if (BitsPerSample == 8) {
        WindowValues(data, frameBytes, SampleCount, startSample, windowStep, EightBitValue{}, WorkRe.span());
    } else {
        WindowValues(data, frameBytes, SampleCount, startSample, windowStep, SixteenBitValue{}, WorkRe.span());
    }
}

void FrequencyAnalysis::RunTransform() {
    RequireTables("RunTransform");
    RunStages({WorkRe.data(), WorkIm.data(), std::as_const(CosTable).Column(0).data(),
               std::as_const(SinTable).Column(0).data(), TransformLog2});
    ScatterToBinOrder(WorkRe.data(), WorkIm.data(), SpectrumRe.data(), SpectrumIm.data(), BitReverse.data(),
                      TransformLog2);
}

void FrequencyAnalysis::ComputeMagnitudes() {
    const double fullScale = BitsPerSample == 8 ? kFullScale8 : kFullScale16;
    const double scale = kScaleNumerator / (fullScale * BinCount);
    for (std::size_t k = 0; k < Magnitude.size(); ++k) {
        const double power = SpectrumRe[k] * SpectrumRe[k] + SpectrumIm[k] * SpectrumIm[k];
        Magnitude[k] = std::sqrt(power) * scale;
    }
}
