// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/WaveReporter.h"

#include <cstdint>
#include <string>

/// The retuned copy of the RF64 file `source` at `target`: its "fmt " chunk's
/// samples per second set to `rate` and its average bytes per second to
/// channels x bits per sample x rate / 8 (in 32 bits, as korvani's rewrite of
/// a RIFF file computes them), every other byte kept. Written through
/// WriteEditedCopy, complete or not at all. Answers true on success; reports
/// a failure with the rewrite's texts, naming `target`.
bool WriteRetunedRf64Copy(const std::string& source, const std::string& target, std::uint32_t rate,
                          TWaveReporter& reporter);
