// SPDX-License-Identifier: GPL-3.0-or-later
// What the analysis spends: heap allocations and calls of sin and cos. This
// program replaces operator new and puts counting wrappers in front of the
// mathematics library's sin, cos and sincos, so it runs apart from the other
// analysis tests.

#include "analysis/FrequencyAnalysis.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdint>
#include <cstdlib>
#include <new>
#include <vector>

namespace {

long allocationCount = 0;
long sinCount = 0;
long cosCount = 0;
long sincosCount = 0;

template <typename Function>
Function NextDefinition(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

}  // namespace

void* operator new(std::size_t size) {
    ++allocationCount;
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
        return block;
    }
    throw std::bad_alloc();
}

// The array forms too: a sanitizer runtime brings its own, which would not count.
void* operator new[](std::size_t size) {
    return ::operator new(size);
}

void operator delete(void* block) noexcept {
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}

void operator delete[](void* block) noexcept {
    std::free(block);
}

void operator delete[](void* block, std::size_t) noexcept {
    std::free(block);
}

extern "C" double sin(double x) noexcept {
    static const auto next = NextDefinition<double (*)(double)>("sin");
    ++sinCount;
    return next(x);
}

extern "C" double cos(double x) noexcept {
    static const auto next = NextDefinition<double (*)(double)>("cos");
    ++cosCount;
    return next(x);
}

extern "C" void sincos(double x, double* s, double* c) noexcept {
    static const auto next = NextDefinition<void (*)(double, double*, double*)>("sincos");
    ++sincosCount;
    next(x, s, c);
}

namespace {

struct Counts {
    long Allocations;
    long Sines;
    long Cosines;
};

Counts Now() {
    return {allocationCount, sinCount + sincosCount, cosCount + sincosCount};
}

Counts Since(const Counts& before) {
    const Counts now = Now();
    return {now.Allocations - before.Allocations, now.Sines - before.Sines, now.Cosines - before.Cosines};
}

TEST(ResourceUse, SetUpComputesEachDistinctTwiddleOnce) {
    FrequencyAnalysis analysis;
    const Counts before = Now();
    ASSERT_EQ(analysis.Prepare(44100, 16, 200000), SetupResult::Ready);
    const Counts spent = Since(before);
    // 32768 distinct angles for 32768 x 15 cells of each table.
    EXPECT_EQ(spent.Sines, 32768);
    EXPECT_EQ(spent.Cosines, 32768);
    EXPECT_GE(spent.Allocations, 8);  // the counters do see the buffers
}

TEST(ResourceUse, SpectrumAllocatesNothingAndWindowsWithOneSinePerPoint) {
    const std::vector<std::uint8_t> data(200000, 3);
    FrequencyAnalysis analysis;
    ASSERT_EQ(analysis.Prepare(44100, 16, static_cast<std::uint32_t>(data.size())), SetupResult::Ready);

    Counts before = Now();
    ASSERT_EQ(analysis.ComputeSpectrum(data, 99990), SpectrumResult::Computed);
    Counts spent = Since(before);
    EXPECT_EQ(spent.Allocations, 0);
    EXPECT_EQ(spent.Sines, 32768);
    EXPECT_EQ(spent.Cosines, 0);

    before = Now();
    analysis.RunTransform();
    const PeakLocation peak = analysis.LocatePeak(200);
    spent = Since(before);
    EXPECT_NE(peak.Outcome, PeakOutcome::OutsideSpectrum);
    EXPECT_EQ(spent.Allocations, 0);
    EXPECT_EQ(spent.Sines, 0);
    EXPECT_EQ(spent.Cosines, 0);
}

}  // namespace
