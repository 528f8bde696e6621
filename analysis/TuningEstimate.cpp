// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/TuningEstimate.h"

#include "analysis/TransformStages.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <complex>
#include <cstddef>
#include <limits>
#include <numbers>
#include <tuple>
#include <utility>
#include <vector>

// Why the phase vocoder. A partial's frequency read from where its peak lies
// between bins (a parabola through three magnitudes) depends on the window's
// shape and on where between bins it falls: several hundredths of a bin, which
// in the bass is a cent or more. The advance of a steady partial's phase from
// one window to the next, hop samples later, is exactly 2 pi f hop / rate,
// whatever the window and wherever f lies; the bin the partial peaks in only
// decides the whole turns. A Blackman-Harris window keeps the neighbouring
// partials' leakage below -90 dB, so the phase is the partial's own.

namespace {

using Complex = std::complex<double>;

constexpr double kPeriodsPerWindow = 12.0;        // partials a dozen bins apart: each in its own main lobe
constexpr std::int32_t kShortestWindow = 1024;    // fewer samples give few bins to tell noise from a partial
constexpr std::size_t kMostWindows = 32;          // enough to span vibrato and decay; more only cost time
constexpr std::int32_t kTuningOverlap = 4;        // windows over each point: a vibrato's cycle is read several times
constexpr std::size_t kStretchParts = 8;          // windows at least this part of the stretch: vibrato averages out
constexpr double kSoundingDecibels = 40.0;        // windows this far under the loudest hold no note worth fitting
constexpr int kMostPartials = 40;                 // partials fitted at most
constexpr double kHighestPartialShare = 0.45;     // of the sample rate: the anti-alias filter's edge
constexpr double kMainLobeBins = 2.0;             // Blackman-Harris: most of a partial's energy, in bins of the window
constexpr double kPartialAboveFloor = 100.0;      // a partial stands this many times (20 dB) above the median power
constexpr std::int32_t kFloorStride = 3;          // the median power is read at every third bin
constexpr int kUnmeasuredPartials = 8;            // partials a clarity counts when none could be measured
constexpr double kStretchLimit = 0.002;           // B above this is no string's; noise in the fit
constexpr double kWeakestPartialDecibels = 50.0;  // partials further under the strongest are noise, not the series
constexpr double kStretchPartialDecibels = 30.0;  // the stretch is fitted to partials this close to the strongest
constexpr std::size_t kFirstStride = 2;           // every other window read first; all when their readings differ
constexpr double kAgreeingCents = 1.0;            // readings this close: a steady tone, read well by half the windows
constexpr double kTrackingPeriods = 6.0;          // a tracking window: neighbours beyond its main lobe, a swing within
constexpr std::int32_t kTrackingHops = 8;         // tracking windows over each point: a swing turns little between two
constexpr int kTrackedPartials = 4;               // the lowest partials tracked: higher ones swing too far
constexpr double kTrackedDecibels = 20.0;         // partials further under the strongest are too weak to track
constexpr double kTrackedFloorDecibels = 30.0;    // tracking windows further under the loudest hold no partial
constexpr std::size_t kJumpNeighbours = 8;        // advances each side that a leap of the phase is told from
constexpr double kJumpRadians = 0.25;             // an advance this far from its neighbours' median is a leap
constexpr std::size_t kLeapReach = 2;             // advances each side of a leap that its windows still read
constexpr double kVibratoCents = 100.0;           // a reading further from its partial's median is noise
constexpr double kOffSeriesCents = 15.0;          // a partial further off the series belongs to another
constexpr double kLooseStretch = 0.0005;          // the most stretch a partial's distance from the series allows for
constexpr std::size_t kStretchPartials = 5;       // fewer partials cannot tell a stretch from noise
constexpr double kFasterFallDecibels = 20.0;      // a tone falling this much faster than the note is a burst
constexpr double kLastingDecibels = 45.0;         // a tone this far under the lasting strongest is gone
constexpr double kLastingWindowSeconds = 0.08;    // windows of the lasting test: bins of some 12 Hz

// The transform of the windows: the analysis's own stages, with twiddles of
// the exact full turn (the analysis keeps its historical, slightly larger
// one, which would shift every phase the vocoder reads). Kept per thread and
// built again only when the size changes: a folder's files mostly share it.
struct ExactTransform {
    std::int32_t Log2Size = -1;
    std::vector<double> Cos;  // entry i: the angle BitReverse[i] x -2 pi / n, as the stages read it
    std::vector<double> Sin;
    std::vector<std::int32_t> BitReverse;
    std::vector<double> Re;  // the values to transform; transformed in place
    std::vector<double> Im;
    std::vector<Complex> Turns;  // e^(-2 pi i k / 2n) for k < n: unpacking real values transformed in pairs

    void Prepare(std::int32_t log2Size) {
        if (log2Size == Log2Size) {
            return;
        }
        Log2Size = log2Size;
        const std::size_t n = std::size_t{1} << log2Size;
        Cos.assign(n, 1.0);
        Sin.assign(n, 0.0);
        BitReverse.assign(n, 0);
        for (std::size_t i = 1; i < n; ++i) {
            BitReverse[i] = (BitReverse[i / 2] >> 1) | (i % 2 == 1 ? static_cast<std::int32_t>(n / 2) : 0);
        }
        for (std::size_t i = 0; i < n; ++i) {
            const double angle = -2.0 * std::numbers::pi * BitReverse[i] / static_cast<double>(n);
            Cos[i] = std::cos(angle);
            Sin[i] = std::sin(angle);
        }
        Re.assign(n, 0.0);
        Im.assign(n, 0.0);
        Turns.resize(n);
        for (std::size_t k = 0; k < n; ++k) {
            Turns[k] = std::polar(1.0, -std::numbers::pi * static_cast<double>(k) / static_cast<double>(n));
        }
    }

    // Re + i Im transformed in place, in bit-reversed order: bin k lies at
    // BitReverse[k] (read there, rather than reordered first).
    void Run() { RunStages({Re.data(), Im.data(), Cos.data(), Sin.data(), Log2Size}); }
};

std::int32_t PowerOfTwoAtLeast(std::int32_t n) {
    std::int32_t p = 1;
    while (p < n) {
        p <<= 1;
    }
    return p;
}

// The four-term Blackman-Harris window of `length` values.
std::vector<double> BlackmanHarris(std::int32_t length) {
    std::vector<double> window(static_cast<std::size_t>(length));
    for (std::int32_t n = 0; n < length; ++n) {
        const double x = 2.0 * std::numbers::pi * n / length;
        window[static_cast<std::size_t>(n)] =
            0.35875 - 0.48829 * std::cos(x) + 0.14128 * std::cos(2 * x) - 0.01168 * std::cos(3 * x);
    }
    return window;
}

// Windows of one length over a stretch, one after another at a fixed hop
// (the window's length / `windowsPerHop`; longer on a long stretch, never so
// long that a partial's phase could turn more than half a turn beyond its
// bin's). Every window's energy is known; its spectrum once transformed.
struct Frames {
    std::int32_t Length = 0;                    // samples windowed
    std::int32_t Size = 0;                      // transform size, a power of two at least Length
    std::int32_t Hop = 0;                       // from one window to the next
    std::vector<std::vector<Complex>> Spectra;  // bins 0 ... Size / 2; empty until transformed
    std::vector<double> Energies;               // of each window's samples
};

// The energy of `length` values: four sums side by side, since one would
// wait for each addition.
double EnergyOf(const double* values, std::int32_t length) {
    std::array<double, 4> sums{};
    std::int32_t n = 0;
    for (; n + 4 <= length; n += 4) {
        for (std::size_t lane = 0; lane < 4; ++lane) {
            sums[lane] += values[n + lane] * values[n + lane];
        }
    }
    for (; n < length; ++n) {
        sums[0] += values[n] * values[n];
    }
    return (sums[0] + sums[1]) + (sums[2] + sums[3]);
}

// Transforms window `index` of `frames` over `signal`.
void TransformWindow(Frames& frames, std::span<const double> signal, std::size_t index) {
    thread_local std::vector<double> window;
    if (std::ssize(window) != frames.Length) {
        window = BlackmanHarris(frames.Length);
    }
    const auto half = static_cast<std::size_t>(frames.Size / 2);
    thread_local ExactTransform transform;
    transform.Prepare(std::countr_zero(half));
    // The real values in pairs as one complex value each: a transform of half
    // the size, unpacked below.
    const double* values = signal.data() + index * static_cast<std::size_t>(frames.Hop);
    const auto pairs = static_cast<std::size_t>(frames.Length / 2);
    std::fill(transform.Re.begin() + static_cast<std::ptrdiff_t>(pairs), transform.Re.end(), 0.0);
    std::fill(transform.Im.begin() + static_cast<std::ptrdiff_t>(pairs), transform.Im.end(), 0.0);
    for (std::size_t i = 0; i < pairs; ++i) {
        transform.Re[i] = values[2 * i] * window[2 * i];
        transform.Im[i] = values[2 * i + 1] * window[2 * i + 1];
    }
    if (frames.Length % 2 == 1) {
        transform.Re[pairs] = values[2 * pairs] * window[2 * pairs];
    }
    transform.Run();
    // X[k] = E[k] + e^(-2 pi i k / size) O[k], E and O the transforms of the
    // even and odd values: (P[k] + P*[-k]) / 2 and (P[k] - P*[-k]) / 2i.
    std::vector<Complex>& spectrum = frames.Spectra[index];
    spectrum.resize(half + 1);
    for (std::size_t k = 0; k <= half; ++k) {
        const auto at = static_cast<std::size_t>(transform.BitReverse[k % half]);
        const auto mirror = static_cast<std::size_t>(transform.BitReverse[(half - k) % half]);
        const double evenRe = 0.5 * (transform.Re[at] + transform.Re[mirror]);
        const double evenIm = 0.5 * (transform.Im[at] - transform.Im[mirror]);
        const double oddRe = 0.5 * (transform.Im[at] + transform.Im[mirror]);
        const double oddIm = -0.5 * (transform.Re[at] - transform.Re[mirror]);
        const double turnRe = k < half ? transform.Turns[k].real() : -1.0;
        const double turnIm = k < half ? transform.Turns[k].imag() : 0.0;
        spectrum[k] = Complex(evenRe + turnRe * oddRe - turnIm * oddIm, evenIm + turnRe * oddIm + turnIm * oddRe);
    }
}

// The windows over `signal`, every `stride`-th of them transformed.
Frames Analyse(std::span<const double> signal, std::int32_t length, std::int32_t windowsPerHop,
               std::size_t stride = 1) {
    Frames frames;
    const auto available = static_cast<std::int32_t>(std::min<std::size_t>(signal.size(), 1U << 30));
    // Two windows at least.
    frames.Length = std::min(length, available * 2 / 3);
    if (frames.Length < 16) {
        return frames;
    }
    frames.Size = PowerOfTwoAtLeast(frames.Length);
    const std::int32_t room = available - frames.Length;
    frames.Hop = std::max(frames.Length / windowsPerHop,
                          std::min(room / static_cast<std::int32_t>(kMostWindows - 1), frames.Size * 3 / 4));
    for (std::int32_t first = 0; first <= room && frames.Energies.size() < kMostWindows; first += frames.Hop) {
        frames.Energies.push_back(EnergyOf(signal.data() + first, frames.Length));
    }
    frames.Spectra.resize(frames.Energies.size());
    for (std::size_t j = 0; j < frames.Spectra.size(); j += stride) {
        TransformWindow(frames, signal, j);
    }
    return frames;
}

// The windows where the note sounds: within kSoundingDecibels of the loudest.
std::vector<std::size_t> SoundingWindows(const Frames& frames) {
    std::vector<std::size_t> sounding;
    const double loudest = frames.Energies.empty() ? 0.0 : *std::ranges::max_element(frames.Energies);
    for (std::size_t j = 0; j < frames.Energies.size(); ++j) {
        if (loudest > 0.0 && frames.Energies[j] >= loudest * std::pow(10.0, -kSoundingDecibels / 10.0)) {
            sounding.push_back(j);
        }
    }
    return sounding;
}

// The median of `values`, which it reorders.
double MedianOf(std::vector<double>& values) {
    if (values.empty()) {
        return 0.0;
    }
    const auto middle = values.begin() + std::ssize(values) / 2;
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// The value below which half the weight lies.
double WeightedMedian(std::vector<std::pair<double, double>> valueWeights) {
    std::ranges::sort(valueWeights);
    double total = 0.0;
    for (const auto& [value, weight] : valueWeights) {
        total += weight;
    }
    double sum = 0.0;
    for (const auto& [value, weight] : valueWeights) {
        sum += weight;
        if (sum >= total / 2.0) {
            return value;
        }
    }
    return valueWeights.empty() ? 0.0 : valueWeights.back().first;
}

// The level-weighted mean of the readings within kVibratoCents of their
// weighted median: over the whole stretch, vibrato and drift average out
// (a median would jump between windows when the recording is resampled); a
// reading thrown off by noise is left out.
double TrimmedMean(const std::vector<std::pair<double, double>>& readings) {
    const double median = WeightedMedian(readings);
    double sum = 0.0;
    double weights = 0.0;
    for (const auto& [value, weight] : readings) {
        if (std::abs(1200.0 * std::log2(value / median)) <= kVibratoCents) {
            sum += value * weight;
            weights += weight;
        }
    }
    return weights > 0.0 ? sum / weights : median;
}

// One partial as measured over the windows: harmonic number, frequency,
// level, and how far (cents) the windows' readings lie from the frequency.
struct Partial {
    int Harmonic;
    double Frequency;
    double Level;
    double Spread;
};

// The power that a partial must exceed in window j: kPartialAboveFloor times
// the median power of the bins in [from, to), read at every
// kFloorStride-th bin (a median of thousands of bins costs more than the rest
// of the window's reading, and a third of them tells the floor as well).
double Floor(const std::vector<Complex>& spectrum, std::int32_t from, std::int32_t to) {
    thread_local std::vector<double> powers;
    powers.clear();
    for (std::int32_t b = std::max(from, 1); b < to && b < std::ssize(spectrum); b += kFloorStride) {
        powers.push_back(std::norm(spectrum[static_cast<std::size_t>(b)]));
    }
    return kPartialAboveFloor * MedianOf(powers);
}

// Partial `harmonic` near `expected` Hz: the strongest bin within `reach` Hz in
// each sounding window, its frequency from the phase advance to the window
// `step` windows on; the trimmed mean of those, weighted by level.
bool MeasurePartial(const Frames& frames, const std::vector<std::size_t>& sounding, const std::vector<double>& floors,
                    std::size_t step, std::uint32_t rate, int harmonic, double expected, double reach,
                    Partial& partial) {
    const double binHz = static_cast<double>(rate) / frames.Size;
    const auto last = static_cast<std::int32_t>(frames.Size / 2 - 1);
    const auto from = std::max<std::int32_t>(1, static_cast<std::int32_t>(std::ceil((expected - reach) / binHz)));
    const auto to = std::min<std::int32_t>(last, static_cast<std::int32_t>(std::floor((expected + reach) / binHz)));
    std::vector<std::pair<double, double>> readings;
    double levels = 0.0;
    for (std::size_t i = 0; i < sounding.size(); ++i) {
        const std::size_t j = sounding[i];
        if (i + 1 >= sounding.size() || sounding[i + 1] != j + step || from > to) {
            continue;
        }
        const std::vector<Complex>& now = frames.Spectra[j];
        std::int32_t top = from;
        for (std::int32_t b = from; b <= to; ++b) {
            if (std::norm(now[static_cast<std::size_t>(b)]) > std::norm(now[static_cast<std::size_t>(top)])) {
                top = b;
            }
        }
        const double power = std::norm(now[static_cast<std::size_t>(top)]);
        const bool isPeak = power >= std::norm(now[static_cast<std::size_t>(top - 1)]) &&
                            power >= std::norm(now[static_cast<std::size_t>(top + 1)]);
        if (!isPeak || power <= floors[j]) {
            continue;
        }
        // The phase advance beyond that of the bin's own frequency, wrapped
        // into (-pi, pi]: what lies between the bin and the partial.
        const auto hop = static_cast<double>(step) * frames.Hop;
        const double binAdvance = 2.0 * std::numbers::pi * top * hop / frames.Size;
        const double advance = std::arg(frames.Spectra[j + step][static_cast<std::size_t>(top)]) -
                               std::arg(now[static_cast<std::size_t>(top)]);
        const double beyond = std::remainder(advance - binAdvance, 2.0 * std::numbers::pi);
        const double frequency =
            (top / static_cast<double>(frames.Size) + beyond / (2.0 * std::numbers::pi * hop)) * rate;
        const double level = std::sqrt(power);
        // Tapered over the stretch, so that a vibrato's cycle cut off at
        // either end weighs little: the mean stays where it is when the
        // recording is resampled and the stretch ends elsewhere in a cycle.
        const double place = (static_cast<double>(j) + 0.5 * static_cast<double>(step) + 0.5) /
                             static_cast<double>(frames.Spectra.size());
        const double taper = std::pow(std::sin(std::numbers::pi * place), 2.0);
        readings.emplace_back(frequency, level * taper);
        levels += level;
    }
    if (readings.empty()) {
        return false;
    }
    const double mean = TrimmedMean(readings);
    double spread = 0.0;
    for (const auto& [value, weight] : readings) {
        const double cents = std::abs(1200.0 * std::log2(value / mean));
        spread = std::max(spread, cents <= kVibratoCents ? cents : 0.0);
    }
    partial = {harmonic, mean, levels / static_cast<double>(sounding.size()), spread};
    return true;
}

// The partials that belong to one series: strong enough, and each within
// kOffSeriesCents (plus what a string's stretch could add) of the f0 that the
// partials imply by their level-weighted median. A struck bar's inharmonic
// overtone that fell within reach of a harmonic is no partial of the series.
void KeepTheSeries(std::vector<Partial>& partials, double stretch) {
    const double strongest = std::ranges::max_element(partials, {}, &Partial::Level)->Level;
    std::erase_if(partials, [strongest](const Partial& p) {
        return p.Level < strongest * std::pow(10.0, -kWeakestPartialDecibels / 20.0);
    });
    const auto implied = [stretch](const Partial& p) {
        return p.Frequency / (p.Harmonic * std::sqrt(1.0 + stretch * p.Harmonic * p.Harmonic));
    };
    std::vector<std::pair<double, double>> readings;
    for (const Partial& p : partials) {
        readings.emplace_back(implied(p), p.Level);
    }
    const double centre = WeightedMedian(std::move(readings));
    std::erase_if(partials, [&](const Partial& p) {
        const double k = p.Harmonic;
        const double allowance = kOffSeriesCents + 600.0 * std::log2(1.0 + kLooseStretch * k * k);
        return std::abs(1200.0 * std::log2(implied(p) / centre)) > allowance;
    });
}

// f0 and B of k x f0 x sqrt(1 + B k^2) fitted to the partials, weighted by
// level times harmonic (f / k of a high partial is the more precise). With
// fewer than five partials near the strongest, or a stretch no string has,
// the series is harmonic (B = 0).
std::pair<double, double> FitSeries(const std::vector<Partial>& partials,
                                    std::size_t partialsForStretch = kStretchPartials) {
    double strongest = 0.0;
    for (const Partial& p : partials) {
        strongest = std::max(strongest, p.Level);
    }
    const auto close = std::ranges::count_if(partials, [strongest](const Partial& p) {
        return p.Level >= strongest * std::pow(10.0, -kStretchPartialDecibels / 20.0);
    });
    double w = 0.0, wy = 0.0, wx = 0.0, wxx = 0.0, wxy = 0.0;
    for (const Partial& p : partials) {
        const double k = p.Harmonic;
        const double weight = p.Level * p.Level * k * k;
        const double y = p.Frequency / k;
        const double x = k * k;
        w += weight;
        wy += weight * y;
        wx += weight * x;
        wxx += weight * x * x;
        wxy += weight * x * y;
    }
    if (w <= 0.0) {
        return {0.0, 0.0};
    }
    const double harmonic = wy / w;
    const double determinant = w * wxx - wx * wx;
    if (static_cast<std::size_t>(close) < partialsForStretch || determinant <= 1e-12 * w * wxx) {
        return {harmonic, 0.0};
    }
    // y = a + b x with b = a B / 2 (the stretch to first order).
    const double b = (w * wxy - wx * wy) / determinant;
    const double a = (wy - b * wx) / w;
    const double stretch = a > 0.0 ? 2.0 * b / a : 0.0;
    if (stretch <= 0.0 || stretch > kStretchLimit) {
        return {harmonic, 0.0};
    }
    return {a, stretch};
}

double PartialFrequency(double f0, double stretch, int k) {
    return k * f0 * std::sqrt(1.0 + stretch * k * k);
}

// The share of the energy that lies on the series (within the main lobe of a
// partial), over the sounding windows, from f0 / 2 to the highest partial
// measured: noise, hum and other tones between the partials lower it.
double Clarity(const Frames& frames, const std::vector<std::size_t>& sounding, std::uint32_t rate, double f0,
               double stretch, int highest) {
    const double binHz = static_cast<double>(rate) / frames.Size;
    const double lobe = kMainLobeBins * rate / frames.Length;  // Hz each side of a partial
    const auto from = static_cast<std::int32_t>(std::ceil(f0 / 2.0 / binHz));
    const auto to = std::min<std::int32_t>(
        frames.Size / 2, static_cast<std::int32_t>(PartialFrequency(f0, stretch, highest) / binHz + lobe / binHz) + 1);
    std::vector<bool> onSeries(static_cast<std::size_t>(std::max(to, 0)), false);
    for (int k = 1; k <= highest; ++k) {
        const double centre = PartialFrequency(f0, stretch, k) / binHz;
        for (auto b = static_cast<std::int32_t>(std::ceil(centre - lobe / binHz)); b <= centre + lobe / binHz && b < to;
             ++b) {
            if (b >= 0) {
                onSeries[static_cast<std::size_t>(b)] = true;
            }
        }
    }
    double series = 0.0;
    double total = 0.0;
    for (const std::size_t j : sounding) {
        const std::vector<Complex>& spectrum = frames.Spectra[j];
        for (std::int32_t b = from; b < to; ++b) {
            const double power = std::norm(spectrum[static_cast<std::size_t>(b)]);
            total += power;
            series += onSeries[static_cast<std::size_t>(b)] ? power : 0.0;
        }
    }
    return total > 0.0 ? std::clamp(series / total, 0.0, 1.0) : 0.0;
}

}  // namespace

namespace {

// The series fitted to the partials measured in `frames` from
// `roughFundamental` Hz on, reading the windows in `sounding` in pairs `step`
// windows apart; no partials when none stands out of the noise.
struct SeriesFit {
    double F0 = 0.0;
    double Stretch = 0.0;
    std::vector<Partial> Partials;
};

SeriesFit MeasureTheSeries(const Frames& frames, const std::vector<std::size_t>& sounding,
                           const std::vector<double>& floors, std::size_t step, std::uint32_t sampleRate,
                           double roughFundamental) {
    const double binHz = static_cast<double>(sampleRate) / frames.Size;
    // Rounds of 4, 8, 16 ... partials: each round's f0 places the next round's
    // partials closer than the rough fundamental could.
    SeriesFit fit{roughFundamental, 0.0, {}};
    for (int most = 4;; most *= 2) {
        fit.Partials.clear();
        for (int k = 1; k <= std::min(most, kMostPartials); ++k) {
            const double expected = PartialFrequency(fit.F0, fit.Stretch, k);
            if (expected >= kHighestPartialShare * sampleRate) {
                break;
            }
            // Within a third of the spacing, and no nearer than three bins.
            const double reach = std::max(std::min(fit.F0 / 3.0, 0.03 * expected), 3.0 * binHz);
            Partial partial{};
            if (MeasurePartial(frames, sounding, floors, step, sampleRate, k, expected, reach, partial)) {
                fit.Partials.push_back(partial);
            }
        }
        if (fit.Partials.empty()) {
            return fit;
        }
        KeepTheSeries(fit.Partials, fit.Stretch);
        std::tie(fit.F0, fit.Stretch) = FitSeries(fit.Partials);
        if (most >= kMostPartials || PartialFrequency(fit.F0, fit.Stretch, most) >= kHighestPartialShare * sampleRate) {
            return fit;
        }
    }
}

// Whether the windows' readings of every strong partial (within
// kTrackedDecibels of the strongest) agree within kAgreeingCents: a weak
// partial's readings scatter in the noise however steady the tone.
bool ReadingsAgree(const SeriesFit& fit) {
    double strongest = 0.0;
    for (const Partial& p : fit.Partials) {
        strongest = std::max(strongest, p.Level);
    }
    return std::ranges::all_of(fit.Partials, [strongest](const Partial& p) {
        return p.Spread <= kAgreeingCents || p.Level < strongest * std::pow(10.0, -kTrackedDecibels / 20.0);
    });
}

// The phase advances a leap reaches: where a sampled note's loop starts
// again, or a bow catches, a partial's phase leaps within a window or two,
// while a vibrato turns its advance only slowly. The windows that hold the
// leap near their middle read part of it too, so the advances within
// kLeapReach of one that jumps away from its neighbours' go with it.
std::vector<bool> LeapingAdvances(const std::vector<double>& advances) {
    std::vector<bool> leapt(advances.size(), false);
    std::vector<double> around;
    for (std::size_t m = 0; m < advances.size(); ++m) {
        const std::size_t from = m >= kJumpNeighbours ? m - kJumpNeighbours : 0;
        const std::size_t to = std::min(advances.size(), m + kJumpNeighbours + 1);
        around.assign(advances.begin() + static_cast<std::ptrdiff_t>(from),
                      advances.begin() + static_cast<std::ptrdiff_t>(to));
        if (std::abs(advances[m] - MedianOf(around)) > kJumpRadians) {
            const std::size_t last = std::min(advances.size() - 1, m + kLeapReach);
            std::fill(leapt.begin() + static_cast<std::ptrdiff_t>(m >= kLeapReach ? m - kLeapReach : 0),
                      leapt.begin() + static_cast<std::ptrdiff_t>(last + 1), true);
        }
    }
    return leapt;
}

// Leaps of the phase bridged over: left in, a leap would count as frequency
// wherever it falls under the taper; left out, its advances would cut a
// piece from the swing, whose full cycles make the mean. So each run of
// leaping advances is drawn straight across, from the advance before it to
// the one after. False when nothing steady is left to draw from.
bool BridgeLeaps(std::vector<double>& advances) {
    const std::vector<bool> leapt = LeapingAdvances(advances);
    for (std::size_t first = 0; first < advances.size();) {
        if (!leapt[first]) {
            ++first;
            continue;
        }
        std::size_t end = first;
        while (end < advances.size() && leapt[end]) {
            ++end;
        }
        if (first == 0 && end == advances.size()) {
            return false;
        }
        const double before = first > 0 ? advances[first - 1] : advances[end];
        const double after = end < advances.size() ? advances[end] : before;
        for (std::size_t m = first; m < end; ++m) {
            const double share = static_cast<double>(m + 1 - first) / static_cast<double>(end + 1 - first);
            advances[m] = before + share * (after - before);
        }
        first = end;
    }
    return true;
}

// Partial `harmonic` of a tone whose pitch moves (vibrato, drift), read at
// one fixed frequency across the whole stretch: short windows (a few
// periods, so that the partial's swing stays within their passband) at a
// small hop (so that its phase turns less than a quarter turn beyond the
// fixed frequency's from one to the next), each the sum of the windowed
// values turned back by that frequency. The advance of the phase from
// window to window is then the partial's own frequency averaged over the
// hop, with nothing lost between windows or bins; the tapered, level-weighted
// mean of those advances is its mean frequency over the stretch. A longer
// window or the strongest bin of each would follow the partial only
// roughly, and differently when the recording is resampled.
bool TrackPartial(std::span<const double> signal, std::uint32_t rate, double frequency, double f0, Partial& partial) {
    const auto length = static_cast<std::int32_t>(std::ceil(kTrackingPeriods * rate / f0));
    const auto size = static_cast<std::int32_t>(std::min<std::size_t>(signal.size(), 1U << 30));
    if (length < 16 || 2 * length > size) {
        return false;
    }
    const std::int32_t hop = std::max(1, length / kTrackingHops);
    const std::vector<double> window = BlackmanHarris(length);
    const double step = 2.0 * std::numbers::pi * frequency / rate;
    std::vector<Complex> turned(static_cast<std::size_t>(length));
    for (std::int32_t n = 0; n < length; ++n) {
        turned[static_cast<std::size_t>(n)] = std::polar(window[static_cast<std::size_t>(n)], -step * n);
    }
    std::vector<Complex> readings;
    for (std::int32_t first = 0; first + length <= size; first += hop) {
        double re = 0.0;
        double im = 0.0;
        for (std::int32_t n = 0; n < length; ++n) {
            const double value = signal[static_cast<std::size_t>(first + n)];
            re += value * turned[static_cast<std::size_t>(n)].real();
            im += value * turned[static_cast<std::size_t>(n)].imag();
        }
        // Turned back from the window's own start to the stretch's.
        readings.push_back(Complex(re, im) * std::polar(1.0, -step * first));
    }
    // Weighted by the taper alone: a window's level falls as the partial
    // swings away from the fixed frequency, so weighting by it would pull
    // the mean toward that frequency. Windows far under the loudest (the
    // silence before the note, its last breath) are left out.
    double loudest = 0.0;
    std::vector<double> levels(readings.size());
    for (std::size_t m = 0; m < readings.size(); ++m) {
        levels[m] = std::abs(readings[m]);
        loudest = std::max(loudest, levels[m]);
    }
    std::vector<double> advances(readings.size() - 1);
    for (std::size_t m = 0; m + 1 < readings.size(); ++m) {
        advances[m] = std::arg(readings[m + 1] * std::conj(readings[m]));
    }
    if (!BridgeLeaps(advances)) {
        return false;
    }
    double sum = 0.0;
    double weights = 0.0;
    double total = 0.0;
    for (std::size_t m = 0; m < advances.size(); ++m) {
        const double advance = advances[m];
        total += levels[m];
        if (std::min(levels[m], levels[m + 1]) < loudest * std::pow(10.0, -kTrackedFloorDecibels / 20.0) ||
            std::abs(advance) > std::numbers::pi / 2.0) {
            continue;
        }
        const double place = (static_cast<double>(m) * hop + 0.5 * hop + 0.5 * length) / size;
        const double weight = std::pow(std::sin(std::numbers::pi * place), 2.0);
        sum += weight * (frequency + advance * rate / (2.0 * std::numbers::pi * hop));
        weights += weight;
    }
    if (!(weights > 0.0)) {
        return false;
    }
    partial.Frequency = sum / weights;
    partial.Level = total / static_cast<double>(readings.size() - 1);
    return true;
}

// The fit's f0 and stretch from its lowest partials tracked one by one (see
// TrackPartial), those of them within kTrackedDecibels of the strongest;
// the fit as it was when none could be. Each of the lowest is tracked
// whether or not the windows found it: which partials count then depends on
// their levels over the whole stretch, not on a window's peak passing a
// floor, and a sound whose partials are not quite in tune with each other
// is tuned from the same ones when resampled. The series is taken as
// harmonic: a swinging pitch feigns a stretch in the windows' readings, and
// the few partials tracked cannot tell a string's own from their scatter.
void TrackTheSeries(std::span<const double> signal, std::uint32_t rate, SeriesFit& fit) {
    std::vector<Partial> tracked;
    double strongest = 0.0;
    for (int k = 1; k <= kTrackedPartials; ++k) {
        const double frequency = PartialFrequency(fit.F0, fit.Stretch, k);
        Partial partial{k, frequency, 0.0, 0.0};
        if (frequency < kHighestPartialShare * rate && TrackPartial(signal, rate, frequency, fit.F0, partial)) {
            tracked.push_back(partial);
            strongest = std::max(strongest, partial.Level);
        }
    }
    std::erase_if(tracked, [strongest](const Partial& p) {
        return p.Level < strongest * std::pow(10.0, -kTrackedDecibels / 20.0);
    });
    if (!tracked.empty()) {
        // A struck bar's overtone or a neighbouring tone near a harmonic is
        // no partial of the series.
        KeepTheSeries(tracked, 0.0);
        std::tie(fit.F0, fit.Stretch) = FitSeries(tracked, std::numeric_limits<std::size_t>::max());
    }
}

// The windows of `sounding` that are transformed, with their floors.
std::vector<std::size_t> Transformed(const Frames& frames, const std::vector<std::size_t>& sounding,
                                     std::vector<double>& floors) {
    std::vector<std::size_t> windows;
    for (const std::size_t j : sounding) {
        if (!frames.Spectra[j].empty()) {
            windows.push_back(j);
            if (floors[j] < 0.0) {
                floors[j] = Floor(frames.Spectra[j], 1, frames.Size / 2);
            }
        }
    }
    return windows;
}

}  // namespace

TuningEstimate EstimateTuning(std::span<const double> signal, std::uint32_t sampleRate, double roughFundamental) {
    TuningEstimate estimate;
    if (sampleRate == 0 || !(roughFundamental > 0.0) || !std::isfinite(roughFundamental)) {
        return estimate;
    }
    const auto length = std::max(
        kShortestWindow,
        static_cast<std::int32_t>(std::min(1e9, std::ceil(kPeriodsPerWindow * sampleRate / roughFundamental))));
    // Every other window first: a steady tone reads the same from half of
    // them, and only a tone whose readings differ needs them all.
    Frames frames = Analyse(signal, std::max(length, static_cast<std::int32_t>(signal.size() / kStretchParts)),
                            kTuningOverlap, kFirstStride);
    const std::vector<std::size_t> sounding = SoundingWindows(frames);
    if (frames.Spectra.size() < 2 || sounding.empty()) {
        return estimate;
    }
    std::vector<double> floors(frames.Spectra.size(), -1.0);
    std::vector<std::size_t> read = Transformed(frames, sounding, floors);
    // Pairs further apart than half a transform leave a partial less than a bin to turn in.
    const bool firstReadable = static_cast<std::int32_t>(kFirstStride) * frames.Hop <= frames.Size / 2;
    SeriesFit fit;
    if (firstReadable) {
        fit = MeasureTheSeries(frames, read, floors, kFirstStride, sampleRate, roughFundamental);
    }
    if (!firstReadable || fit.Partials.empty() || !ReadingsAgree(fit)) {
        for (std::size_t j = 0; j < frames.Spectra.size(); ++j) {
            if (frames.Spectra[j].empty()) {
                TransformWindow(frames, signal, j);
            }
        }
        read = Transformed(frames, sounding, floors);
        fit = MeasureTheSeries(frames, read, floors, 1, sampleRate, roughFundamental);
        if (!fit.Partials.empty() && !ReadingsAgree(fit)) {
            // Twice: the second time at frequencies the first placed closer.
            TrackTheSeries(signal, sampleRate, fit);
            TrackTheSeries(signal, sampleRate, fit);
        }
    }
    if (fit.Partials.empty()) {
        // No series stands out of the noise: the sound is as clear as its
        // first partials' share of it.
        estimate.Clarity = Clarity(frames, read, sampleRate, roughFundamental, 0.0, kUnmeasuredPartials);
        return estimate;
    }
    estimate.Found = fit.F0 > 0.0;
    estimate.Pitch = fit.F0;
    estimate.Stretch = fit.Stretch;
    estimate.Partials = static_cast<int>(fit.Partials.size());
    estimate.Clarity = Clarity(frames, read, sampleRate, fit.F0, fit.Stretch, fit.Partials.back().Harmonic);
    return estimate;
}

namespace {

// The median magnitude at `bin` over `spectra`.
double MedianLevel(const std::vector<std::vector<Complex>>& spectra, std::size_t bin) {
    std::array<double, kMostWindows> powers;  // NOLINT: only the first `count` are written and read
    const std::size_t count = std::min(spectra.size(), powers.size());
    // A few values each: sorted by insertion, without nth_element's set-up.
    for (std::size_t i = 0; i < count; ++i) {
        powers[i] = std::norm(spectra[i][bin]);
        for (std::size_t j = i; j > 0 && powers[j] < powers[j - 1]; --j) {
            std::swap(powers[j], powers[j - 1]);
        }
    }
    return count == 0 ? 0.0 : std::sqrt(powers[count / 2]);
}

// The highest median magnitude over `spectra` at `bin` and its two neighbours.
double Near(const std::vector<std::vector<Complex>>& spectra, long bin) {
    double level = 0.0;
    const auto bins = spectra.empty() ? 0L : std::ssize(spectra.front());
    for (auto b = bin - 1; b <= bin + 1; ++b) {
        if (b >= 0 && b < bins) {
            level = std::max(level, MedianLevel(spectra, static_cast<std::size_t>(b)));
        }
    }
    return level;
}

}  // namespace

LastingTones::LastingTones(std::span<const double> signal, std::uint32_t sampleRate) : sampleRate_(sampleRate) {
    Frames frames = Analyse(signal, static_cast<std::int32_t>(signal.size() / kStretchParts), 1);
    const std::vector<std::size_t> sounding = SoundingWindows(frames);
    if (sounding.size() < 4) {
        return;
    }
    size_ = frames.Size;
    const std::size_t half = sounding.size() / 2;
    for (std::size_t i = 0; i < sounding.size(); ++i) {
        (i < half ? early_ : late_).push_back(std::move(frames.Spectra[sounding[i]]));
    }
    // The strongest tone of the later half: its median level at every bin.
    // Compared as powers, the median of four without branches when the
    // halves hold four windows, as they mostly do.
    double strongest = 0.0;
    const std::size_t bins = late_.front().size();
    for (std::size_t b = 1; b < bins; ++b) {
        double power = 0.0;
        if (late_.size() == 4) {
            const double p0 = std::norm(late_[0][b]), p1 = std::norm(late_[1][b]);
            const double p2 = std::norm(late_[2][b]), p3 = std::norm(late_[3][b]);
            // The third smallest: the larger of the two middle ones.
            power =
                std::max(std::max(std::min(p0, p1), std::min(p2, p3)), std::min(std::max(p0, p1), std::max(p2, p3)));
        } else {
            const double level = MedianLevel(late_, b);
            power = level * level;
        }
        if (power > strongest) {
            strongest = power;
            strongest_ = b;
        }
    }
}

bool LastingTones::IsLasting(double frequency) const {
    const double strongest = late_.empty() ? 0.0 : MedianLevel(late_, strongest_);
    const double strongestEarly = early_.empty() ? 0.0 : MedianLevel(early_, strongest_);
    if (size_ == 0 || !(strongest > 0.0) || !(strongestEarly > 0.0)) {
        return true;
    }
    const auto bin = std::lround(frequency * size_ / sampleRate_);
    const double late = Near(late_, bin);
    const double early = Near(early_, bin);
    // A tone lasts when it is still heard later on and has not died away
    // much faster than the strongest tone: a thump falls by tens of dB
    // where the note falls by a few.
    const double fall = early > 0.0 ? late / early : 1.0;
    const double noteFall = strongest / strongestEarly;
    return late >= strongest * std::pow(10.0, -kLastingDecibels / 20.0) &&
           fall >= noteFall * std::pow(10.0, -kFasterFallDecibels / 20.0);
}
