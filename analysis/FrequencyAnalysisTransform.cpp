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

// Writes window(i) x valueAt(frame) for i = 0 ... N - 1 (N = out.size()),
// taking the frames from startSample on and starting over at startSample
// after the last one.
template <typename ValueAt>
void WindowValues(std::int64_t sampleCount, std::int64_t startSample, std::int32_t binCount, const ValueAt& valueAt,
                  std::span<double> out) {
    const double windowStep = kWindowQuarterTurn / binCount;
    std::int64_t frame = startSample;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double w = std::sin(static_cast<double>(i) * windowStep);
        out[i] = w * w * valueAt(frame);
        if (++frame == sampleCount) {
            frame = startSample;
        }
    }
}

// Both spectra need a start inside the data and the data the set-up counted;
// `unit` names what the data holds.
void CheckStart(const char* operation, std::int64_t startSample, std::int64_t sampleCount, std::size_t held,
                const char* unit) {
    if (startSample < 0 || startSample >= sampleCount) {
        throw std::invalid_argument(std::string(operation) + ": start sample " + std::to_string(startSample) +
                                    " lies outside 0 ... " + std::to_string(sampleCount - 1));
    }
    if (held < static_cast<std::size_t>(sampleCount)) {
        throw std::invalid_argument(std::string(operation) + ": the data holds " + std::to_string(held) + " " + unit +
                                    ", the set-up counted " + std::to_string(sampleCount));
    }
}

}  // namespace

SpectrumResult FrequencyAnalysis::ComputeSpectrum(std::span<const std::uint8_t> data, std::int64_t startSample) {
    RequireTables("ComputeSpectrum");
    if (!platform::IsSupportedResolution(BitsPerSample)) {
        return SpectrumResult::UnsupportedResolution;
    }
    CheckStart("ComputeSpectrum", startSample, SampleCount, data.size() / (BitsPerSample / 8 * std::size_t{Channels}),
               "frames");
    WindowSamples(data, startSample);
    return TransformWindowed();
}

SpectrumResult FrequencyAnalysis::ComputeSpectrumOfValues(std::span<const double> values, std::int64_t startSample) {
    RequireTables("ComputeSpectrumOfValues");
    if (!platform::IsSupportedResolution(BitsPerSample)) {
        return SpectrumResult::UnsupportedResolution;
    }
    CheckStart("ComputeSpectrumOfValues", startSample, SampleCount, values.size(), "sample values");
    const auto valueAt = [values](std::int64_t frame) { return values[static_cast<std::size_t>(frame)]; };
    WindowValues(SampleCount, startSample, BinCount, valueAt, WorkRe.span());
    return TransformWindowed();
}

void FrequencyAnalysis::WindowSamples(std::span<const std::uint8_t> data, std::int64_t startSample) {
    const std::size_t frameBytes = BitsPerSample / 8 * std::size_t{Channels};
    const auto windowFrames = [&](const auto& value) {
        const auto valueAt = [&](std::int64_t frame) {
            return value.Read(data.data() + static_cast<std::size_t>(frame) * frameBytes);
        };
        WindowValues(SampleCount, startSample, BinCount, valueAt, WorkRe.span());
    };
    if (Channels != 1) {
        windowFrames(MixedValue{BitsPerSample, Channels});
    } else if (BitsPerSample == 8) {
        windowFrames(EightBitValue{});
    } else {
        windowFrames(SixteenBitValue{});
    }
}

SpectrumResult FrequencyAnalysis::TransformWindowed() {
    std::fill(WorkIm.data(), WorkIm.data() + WorkIm.size(), 0.0);
    RunTransform();
    ComputeMagnitudes();
    stage_ = Stage::SpectrumReady;
    return SpectrumResult::Computed;
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
