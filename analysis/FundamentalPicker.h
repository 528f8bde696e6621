// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <span>

// Where a command-line analysis starts its climb when no bin is given: at the
// fundamental of the note, or at the strongest bin. Both read a magnitude
// spectrum as the analysis computes it (M bins, bin k standing for
// k x sampleRate / transformSize Hz) and only choose a bin: the climb, the
// refinement and the note name are those of a click, run by the caller.

/// Whether a spectrum holds a note: the answer of --auto.
enum class PitchVerdict {
    Pitched,           ///< a harmonic series stands out: Bin is its fundamental
    Silent,            ///< the strongest bin lies below kSilentDecibels of full scale
    NoHarmonicSeries,  ///< no partial stands out of its surroundings (noise)
};

/// A sine at full scale centred on a bin reads 1250 in the analysis's
/// magnitudes, whatever the resolution; levels are in dB below it.
inline constexpr double kFullScaleMagnitude = 1250.0;

/// A stretch whose strongest bin lies this far below full scale is silence
/// (the quietest 16-bit sine still reads some 90 dB below full scale).
inline constexpr double kSilentDecibels = -80.0;

/// A partial is trusted when it stands this far above the median of the
/// magnitudes around it: white noise's highest peaks stand some 15 dB above.
inline constexpr double kTrustedProminenceDecibels = 20.0;

/// True when the strongest bin above bin 1 lies below kSilentDecibels of
/// full scale (or the spectrum holds too few bins to tell): PickFundamental's
/// Silent.
bool IsSilentSpectrum(std::span<const double> magnitude);

/// What PickFundamental found.
struct FundamentalChoice {
    std::int32_t Bin = 0;  ///< the bin a climb starts from, whatever the verdict
    PitchVerdict Verdict = PitchVerdict::Pitched;
    double Fundamental = 0.0;  ///< F of the winning series in Hz, between bins; 0 unless Pitched or NoHarmonicSeries
};

/// The bin a climb has to start from so that it ends on the fundamental of
/// the note a listener hears, not on its strongest partial (the octave or the
/// twelfth above, as on many pianos, guitars, organs, flutes and clarinets).
/// Every peak is tried as the fundamental F, and so are the submultiples of
/// the strongest partials and the spacings between strong partials (a
/// fundamental and 2nd partial buried in the noise, as on a piano's lowest
/// notes); such a candidate without a peak must score clearly better. F is scored by the share of the
/// strong partials that lie on its harmonic series, times how fully the
/// series up to the highest strong partial is occupied; the best F wins and
/// the answer is the top bin of the peak at F. A winner well above one of the
/// loudest partials, at most twenty times lower, gives way to that partial (a
/// struck bar's inharmonic overtones). An F is then replaced by F / 2 while that lower series has
/// support of its own, which F's series does not explain: the complete odd
/// partials of an organ's quiet 8-foot rank under louder 4- and 2-foot ranks,
/// a strong odd partial over a strong F / 2, or a loud tone an exact octave
/// below (a 16- or 32-foot rank). When the fundamental shows no peak, the
/// answer is the bin at F (the climb from it ends on what lies nearest) and
/// Fundamental says where F lies.
/// Fundamentals below 20 Hz and bins 0 and 1 (the window's share of a
/// constant offset) are not considered. A spectrum with no peak at all
/// (silence) gives StrongestBin. Answers 0 for an empty spectrum; otherwise a
/// bin from 0 to M - 1.
/// With the bin comes a verdict: silence and noise are told apart from a
/// note, so that the caller names none for them. With `lasting` (a frequency
/// in Hz -> whether a tone there lasts through the sustain), peaks that do not
/// last (a burst of noise in the attack) are no partials.
FundamentalChoice PickFundamental(std::span<const double> magnitude, std::int32_t transformSize,
                                  std::uint32_t sampleRate, const std::function<bool(double)>& lasting = nullptr);

/// The strongest bin above bin 1, the lowest of equals; bins 0 and 1 hold the
/// constant offset of the recording, not a pitch. Answers the last bin when
/// there are fewer than three, and 0 for an empty spectrum.
std::int32_t StrongestBin(std::span<const double> magnitude);
