#include "FrequencyAnalysis.h"

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
    static constexpr std::size_t kBytes = 1;
    static double Read(const std::uint8_t* bytes) { return bytes[0] - 128; }
};

struct SixteenBitValue {
    static constexpr std::size_t kBytes = 2;
    static double Read(const std::uint8_t* bytes)
    {
        return static_cast<std::int16_t>(static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8));
    }
};

// Writes window(i) x value for i = 0 ... N - 1, taking the values from
// startSample on and starting over at startSample after the last one.
template <typename Value>
void WindowValues(std::span<const std::uint8_t> data, std::int64_t sampleCount, std::int64_t startSample,
                  double windowStep, std::span<double> out)
{
    const std::int64_t valuesToEnd = sampleCount - startSample;
    const std::uint8_t* const first = data.data() + static_cast<std::size_t>(startSample) * Value::kBytes;
    std::int64_t offset = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double w = std::sin(static_cast<double>(i) * windowStep);
        out[i] = w * w * Value::Read(first + static_cast<std::size_t>(offset) * Value::kBytes);
        if (++offset == valuesToEnd) {
            offset = 0;
        }
    }
}

// The butterflies of one group: every pair (a[j], b[j]) shares the twiddle
// (c, s). The four runs do not overlap, which lets the loop vectorise.
void ButterflyGroup(double* __restrict aRe, double* __restrict aIm, double* __restrict bRe,
                    double* __restrict bIm, std::size_t half, double c, double s)
{
    for (std::size_t j = 0; j < half; ++j) {
        const double tr = bRe[j] * c - bIm[j] * s;
        const double ti = bIm[j] * c + bRe[j] * s;
        bRe[j] = aRe[j] - tr;
        bIm[j] = aIm[j] - ti;
        aRe[j] = aRe[j] + tr;
        aIm[j] = aIm[j] + ti;
    }
}

// The last stage, where every group is one butterfly: a loop over the groups,
// with the same butterflies in the same order, that vectorises across them.
void SingleButterflyGroups(double* __restrict re, double* __restrict im, const double* __restrict cosines,
                           const double* __restrict sines, std::size_t points)
{
    for (std::size_t k = 0; k < points; k += 2) {
        const double c = cosines[k];
        const double s = sines[k];
        const double tr = re[k + 1] * c - im[k + 1] * s;
        const double ti = im[k + 1] * c + re[k + 1] * s;
        re[k + 1] = re[k] - tr;
        im[k + 1] = im[k] - ti;
        re[k] = re[k] + tr;
        im[k] = im[k] + ti;
    }
}

}  // namespace

SpectrumResult FrequencyAnalysis::ComputeSpectrum(std::span<const std::uint8_t> data, std::int64_t startSample)
{
    RequireTables("ComputeSpectrum");
    if (BitsPerSample != 8 && BitsPerSample != 16) {
        return SpectrumResult::UnsupportedResolution;
    }
    if (startSample < 0 || startSample >= SampleCount) {
        throw std::invalid_argument("ComputeSpectrum: start sample " + std::to_string(startSample) +
                                    " lies outside 0 ... " + std::to_string(SampleCount - 1));
    }
    const std::size_t valuesInData = data.size() / (BitsPerSample / 8);
    if (valuesInData < static_cast<std::size_t>(SampleCount)) {
        throw std::invalid_argument("ComputeSpectrum: the data holds " + std::to_string(valuesInData) +
                                    " sample values, the set-up counted " + std::to_string(SampleCount));
    }

    std::fill(WorkIm.data(), WorkIm.data() + WorkIm.size(), 0.0);
    WindowSamples(data, startSample);
    RunTransform();
    ComputeMagnitudes();
    stage_ = Stage::SpectrumReady;
    return SpectrumResult::Computed;
}

void FrequencyAnalysis::WindowSamples(std::span<const std::uint8_t> data, std::int64_t startSample)
{
    const double windowStep = kWindowQuarterTurn / BinCount;
    if (BitsPerSample == 8) {
        WindowValues<EightBitValue>(data, SampleCount, startSample, windowStep, WorkRe.span());
    } else {
        WindowValues<SixteenBitValue>(data, SampleCount, startSample, windowStep, WorkRe.span());
    }
}

void FrequencyAnalysis::RunTransform()
{
    RequireTables("RunTransform");
    const auto points = static_cast<std::size_t>(TransformSize);
    const auto stages = static_cast<std::size_t>(TransformLog2);
    double* const re = WorkRe.data();
    double* const im = WorkIm.data();
    for (std::size_t stage = 1; stage <= stages; ++stage) {
        const std::size_t half = points >> stage;
        // Group k takes the twiddle in row k of column L - stage.
        const std::span<const double> cosColumn = std::as_const(CosTable).Column(stages - stage);
        const std::span<const double> sinColumn = std::as_const(SinTable).Column(stages - stage);
        if (half == 1) {
            SingleButterflyGroups(re, im, cosColumn.data(), sinColumn.data(), points);
            continue;
        }
        for (std::size_t k = 0; k < points; k += 2 * half) {
            ButterflyGroup(re + k, im + k, re + k + half, im + k + half, half, cosColumn[k], sinColumn[k]);
        }
    }
    for (std::size_t i = 0; i < points; ++i) {
        const auto bin = static_cast<std::size_t>(BitReverse[i]);
        SpectrumRe[bin] = re[i];
        SpectrumIm[bin] = im[i];
    }
}

void FrequencyAnalysis::ComputeMagnitudes()
{
    const double fullScale = BitsPerSample == 8 ? kFullScale8 : kFullScale16;
    const double scale = kScaleNumerator / (fullScale * BinCount);
    for (std::size_t k = 0; k < Magnitude.size(); ++k) {
        const double power = SpectrumRe[k] * SpectrumRe[k] + SpectrumIm[k] * SpectrumIm[k];
        Magnitude[k] = std::sqrt(power) * scale;
    }
}
