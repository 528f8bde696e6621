// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/WaveReporter.h"

#include <cstdint>
#include <optional>
#include <string>

/// Where a sample sounds at its own rate, as a sampler's "smpl" chunk says it:
/// the MIDI note at or below the pitch and the rest of the semitone upward, in
/// units of 1/2^32 semitone (0x80000000 is 50 cents).
struct SamplerTuning {
    std::uint32_t UnityNote = 0;
    std::uint32_t PitchFraction = 0;
};

/// The tuning of a sample sounding at `frequency` Hz with A at `a4` Hz (MIDI
/// note 69); none when it lies outside MIDI notes 0 to 127.
std::optional<SamplerTuning> TuningOf(double frequency, double a4);

/// Writes to `target` a copy of the WAV file `source` whose "smpl" chunk
/// carries `tuning`, through WriteEditedCopy (complete or nothing). An
/// existing chunk keeps its loops and every other field; a missing one is
/// added after the last chunk (no loops, the sample period of `sampleRate`),
/// with a pad byte before it when the last chunk ends on an odd offset and the
/// RIFF size grown to match. Every other byte stays as the source has it.
/// Reports failures through `reporter`; answers true on success.
bool WriteSamplerCopy(const std::string& source, const std::string& target, const SamplerTuning& tuning,
                      std::uint32_t sampleRate, TWaveReporter& reporter);
