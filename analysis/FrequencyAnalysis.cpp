// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/FrequencyAnalysis.h"

#include "analysis/TransformSize.h"

#include <cmath>
#include <new>
#include <stdexcept>
#include <string>

namespace {

// The full turn of the twiddle angles as the program has always used it:
// slightly more than 2 pi, so every angle is 1.0000011 times the exact one.
constexpr double kFullTurn = 6.283192;

}  // namespace

std::int64_t StartSampleFromMilliseconds(std::int32_t milliseconds, std::uint32_t sampleRate) {
    // Integers keep 145 ms at 48000 Hz at 6960; 0.145 x 48000 in doubles gives 6959.99...
    return std::int64_t{milliseconds} * std::int64_t{sampleRate} / 1000;
}

FrequencyAnalysis::FrequencyAnalysis(std::size_t allocationLimit) : allocationLimit_(allocationLimit) {}

SetupResult FrequencyAnalysis::Prepare(std::uint32_t sampleRate, std::uint32_t bitsPerSample, std::uint32_t dataSize,
                                       std::uint16_t channels) {
    if (channels == 0) {
        throw std::invalid_argument("Prepare: a frame of 0 channels");
    }
    Release();
    SampleRate = sampleRate;
    BitsPerSample = bitsPerSample;
    Channels = channels;

    const auto dimensions = ChooseTransformSize(sampleRate);
    if (!dimensions) {
        return SetupResult::InvalidSampleRate;
    }
    if (bitsPerSample == 0) {
        return SetupResult::InvalidBitsPerSample;
    }
    // 64 bits: eight times a data chunk of 512 MiB or more no longer fits 32.
    const std::int64_t sampleCount = std::int64_t{dataSize} * 8 / bitsPerSample / channels;
    if (sampleCount == 0) {
        return SetupResult::NoSamples;
    }

    BinCount = dimensions->BinCount;
    TransformSize = dimensions->TransformSize;
    BinCountLog2 = dimensions->BinCountLog2;
    TransformLog2 = dimensions->TransformLog2;
    SampleCount = sampleCount;
    AngleStep = -kFullTurn / TransformSize;

    try {
        AllocateBuffers();
    } catch (const std::bad_alloc&) {
        return SetupResult::MemoryAllocationImpossible;
    }
    FillBitReverse();
    FillTwiddleTables();
    stage_ = Stage::TablesReady;
    return SetupResult::Ready;
}

PeakLocation FrequencyAnalysis::LocatePeak(std::int64_t bin) const {
    const std::span<const double> spectrum = HasSpectrum() ? Magnitude.span() : std::span<const double>{};
    return ::LocatePeak(spectrum, TransformSize, SampleRate, bin);
}

void FrequencyAnalysis::Release() {
    stage_ = Stage::Empty;
    BinCount = TransformSize = BinCountLog2 = TransformLog2 = 0;
    SampleCount = 0;
    AngleStep = 0.0;
    CosTable = {};
    SinTable = {};
    BitReverse = {};
    WorkRe = {};
    WorkIm = {};
    SpectrumRe = {};
    SpectrumIm = {};
    Magnitude = {};
}

void FrequencyAnalysis::AllocateBuffers() {
    // Each buffer is stored as soon as it exists, so that those allocated
    // before a failure stay owned by this object.
    const auto points = static_cast<std::size_t>(TransformSize);
    const auto stages = static_cast<std::size_t>(TransformLog2);
    // The whole set-up is weighed first: one that cannot fit takes nothing.
    const std::size_t totalBytes = points * sizeof(std::int32_t) + 4 * points * sizeof(double) +
                                   2 * points * stages * sizeof(double) +
                                   static_cast<std::size_t>(BinCount) * sizeof(double);
    AllocationBudget(allocationLimit_).Take(totalBytes, 1);
    AllocationBudget budget(allocationLimit_);
    BitReverse = OwnedArray<std::int32_t>::Allocate(points, budget);
    WorkRe = OwnedArray<double>::Allocate(points, budget);
    WorkIm = OwnedArray<double>::Allocate(points, budget);
    SpectrumRe = OwnedArray<double>::Allocate(points, budget);
    SpectrumIm = OwnedArray<double>::Allocate(points, budget);
    CosTable = TwiddleTable::Allocate(points, stages, budget);
    SinTable = TwiddleTable::Allocate(points, stages, budget);
    Magnitude = OwnedArray<double>::Allocate(static_cast<std::size_t>(BinCount), budget);
}

void FrequencyAnalysis::FillBitReverse() {
    // The reversal of i = 2h + b is the reversal of h moved down one place with
    // b on top: ReverseBits(i, L) for every i in one pass instead of L per entry.
    const auto points = static_cast<std::size_t>(TransformSize);
    const std::int32_t topBit = TransformSize / 2;
    BitReverse[0] = 0;
    for (std::size_t i = 1; i < points; ++i) {
        BitReverse[i] = (BitReverse[i / 2] >> 1) | (i % 2 == 1 ? topBit : 0);
    }
}

void FrequencyAnalysis::FillTwiddleTables() {
    // Cell [i][j] has the angle BitReverse[i / 2^j] x AngleStep, which is the
    // angle of cell [i / 2^j][0]. Column 0 meets every distinct angle exactly
    // once, so its cosines and sines are the only ones computed; every other
    // column copies them from column 0.
    const auto points = static_cast<std::size_t>(TransformSize);
    const std::span<double> cosFirst = CosTable.Column(0);
    const std::span<double> sinFirst = SinTable.Column(0);
    for (std::size_t i = 0; i < points; ++i) {
        const double angle = BitReverse[i] * AngleStep;
        cosFirst[i] = std::cos(angle);
        sinFirst[i] = std::sin(angle);
    }
    for (std::size_t j = 1; j < CosTable.Columns(); ++j) {
        const std::span<double> cosColumn = CosTable.Column(j);
        const std::span<double> sinColumn = SinTable.Column(j);
        for (std::size_t i = 0; i < points; ++i) {
            cosColumn[i] = cosFirst[i >> j];
            sinColumn[i] = sinFirst[i >> j];
        }
    }
}

void FrequencyAnalysis::RequireTables(const char* operation) const {
    if (stage_ == Stage::Empty) {
        throw std::logic_error(std::string(operation) + ": the analysis has not been set up");
    }
}
