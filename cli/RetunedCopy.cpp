// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/RetunedCopy.h"

#include "engine/SampleRateRewrite.h"

bool WriteRetunedCopy(const std::string& source, const std::string& target, std::uint32_t rate,
                      TWaveReporter& reporter) {
    return RewriteSampleRate(
        source, target, [rate] { return rate; }, reporter);
}
