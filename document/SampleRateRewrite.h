#pragma once

#include "document/WaveReporter.h"

#include <cstdint>
#include <functional>
#include <string>

/// Supplies the new sample rate. Called once, after the copy's "fmt " chunk
/// has been read, so that the caller can read it from its dialog at that
/// moment.
using NewSampleRate = std::function<std::uint32_t()>;

/// Writes a retuned copy of the WAV file `source` to `target`: copies the file
/// (replacing a file of that name; a failed copy is not reported), then, in the
/// copy, sets the "fmt " chunk's samples per second to `newRate()` and its
/// average bytes per second to channels x bits per sample x rate / 8 in 32-bit
/// arithmetic. Every other byte of the copy stays as the source has it.
/// Shows nothing on success; on failure shows one message through `reporter`
/// and stops, leaving whatever copy it made. A target that is the source itself
/// under any name is refused before anything is copied or opened, so the
/// source never changes. Gives back everything it takes.
void RewriteSampleRate(const std::string& source, const std::string& target, const NewSampleRate& newRate,
                       TWaveReporter& reporter);
