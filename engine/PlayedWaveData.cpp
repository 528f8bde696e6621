// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/PlayedWaveData.h"

#include <utility>

TPlayedWaveData::TPlayedWaveData(platform::SoundWaitHook soundWait, std::size_t analysisAllocationLimit)
    : TWaveData(analysisAllocationLimit), soundWait_(std::move(soundWait)) {}

void TPlayedWaveData::BeforeReading(const std::string& path) {
    platform::SndPlaySound(path.c_str(), platform::SND_SYNC, soundWait_);
}
