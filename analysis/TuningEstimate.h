// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <complex>
#include <cstdint>
#include <span>
#include <vector>

// The tuning of a note from its whole harmonic series, over the sustained
// part of the stretch the analysis reads: the figure korvani-pitch --auto
// names its note by. One bin of one spectrum is too coarse to tune by (a bin
// of the analysis spans 40 to 65 cents in the bass), so every strong partial
// is measured on its own, the partials are fitted to one series and the
// windows over the sustain are combined.

/// What EstimateTuning found.
struct TuningEstimate {
    bool Found = false;    ///< false when no partial of the series could be measured
    double Pitch = 0.0;    ///< the fundamental f0 of the fitted series, Hz
    double Stretch = 0.0;  ///< B of the fitted series k x f0 x sqrt(1 + B k^2): 0 for a harmonic one
    int Partials = 0;      ///< partials measured and fitted
    double Clarity = 0.0;  ///< 0 ... 1: the share of the energy on the series (see EstimateTuning)
};

/// Below this clarity a result is doubtful: less than half the sound's
/// energy lies on the series.
inline constexpr double kDoubtfulClarity = 0.5;

/// Measures the series whose fundamental lies near `roughFundamental` Hz in
/// `signal` (values at `sampleRate`): windows of at least a dozen periods
/// (Blackman-Harris, hop a quarter window) over the stretch; each partial k's
/// frequency from the advance of its phase between windows (a phase vocoder:
/// exact for a steady partial, wherever it lies between bins), the tapered,
/// level-weighted mean over the windows where the note sounds; the partials
/// fitted to k x f0 x sqrt(1 + B k^2), weighted by level, in rounds of more
/// partials as f0 sharpens. Every other window is read first; all of them
/// when a strong partial's readings differ by more than a cent. When they
/// still differ (vibrato, drift), the lowest partials are tracked one by one
/// at a fixed frequency through short windows at a small hop, and f0 comes
/// from their mean frequencies over the stretch. Clarity: the share of the
/// spectral energy, summed over the same windows from f0 / 2 to the highest
/// partial measured, that lies within the main lobe of a partial of the
/// series (two bins of the window each side).
TuningEstimate EstimateTuning(std::span<const double> signal, std::uint32_t sampleRate, double roughFundamental);

/// The lasting part of a stretch: whether a tone near `frequency` Hz sounds
/// through the sustain rather than only in a burst. Built from windows over
/// the stretch; answers true for any frequency when the stretch is too short
/// to tell.
class LastingTones {
public:
    LastingTones(std::span<const double> signal, std::uint32_t sampleRate);

    /// True when the level near `frequency` (its window's bin and the two
    /// beside it), in the later half of the windows where the sound lasts,
    /// lies within 45 dB of the strongest level there, and has fallen from
    /// the earlier half by no more than 20 dB beyond the fall of that
    /// strongest tone.
    bool IsLasting(double frequency) const;

private:
    std::uint32_t sampleRate_;
    std::int32_t size_ = 0;
    // The spectra (bins 0 ... size_ / 2) of the earlier and the later half of
    // the windows where the sound lasts; a bin's level in either is its median
    // magnitude there.
    std::vector<std::vector<std::complex<double>>> early_;
    std::vector<std::vector<std::complex<double>>> late_;
    std::size_t strongest_ = 0;  // the bin of the strongest level of late_
};
