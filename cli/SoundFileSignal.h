// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/MessageLog.h"

#include "engine/WaveReporter.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

/// What korvani-pitch analyses of a file korvani's own engine does not read
/// (24- and 32-bit, float, extensible, RF64, AIFF, FLAC ...): the part of its
/// samples the transform needs, read through libsndfile and mixed to one
/// signal at 16-bit scale, with what the result tells of the file.
struct SoundFileSignal {
    std::uint32_t SampleRate = 0;
    std::uint16_t Channels = 0;
    std::uint32_t BitsPerSample = 0;  ///< 0 for an encoding without a fixed width
    std::int64_t Frames = 0;          ///< frames in the file
    std::string FormatText;           ///< "WAV 24-bit PCM", "FLAC 16-bit PCM" ...
    bool IsWav = false;               ///< RIFF or RF64: retuned by its header
    std::int64_t StartSample = 0;     ///< the frame the analysis starts at
    bool PastTheEnd = false;          ///< the start lies at or past the last frame; no Values
    /// From StartSample on, at most the transform size of the rate: the
    /// analysis repeats them when fewer follow.
    std::vector<double> Values;
};

/// Reads the signal of the file at `path` for an analysis starting
/// `startMilliseconds` into it. Refuses, through `log` with its code and
/// answering nothing: a file libsndfile cannot open, a rate the rate rule
/// refuses (IsOpenableSampleRate, before anything is sized from it), a file
/// without frames, a file cut short (its "data" chunk declares more than the
/// file holds, or its last frame cannot be read) and NaN or infinite
/// samples. A stream of estimated length (MP3, OGG, a FLAC from a pipe) is
/// counted to its end first. Never holds more than the transform size of
/// values.
std::optional<SoundFileSignal> ReadSoundFileSignal(const std::string& path, std::int32_t startMilliseconds,
                                                   MessageLog& log);

/// "invalid sample rate: 1000000 Hz (korvani-pitch reads 2 to 768000 Hz)".
std::string InvalidRateText(double rate);

/// Writes the retuned copy of `source`, a file read as `signal`, to `target`
/// with `rate` in its header: the RIFF rewrite for a RIFF WAV file of any
/// resolution, the RF64 patch for an RF64 file; any other format is refused
/// with one line saying what can be retuned. Answers true on success.
bool WriteRetunedSoundFile(const std::string& source, const SoundFileSignal& signal, const std::string& target,
                           std::uint32_t rate, TWaveReporter& reporter);
