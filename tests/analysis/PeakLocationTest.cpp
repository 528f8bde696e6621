// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/analysis/AnalysisTestSupport.h"

#include "analysis/PeakLocation.h"

#include <cstdint>
#include <vector>

namespace {

constexpr std::int32_t kTransformSize = 8192;
constexpr std::uint32_t kSampleRate = 11025;

// M = 4096 bins, 0 except from `first` on.
std::vector<double> Spectrum(std::size_t first, const std::vector<double>& values) {
    std::vector<double> magnitude(kTransformSize / 2, 0.0);
    for (std::size_t i = 0; i < values.size(); ++i) {
        magnitude[first + i] = values[i];
    }
    return magnitude;
}

PeakLocation Click(const std::vector<double>& magnitude, std::int64_t bin) {
    return LocatePeak(magnitude, kTransformSize, kSampleRate, bin);
}

TEST(LocatePeak, ClimbsToTheMaximumAndRefinesIt) {
    const auto magnitude = Spectrum(97, {0.2, 1, 2, 4, 3, 2, 1, 0.5, 0.1});
    const double expected = (100.0 + 1.0 / 6.0) / kTransformSize * kSampleRate;  // 134.8068 Hz
    ASSERT_TRUE(RelativelyNear(expected, 134.8068, 1e-6));
    for (const std::int64_t bin : {100, 98, 99, 103, 101, 104, 105}) {
        const PeakLocation peak = Click(magnitude, bin);
        ASSERT_EQ(peak.Outcome, PeakOutcome::Found) << "clicked at " << bin;
        EXPECT_TRUE(RelativelyNear(peak.Frequency, expected, 1e-12)) << "clicked at " << bin;
    }
}

TEST(LocatePeak, StopsAtAnEqualNeighbour) {
    const auto magnitude = Spectrum(98, {1, 3, 3, 1, 0.5});
    for (const std::int64_t bin : {99, 100}) {
        const PeakLocation peak = Click(magnitude, bin);
        ASSERT_EQ(peak.Outcome, PeakOutcome::Found) << "clicked at " << bin;
        EXPECT_TRUE(RelativelyNear(peak.Frequency, 133.9096, 1e-6)) << "clicked at " << bin;  // p = 99.5
    }
    // A climb stops at the first of several equal bins, from either side.
    const auto plateau = Spectrum(98, {1, 2, 3, 3, 3, 2, 1});
    for (const auto& [bin, position] : {std::pair{98, 100.5}, std::pair{104, 101.5}}) {
        const PeakLocation peak = Click(plateau, bin);
        ASSERT_EQ(peak.Outcome, PeakOutcome::Found) << "clicked at " << bin;
        EXPECT_TRUE(RelativelyNear(peak.Frequency, position / kTransformSize * kSampleRate, 1e-12)) << bin;
    }
}

TEST(LocatePeak, ClimbsRightFromALocalMinimum) {
    const auto magnitude = Spectrum(200, {0, 5, 6, 3, 4, 9, 8, 0});  // minimum at 203
    const PeakLocation peak = Click(magnitude, 203);
    ASSERT_EQ(peak.Outcome, PeakOutcome::Found);
    EXPECT_GT(peak.Frequency, 204.5 / kTransformSize * kSampleRate);  // the peak at 205, not 202
}

TEST(LocatePeak, FailsWhenTheClimbReachesAnEdge) {
    std::vector<double> rising(kTransformSize / 2);
    std::vector<double> falling(kTransformSize / 2);
    for (std::size_t i = 0; i < rising.size(); ++i) {
        rising[i] = static_cast<double>(i);
        falling[i] = static_cast<double>(rising.size() - i);
    }
    for (const std::int64_t bin : {1, 100, 4000, 4094}) {
        EXPECT_EQ(Click(rising, bin).Outcome, PeakOutcome::NoLocalMaximum) << "rising, clicked at " << bin;
        EXPECT_EQ(Click(rising, bin).Frequency, 0.0);
        EXPECT_EQ(Click(falling, bin).Outcome, PeakOutcome::NoLocalMaximum) << "falling, clicked at " << bin;
    }
}

TEST(LocatePeak, FailsOnAnEdgeBinWithoutAClimb) {
    EXPECT_EQ(Click(Spectrum(0, {5, 1}), 0).Outcome, PeakOutcome::NoLocalMaximum);
    EXPECT_EQ(Click(Spectrum(4094, {1, 5}), 4095).Outcome, PeakOutcome::NoLocalMaximum);
    // A single bin, and two bins, have no inner bin at all.
    const std::vector<double> one = {3.0};
    const std::vector<double> two = {1.0, 3.0};
    EXPECT_EQ(LocatePeak(one, 2, 2, 0).Outcome, PeakOutcome::NoLocalMaximum);
    EXPECT_EQ(LocatePeak(two, 4, 4, 0).Outcome, PeakOutcome::NoLocalMaximum);
    EXPECT_EQ(LocatePeak(two, 4, 4, 1).Outcome, PeakOutcome::NoLocalMaximum);
}

TEST(LocatePeak, FailsOnAFlatTop) {
    const std::vector<double> silence(kTransformSize / 2, 0.0);
    for (const std::int64_t bin : {0, 1, 2000, 4095}) {
        EXPECT_EQ(Click(silence, bin).Outcome, PeakOutcome::NoLocalMaximum) << "clicked at " << bin;
    }
    const auto plateau = Spectrum(300, {1, 2, 2, 2, 1});
    EXPECT_EQ(Click(plateau, 302).Outcome, PeakOutcome::NoLocalMaximum);
    // From the plateau's first bin the three bins are not equal: half a bin to the right.
    const PeakLocation edge = Click(plateau, 301);
    ASSERT_EQ(edge.Outcome, PeakOutcome::Found);
    EXPECT_TRUE(RelativelyNear(edge.Frequency, 301.5 / kTransformSize * kSampleRate, 1e-12));
}

TEST(LocatePeak, IgnoresBinsOutsideTheSpectrum) {
    const auto magnitude = Spectrum(97, {0.2, 1, 2, 4, 3, 2, 1, 0.5, 0.1});
    for (const std::int64_t bin : {-1, 4096, 4097, 100000}) {
        const PeakLocation peak = Click(magnitude, bin);
        EXPECT_EQ(peak.Outcome, PeakOutcome::OutsideSpectrum) << "clicked at " << bin;
        EXPECT_EQ(peak.Frequency, 0.0);
    }
    EXPECT_EQ(LocatePeak({}, 0, 11025, 0).Outcome, PeakOutcome::OutsideSpectrum);
}

}  // namespace
