// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/analysis/AnalysisTestSupport.h"

#include "analysis/FrequencyAnalysis.h"
#include "analysis/TransformStages.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

TEST(StartSample, ConvertsMillisecondsInIntegers) {
    EXPECT_EQ(StartSampleFromMilliseconds(100, 11025), 1102);  // 1102.5 truncated
    EXPECT_EQ(StartSampleFromMilliseconds(1000, 44100), 44100);
    EXPECT_EQ(StartSampleFromMilliseconds(145, 48000), 6960);  // 6959.99... in doubles
    EXPECT_EQ(StartSampleFromMilliseconds(0, 48000), 0);
    EXPECT_EQ(StartSampleFromMilliseconds(-1, 44100), -44);  // toward zero
    EXPECT_EQ(StartSampleFromMilliseconds(2147483647, 4294967295u), 9223372030412324);
}

TEST(ComputeSpectrum, GivesZeroInEveryBinForSilence) {
    FrequencyAnalysis sixteen;
    const std::vector<std::uint8_t> zeros(2 * 10000, 0);
    ASSERT_EQ(sixteen.Prepare(11025, 16, static_cast<std::uint32_t>(zeros.size())), SetupResult::Ready);
    ASSERT_EQ(sixteen.ComputeSpectrum(zeros, 123), SpectrumResult::Computed);

    FrequencyAnalysis eight;
    const std::vector<std::uint8_t> middle(10000, 128);
    ASSERT_EQ(eight.Prepare(11025, 8, static_cast<std::uint32_t>(middle.size())), SetupResult::Ready);
    ASSERT_EQ(eight.ComputeSpectrum(middle, 0), SpectrumResult::Computed);

    for (const FrequencyAnalysis* analysis : {&sixteen, &eight}) {
        ASSERT_TRUE(analysis->HasSpectrum());
        for (std::size_t k = 0; k < analysis->Magnitude.size(); ++k) {
            ASSERT_TRUE(RelativelyNear(analysis->Magnitude[k], 0.0, 0.0, 1e-300)) << "bin " << k;
        }
        EXPECT_EQ(analysis->LocatePeak(100).Outcome, PeakOutcome::NoLocalMaximum);
    }
}

TEST(ComputeSpectrum, ReadsAFullScaleSineOnBin100) {
    // 100 x 11025 / 8192 = 134.58 Hz lies on the centre of bin 100.
    const auto values = SineValues(100.0 * 11025 / 8192, 11025, 32767, 8192);
    const auto data = SixteenBitData(values);
    FrequencyAnalysis analysis;
    ASSERT_EQ(analysis.Prepare(11025, 16, static_cast<std::uint32_t>(data.size())), SetupResult::Ready);
    ASSERT_EQ(analysis.ComputeSpectrum(data, 0), SpectrumResult::Computed);

    EXPECT_TRUE(RelativelyNear(analysis.Magnitude[100], 1249.96, 1e-4));
    EXPECT_TRUE(RelativelyNear(analysis.Magnitude[99], 625.0, 1e-3));
    EXPECT_TRUE(RelativelyNear(analysis.Magnitude[101], 625.0, 1e-3));
    double elsewhere = 0.0;
    for (std::size_t k = 0; k < analysis.Magnitude.size(); ++k) {
        if (k < 99 || k > 101) {
            elsewhere = std::max(elsewhere, analysis.Magnitude[k]);
        }
    }
    EXPECT_LT(elsewhere, 0.05);
    const PeakLocation peak = analysis.LocatePeak(100);
    ASSERT_EQ(peak.Outcome, PeakOutcome::Found);
    EXPECT_TRUE(RelativelyNear(peak.Frequency, 100.0 * 11025 / 8192, 1e-6));
}

TEST(ComputeSpectrum, ScalesAConstantEightBitValue) {
    const std::vector<std::uint8_t> data(9000, 200);  // value 72 each
    FrequencyAnalysis analysis;
    ASSERT_EQ(analysis.Prepare(11025, 8, static_cast<std::uint32_t>(data.size())), SetupResult::Ready);
    ASSERT_EQ(analysis.ComputeSpectrum(data, 0), SpectrumResult::Computed);
    EXPECT_TRUE(RelativelyNear(analysis.Magnitude[0], 1406.25, 1e-4));
    EXPECT_TRUE(RelativelyNear(analysis.Magnitude[1], 703.13, 1e-4));
    EXPECT_LT(*std::max_element(analysis.Magnitude.data() + 2, analysis.Magnitude.data() + 4096), 0.05);
}

TEST(ComputeSpectrum, WindowsWithTheAngle1570798OverM) {
    // Bin 0 of a constant value v is v times the sum of the window. With
    // 1.570798 / M instead of pi / 2 / M that sum moves by about 1e-6.
    const std::vector<std::uint8_t> data(9000, 28);  // value -100
    FrequencyAnalysis analysis;
    ASSERT_EQ(analysis.Prepare(11025, 8, static_cast<std::uint32_t>(data.size())), SetupResult::Ready);
    ASSERT_EQ(analysis.ComputeSpectrum(data, 0), SpectrumResult::Computed);
    long double windowSum = 0.0L;
    for (int i = 0; i < 8192; ++i) {
        const long double w = std::sin(static_cast<long double>(i) * (1.570798L / 4096));
        windowSum += w * w;
    }
    EXPECT_TRUE(RelativelyNear(analysis.SpectrumRe[0], static_cast<double>(-100 * windowSum), 1e-12));
    EXPECT_TRUE(RelativelyNear(analysis.SpectrumIm[0], 0.0, 0.0, 1e-300));
}

TEST(ComputeSpectrum, RepeatsTheStretchAfterTheStartWhenItIsShort) {
    // 10 values before the end of an 8192-point analysis: those 10 values 819
    // times, then their first 2 again. The same values laid out in full must
    // give the same spectrum.
    std::mt19937 random(11);
    std::uniform_int_distribution<int> value(-30000, 30000);
    std::vector<std::int16_t> recording(5000);
    for (auto& v : recording) {
        v = static_cast<std::int16_t>(value(random));
    }
    std::vector<std::int16_t> laidOut;
    for (std::size_t i = 0; i < 8192; ++i) {
        laidOut.push_back(recording[recording.size() - 10 + i % 10]);
    }
    const auto shortData = SixteenBitData(recording);
    const auto fullData = SixteenBitData(laidOut);

    FrequencyAnalysis wrapped;
    ASSERT_EQ(wrapped.Prepare(11025, 16, static_cast<std::uint32_t>(shortData.size())), SetupResult::Ready);
    ASSERT_EQ(wrapped.ComputeSpectrum(shortData, 4990), SpectrumResult::Computed);
    FrequencyAnalysis reference;
    ASSERT_EQ(reference.Prepare(11025, 16, static_cast<std::uint32_t>(fullData.size())), SetupResult::Ready);
    ASSERT_EQ(reference.ComputeSpectrum(fullData, 0), SpectrumResult::Computed);

    for (std::size_t k = 0; k < 8192; ++k) {
        ASSERT_TRUE(RelativelyNear(wrapped.SpectrumRe[k], reference.SpectrumRe[k], 1e-12, 1e-9)) << "bin " << k;
        ASSERT_TRUE(RelativelyNear(wrapped.SpectrumIm[k], reference.SpectrumIm[k], 1e-12, 1e-9)) << "bin " << k;
    }
    // The repetition puts energy at multiples of 11025 / 10 Hz, bin 819.2 and beyond.
    EXPECT_GT(wrapped.Magnitude[819] + wrapped.Magnitude[820], 100.0 * wrapped.Magnitude[400]);
}

TEST(ComputeSpectrum, AcceptsOnlyStartsInsideTheData) {
    const std::vector<std::uint8_t> data(2 * 44100, 0);
    FrequencyAnalysis analysis;
    ASSERT_EQ(analysis.Prepare(44100, 16, static_cast<std::uint32_t>(data.size())), SetupResult::Ready);
    const std::int64_t oneSecond = StartSampleFromMilliseconds(1000, 44100);
    EXPECT_THROW(analysis.ComputeSpectrum(data, oneSecond), std::invalid_argument);  // S = 44100
    EXPECT_THROW(analysis.ComputeSpectrum(data, -1), std::invalid_argument);
    EXPECT_FALSE(analysis.HasSpectrum());
    EXPECT_EQ(analysis.ComputeSpectrum(data, oneSecond - 1), SpectrumResult::Computed);

    const std::vector<std::uint8_t> longer(2 * 44101, 0);
    ASSERT_EQ(analysis.Prepare(44100, 16, static_cast<std::uint32_t>(longer.size())), SetupResult::Ready);
    EXPECT_EQ(analysis.ComputeSpectrum(longer, oneSecond), SpectrumResult::Computed);
    const std::span<const std::uint8_t> truncated(longer.data(), longer.size() - 2);
    EXPECT_THROW(analysis.ComputeSpectrum(truncated, 0), std::invalid_argument);
}

TEST(ComputeSpectrum, RefusesResolutionsOtherThan8And16Bits) {
    const std::vector<std::uint8_t> data(3 * 1000, 7);
    FrequencyAnalysis analysis;
    ASSERT_EQ(analysis.Prepare(11025, 24, static_cast<std::uint32_t>(data.size())), SetupResult::Ready);
    EXPECT_EQ(analysis.ComputeSpectrum(data, 0), SpectrumResult::UnsupportedResolution);
    EXPECT_FALSE(analysis.HasSpectrum());
    EXPECT_EQ(analysis.LocatePeak(10).Outcome, PeakOutcome::OutsideSpectrum);
}

// The transform applies, on the way from input n to bin k, one twiddle per
// stage whose angle is an integer multiple of AngleStep, and a sign. Writing n
// and k in bits, the multiples add up to A = sum of 2^(u+v) over the bit pairs
// n_u = k_v = 1 with u + v <= L - 2, and the sign flips once for each such pair
// with u + v = L - 1. Since 2^(L-1) x (-2 pi / N) is -pi, this is exactly
// e^(-2 pi i n k / N) when the step is -2 pi / N; with -6.283192 / N it is the
// same sum taken with the program's own angle.
struct DirectTransform {
    std::vector<long double> Re;
    std::vector<long double> Im;
};

DirectTransform TransformDirectly(const std::vector<double>& re, const std::vector<double>& im, int log2Size,
                                  long double angleStep, bool reduceLikeTheStages) {
    const std::size_t size = re.size();
    DirectTransform out{std::vector<long double>(size), std::vector<long double>(size)};
    const long double pi = std::acos(-1.0L);
    for (std::size_t k = 0; k < size; ++k) {
        for (std::size_t n = 0; n < size; ++n) {
            long double angle = 0.0L;
            if (reduceLikeTheStages) {
                std::uint64_t multiple = 0;
                bool flipped = false;
                for (int u = 0; u < log2Size; ++u) {
                    for (int v = 0; v < log2Size; ++v) {
                        if (((n >> u) & 1) != 0 && ((k >> v) & 1) != 0) {
                            if (u + v <= log2Size - 2) {
                                multiple += std::uint64_t{1} << (u + v);
                            } else if (u + v == log2Size - 1) {
                                flipped = !flipped;
                            }
                        }
                    }
                }
                angle = static_cast<long double>(multiple) * angleStep + (flipped ? pi : 0.0L);
            } else {
                angle = static_cast<long double>(n * k % size) * angleStep;
            }
            const long double c = std::cos(angle);
            const long double s = std::sin(angle);
            out.Re[k] += re[n] * c - im[n] * s;
            out.Im[k] += im[n] * c + re[n] * s;
        }
    }
    return out;
}

long double RelativeL2Error(const FrequencyAnalysis& analysis, const DirectTransform& expected) {
    long double difference = 0.0L;
    long double norm = 0.0L;
    for (std::size_t k = 0; k < expected.Re.size(); ++k) {
        const long double dr = analysis.SpectrumRe[k] - expected.Re[k];
        const long double di = analysis.SpectrumIm[k] - expected.Im[k];
        difference += dr * dr + di * di;
        norm += expected.Re[k] * expected.Re[k] + expected.Im[k] * expected.Im[k];
    }
    return std::sqrt(difference / norm);
}

class TransformOfRandomData : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(TransformOfRandomData, MatchesTheDirectTransformWithTheSameAngle) {
    FrequencyAnalysis analysis;
    ASSERT_EQ(analysis.Prepare(GetParam(), 16, 2), SetupResult::Ready);
    const auto size = static_cast<std::size_t>(analysis.TransformSize);
    std::mt19937 random(GetParam());
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    std::vector<double> re(size);
    std::vector<double> im(size);
    for (std::size_t i = 0; i < size; ++i) {
        re[i] = analysis.WorkRe[i] = value(random);
        im[i] = analysis.WorkIm[i] = value(random);
    }
    analysis.RunTransform();

    const auto sameAngle = TransformDirectly(re, im, analysis.TransformLog2, analysis.AngleStep, true);
    EXPECT_LT(RelativeL2Error(analysis, sameAngle), 1e-9L) << "N = " << size;
    // Against the textbook sum with the same step the difference is the
    // constant's excess over 2 pi, about 1e-6 of an angle: small, but there.
    const auto textbook = TransformDirectly(re, im, analysis.TransformLog2, analysis.AngleStep, false);
    if (size > 2) {
        EXPECT_LT(RelativeL2Error(analysis, textbook), 1e-5L) << "N = " << size;
        EXPECT_GT(RelativeL2Error(analysis, textbook), 1e-7L) << "N = " << size;
    }
}

// Rates giving N = 2, 8, 256 and 1024 points.
INSTANTIATE_TEST_SUITE_P(Sizes, TransformOfRandomData, ::testing::Values(2u, 10u, 300u, 1300u));

// The transform as a plain loop: stage by stage, group by group, pair by pair,
// each twiddle read from its table cell, then the reordering.
void TransformStageByStage(const FrequencyAnalysis& analysis, std::vector<double>& re, std::vector<double>& im,
                           std::vector<double>& binRe, std::vector<double>& binIm) {
    const auto points = static_cast<std::size_t>(analysis.TransformSize);
    const auto stages = static_cast<std::size_t>(analysis.TransformLog2);
    for (std::size_t stage = 1; stage <= stages; ++stage) {
        const std::size_t half = points >> stage;
        for (std::size_t k = 0; k < points; k += 2 * half) {
            const double c = analysis.CosTable[k][stages - stage];
            const double s = analysis.SinTable[k][stages - stage];
            for (std::size_t a = k; a < k + half; ++a) {
                const std::size_t b = a + half;
                const double tr = re[b] * c - im[b] * s;
                const double ti = im[b] * c + re[b] * s;
                re[b] = re[a] - tr;
                im[b] = im[a] - ti;
                re[a] = re[a] + tr;
                im[a] = im[a] + ti;
            }
        }
    }
    for (std::size_t i = 0; i < points; ++i) {
        binRe[static_cast<std::size_t>(analysis.BitReverse[i])] = re[i];
        binIm[static_cast<std::size_t>(analysis.BitReverse[i])] = im[i];
    }
}

bool SameBits(const double* actual, const std::vector<double>& expected) {
    return std::memcmp(actual, expected.data(), expected.size() * sizeof(double)) == 0;
}

class TransformBits : public ::testing::TestWithParam<std::int32_t> {};

// However many butterflies run at once, every value comes out as the plain
// loop computes it, down to the last bit: with RunTransform, which takes the
// widest vectors, and with each width this processor runs; for complex input
// and for real input (WorkIm all zero, as ComputeSpectrum transforms it).
TEST_P(TransformBits, EqualThePlainLoopAtEveryVectorWidth) {
    const std::int32_t log2Size = GetParam();
    // 11025 x 2^L / 8192 Hz gives N = 2^L (below L = 13 by the second rule).
    const auto rate = static_cast<std::uint32_t>((std::uint64_t{11025} << log2Size) / 8192);
    FrequencyAnalysis analysis;
    ASSERT_EQ(analysis.Prepare(rate, 16, 2), SetupResult::Ready);
    ASSERT_EQ(analysis.TransformLog2, log2Size) << rate << " Hz";
    const auto size = static_cast<std::size_t>(analysis.TransformSize);

    std::mt19937_64 random(static_cast<std::uint64_t>(log2Size));
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    for (const bool realInput : {false, true}) {
        std::vector<double> re(size);
        std::vector<double> im(size);
        for (std::size_t i = 0; i < size; ++i) {
            re[i] = value(random);
            im[i] = realInput ? 0.0 : value(random);
        }
        const std::vector<double> inRe = re;
        const std::vector<double> inIm = im;
        std::vector<double> binRe(size);
        std::vector<double> binIm(size);
        TransformStageByStage(analysis, re, im, binRe, binIm);

        for (const int lanes : {0, 1, 2, 4, 8}) {
            if (lanes != 0 && !ProcessorRunsLanes(lanes)) {
                continue;
            }
            std::copy(inRe.begin(), inRe.end(), analysis.WorkRe.data());
            std::copy(inIm.begin(), inIm.end(), analysis.WorkIm.data());
            if (lanes == 0) {
                analysis.RunTransform();
            } else {
                RunStagesWithLanes({analysis.WorkRe.data(), analysis.WorkIm.data(), analysis.CosTable.Column(0).data(),
                                    analysis.SinTable.Column(0).data(), log2Size},
                                   lanes);
                ScatterToBinOrder(analysis.WorkRe.data(), analysis.WorkIm.data(), analysis.SpectrumRe.data(),
                                  analysis.SpectrumIm.data(), analysis.BitReverse.data(), log2Size);
            }
            const auto where = ::testing::Message() << (realInput ? "real" : "complex") << " input, "
                                                    << (lanes == 0 ? "RunTransform" : std::to_string(lanes) + " lanes");
            EXPECT_TRUE(SameBits(analysis.WorkRe.data(), re)) << where;
            EXPECT_TRUE(SameBits(analysis.WorkIm.data(), im)) << where;
            EXPECT_TRUE(SameBits(analysis.SpectrumRe.data(), binRe)) << where;
            EXPECT_TRUE(SameBits(analysis.SpectrumIm.data(), binIm)) << where;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryPowerOfTwo, TransformBits, ::testing::Range(3, 20),
                         [](const auto& size) { return "N" + std::to_string(1 << size.param); });

}  // namespace
