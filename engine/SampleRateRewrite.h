// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/WaveReporter.h"

#include <cstdint>
#include <functional>
#include <string>

/// Supplies the new sample rate. Called once, after the copy's "fmt " chunk
/// has been read, so that the caller can read it from its dialog at that
/// moment.
using NewSampleRate = std::function<std::uint32_t()>;

/// Changes the complete copy at `path` in place; answers false after
/// reporting why it could not.
using CopyEdit = std::function<bool(const std::string& path, TWaveReporter& reporter)>;

/// Writes to `target` a copy of `source` changed by `edit`, complete or not at
/// all: copies every byte into a temporary file beside the target, lets `edit`
/// change it, flushes it to the disk and renames it over the target. On
/// failure shows one message through `reporter` (naming `target`, never the
/// temporary file), removes the temporary file and leaves an existing target
/// exactly as it was. A target that is the source itself under any name, or an
/// existing file this user may not write or that is not a regular file, is
/// refused under "Failed to open file   :- (" before anything is copied. A
/// symbolic link as the target stays a link: the file it names is replaced.
/// Answers true when the copy stands under the target's name.
bool WriteEditedCopy(const std::string& source, const std::string& target, const CopyEdit& edit,
                     TWaveReporter& reporter);

/// Writes a retuned copy of the WAV file `source` to `target` through
/// WriteEditedCopy: sets the copy's "fmt " chunk's samples per second to
/// `newRate()` and its average bytes per second to channels x bits per sample
/// x rate / 8 in 32-bit arithmetic. Every other byte of the copy stays as the source has it. Shows
/// nothing on success. A rate korvani cannot open (IsOpenableSampleRate) is
/// never written: UnopenableRateText under "unsupported sample rate", and the
/// target stays as it was. Gives back everything it takes.
bool RewriteSampleRate(const std::string& source, const std::string& target, const NewSampleRate& newRate,
                       TWaveReporter& reporter);

/// The rate a retuned copy carries: `requested`, halved once (truncating) when
/// "no higher frequency" (`noHigher`) is set and it lies above the file's own
/// `fileRate`. Callers write the result only when IsOpenableSampleRate: a
/// halving that left 1 Hz (3 Hz over a 2 Hz file) is refused like 0 would be.
std::uint32_t RetunedRate(std::uint32_t requested, std::uint32_t fileRate, bool noHigher);
