// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/AnalysisBuffers.h"
#include "analysis/PeakLocation.h"

#include <cstddef>
#include <cstdint>
#include <span>

/// What a set-up came to. Every result but Ready leaves no analysis to use.
enum class SetupResult {
    Ready,                       ///< tables built; the spectrum can be computed
    InvalidSampleRate,           ///< below 2 Hz, or too high for any transform size
    InvalidBitsPerSample,        ///< 0 bits per sample: no value can be counted
    NoSamples,                   ///< the data holds less than one sample value
    MemoryAllocationImpossible,  ///< a buffer could not be allocated
};

/// What a spectrum computation came to.
enum class SpectrumResult {
    Computed,               ///< Magnitude holds the spectrum
    UnsupportedResolution,  ///< BitsPerSample is neither 8 nor 16; nothing was read
};

/// The start sample of a start time: milliseconds x sampleRate / 1000, in
/// 64-bit integers, truncated toward zero (100 ms at 11025 Hz -> 1102). The
/// caller decides whether the result is a usable start (0 <= start < SampleCount).
std::int64_t StartSampleFromMilliseconds(std::int32_t milliseconds, std::uint32_t sampleRate);

/// The pitch analysis of one recording: the transform size chosen from its
/// sample rate, the bit-reversal and twiddle tables, the windowed N-point
/// Fourier transform from a start sample and its magnitude spectrum, and the
/// peak search over that spectrum. It owns every analysis buffer; it neither
/// owns nor keeps the sample data, which the caller lends to ComputeSpectrum.
/// It shows nothing: every outcome is returned, and AnalysisTexts.h holds the
/// texts the caller shows for them.
class FrequencyAnalysis {
public:
    /// An analysis without buffers. `allocationLimit` caps the bytes one set-up
    /// may allocate; a set-up whose buffers would pass it is refused before
    /// anything is allocated.
    explicit FrequencyAnalysis(std::size_t allocationLimit = AllocationBudget::kAnalysisBytes);

    /// Chooses the transform size from sampleRate, counts the frames of
    /// `channels` sample values in dataSize bytes (a last, partial frame left
    /// out; 1 counts every sample value as a frame of its own), allocates every
    /// buffer and fills BitReverse, CosTable and SinTable. Buffers of an earlier set-up are released first. A rate
    /// below 2 Hz, 0 bits per sample and an empty count are refused before anything is divided or allocated. When an
    /// allocation fails, the buffers allocated before it stay owned until the next set-up or the end of the object.
    /// Resolutions other than 8 and 16 bits are accepted here; ComputeSpectrum
    /// refuses them.
    SetupResult Prepare(std::uint32_t sampleRate, std::uint32_t bitsPerSample, std::uint32_t dataSize,
                        std::uint16_t channels = 1);

    /// Clears WorkIm, windows N frames of `data` from frame startSample on with
    /// sin^2(i x 1.570798 / M) (repeating the frames from startSample to the
    /// end when fewer than N follow), transforms them and fills Magnitude with
    /// the scaled magnitudes of bins 0 ... M - 1. The value of a frame is the
    /// mean of its Channels sample values (MixedFrameValue); sample values are
    /// byte - 128 for 8 bits and signed little-endian 16-bit integers for 16
    /// bits. Needs a Ready set-up, 0 <= startSample < SampleCount and data
    /// holding at least SampleCount frames; otherwise throws std::logic_error (std::invalid_argument
    /// for the arguments). Allocates nothing.
    SpectrumResult ComputeSpectrum(std::span<const std::uint8_t> data, std::int64_t startSample);

    /// ComputeSpectrum for values already read, in the units ComputeSpectrum
    /// reads them in (byte - 128, or signed 16-bit values), such as the mean of
    /// the channels of each frame: the same window, transform and scale, so
    /// the values of a mono file give the very same magnitudes. Needs a Ready
    /// set-up whose SampleCount the values reach, and 0 <= startSample <
    /// SampleCount (std::logic_error, std::invalid_argument otherwise).
    SpectrumResult ComputeSpectrumOfValues(std::span<const double> values, std::int64_t startSample);

    /// Transforms WorkRe + i WorkIm in place, stage by stage with the twiddles
    /// of CosTable and SinTable, and writes the result in natural bin order to
    /// SpectrumRe + i SpectrumIm. Not divided by N. Every value is bit for bit
    /// what the plain loop over stages, groups and pairs gives; the butterflies
    /// run several at once, in the widest vectors the processor has. Needs a
    /// Ready set-up (throws std::logic_error otherwise). Allocates nothing,
    /// calls no trigonometric function.
    void RunTransform();

    /// The refined frequency of the local maximum nearest to `bin` of the
    /// computed spectrum (see the free LocatePeak). Without a computed spectrum
    /// every bin lies outside it.
    PeakLocation LocatePeak(std::int64_t bin) const;

    /// True once ComputeSpectrum has filled Magnitude for the current set-up.
    bool HasSpectrum() const { return stage_ == Stage::SpectrumReady; }

    // Inputs of the set-up.
    std::uint32_t SampleRate = 0;     ///< samples per second, Hz
    std::uint32_t BitsPerSample = 0;  ///< width of one sample value

    // The analysis fields; valid after a Ready set-up.
    std::int32_t BinCount = 0;            ///< M, bins kept: half the transform size
    std::int32_t TransformSize = 0;       ///< N = 2 x M, a power of two
    std::int32_t BinCountLog2 = 0;        ///< log2 M
    std::int32_t TransformLog2 = 0;       ///< L = log2 N, the number of stages
    std::int64_t SampleCount = 0;         ///< S, frames in the data: the values analysed
    std::uint16_t Channels = 1;           ///< sample values mixed into each frame
    double AngleStep = 0.0;               ///< -6.283192 / N, the unit of every twiddle angle
    TwiddleTable CosTable;                ///< [i][j] = cos(BitReverse[i / 2^j] x AngleStep)
    TwiddleTable SinTable;                ///< [i][j] = sin(BitReverse[i / 2^j] x AngleStep)
    OwnedArray<std::int32_t> BitReverse;  ///< entry i: the low L bits of i reversed
    OwnedArray<double> WorkRe;            ///< real parts, transformed in place (bit-reversed order)
    OwnedArray<double> WorkIm;            ///< imaginary parts, transformed in place
    OwnedArray<double> SpectrumRe;        ///< transform in natural bin order, real parts
    OwnedArray<double> SpectrumIm;        ///< transform in natural bin order, imaginary parts
    OwnedArray<double> Magnitude;         ///< M magnitudes; bin k is k x SampleRate / N Hz

private:
    enum class Stage { Empty, TablesReady, SpectrumReady };

    void Release();
    void AllocateBuffers();
    void FillBitReverse();
    void FillTwiddleTables();
    void WindowSamples(std::span<const std::uint8_t> data, std::int64_t startSample);
    /// Transforms the windowed WorkRe (WorkIm cleared) and fills Magnitude.
    SpectrumResult TransformWindowed();
    void ComputeMagnitudes();
    void RequireTables(const char* operation) const;

    std::size_t allocationLimit_;
    Stage stage_ = Stage::Empty;
};
