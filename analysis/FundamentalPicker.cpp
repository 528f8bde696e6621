// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/FundamentalPicker.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <functional>
#include <utility>
#include <iterator>
#include <vector>

// Why the harmonic score below finds the fundamental.
//
// A pitched note is a harmonic series: partials at F, 2F, 3F, ... whose
// strengths depend on the instrument. The strongest partial is often not F
// (a piano's low notes, a guitar's and an oboe's upper ones peak at 2F; a
// clarinet's at 3F), so the strongest bin names the wrong octave. A plain
// harmonic sum, which adds the magnitudes at F, 2F, 3F, ..., fails the other
// way: F / 2 collects every partial that F does, so sums favour the octave
// below. Two measures together separate the true F from both neighbours:
//
//   explained  E(F) = the share of the strong partials (within 30 dB of the
//                     strongest) that lie on a harmonic of F. Too high a
//                     candidate (2F, 3F) leaves partials in between, and the
//                     fundamental itself, unexplained: E falls.
//   occupied   O(F) = the mean fill of F's harmonics from 1 up to the highest
//                     strong partial, each harmonic counting its strongest
//                     peak on a 0 ... 1 scale from 60 dB below the strongest
//                     up to it (0 when no peak lies there). Too low a
//                     candidate (F / 2, F / 3) has empty harmonics between
//                     the true ones: O halves or worse.
//
// The true F scores E = 1 and a high O, even when its own partial is weak
// (a weak first harmonic lowers O by one term only, and a missing one leaves
// the best F on the peaks that remain). Weights in decibels keep a quiet but
// audible fundamental in the count; the -60 dB floor keeps noise out.
//
// Real partials are not exactly at h x F: strings are slightly stiff (piano
// partials run sharp), vibrato spreads each partial over several bins, and a
// candidate taken from one peak is off by that peak's own error. Each
// candidate is therefore first refitted to the strong partials of its lowest
// eight harmonics (least squares through the origin), and a partial counts as
// harmonic h when it lies within 3 % of h x F (at least two bins: the
// window's main lobe; at most a quarter of F, so neighbouring harmonics never
// share a peak).
//
// The octave rule. E x O can prefer 2F when F's own partials are few: an
// organ puts most of its strength on 2F, 4F, 6F when its 8-foot rank sounds
// under louder 4- and 2-foot ranks, and many an organ sample adds a 16- or
// 32-foot rank below the key that is nearly a pure tone. Only F explains F's
// odd partials, and a loud tone at F is a pitch of its own. So the winner W is
// replaced by W / 2, an octave at a time, while that lower series has support
// of its own (HasOwnSupport): its complete quiet series, a rank at full voice,
// or a loud tone an exact octave below. A quiet lone tone (a hum) is no such
// support. A lower F without support is never chosen: every series of F / 2
// explains what F explains.
//
// A struck bar is the exception to the score: its overtones are not
// harmonic, and one of them can outscore the bar's own tone, which is among
// the loudest partials and the pitch heard. No answer lies well above one of
// the loudest partials (within kLoudestDecibels of the strongest).

namespace {

constexpr double kLowestFundamentalHz = 20.0;     // below that a tone is felt, not heard as pitch
constexpr std::int32_t kLowestPitchBin = 2;       // bins 0 and 1 carry the constant offset
constexpr double kFloorDecibels = 60.0;           // peaks weaker than this are noise
constexpr double kStrongDecibels = 30.0;          // partials that a fundamental must explain
constexpr std::size_t kMostPeaks = 60;            // the strongest peaks are enough to decide
constexpr int kMostHarmonics = 30;                // harmonics scored per candidate
constexpr int kFittedHarmonics = 8;               // harmonics a candidate is refitted to
constexpr double kHarmonicTolerance = 0.03;       // relative distance of a partial from h x F
constexpr double kFitTolerance = 0.05;            // the same while refitting: the candidate is rough
constexpr double kLeastToleranceBins = 2.0;       // half the main lobe of the sin^2 window
constexpr double kMostToleranceOfSpacing = 0.25;  // harmonics of one candidate never overlap

// A local maximum of the spectrum: its top bin, its position refined by the
// parabola through the top and its neighbours (in bins), and its level in dB
// below the strongest bin.
struct Peak {
    std::int32_t top;
    double position;
    double decibels;
    double prominence;  // dB above the median of the magnitudes around it
};

constexpr std::int32_t kSurroundingBins = 128;  // each side, for a peak's prominence (wider than vibrato)
constexpr int kOwnOddPartials = 3;              // a quiet lower series shows its 3rd, 5th and 7th partials
constexpr double kOwnFloorDecibels = -45.0;     // a lower series fainter than this is not heard as the pitch
constexpr double kOwnTolerance = 0.01;          // relative distance of such a partial from h x F
constexpr double kLoudestDecibels = 6.0;        // partials this close to the strongest are among the loudest
constexpr double kDistinctPartialRatio = 1.25;  // nearer than that, two peaks may be one smeared partial
constexpr double kLoudDecibels = 20.0;          // a tone this close to the strongest is heard as a pitch of its own
constexpr double kLoudToleranceBins = 0.5;  // how close a loud lone tone lies to F / 2: an organ rank's octave is exact
constexpr int kDividedPeaks = 6;            // the strongest partials whose submultiples are candidates too
constexpr int kMostDivisor = 8;             // down to an eighth: partials 3 to 8 of a bass string are its loudest
constexpr double kUnheardMargin = 1.1;      // a candidate without a peak wins only by this much
constexpr double kMostSwapRatio = 20.0;     // a struck bar's winning overtone lies within twenty times its tone

// How far the magnitude at `top` stands above the median of the bins around it, in dB.
double Prominence(std::span<const double> m, std::int32_t top) {
    const auto count = static_cast<std::int32_t>(std::ssize(m));
    const std::int32_t from = std::max(0, top - kSurroundingBins);
    const std::int32_t to = std::min(count, top + kSurroundingBins + 1);
    std::vector<double> around(m.begin() + from, m.begin() + to);
    const auto middle = around.begin() + std::ssize(around) / 2;
    std::nth_element(around.begin(), middle, around.end());
    const double value = m[static_cast<std::size_t>(top)];
    return *middle > 0.0 ? 20.0 * std::log10(value / *middle) : 200.0;
}

// Every local maximum from `lowestBin` to M - 2 that lies less than the floor
// below `strongest`: the strongest kMostPeaks of them, strongest first.
std::vector<Peak> FindPeaks(std::span<const double> m, std::int32_t lowestBin, double strongest,
                            const std::function<bool(double)>& lasting) {
    const double floor = strongest * std::pow(10.0, -kFloorDecibels / 20.0);
    std::vector<Peak> peaks;
    const auto lastBin = static_cast<std::int32_t>(std::ssize(m)) - 1;
    for (std::int32_t k = std::max(lowestBin, 1); k < lastBin; ++k) {
        const std::size_t i = static_cast<std::size_t>(k);
        const double a = m[i - 1];
        const double b = m[i];
        const double c = m[i + 1];
        if (!(b > a && b >= c && b > floor)) {
            continue;
        }
        const double curvature = (c - b) - (b - a);
        const double position = curvature != 0.0 ? k + (a - c) / (2.0 * curvature) : k;
        if (lasting && !lasting(position)) {
            continue;  // a burst in the attack, not a partial
        }
        peaks.push_back({k, position, 20.0 * std::log10(b / strongest), 0.0});
    }
    // Strongest first: of two candidates that score alike, the stronger wins.
    std::stable_sort(peaks.begin(), peaks.end(), [](const Peak& x, const Peak& y) { return x.decibels > y.decibels; });
    if (peaks.size() > kMostPeaks) {
        peaks.resize(kMostPeaks);
    }
    for (Peak& peak : peaks) {
        peak.prominence = Prominence(m, peak.top);
    }
    return peaks;
}

// Half the width of harmonic h's window around h x F, in bins.
double Tolerance(double harmonicPosition, double fundamental, double relative) {
    return std::min(std::max(kLeastToleranceBins, relative * harmonicPosition), kMostToleranceOfSpacing * fundamental);
}

// The harmonic number of `peak` under `fundamental`, or 0 when it lies off the
// series or above `mostHarmonics`.
int HarmonicOf(const Peak& peak, double fundamental, int mostHarmonics, double relative) {
    const double h = std::round(peak.position / fundamental);
    if (h < 1.0 || h > mostHarmonics) {
        return 0;
    }
    return std::abs(peak.position - h * fundamental) <= Tolerance(h * fundamental, fundamental, relative)
               ? static_cast<int>(h)
               : 0;
}

bool IsStrong(const Peak& peak) {
    return peak.decibels > -kStrongDecibels;
}

bool IsTrusted(const Peak& peak) {
    return peak.prominence >= kTrustedProminenceDecibels;
}

// Weight of a strong partial: its height above the strong threshold, in dB.
double StrongWeight(const Peak& peak) {
    return kStrongDecibels + peak.decibels;
}

// The candidate refitted to the strong partials among its first harmonics:
// the F that minimises the weighted squared distances of partial h from h x F.
double Refit(const std::vector<Peak>& peaks, double candidate) {
    double weightedProducts = 0.0;
    double weightedSquares = 0.0;
    for (const Peak& peak : peaks) {
        const int h = IsStrong(peak) ? HarmonicOf(peak, candidate, kFittedHarmonics, kFitTolerance) : 0;
        if (h != 0) {
            weightedProducts += StrongWeight(peak) * h * peak.position;
            weightedSquares += StrongWeight(peak) * h * h;
        }
    }
    return weightedSquares > 0.0 ? weightedProducts / weightedSquares : candidate;
}

// The product E(F) x O(F) described at the top of this file.
double Score(const std::vector<Peak>& peaks, double fundamental, double highestStrong, double strongTotal) {
    const int harmonics =
        std::clamp(static_cast<int>(std::floor(highestStrong / fundamental + 0.5)), 1, kMostHarmonics);
    std::vector<double> fill(static_cast<std::size_t>(harmonics) + 1, 0.0);
    double explained = 0.0;
    for (const Peak& peak : peaks) {
        const int h = HarmonicOf(peak, fundamental, harmonics, kHarmonicTolerance);
        if (h == 0) {
            continue;
        }
        double& slot = fill[static_cast<std::size_t>(h)];
        slot = std::max(slot, (kFloorDecibels + peak.decibels) / kFloorDecibels);
        if (IsStrong(peak)) {
            explained += StrongWeight(peak);
        }
    }
    double occupied = 0.0;
    for (std::size_t h = 1; h < fill.size(); ++h) {
        occupied += fill[h];
    }
    occupied /= harmonics;
    return explained / strongTotal * occupied;
}

}  // namespace

std::int32_t StrongestBin(std::span<const double> magnitude) {
    const auto count = static_cast<std::int32_t>(std::ssize(magnitude));
    if (count <= kLowestPitchBin) {
        return std::max(count - 1, 0);
    }
    const auto strongest = std::max_element(magnitude.begin() + kLowestPitchBin, magnitude.end());
    return static_cast<std::int32_t>(std::distance(magnitude.begin(), strongest));
}

bool IsSilentSpectrum(std::span<const double> magnitude) {
    if (std::ssize(magnitude) <= kLowestPitchBin) {
        return true;
    }
    const double strongest = magnitude[static_cast<std::size_t>(StrongestBin(magnitude))];
    return !(strongest > kFullScaleMagnitude * std::pow(10.0, kSilentDecibels / 20.0)) || !std::isfinite(strongest);
}

namespace {

// True when the series of `lower` = upper / 2 has support of its own, which
// the upper series does not explain. A peak at `lower` itself is needed (no
// climb could end on an empty fundamental), standing out of its surroundings
// and close to its place, like every partial counted here; and with it one of:
// - all of its 3rd, 5th and 7th partials: a quiet rank's complete series
//   (an organ's 8-foot rank under louder 4- and 2-foot ranks);
// - a strong odd partial next to a strong fundamental: a rank at full voice;
// - nothing more, when the peak at `lower` is loud and an exact octave below:
//   a 16- or 32-foot rank, nearly a pure tone, is heard as the pitch.
// A quiet tone an octave below, or odd partials scattered by breath or a
// reed's noise (some of the 3rd, 5th and 7th, not all), are no such support.
bool HasOwnSupport(const std::vector<Peak>& peaks, double lower) {
    const Peak* fundamental = nullptr;  // the strongest peak at `lower`
    std::array<const Peak*, 8> odd{};   // the strongest at its 3rd, 5th and 7th harmonic
    for (const Peak& peak : peaks) {
        const double h = std::round(peak.position / lower);
        const bool close =
            std::abs(peak.position - h * lower) <= std::max(kLeastToleranceBins, kOwnTolerance * h * lower);
        if (!IsTrusted(peak) || !close || peak.decibels < kOwnFloorDecibels) {
            continue;
        }
        const bool isOdd = h == 3.0 || h == 5.0 || h == 7.0;
        const Peak** slot = h == 1.0 ? &fundamental : isOdd ? &odd[static_cast<std::size_t>(h)] : nullptr;
        if (slot != nullptr && (*slot == nullptr || peak.decibels > (*slot)->decibels)) {
            *slot = &peak;
        }
    }
    if (fundamental == nullptr) {
        return false;
    }
    const auto oddPartials = std::count_if(odd.begin(), odd.end(), [](const Peak* p) { return p != nullptr; });
    const bool strongOdd =
        std::any_of(odd.begin(), odd.end(), [](const Peak* p) { return p != nullptr && IsStrong(*p); });
    const bool loneLoudRank =
        fundamental->decibels >= -kLoudDecibels &&
        std::abs(fundamental->position - lower) <= std::max(kLoudToleranceBins, kOwnTolerance * lower);
    return oddPartials >= kOwnOddPartials || (IsStrong(*fundamental) && strongOdd) || loneLoudRank;
}

// The winner of the score moved down an octave at a time while the lower
// series has support of its own.
double LowestSupportedFundamental(const std::vector<Peak>& peaks, double fundamental, double lowestBin) {
    while (fundamental / 2.0 >= lowestBin && HasOwnSupport(peaks, fundamental / 2.0)) {
        fundamental = Refit(peaks, fundamental / 2.0);
    }
    return fundamental;
}

// The candidates for F besides the peaks themselves: the submultiples of the
// strongest partials and the spacings of neighbouring strong partials, so
// that a fundamental buried in the noise (and its octave with it) can still
// be named by the partials above it.
std::vector<double> UnheardCandidates(const std::vector<Peak>& peaks, double lowestBin) {
    std::vector<double> strong;
    for (const Peak& peak : peaks) {
        if (IsStrong(peak) && IsTrusted(peak)) {
            strong.push_back(peak.position);
        }
    }
    std::vector<double> candidates;
    for (std::size_t i = 0; i < std::min<std::size_t>(strong.size(), kDividedPeaks); ++i) {
        for (int n = 2; n <= kMostDivisor; ++n) {
            candidates.push_back(strong[i] / n);
        }
    }
    std::ranges::sort(strong);
    for (std::size_t i = 1; i < strong.size(); ++i) {
        candidates.push_back(strong[i] - strong[i - 1]);
    }
    std::erase_if(candidates, [lowestBin](double f) { return f < lowestBin; });
    return candidates;
}

// The F that scores best: the peaks first, then the unheard candidates, which
// must beat the best peak by kUnheardMargin. Answers a negative score when no
// candidate lies at or above `lowestBin`.
std::pair<double, double> BestCandidate(const std::vector<Peak>& peaks, double lowestBin, double highestStrong,
                                        double strongTotal) {
    double bestScore = -1.0;
    double fundamental = 0.0;
    const auto tryCandidate = [&](double candidate, double margin) {
        const double refitted = Refit(peaks, candidate);
        if (refitted < lowestBin) {
            return;
        }
        const double score = Score(peaks, refitted, highestStrong, strongTotal);
        if (score > bestScore * margin) {
            bestScore = score;
            fundamental = refitted;
        }
    };
    for (const Peak& candidate : peaks) {
        tryCandidate(candidate.position, 1.0);
    }
    for (const double candidate : UnheardCandidates(peaks, lowestBin)) {
        tryCandidate(candidate, kUnheardMargin);
    }
    return {fundamental, bestScore};
}

// Every partial of a note lies at or above its fundamental, so a winner
// well above one of the loudest partials is not the note that partial
// belongs to: an inharmonic overtone of a struck bar (a celesta's, a
// glockenspiel's) can outscore the bar's own tone, which is the pitch heard.
// Only a partial a few times lower counts: a hundred times lower, it is a
// thump or a hum, not the bar's tone.
double BelowLoudestPartial(const std::vector<Peak>& peaks, double fundamental) {
    double lowestLoudest = fundamental;
    for (const Peak& peak : peaks) {
        if (peak.decibels >= -kLoudestDecibels && IsTrusted(peak) && peak.position * kMostSwapRatio >= fundamental) {
            lowestLoudest = std::min(lowestLoudest, peak.position);
        }
    }
    return fundamental > lowestLoudest * kDistinctPartialRatio ? lowestLoudest : fundamental;
}

}  // namespace

FundamentalChoice PickFundamental(std::span<const double> magnitude, std::int32_t transformSize,
                                  std::uint32_t sampleRate, const std::function<bool(double)>& lasting) {
    const auto count = static_cast<std::int32_t>(std::ssize(magnitude));
    const std::int32_t strongestBin = StrongestBin(magnitude);
    if (count <= kLowestPitchBin || transformSize <= 0 || sampleRate == 0) {
        return {strongestBin, PitchVerdict::Silent};
    }
    const double binHz = static_cast<double>(sampleRate) / transformSize;
    const auto lowestBin =
        std::max(kLowestPitchBin, static_cast<std::int32_t>(std::ceil(kLowestFundamentalHz / binHz)));
    if (IsSilentSpectrum(magnitude)) {
        return {strongestBin, PitchVerdict::Silent};
    }
    const double strongest = magnitude[static_cast<std::size_t>(strongestBin)];

    const std::function<bool(double)> lastingBin =
        lasting ? std::function<bool(double)>([&](double bin) { return lasting(bin * binHz); }) : nullptr;
    const std::vector<Peak> peaks = FindPeaks(magnitude, lowestBin, strongest, lastingBin);
    double highestStrong = 0.0;
    double strongTotal = 0.0;
    for (const Peak& peak : peaks) {
        if (IsStrong(peak)) {
            highestStrong = std::max(highestStrong, peak.position);
            strongTotal += StrongWeight(peak);
        }
    }
    if (strongTotal <= 0.0) {
        return {strongestBin, PitchVerdict::NoHarmonicSeries};
    }
    auto [fundamental, bestScore] = BestCandidate(peaks, lowestBin, highestStrong, strongTotal);
    if (bestScore < 0.0) {
        return {strongestBin, PitchVerdict::NoHarmonicSeries};
    }
    fundamental = LowestSupportedFundamental(peaks, BelowLoudestPartial(peaks, fundamental), lowestBin);

    // A note has at least one partial on its series that stands out of the
    // noise around it; noise has none.
    const bool trusted = std::any_of(peaks.begin(), peaks.end(), [f0 = fundamental](const Peak& peak) {
        return IsTrusted(peak) && HarmonicOf(peak, f0, kMostHarmonics, kHarmonicTolerance) != 0;
    });
    const PitchVerdict verdict = trusted ? PitchVerdict::Pitched : PitchVerdict::NoHarmonicSeries;

    // Start on the top of the strongest peak at F, so that the climb stays on
    // it; with none there, start at F and let the climb find what lies nearest.
    const Peak* atFundamental = nullptr;
    for (const Peak& peak : peaks) {
        if (HarmonicOf(peak, fundamental, 1, kHarmonicTolerance) == 1 &&
            (atFundamental == nullptr || peak.decibels > atFundamental->decibels)) {
            atFundamental = &peak;
        }
    }
    const std::int32_t bin = atFundamental != nullptr ? atFundamental->top
                                                      : std::clamp(static_cast<std::int32_t>(std::lround(fundamental)),
                                                                   std::int32_t{0}, count - 1);
    return {bin, verdict, fundamental * binHz};
}
