// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/AlsaSoundOutput.h"

#include "platform/SampleFormat.h"

#include <alsa/asoundlib.h>

#include <mutex>

namespace platform {
namespace {

// alsa-lib prints its errors to stderr unless given a handler; a missing sound
// device is an ordinary situation for this program, not worth eight lines.
void QuietAlsaErrors(const char* /*file*/, int /*line*/, const char* /*function*/, int /*error*/,
                     const char* /*format*/, ...) {}

void SilenceAlsaErrors() {
    static std::once_flag once;
    std::call_once(once, [] { snd_lib_error_set_handler(QuietAlsaErrors); });
}

constexpr unsigned kLatencyMicroseconds = 200000;

/// Plays one sound at a time on the "default" device. Owns the PCM handle from
/// Open to Close.
class AlsaSoundOutput final : public SoundOutput {
public:
    ~AlsaSoundOutput() override { Release(); }

    OpenResult Open(const SoundSource& /*source*/, const PcmFormat& format) override {
        Release();
        SilenceAlsaErrors();
        // A busy device or sound server can block a blocking open: open without
        // blocking, then switch the handle to blocking writes.
        if (snd_pcm_open(&pcm_, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) {
            pcm_ = nullptr;
            return OpenResult::NoDevice;
        }
        if (snd_pcm_nonblock(pcm_, 0) < 0) {
            Release();
            return OpenResult::NoDevice;
        }
        if (!IsSupportedResolution(format.bitsPerSample)) {
            Release();
            return OpenResult::FormatRefused;
        }
        const snd_pcm_format_t sampleFormat = format.bitsPerSample == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE;
        if (snd_pcm_set_params(pcm_, sampleFormat, SND_PCM_ACCESS_RW_INTERLEAVED, format.channels, format.sampleRate,
                               1 /* let alsa-lib resample */, kLatencyMicroseconds) < 0) {
            Release();
            return OpenResult::FormatRefused;
        }
        frameBytes_ = format.FrameBytes();
        return OpenResult::Opened;
    }

    bool Write(std::span<const std::byte> frames) override {
        if (pcm_ == nullptr) {
            return false;
        }
        const std::byte* next = frames.data();
        auto left = static_cast<snd_pcm_uframes_t>(frames.size() / frameBytes_);
        while (left > 0) {
            const snd_pcm_sframes_t written = snd_pcm_writei(pcm_, next, left);
            if (written < 0) {
                // An underrun or a suspend: recover and write again; give up on anything else.
                if (snd_pcm_recover(pcm_, static_cast<int>(written), 1) < 0) {
                    return false;
                }
                continue;
            }
            next += static_cast<std::size_t>(written) * frameBytes_;
            left -= static_cast<snd_pcm_uframes_t>(written);
        }
        return true;
    }

    void Close() override {
        if (pcm_ != nullptr) {
            snd_pcm_drain(pcm_);
        }
        Release();
    }

private:
    void Release() {
        if (pcm_ != nullptr) {
            snd_pcm_close(pcm_);
            pcm_ = nullptr;
        }
    }

    snd_pcm_t* pcm_ = nullptr;
    std::size_t frameBytes_ = 1;
};

}  // namespace

std::unique_ptr<SoundOutput> MakeAlsaSoundOutput() {
    return std::make_unique<AlsaSoundOutput>();
}

}  // namespace platform
