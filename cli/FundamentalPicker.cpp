#include "FundamentalPicker.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
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
};

// Every local maximum from `lowestBin` to M - 2 that lies less than the floor
// below `strongest`: the strongest kMostPeaks of them, strongest first.
std::vector<Peak> FindPeaks(std::span<const double> m, std::int32_t lowestBin, double strongest)
{
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
        peaks.push_back({k, position, 20.0 * std::log10(b / strongest)});
    }
    // Strongest first: of two candidates that score alike, the stronger wins.
    std::stable_sort(peaks.begin(), peaks.end(),
                     [](const Peak& x, const Peak& y) { return x.decibels > y.decibels; });
    if (peaks.size() > kMostPeaks) {
        peaks.resize(kMostPeaks);
    }
    return peaks;
}

// Half the width of harmonic h's window around h x F, in bins.
double Tolerance(double harmonicPosition, double fundamental, double relative)
{
    return std::min(std::max(kLeastToleranceBins, relative * harmonicPosition),
                    kMostToleranceOfSpacing * fundamental);
}

// The harmonic number of `peak` under `fundamental`, or 0 when it lies off the
// series or above `mostHarmonics`.
int HarmonicOf(const Peak& peak, double fundamental, int mostHarmonics, double relative)
{
    const double h = std::round(peak.position / fundamental);
    if (h < 1.0 || h > mostHarmonics) {
        return 0;
    }
    return std::abs(peak.position - h * fundamental) <= Tolerance(h * fundamental, fundamental, relative)
               ? static_cast<int>(h)
               : 0;
}

bool IsStrong(const Peak& peak) { return peak.decibels > -kStrongDecibels; }

// Weight of a strong partial: its height above the strong threshold, in dB.
double StrongWeight(const Peak& peak) { return kStrongDecibels + peak.decibels; }

// The candidate refitted to the strong partials among its first harmonics:
// the F that minimises the weighted squared distances of partial h from h x F.
double Refit(const std::vector<Peak>& peaks, double candidate)
{
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
double Score(const std::vector<Peak>& peaks, double fundamental, double highestStrong, double strongTotal)
{
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

std::int32_t StrongestBin(std::span<const double> magnitude)
{
    const auto count = static_cast<std::int32_t>(std::ssize(magnitude));
    if (count <= kLowestPitchBin) {
        return std::max(count - 1, 0);
    }
    const auto strongest = std::max_element(magnitude.begin() + kLowestPitchBin, magnitude.end());
    return static_cast<std::int32_t>(std::distance(magnitude.begin(), strongest));
}

std::int32_t PickFundamentalBin(std::span<const double> magnitude, std::int32_t transformSize,
                                std::uint32_t sampleRate)
{
    const auto count = static_cast<std::int32_t>(std::ssize(magnitude));
    const std::int32_t strongestBin = StrongestBin(magnitude);
    if (count <= kLowestPitchBin || transformSize <= 0 || sampleRate == 0) {
        return strongestBin;
    }
    const double binHz = static_cast<double>(sampleRate) / transformSize;
    const auto lowestBin =
        std::max(kLowestPitchBin, static_cast<std::int32_t>(std::ceil(kLowestFundamentalHz / binHz)));
    const double strongest = magnitude[static_cast<std::size_t>(strongestBin)];
    if (!(strongest > 0.0) || !std::isfinite(strongest)) {
        return strongestBin;
    }

    const std::vector<Peak> peaks = FindPeaks(magnitude, lowestBin, strongest);
    double highestStrong = 0.0;
    double strongTotal = 0.0;
    for (const Peak& peak : peaks) {
        if (IsStrong(peak)) {
            highestStrong = std::max(highestStrong, peak.position);
            strongTotal += StrongWeight(peak);
        }
    }
    if (strongTotal <= 0.0) {
        return strongestBin;
    }

    double bestScore = -1.0;
    double fundamental = 0.0;
    for (const Peak& candidate : peaks) {
        const double refitted = Refit(peaks, candidate.position);
        if (refitted < lowestBin) {
            continue;
        }
        const double score = Score(peaks, refitted, highestStrong, strongTotal);
        if (score > bestScore) {
            bestScore = score;
            fundamental = refitted;
        }
    }
    if (bestScore < 0.0) {
        return strongestBin;
    }

    // Start on the top of the strongest peak at F, so that the climb stays on
    // it; with none there, start at F and let the climb find what lies nearest.
    const Peak* atFundamental = nullptr;
    for (const Peak& peak : peaks) {
        if (HarmonicOf(peak, fundamental, 1, kHarmonicTolerance) == 1 &&
            (atFundamental == nullptr || peak.decibels > atFundamental->decibels)) {
            atFundamental = &peak;
        }
    }
    if (atFundamental != nullptr) {
        return atFundamental->top;
    }
    return std::clamp(static_cast<std::int32_t>(std::lround(fundamental)), std::int32_t{0}, count - 1);
}
