// SPDX-License-Identifier: GPL-3.0-or-later
// Speed of the pitch analysis at N = 32768 (44100 Hz), and of the transform
// at every N from 1024 to 524288.
//
// Run: build-bench/bench/analysis/analysis_bench
// Each benchmark reports the median of ten repetitions; after the run a table
// gives the ratios of the CPU-time medians that the contracts compare:
//   SetupAndSpectrum        <= 1.5 x AllocateAndWriteTwoTables (new memory, as a load has)
//   SetupAndSpectrumInMappedMemory <= 3 x WriteTwoTables (memory already mapped)
//   RunTransform/N          <= 1.5 x FftwEstimate/N (complex double), every N
// A set-up releases the buffers of the one before and allocates new ones. By
// default the allocator hands large freed blocks back to the system, so every
// set-up pays a page fault per 4 KiB it writes; the InMappedMemory benchmarks,
// which run last, make the allocator keep freed memory, so that only the
// computing and writing is timed.

#include "analysis/FrequencyAnalysis.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iomanip>
#include <iostream>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#ifdef KORVANI_BENCH_WITH_FFTW
#include <fftw3.h>
#endif

#include <malloc.h>

namespace {

constexpr std::uint32_t kSampleRate = 44100;  // N = 32768, L = 15
constexpr std::size_t kPoints = 32768;
constexpr std::size_t kStages = 15;
constexpr std::size_t kTableCells = kPoints * kStages;  // 3.75 MiB of doubles per table
constexpr int kRepetitions = 10;

// Two seconds of 16-bit noise, as a data chunk.
std::vector<std::uint8_t> NoiseData() {
    std::mt19937 random(5);
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<std::uint8_t> data(2 * 2 * kSampleRate);
    for (auto& b : data) {
        b = static_cast<std::uint8_t>(byte(random));
    }
    return data;
}

std::vector<double> NoiseValues(unsigned seed, std::size_t count) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    std::vector<double> values(count);
    for (auto& v : values) {
        v = value(random);
    }
    return values;
}

// The yardstick: writing 2 x 3.75 MiB into two tables that already exist.
void WriteTwoTables(benchmark::State& state) {
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
void AllocateAndWriteTwoTables(benchmark::State& state) {
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
BENCHMARK(AllocateAndWriteTwoTables)
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

// The whole numeric set-up and spectrum: sizes, buffers, tables, window,
// transform, magnitudes.
void SetupAndSpectrum(benchmark::State& state) {
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
void SetupOnly(benchmark::State& state) {
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

void SpectrumOnly(benchmark::State& state) {
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

// The transform alone at N = 1024 ... 524288 (powers of two), against FFTW at
// the same sizes. Both work in place, so every timed run first copies the
// input back (16 N bytes, the same for both): pausing the clock around the
// copy would cost more than a whole transform at the small sizes.
constexpr std::int64_t kSmallestSize = 1 << 10;
constexpr std::int64_t kLargestSize = 1 << 19;
constexpr double kSizeMinTime = 0.1;  // seconds per repetition, 20 sizes x 2

// Every size, each repeated as the other benchmarks are.
void EverySize(benchmark::internal::Benchmark* sizes) {
    sizes->RangeMultiplier(2)
        ->Range(kSmallestSize, kLargestSize)
        ->MinTime(kSizeMinTime)
        ->Repetitions(kRepetitions)
        ->ReportAggregatesOnly(true)
        ->Unit(benchmark::kMicrosecond);
}

// The rate whose set-up chooses N = 2^L points: 11025 x 2^L / 8192 Hz.
std::uint32_t RateForSize(std::int64_t points) {
    return static_cast<std::uint32_t>(11025 * points / 8192);
}

void RunTransform(benchmark::State& state) {
    const std::int64_t points = state.range(0);
    FrequencyAnalysis analysis;
    if (analysis.Prepare(RateForSize(points), 16, 4) != SetupResult::Ready || analysis.TransformSize != points) {
        state.SkipWithError("the set-up failed");
        return;
    }
    const auto re = NoiseValues(1, static_cast<std::size_t>(points));
    const auto im = NoiseValues(2, static_cast<std::size_t>(points));
    for (auto _ : state) {
        std::copy(re.begin(), re.end(), analysis.WorkRe.data());
        std::copy(im.begin(), im.end(), analysis.WorkIm.data());
        analysis.RunTransform();
        benchmark::DoNotOptimize(analysis.SpectrumRe.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(RunTransform)->Apply(EverySize);

#ifdef KORVANI_BENCH_WITH_FFTW
// FFTW, complex double, in place, planned with FFTW_ESTIMATE.
void FftwEstimate(benchmark::State& state) {
    const auto points = static_cast<std::size_t>(state.range(0));
    fftw_complex* buffer = fftw_alloc_complex(points);
    fftw_plan plan = fftw_plan_dft_1d(static_cast<int>(points), buffer, buffer, FFTW_FORWARD, FFTW_ESTIMATE);
    const auto re = NoiseValues(1, points);
    const auto im = NoiseValues(2, points);
    for (auto _ : state) {
        for (std::size_t i = 0; i < points; ++i) {
            buffer[i][0] = re[i];
            buffer[i][1] = im[i];
        }
        fftw_execute(plan);
        benchmark::DoNotOptimize(buffer);
        benchmark::ClobberMemory();
    }
    fftw_destroy_plan(plan);
    fftw_free(buffer);
}
BENCHMARK(FftwEstimate)->Apply(EverySize);
#endif

// From here on freed blocks stay with the process (glibc): blocks up to 32 MiB
// come from the heap, and the heap is not trimmed below 512 MiB.
void KeepFreedMemoryMapped() {
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 512 << 20);
}

void SetupAndSpectrumInMappedMemory(benchmark::State& state) {
    KeepFreedMemoryMapped();
    SetupAndSpectrum(state);
}
BENCHMARK(SetupAndSpectrumInMappedMemory)
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

void SetupOnlyInMappedMemory(benchmark::State& state) {
    KeepFreedMemoryMapped();
    SetupOnly(state);
}
BENCHMARK(SetupOnlyInMappedMemory)
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

// Shows every result as the console does, then the ratios of the medians.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                const std::string& args = run.run_name.args;
                cpuMedians_[run.run_name.function_name + (args.empty() ? "" : "/" + args)] = run.GetAdjustedCPUTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // Sizes or pairs that did not run (a filter, no FFTW) are left out.
    void PrintRatios(std::ostream& out) const {
        out << "\nMedians of CPU time (us) and their ratios\n"
            << std::setw(8) << "N" << std::setw(15) << "RunTransform" << std::setw(15) << "FftwEstimate" << std::setw(8)
            << "ratio"
            << "\n"
            << std::fixed;
        for (std::int64_t points = kSmallestSize; points <= kLargestSize; points *= 2) {
            const std::string transform = "RunTransform/" + std::to_string(points);
            const std::string fftw = "FftwEstimate/" + std::to_string(points);
            if (Has(transform) && Has(fftw)) {
                out << std::setw(8) << points << std::setprecision(1) << std::setw(15) << cpuMedians_.at(transform)
                    << std::setw(15) << cpuMedians_.at(fftw) << std::setprecision(2) << std::setw(8)
                    << cpuMedians_.at(transform) / cpuMedians_.at(fftw) << "\n";
            }
        }
        for (const auto& [name, yardstick] : {std::pair{"SetupAndSpectrum", "AllocateAndWriteTwoTables"},
                                              std::pair{"SetupAndSpectrumInMappedMemory", "WriteTwoTables"}}) {
            if (Has(name) && Has(yardstick)) {
                out << name << " / " << yardstick << ": " << cpuMedians_.at(name) / cpuMedians_.at(yardstick) << "\n";
            }
        }
    }

private:
    bool Has(const std::string& name) const { return cpuMedians_.count(name) != 0; }

    std::map<std::string, double> cpuMedians_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios(std::cout);
    benchmark::Shutdown();
    return 0;
}
