// Speed of the pitch analysis at N = 32768 (44100 Hz).
//
// Run: build-analysis/bench/analysis/analysis_bench
// Each benchmark reports the median of ten repetitions. Contracts checked by
// comparing medians of the same run:
//   SetupAndSpectrum        <= 3 x AllocateAndWriteTwoTables (new memory, as a load has)
//   SetupAndSpectrumInMappedMemory <= 3 x WriteTwoTables (memory already mapped)
//   RunTransform            <= 3 x FftwEstimate (complex double, same N)
// A set-up releases the buffers of the one before and allocates new ones. By
// default the allocator hands large freed blocks back to the system, so every
// set-up pays a page fault per 4 KiB it writes; the InMappedMemory benchmarks,
// which run last, make the allocator keep freed memory, so that only the
// computing and writing is timed.

#include "FrequencyAnalysis.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#ifdef KORVANI_BENCH_WITH_FFTW
#include <fftw3.h>
#endif

#include <malloc.h>

namespace {

constexpr std::uint32_t kSampleRate = 44100;   // N = 32768, L = 15
constexpr std::size_t kPoints = 32768;
constexpr std::size_t kStages = 15;
constexpr std::size_t kTableCells = kPoints * kStages;  // 3.75 MiB of doubles per table
constexpr int kRepetitions = 10;

// Two seconds of 16-bit noise, as a data chunk.
std::vector<std::uint8_t> NoiseData()
{
    std::mt19937 random(5);
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<std::uint8_t> data(2 * 2 * kSampleRate);
    for (auto& b : data) {
        b = static_cast<std::uint8_t>(byte(random));
    }
    return data;
}

std::vector<double> NoiseValues(unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    std::vector<double> values(kPoints);
    for (auto& v : values) {
        v = value(random);
    }
    return values;
}

// The yardstick: writing 2 x 3.75 MiB into two tables that already exist.
void WriteTwoTables(benchmark::State& state)
{
    std::vector<double> cosines(kTableCells);
    std::vector<double> sines(kTableCells);
    double value = 0.0;
    for (auto _ : state) {
        value += 1.0;
        std::fill(cosines.begin(), cosines.end(), value);
        std::fill(sines.begin(), sines.end(), -value);
        benchmark::DoNotOptimize(cosines.data());
        benchmark::DoNotOptimize(sines.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * 2 * static_cast<std::int64_t>(kTableCells * sizeof(double)));
}
BENCHMARK(WriteTwoTables)->Repetitions(kRepetitions)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

// The same writes into tables allocated afresh each time, as a set-up must.
void AllocateAndWriteTwoTables(benchmark::State& state)
{
    double value = 0.0;
    for (auto _ : state) {
        value += 1.0;
        auto cosines = std::make_unique_for_overwrite<double[]>(kTableCells);
        auto sines = std::make_unique_for_overwrite<double[]>(kTableCells);
        std::fill(cosines.get(), cosines.get() + kTableCells, value);
        std::fill(sines.get(), sines.get() + kTableCells, -value);
        benchmark::DoNotOptimize(cosines.get());
        benchmark::DoNotOptimize(sines.get());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(AllocateAndWriteTwoTables)->Repetitions(kRepetitions)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

// The whole numeric set-up and spectrum: sizes, buffers, tables, window,
// transform, magnitudes.
void SetupAndSpectrum(benchmark::State& state)
{
    const auto data = NoiseData();
    FrequencyAnalysis analysis;
    for (auto _ : state) {
        if (analysis.Prepare(kSampleRate, 16, static_cast<std::uint32_t>(data.size())) != SetupResult::Ready ||
            analysis.ComputeSpectrum(data, 1000) != SpectrumResult::Computed) {
            state.SkipWithError("the analysis failed");
            break;
        }
        benchmark::DoNotOptimize(analysis.Magnitude.data());
    }
}
BENCHMARK(SetupAndSpectrum)->Repetitions(kRepetitions)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

// Its parts: the set-up alone, and the spectrum alone on finished tables.
void SetupOnly(benchmark::State& state)
{
    FrequencyAnalysis analysis;
    for (auto _ : state) {
        if (analysis.Prepare(kSampleRate, 16, 4 * kSampleRate) != SetupResult::Ready) {
            state.SkipWithError("the set-up failed");
            break;
        }
        benchmark::DoNotOptimize(analysis.CosTable.Column(0).data());
    }
}
BENCHMARK(SetupOnly)->Repetitions(kRepetitions)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

void SpectrumOnly(benchmark::State& state)
{
    const auto data = NoiseData();
    FrequencyAnalysis analysis;
    if (analysis.Prepare(kSampleRate, 16, static_cast<std::uint32_t>(data.size())) != SetupResult::Ready) {
        state.SkipWithError("the set-up failed");
        return;
    }
    for (auto _ : state) {
        analysis.ComputeSpectrum(data, 1000);
        benchmark::DoNotOptimize(analysis.Magnitude.data());
    }
}
BENCHMARK(SpectrumOnly)->Repetitions(kRepetitions)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

// The transform alone. It works in place, so the input is restored outside
// the timed part before every run.
void RunTransform(benchmark::State& state)
{
    FrequencyAnalysis analysis;
    if (analysis.Prepare(kSampleRate, 16, 4 * kSampleRate) != SetupResult::Ready) {
        state.SkipWithError("the set-up failed");
        return;
    }
    const auto re = NoiseValues(1);
    const auto im = NoiseValues(2);
    for (auto _ : state) {
        state.PauseTiming();
        std::copy(re.begin(), re.end(), analysis.WorkRe.data());
        std::copy(im.begin(), im.end(), analysis.WorkIm.data());
        state.ResumeTiming();
        analysis.RunTransform();
        benchmark::DoNotOptimize(analysis.SpectrumRe.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(RunTransform)->Repetitions(kRepetitions)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

#ifdef KORVANI_BENCH_WITH_FFTW
// FFTW, complex double, in place, planned with FFTW_ESTIMATE; restored the same way.
void FftwEstimate(benchmark::State& state)
{
    fftw_complex* buffer = fftw_alloc_complex(kPoints);
    fftw_plan plan = fftw_plan_dft_1d(static_cast<int>(kPoints), buffer, buffer, FFTW_FORWARD, FFTW_ESTIMATE);
    const auto re = NoiseValues(1);
    const auto im = NoiseValues(2);
    for (auto _ : state) {
        state.PauseTiming();
        for (std::size_t i = 0; i < kPoints; ++i) {
            buffer[i][0] = re[i];
            buffer[i][1] = im[i];
        }
        state.ResumeTiming();
        fftw_execute(plan);
        benchmark::DoNotOptimize(buffer);
        benchmark::ClobberMemory();
    }
    fftw_destroy_plan(plan);
    fftw_free(buffer);
}
BENCHMARK(FftwEstimate)->Repetitions(kRepetitions)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);
#endif

// From here on freed blocks stay with the process (glibc): blocks up to 32 MiB
// come from the heap, and the heap is not trimmed below 512 MiB.
void KeepFreedMemoryMapped()
{
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 512 << 20);
}

void SetupAndSpectrumInMappedMemory(benchmark::State& state)
{
    KeepFreedMemoryMapped();
    SetupAndSpectrum(state);
}
BENCHMARK(SetupAndSpectrumInMappedMemory)->Repetitions(kRepetitions)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

void SetupOnlyInMappedMemory(benchmark::State& state)
{
    KeepFreedMemoryMapped();
    SetupOnly(state);
}
BENCHMARK(SetupOnlyInMappedMemory)->Repetitions(kRepetitions)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

}  // namespace
