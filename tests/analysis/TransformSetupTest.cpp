// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/analysis/AnalysisTestSupport.h"

#include "analysis/BitMath.h"
#include "analysis/FrequencyAnalysis.h"
#include "analysis/TransformSize.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <ostream>
#include <stdexcept>
#include <vector>

namespace {

TEST(FloorLog2, GivesThePositionOfTheHighestSetBit) {
    EXPECT_EQ(FloorLog2(0), -1);
    EXPECT_EQ(FloorLog2(1), 0);
    EXPECT_EQ(FloorLog2(2), 1);
    EXPECT_EQ(FloorLog2(3), 1);
    EXPECT_EQ(FloorLog2(4095), 11);
    EXPECT_EQ(FloorLog2(4096), 12);
    EXPECT_EQ(FloorLog2(std::uint64_t{1} << 40), 40);
    EXPECT_EQ(FloorLog2(std::numeric_limits<std::uint64_t>::max()), 63);
}

TEST(ReverseBits, ReversesTheLowBitsOnly) {
    const std::vector<std::int32_t> expected = {0, 4, 2, 6, 1, 5, 3, 7};
    for (std::int32_t i = 0; i < 8; ++i) {
        EXPECT_EQ(ReverseBits(i, 3), expected[static_cast<std::size_t>(i)]) << "index " << i;
    }
    EXPECT_EQ(ReverseBits(9, 3), 4);  // 1001: only 001 counts
    EXPECT_EQ(ReverseBits(1, 15), 16384);
    EXPECT_EQ(ReverseBits(5, 0), 0);
}

struct SizeRow {
    std::uint32_t SampleRate;
    std::int32_t BinCount;
    std::int32_t TransformSize;
    std::int32_t TransformLog2;
    double BinWidth;
};

void PrintTo(const SizeRow& row, std::ostream* out) {
    *out << row.SampleRate << " Hz";
}

class TransformSizeTable : public ::testing::TestWithParam<SizeRow> {};

TEST_P(TransformSizeTable, FollowsTheRateAlone) {
    const SizeRow row = GetParam();
    const auto size = ChooseTransformSize(row.SampleRate);
    ASSERT_TRUE(size.has_value());
    EXPECT_EQ(size->BinCount, row.BinCount);
    EXPECT_EQ(size->TransformSize, row.TransformSize);
    EXPECT_EQ(size->TransformLog2, row.TransformLog2);
    EXPECT_EQ(size->BinCountLog2, row.TransformLog2 - 1);
    EXPECT_TRUE(RelativelyNear(row.SampleRate / static_cast<double>(size->TransformSize), row.BinWidth, 1e-4));
}

INSTANTIATE_TEST_SUITE_P(
    CommonRates, TransformSizeTable,
    ::testing::Values(SizeRow{8000, 4096, 8192, 13, 0.9766}, SizeRow{11025, 4096, 8192, 13, 1.3458},
                      SizeRow{16000, 8192, 16384, 14, 0.9766}, SizeRow{22050, 8192, 16384, 14, 1.3458},
                      SizeRow{32000, 16384, 32768, 15, 0.9766}, SizeRow{44100, 16384, 32768, 15, 1.3458},
                      SizeRow{48000, 16384, 32768, 15, 1.4648}),
    [](const auto& row) { return std::to_string(row.param.SampleRate); });

TEST(TransformSize, RefusesRatesWithoutAUsableSize) {
    EXPECT_FALSE(ChooseTransformSize(0).has_value());
    EXPECT_FALSE(ChooseTransformSize(1).has_value());
    const auto smallest = ChooseTransformSize(2);
    ASSERT_TRUE(smallest.has_value());
    EXPECT_EQ(smallest->TransformSize, 2);
    EXPECT_EQ(smallest->TransformLog2, 1);

    // 2^30 x 11025 / 6000 = 1973000601.6: the last rate whose size fits 32 bits.
    const auto largest = ChooseTransformSize(1973000601);
    ASSERT_TRUE(largest.has_value());
    EXPECT_EQ(largest->TransformSize, 1 << 30);
    EXPECT_FALSE(ChooseTransformSize(1973000602).has_value());
    EXPECT_FALSE(ChooseTransformSize(std::numeric_limits<std::uint32_t>::max()).has_value());
}

TEST(TransformSize, DoesNotWrapAtHighRates) {
    // 1048576 x 4096 is 2^32: a 32-bit product would wrap to 0.
    const auto size = ChooseTransformSize(1048576);
    ASSERT_TRUE(size.has_value());
    EXPECT_EQ(size->BinCount, 524288);  // 1048576 x 6000 / 11025 = 570648
}

TEST(Prepare, SetsTheFieldsFromRateAndData) {
    FrequencyAnalysis analysis;
    ASSERT_EQ(analysis.Prepare(11025, 16, 20001), SetupResult::Ready);
    EXPECT_EQ(analysis.SampleRate, 11025u);
    EXPECT_EQ(analysis.BitsPerSample, 16u);
    EXPECT_EQ(analysis.BinCount, 4096);
    EXPECT_EQ(analysis.TransformSize, 8192);
    EXPECT_EQ(analysis.BinCountLog2, 12);
    EXPECT_EQ(analysis.TransformLog2, 13);
    EXPECT_EQ(analysis.SampleCount, 10000);  // the odd last byte is no value
    EXPECT_TRUE(RelativelyNear(analysis.AngleStep, -6.283192 / 8192, 1e-15));
    EXPECT_EQ(analysis.Magnitude.size(), 4096u);
    EXPECT_EQ(analysis.CosTable.Rows(), 8192u);
    EXPECT_EQ(analysis.CosTable.Columns(), 13u);
    EXPECT_FALSE(analysis.HasSpectrum());

    for (std::size_t i = 0; i < 8192; ++i) {
        ASSERT_EQ(analysis.BitReverse[i], ReverseBits(static_cast<std::int32_t>(i), 13)) << "entry " << i;
        const auto reversed = static_cast<std::size_t>(analysis.BitReverse[i]);
        ASSERT_LT(reversed, 8192u);
        ASSERT_EQ(static_cast<std::size_t>(analysis.BitReverse[reversed]), i) << "not its own inverse at " << i;
    }

    ASSERT_EQ(analysis.Prepare(8000, 8, 7), SetupResult::Ready);
    EXPECT_EQ(analysis.SampleCount, 7);
    ASSERT_EQ(analysis.Prepare(8000, 24, 9), SetupResult::Ready);  // refused later, by the spectrum
    EXPECT_EQ(analysis.SampleCount, 3);
}

TEST(Prepare, CountsValuesOfDataBeyond512MiB) {
    FrequencyAnalysis analysis;
    ASSERT_EQ(analysis.Prepare(8000, 8, 0xFFFFFFFFu), SetupResult::Ready);
    EXPECT_EQ(analysis.SampleCount, 4294967295LL);
}

TEST(Prepare, FillsEveryTableCellFromItsOwnAngle) {
    for (const std::uint32_t rate : {10u, 11025u}) {
        FrequencyAnalysis analysis;
        ASSERT_EQ(analysis.Prepare(rate, 16, 64), SetupResult::Ready);
        const auto rows = static_cast<std::size_t>(analysis.TransformSize);
        const auto columns = static_cast<std::size_t>(analysis.TransformLog2);
        for (std::size_t i = 0; i < rows; ++i) {
            for (std::size_t j = 0; j < columns; ++j) {
                const double angle = analysis.BitReverse[i >> j] * analysis.AngleStep;
                ASSERT_TRUE(RelativelyNear(analysis.CosTable[i][j], std::cos(angle), 1e-15, 1e-300))
                    << "cos, rate " << rate << ", cell " << i << ", " << j;
                ASSERT_TRUE(RelativelyNear(analysis.SinTable[i][j], std::sin(angle), 1e-15, 1e-300))
                    << "sin, rate " << rate << ", cell " << i << ", " << j;
            }
        }
    }
}

TEST(Prepare, EightPointTablesHoldTheExpectedFirstRows) {
    FrequencyAnalysis analysis;
    ASSERT_EQ(analysis.Prepare(10, 8, 100), SetupResult::Ready);
    ASSERT_EQ(analysis.TransformSize, 8);
    ASSERT_EQ(analysis.TransformLog2, 3);
    const double step = analysis.AngleStep;
    for (std::size_t j = 0; j < 3; ++j) {
        EXPECT_TRUE(RelativelyNear(analysis.CosTable[0][j], 1.0, 1e-15));
        EXPECT_TRUE(RelativelyNear(analysis.SinTable[0][j], 0.0, 0.0, 1e-300));
    }
    // Row 1: 1 / 2 and 1 / 4 are 0, so columns 1 and 2 take angle 0; column 0 takes BitReverse[1] = 4.
    EXPECT_TRUE(RelativelyNear(analysis.CosTable[1][0], std::cos(4 * step), 1e-15));
    EXPECT_TRUE(RelativelyNear(analysis.SinTable[1][0], std::sin(4 * step), 1e-15));
    EXPECT_TRUE(RelativelyNear(analysis.CosTable[1][1], 1.0, 1e-15));
    EXPECT_TRUE(RelativelyNear(analysis.CosTable[1][2], 1.0, 1e-15));
    EXPECT_TRUE(RelativelyNear(analysis.SinTable[1][1], 0.0, 0.0, 1e-300));
    // The constant is 6.283192, not 2 pi: the half turn misses -1 slightly.
    EXPECT_GT(analysis.CosTable[1][0], -1.0 + 1e-12);
    EXPECT_TRUE(RelativelyNear(analysis.SinTable[1][0], 3.141596 - std::acos(-1.0), 1e-4));
}

TEST(Prepare, RefusesInvalidInputBeforeAllocating) {
    struct Case {
        std::uint32_t SampleRate;
        std::uint32_t BitsPerSample;
        std::uint32_t DataSize;
        SetupResult Expected;
    };
    for (const Case& c :
         {Case{0, 16, 100, SetupResult::InvalidSampleRate}, Case{1, 16, 100, SetupResult::InvalidSampleRate},
          Case{1973000602u, 16, 100, SetupResult::InvalidSampleRate},
          Case{11025, 0, 100, SetupResult::InvalidBitsPerSample}, Case{11025, 16, 0, SetupResult::NoSamples},
          Case{11025, 16, 1, SetupResult::NoSamples}, Case{11025, 24, 2, SetupResult::NoSamples}}) {
        FrequencyAnalysis analysis(0);  // any allocation would fail
        EXPECT_EQ(analysis.Prepare(c.SampleRate, c.BitsPerSample, c.DataSize), c.Expected)
            << c.SampleRate << " Hz, " << c.BitsPerSample << " bits, " << c.DataSize << " bytes";
        EXPECT_TRUE(analysis.BitReverse.empty());
        const std::vector<std::uint8_t> data(100, 0);
        EXPECT_THROW(analysis.ComputeSpectrum(data, 0), std::logic_error);
        EXPECT_EQ(analysis.LocatePeak(0).Outcome, PeakOutcome::OutsideSpectrum);
    }
}

TEST(Prepare, ReleasesTheEarlierBuffersWhenRunAgain) {
    FrequencyAnalysis analysis;
    ASSERT_EQ(analysis.Prepare(44100, 16, 100000), SetupResult::Ready);
    EXPECT_EQ(analysis.WorkRe.size(), 32768u);
    ASSERT_EQ(analysis.Prepare(11025, 8, 100), SetupResult::Ready);
    EXPECT_EQ(analysis.WorkRe.size(), 8192u);
    EXPECT_EQ(analysis.CosTable.Columns(), 13u);
    EXPECT_EQ(analysis.SampleCount, 100);
    EXPECT_EQ(analysis.Prepare(11025, 16, 0), SetupResult::NoSamples);
    EXPECT_TRUE(analysis.WorkRe.empty());
    EXPECT_TRUE(analysis.CosTable.empty());
    EXPECT_EQ(analysis.TransformSize, 0);
}

// Bytes the set-up at 11025 Hz allocates, in its order: BitReverse, the four
// work and spectrum buffers, the two tables, Magnitude.
constexpr std::size_t kBitReverseBytes = 8192 * 4;
constexpr std::size_t kWorkBytes = 8192 * 8;
constexpr std::size_t kTableBytes = 8192 * 13 * 8;
constexpr std::size_t kMagnitudeBytes = 4096 * 8;
constexpr std::size_t kAllBytes = kBitReverseBytes + 4 * kWorkBytes + 2 * kTableBytes + kMagnitudeBytes;

TEST(Prepare, RefusesASetUpBeyondItsBudgetBeforeAllocatingAnything) {
    const std::vector<std::uint8_t> data(20000, 0);
    for (const std::size_t limit : {std::size_t{0}, kBitReverseBytes + 4 * kWorkBytes, kAllBytes - 1}) {
        SCOPED_TRACE(limit);
        FrequencyAnalysis tight(limit);
        EXPECT_EQ(tight.Prepare(11025, 16, 20000), SetupResult::MemoryAllocationImpossible);
        EXPECT_TRUE(tight.BitReverse.empty());
        EXPECT_TRUE(tight.WorkRe.empty());
        EXPECT_TRUE(tight.CosTable.empty());
        EXPECT_TRUE(tight.Magnitude.empty());
        EXPECT_THROW(tight.ComputeSpectrum(data, 0), std::logic_error);
        EXPECT_THROW(tight.RunTransform(), std::logic_error);
    }
    FrequencyAnalysis fitsExactly(kAllBytes);
    ASSERT_EQ(fitsExactly.Prepare(11025, 16, 20000), SetupResult::Ready);
    EXPECT_EQ(fitsExactly.ComputeSpectrum(data, 0), SpectrumResult::Computed);
}

TEST(Prepare, TheDefaultBudgetTakesEveryRateUpTo768kHzAndNoTransformBeyond) {
    const struct {
        std::uint32_t rate;
        SetupResult expected;
    } cases[] = {
        {768000, SetupResult::Ready},                         // N = 2^19
        {1926760, SetupResult::MemoryAllocationImpossible},   // N = 2^21: 756 MB
        {15414069, SetupResult::MemoryAllocationImpossible},  // N = 2^24: gigabytes
    };
    for (const auto& c : cases) {
        FrequencyAnalysis analysis;
        EXPECT_EQ(analysis.Prepare(c.rate, 16, 46), c.expected) << c.rate;
        EXPECT_EQ(analysis.BitReverse.empty(), c.expected != SetupResult::Ready) << c.rate;
    }
}

}  // namespace
