// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CommandLineStart.h"

#include "engine/WaveData.h"

std::int64_t CommandLineStart::AskStartSample(const TWaveData& wave) {
    startSample_ = StartSampleFromMilliseconds(milliseconds_, wave.SampleRate());
    pastTheEnd_ = startSample_ >= wave.Analysis().SampleCount;
    return pastTheEnd_ ? 0 : startSample_;
}
