// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Sound.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace fixtures {

/// One sound as the recorder received it.
struct PlayedSound {
    platform::SoundSource::Kind kind = platform::SoundSource::Kind::DefaultSound;
    std::string path;  ///< the file's path; empty for the default sound
    platform::PcmFormat format;
    std::vector<std::byte> samples;  ///< every frame written, in order
    bool closed = false;             ///< Close came (the sound was played to its end)

    /// Answers the number of frames written.
    std::uint64_t Frames() const { return format.FrameBytes() == 0 ? 0 : samples.size() / format.FrameBytes(); }

    /// Answers whether this is the default sound.
    bool IsDefaultSound() const { return kind == platform::SoundSource::Kind::DefaultSound; }
};

/// A sound output for tests: records each sound SndPlaySound plays instead of
/// playing it, and can act as a machine without a sound device, as a device
/// that refuses formats, as one that fails while writing, or as a slow one.
/// Install it with TScopedSeam<platform::SoundOutput>. Its settings are made before
/// playing; Sounds() is read after SndPlaySound returned; IsPlaying() may be
/// asked from any thread.
class RecordingSoundOutput final : public platform::SoundOutput {
public:
    /// Makes every Open answer NoDevice.
    void SimulateNoDevice() { noDevice_ = true; }

    /// Makes Open answer FormatRefused for each format `accepts` answers false for.
    void AcceptOnly(std::function<bool(const platform::PcmFormat&)> accepts) { accepts_ = std::move(accepts); }

    /// Makes every Write record nothing and answer false.
    void FailWrites() { failWrites_ = true; }

    /// Makes every Write take `delay` before it returns, like a device playing.
    void SetWriteDelay(std::chrono::milliseconds delay) { writeDelay_ = delay; }

    /// Answers the sounds opened so far, in order.
    const std::vector<PlayedSound>& Sounds() const { return sounds_; }

    /// Answers how many Open calls were refused (NoDevice or FormatRefused).
    unsigned RefusedOpens() const { return refusedOpens_; }

    /// Answers whether a sound is open: between a successful Open and Close.
    bool IsPlaying() const { return playing_.load(); }

    OpenResult Open(const platform::SoundSource& source, const platform::PcmFormat& format) override;
    bool Write(std::span<const std::byte> frames) override;
    void Close() override;

private:
    bool noDevice_ = false;
    bool failWrites_ = false;
    std::function<bool(const platform::PcmFormat&)> accepts_;
    std::chrono::milliseconds writeDelay_{0};
    std::vector<PlayedSound> sounds_;
    unsigned refusedOpens_ = 0;
    std::atomic<bool> playing_{false};
};

}  // namespace fixtures
