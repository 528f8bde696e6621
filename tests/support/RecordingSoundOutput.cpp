// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/RecordingSoundOutput.h"

#include <thread>

namespace fixtures {

platform::SoundOutput::OpenResult RecordingSoundOutput::Open(const platform::SoundSource& source,
                                                             const platform::PcmFormat& format) {
    if (noDevice_) {
        ++refusedOpens_;
        return OpenResult::NoDevice;
    }
    if (accepts_ && !accepts_(format)) {
        ++refusedOpens_;
        return OpenResult::FormatRefused;
    }
    PlayedSound sound;
    sound.kind = source.kind;
    sound.path = std::string(source.path);
    sound.format = format;
    sounds_.push_back(std::move(sound));
    playing_ = true;
    return OpenResult::Opened;
}

bool RecordingSoundOutput::Write(std::span<const std::byte> frames) {
    if (writeDelay_.count() != 0) {
        std::this_thread::sleep_for(writeDelay_);
    }
    if (failWrites_ || sounds_.empty()) {
        return false;
    }
    auto& samples = sounds_.back().samples;
    samples.insert(samples.end(), frames.begin(), frames.end());
    return true;
}

void RecordingSoundOutput::Close() {
    if (!sounds_.empty()) {
        sounds_.back().closed = true;
    }
    playing_ = false;
}

}  // namespace fixtures
