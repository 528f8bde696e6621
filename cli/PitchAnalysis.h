// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/MessageLog.h"
#include "cli/PitchOptions.h"
#include "cli/SamplerChunk.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

/// Everything one file's analysis came to: its messages, and when nothing
/// failed, the numbers and texts korvani's result dialog would show.
struct PitchResult {
    std::string File;
    std::string Reader;            ///< "korvani" (its own WAV engine) or "libsndfile"
    std::string Format;            ///< "WAV 16-bit PCM", "FLAC 24-bit PCM" ...
    MessageLog Messages;           ///< the boxes korvani would show, sorted
    std::uint32_t SampleRate = 0;  ///< samples per second, from the "fmt " chunk
    std::uint32_t BitsPerSample = 0;
    std::uint16_t Channels = 0;
    bool Mixed = false;              ///< the channels of each frame were mixed into one signal
    std::int32_t TransformSize = 0;  ///< N
    std::int64_t StartSample = 0;    ///< a frame of the mixed signal, or a value with --interleaved
    bool Centred = false;            ///< the first frames were read at the window's centre (see AnalyseFile)
    std::int64_t StartBin = 0;       ///< where the climb started
    double PeakBin = 0.0;            ///< the refined peak position, in bins
    double Frequency = 0.0;          ///< the refined peak, Hz
    double NoteFrequency = 0.0;      ///< the nearest note, Hz
    double Cents = 0.0;              ///< the frequency's distance from the note, to 0.1 cent
    double A4 = 440.0;               ///< the reference of the note
    long Rate = 0;                   ///< the rate at which the peak sounds on the note
    std::string FrequencyText;       ///< "%5.1f Hz"
    std::string NoteText;            ///< "%s (%5.1f Hz)"
    std::string RateText;            ///< "%ld"
    double Pitch = 0.0;     ///< the tuning estimate from the whole series over the sustain, Hz (see TuningEstimate.h)
    double Clarity = 0.0;   ///< 0 ... 1: how well one harmonic series explains the sound
    bool Doubtful = false;  ///< Clarity lies below kDoubtfulClarity
    std::vector<double> Spectrum;              ///< the M magnitudes, with --spectrum only
    std::string NoPitch;                       ///< why --auto found no pitch ("silent", ...); empty otherwise
    std::optional<std::uint32_t> WrittenRate;  ///< the rate of the retuned copy, once written
    std::string WrittenFile;                   ///< the retuned copy, once written
    std::optional<SamplerTuning> SmplTuning;   ///< the tuning of the --smpl copy, once written
    std::string SmplFile;                      ///< the --smpl copy, once written

    /// True when no message tells of a failure.
    bool Succeeded() const { return Messages.Failures().empty(); }
};

/// Runs korvani's road for one WAV file without a window and without sound:
/// the load with its checks and messages, the analysis set-up and spectrum
/// from the --start time, the climb from the bin the options choose, the
/// refinement, the note (A at --a4) and the proposed rate, then, with
/// --retune, the retuned copy and with --smpl the copy with the sampler's tuning. Every step is the program's own code
/// (the WAV engine and the analysis); this only chooses the start and the bin and gathers what they answer. A failing
/// step ends the road with its message, as in korvani.
///
/// A file of several channels is heard, as the window hears it: unless
/// --interleaved is given (the values read one after another, as the window
/// did before), the spectrum is that of the mean of each frame's channels,
/// from the start time's frame, at the file's rate (the same window,
/// transform size, climb and naming). Every result carries the tuning
/// estimate of the series from the chosen bin and its clarity; with --auto
/// the note, cents, rate and sampler tuning follow that estimate, otherwise
/// the click's reading. --auto names no note
/// for a silent stretch or one without a harmonic series (NoPitch says which).
/// When the stretch from the first frame reads as silent, --auto reads it
/// again with the first half window of frames at the window's centre and
/// silence before them (Centred): a short note at the file's start would
/// otherwise lie under the window's taper.
///
/// 8- and 16-bit PCM WAV files go through korvani's engine; every other file
/// is read through libsndfile (see SoundFileSignal.h), its frames mixed in the
/// same way, and analysed in the same way.
PitchResult AnalyseFile(const std::string& path, const PitchOptions& options);
