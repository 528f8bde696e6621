// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/TuningEstimate.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>
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
constexpr int kUnmeasuredPartials = 8;            // partials a clarity counts when none could be measured
constexpr double kStretchLimit = 0.002;           // B above this is no string's; noise in the fit
constexpr double kWeakestPartialDecibels = 50.0;  // partials further under the strongest are noise, not the series
constexpr double kStretchPartialDecibels = 30.0;  // the stretch is fitted to partials this close to the strongest
constexpr double kVibratoCents = 100.0;           // a reading further from its partial's median is noise
constexpr double kOffSeriesCents = 15.0;          // a partial further off the series belongs to another
constexpr double kLooseStretch = 0.0005;          // the most stretch a partial's distance from the series allows for
constexpr std::size_t kStretchPartials = 5;       // fewer partials cannot tell a stretch from noise
constexpr double kFasterFallDecibels = 20.0;      // a tone falling this much faster than the note is a burst
constexpr double kLastingDecibels = 45.0;         // a tone this far under the lasting strongest is gone
constexpr double kLastingWindowSeconds = 0.08;    // windows of the lasting test: bins of some 12 Hz

// The turns e^(-2 pi i k / n) for k < n / 2: every stage of a transform of
// size n reads its own from them.
std::vector<Complex> Twiddles(std::size_t n) {
    std::vector<Complex> turns(n / 2);
    for (std::size_t k = 0; k < n / 2; ++k) {
        turns[k] = std::polar(1.0, -2.0 * std::numbers::pi * static_cast<double>(k) / static_cast<double>(n));
    }
    return turns;
}

// In-place radix-2 transform of a power-of-two length, `turns` from Twiddles.
void Transform(std::vector<Complex>& data, const std::vector<Complex>& turns) {
    const std::size_t n = data.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; (j & bit) != 0; bit >>= 1) {
            j ^= bit;
        }
        j ^= bit;
        if (i < j) {
            std::swap(data[i], data[j]);
        }
    }
    for (std::size_t length = 2; length <= n; length <<= 1) {
        const std::size_t half = length / 2;
        const std::size_t stride = n / length;
        for (std::size_t start = 0; start < n; start += length) {
            for (std::size_t k = 0; k < half; ++k) {
                // Written out: the library's product checks for infinities at every call.
                const Complex& w = turns[k * stride];
                const Complex& x = data[start + k + half];
                const Complex odd(x.real() * w.real() - x.imag() * w.imag(), x.real() * w.imag() + x.imag() * w.real());
                data[start + k + half] = data[start + k] - odd;
                data[start + k] += odd;
            }
        }
    }
}

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

// Windows of one length over a stretch, each transformed, one after another
// at a fixed hop (the window's length / `windowsPerHop`; longer on a long
// stretch, never so long that a partial's phase could turn more than half a
// turn beyond its bin's).
struct Frames {
    std::int32_t Length = 0;                    // samples windowed
    std::int32_t Size = 0;                      // transform size, a power of two at least Length
    std::int32_t Hop = 0;                       // from one window to the next
    std::vector<std::vector<Complex>> Spectra;  // bins 0 ... Size / 2
    std::vector<double> Energies;               // of each window's samples
};

Frames Analyse(std::span<const double> signal, std::int32_t length, std::int32_t windowsPerHop) {
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
    const std::vector<double> window = BlackmanHarris(frames.Length);
    const auto half = static_cast<std::size_t>(frames.Size / 2);
    const std::vector<Complex> halfTurns = Twiddles(half);
    const std::vector<Complex> turns = Twiddles(2 * half);
    for (std::int32_t first = 0; first <= room && frames.Spectra.size() < kMostWindows; first += frames.Hop) {
        // The real values in pairs as one complex value each: a transform of
        // half the size, unpacked below.
        std::vector<Complex> packed(half);
        double energy = 0.0;
        for (std::int32_t n = 0; n < frames.Length; ++n) {
            const double value = signal[static_cast<std::size_t>(first + n)];
            energy += value * value;
            const double windowed = value * window[static_cast<std::size_t>(n)];
            Complex& slot = packed[static_cast<std::size_t>(n / 2)];
            slot = n % 2 == 0 ? Complex(windowed, slot.imag()) : Complex(slot.real(), windowed);
        }
        Transform(packed, halfTurns);
        std::vector<Complex> spectrum(half + 1);
        for (std::size_t k = 0; k <= half; ++k) {
            const Complex a = packed[k % half];
            const Complex b = std::conj(packed[(half - k) % half]);
            const Complex even = 0.5 * (a + b);
            const Complex odd = Complex(0.0, -0.5) * (a - b);
            const Complex turn = k < half ? turns[k] : Complex(-1.0, 0.0);
            spectrum[k] = even + Complex(turn.real() * odd.real() - turn.imag() * odd.imag(),
                                         turn.real() * odd.imag() + turn.imag() * odd.real());
        }
        frames.Spectra.push_back(std::move(spectrum));
        frames.Energies.push_back(energy);
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

double MedianOf(std::vector<double> values) {
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
double TrimmedMean(std::vector<std::pair<double, double>> readings) {
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

// One partial as measured over the windows: harmonic number, frequency, level.
struct Partial {
    int Harmonic;
    double Frequency;
    double Level;
};

// The power that a partial must exceed in window j: kPartialAboveFloor times
// the median power of the bins in [from, to).
double Floor(const std::vector<Complex>& spectrum, std::int32_t from, std::int32_t to) {
    std::vector<double> powers;
    for (std::int32_t b = std::max(from, 1); b < to && b < std::ssize(spectrum); ++b) {
        powers.push_back(std::norm(spectrum[static_cast<std::size_t>(b)]));
    }
    return kPartialAboveFloor * MedianOf(std::move(powers));
}

// Partial `harmonic` near `expected` Hz: the strongest bin within `reach` Hz in
// each sounding window, its frequency from the phase advance to the next
// window; the weighted median of those, weighted by level.
bool MeasurePartial(const Frames& frames, const std::vector<std::size_t>& sounding, const std::vector<double>& floors,
                    std::uint32_t rate, int harmonic, double expected, double reach, Partial& partial) {
    const double binHz = static_cast<double>(rate) / frames.Size;
    const auto last = static_cast<std::int32_t>(frames.Size / 2 - 1);
    const auto from = std::max<std::int32_t>(1, static_cast<std::int32_t>(std::ceil((expected - reach) / binHz)));
    const auto to = std::min<std::int32_t>(last, static_cast<std::int32_t>(std::floor((expected + reach) / binHz)));
    std::vector<std::pair<double, double>> readings;
    double levels = 0.0;
    for (std::size_t i = 0; i < sounding.size(); ++i) {
        const std::size_t j = sounding[i];
        if (i + 1 >= sounding.size() || sounding[i + 1] != j + 1 || from > to) {
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
        const double binAdvance = 2.0 * std::numbers::pi * top * frames.Hop / frames.Size;
        const double advance = std::arg(frames.Spectra[j + 1][static_cast<std::size_t>(top)]) -
                               std::arg(now[static_cast<std::size_t>(top)]);
        const double beyond = std::remainder(advance - binAdvance, 2.0 * std::numbers::pi);
        const double frequency =
            (top / static_cast<double>(frames.Size) + beyond / (2.0 * std::numbers::pi * frames.Hop)) * rate;
        const double level = std::sqrt(power);
        // Tapered over the stretch, so that a vibrato's cycle cut off at
        // either end weighs little: the mean stays where it is when the
        // recording is resampled and the stretch ends elsewhere in a cycle.
        const double place = (static_cast<double>(j) + 1.0) / static_cast<double>(frames.Spectra.size());
        const double taper = std::pow(std::sin(std::numbers::pi * place), 2.0);
        readings.emplace_back(frequency, level * taper);
        levels += level;
    }
    if (readings.empty()) {
        return false;
    }
    partial = {harmonic, TrimmedMean(std::move(readings)), levels / static_cast<double>(sounding.size())};
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
std::pair<double, double> FitSeries(const std::vector<Partial>& partials) {
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
    if (static_cast<std::size_t>(close) < kStretchPartials || determinant <= 1e-12 * w * wxx) {
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

TuningEstimate EstimateTuning(std::span<const double> signal, std::uint32_t sampleRate, double roughFundamental) {
    TuningEstimate estimate;
    if (sampleRate == 0 || !(roughFundamental > 0.0) || !std::isfinite(roughFundamental)) {
        return estimate;
    }
    const auto length = std::max(
        kShortestWindow,
        static_cast<std::int32_t>(std::min(1e9, std::ceil(kPeriodsPerWindow * sampleRate / roughFundamental))));
    const Frames frames =
        Analyse(signal, std::max(length, static_cast<std::int32_t>(signal.size() / kStretchParts)), kTuningOverlap);
    const std::vector<std::size_t> sounding = SoundingWindows(frames);
    if (frames.Spectra.size() < 2 || sounding.empty()) {
        return estimate;
    }
    const double binHz = static_cast<double>(sampleRate) / frames.Size;
    std::vector<double> floors;
    for (const std::vector<Complex>& spectrum : frames.Spectra) {
        floors.push_back(Floor(spectrum, 1, frames.Size / 2));
    }
    // Rounds of 4, 8, 16 ... partials: each round's f0 places the next round's
    // partials closer than the rough fundamental could.
    double f0 = roughFundamental;
    double stretch = 0.0;
    std::vector<Partial> partials;
    for (int most = 4;; most *= 2) {
        partials.clear();
        for (int k = 1; k <= std::min(most, kMostPartials); ++k) {
            const double expected = PartialFrequency(f0, stretch, k);
            if (expected >= kHighestPartialShare * sampleRate) {
                break;
            }
            // Within a third of the spacing, and no nearer than three bins.
            const double reach = std::max(std::min(f0 / 3.0, 0.03 * expected), 3.0 * binHz);
            Partial partial{};
            if (MeasurePartial(frames, sounding, floors, sampleRate, k, expected, reach, partial)) {
                partials.push_back(partial);
            }
        }
        if (partials.empty()) {
            // No series stands out of the noise: the sound is as clear as its
            // first partials' share of it.
            estimate.Clarity = Clarity(frames, sounding, sampleRate, roughFundamental, 0.0, kUnmeasuredPartials);
            return estimate;
        }
        KeepTheSeries(partials, stretch);
        std::tie(f0, stretch) = FitSeries(partials);
        if (most >= kMostPartials || PartialFrequency(f0, stretch, most) >= kHighestPartialShare * sampleRate) {
            break;
        }
    }
    estimate.Found = f0 > 0.0;
    estimate.Pitch = f0;
    estimate.Stretch = stretch;
    estimate.Partials = static_cast<int>(partials.size());
    estimate.Clarity = Clarity(frames, sounding, sampleRate, f0, stretch, partials.back().Harmonic);
    return estimate;
}

namespace {

// Per bin, the median magnitude over `windows`.
std::vector<double> MedianLevels(const Frames& frames, const std::vector<std::size_t>& windows) {
    std::vector<double> levels(static_cast<std::size_t>(frames.Size / 2 + 1));
    std::vector<double> magnitudes(windows.size());
    for (std::size_t b = 0; b < levels.size(); ++b) {
        for (std::size_t i = 0; i < windows.size(); ++i) {
            magnitudes[i] = std::abs(frames.Spectra[windows[i]][b]);
        }
        levels[b] = MedianOf(magnitudes);
    }
    return levels;
}

// The highest of `levels` at `bin` and its two neighbours.
double Near(const std::vector<double>& levels, long bin) {
    double level = 0.0;
    for (auto b = bin - 1; b <= bin + 1; ++b) {
        if (b >= 0 && b < std::ssize(levels)) {
            level = std::max(level, levels[static_cast<std::size_t>(b)]);
        }
    }
    return level;
}

}  // namespace

LastingTones::LastingTones(std::span<const double> signal, std::uint32_t sampleRate) : sampleRate_(sampleRate) {
    const Frames frames = Analyse(signal, static_cast<std::int32_t>(signal.size() / kStretchParts), 1);
    const std::vector<std::size_t> sounding = SoundingWindows(frames);
    if (sounding.size() < 4) {
        return;
    }
    size_ = frames.Size;
    const auto half = sounding.begin() + std::ssize(sounding) / 2;
    early_ = MedianLevels(frames, std::vector<std::size_t>(sounding.begin(), half));
    late_ = MedianLevels(frames, std::vector<std::size_t>(half, sounding.end()));
    strongest_ = static_cast<std::size_t>(
        std::distance(late_.begin(), std::ranges::max_element(late_.begin() + 1, late_.end())));
}

bool LastingTones::IsLasting(double frequency) const {
    const double strongest = late_.empty() ? 0.0 : late_[strongest_];
    if (size_ == 0 || !(strongest > 0.0) || !(early_[strongest_] > 0.0)) {
        return true;
    }
    const auto bin = std::lround(frequency * size_ / sampleRate_);
    const double late = Near(late_, bin);
    const double early = Near(early_, bin);
    // A tone lasts when it is still heard later on and has not died away
    // much faster than the strongest tone: a thump falls by tens of dB
    // where the note falls by a few.
    const double fall = early > 0.0 ? late / early : 1.0;
    const double noteFall = strongest / early_[strongest_];
    return late >= strongest * std::pow(10.0, -kLastingDecibels / 20.0) &&
           fall >= noteFall * std::pow(10.0, -kFasterFallDecibels / 20.0);
}
