// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/analysis/AnalysisTestSupport.h"

#include "analysis/FrequencyAnalysis.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <ostream>

namespace {

// Pure 16-bit sines stepped across one bin width, each clicked at its nearest
// bin as a user would: the refined frequency stays within a fixed error. The
// parabola through three bins of the sin^2 window is biased toward the nearer
// bin by up to about 0.053 bin (0.0710 Hz at a bin width of 1.3458 Hz).
struct SweepCase {
    std::uint32_t SampleRate;
    double FirstBin;
    double WorstErrorHz;  // measured worst error, rounded up
};

void PrintTo(const SweepCase& sweep, std::ostream* out) {
    *out << sweep.SampleRate << " Hz";
}

class SineSweep : public ::testing::TestWithParam<SweepCase> {};

TEST_P(SineSweep, RefinesEverySineToWithinTheBound) {
    const SweepCase sweep = GetParam();
    FrequencyAnalysis analysis;
    constexpr std::size_t kValues = 40000;
    ASSERT_EQ(analysis.Prepare(sweep.SampleRate, 16, 2 * kValues), SetupResult::Ready);
    const double binWidth = static_cast<double>(sweep.SampleRate) / analysis.TransformSize;

    double worst = 0.0;
    double worstAt = 0.0;
    constexpr int kSteps = 100;
    for (int step = 0; step <= kSteps; ++step) {
        const double bin = sweep.FirstBin + static_cast<double>(step) / kSteps;
        const double frequency = bin * binWidth;
        const auto data = SixteenBitData(SineValues(frequency, sweep.SampleRate, 32767, kValues));
        ASSERT_EQ(analysis.ComputeSpectrum(data, 0), SpectrumResult::Computed);
        const PeakLocation peak = analysis.LocatePeak(std::lround(bin));
        ASSERT_EQ(peak.Outcome, PeakOutcome::Found) << frequency << " Hz";
        const double error = std::abs(peak.Frequency - frequency);
        if (error > worst) {
            worst = error;
            worstAt = frequency;
        }
    }
    std::cout << "[ sweep    ] " << sweep.SampleRate << " Hz: worst error " << worst << " Hz (" << worst / binWidth
              << " bin) at " << worstAt << " Hz\n";
    RecordProperty("WorstErrorHz", std::to_string(worst));
    EXPECT_LT(worst, sweep.WorstErrorHz);
}

INSTANTIATE_TEST_SUITE_P(Rates, SineSweep,
                         ::testing::Values(SweepCase{11025, 100.0, 0.072}, SweepCase{44100, 327.0, 0.072}),
                         [](const auto& row) { return std::to_string(row.param.SampleRate); });

}  // namespace
