// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/WaveData.h"

#include "platform/Sound.h"

#include <cstddef>
#include <string>

/// The WAV data of the window program: each load plays the file to its end
/// first, as korvani does when a file is opened, then reads it as TWaveData
/// does. While the sound plays, `soundWait` is called over and over (see
/// platform::SndPlaySound).
class TPlayedWaveData final : public TWaveData {
public:
    explicit TPlayedWaveData(platform::SoundWaitHook soundWait = {},
                             std::size_t analysisAllocationLimit = AllocationBudget::kAnalysisBytes);

private:
    void BeforeReading(const std::string& path) override;

    platform::SoundWaitHook soundWait_;
};
