// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/WaveReporter.h"

#include <cstdint>
#include <string>

/// Writes to `target` the copy of `source` whose header carries `rate`, byte
/// for byte what korvani's "Modify..." writes, through the same rewrite, and
/// reports its failures through `reporter` with the same texts. Complete or
/// nothing: a failure leaves `target` as it was. Answers true on success.
bool WriteRetunedCopy(const std::string& source, const std::string& target, std::uint32_t rate,
                      TWaveReporter& reporter);
