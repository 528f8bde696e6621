// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Sound.h"

#include "platform/AlsaSoundOutput.h"
#include "platform/DefaultChime.h"
#include "platform/WavSource.h"

#include <chrono>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace platform {
namespace {

constexpr std::size_t kPieceBytes = 64 * 1024;
constexpr auto kHookInterval = std::chrono::milliseconds(10);

enum class Outcome { Played, Unplayable, NoDevice, OutputFailed };

Outcome PlayWaveFile(SoundOutput& output, const char* path) {
    const std::unique_ptr<WavSource> wave = WavSource::Open(path);
    if (wave == nullptr) {
        return Outcome::Unplayable;
    }
    if (wave->FrameCount() == 0) {
        return Outcome::Played;  // an empty "data" chunk: nothing to hear
    }
    switch (output.Open(SoundSource{SoundSource::Kind::WaveFile, path}, wave->Format())) {
    case SoundOutput::OpenResult::Opened: break;
    case SoundOutput::OpenResult::NoDevice: return Outcome::NoDevice;
    case SoundOutput::OpenResult::FormatRefused: return Outcome::Unplayable;
    }
    std::vector<std::byte> piece(wave->WholeFrameBytes(kPieceBytes));
    Outcome outcome = Outcome::Played;
    for (std::size_t got = wave->ReadFrames(piece); got != 0; got = wave->ReadFrames(piece)) {
        if (!output.Write(std::span<const std::byte>(piece.data(), got))) {
            outcome = Outcome::OutputFailed;
            break;
        }
    }
    output.Close();
    return outcome;
}

void PlayDefaultSound(SoundOutput& output) {
    const PcmClip chime = DefaultChime();
    if (output.Open(SoundSource{SoundSource::Kind::DefaultSound, {}}, chime.format) !=
        SoundOutput::OpenResult::Opened) {
        return;
    }
    output.Write(chime.samples);
    output.Close();
}

bool Play(const char* path, std::uint32_t flags) {
    SoundOutput& output = TSeam<SoundOutput>::Get();
    switch (PlayWaveFile(output, path)) {
    case Outcome::Played: return true;
    case Outcome::NoDevice:
    case Outcome::OutputFailed: return false;
    case Outcome::Unplayable: break;
    }
    if ((flags & SND_NODEFAULT) == 0) {
        PlayDefaultSound(output);
    }
    return false;
}

/// Plays on a worker thread while the calling thread runs the hook; passes on
/// an exception from either once the sound has ended.
bool PlayWhileWaiting(const char* path, std::uint32_t flags, const SoundWaitHook& waitHook) {
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    bool played = false;
    std::exception_ptr playFailure;
    std::exception_ptr hookFailure;
    {
        std::jthread worker([&] {
            try {
                played = Play(path, flags);
            } catch (...) {
                playFailure = std::current_exception();
            }
            const std::lock_guard lock(mutex);
            done = true;
            ended.notify_one();
        });
        try {
            std::unique_lock lock(mutex);
            while (!done) {
                lock.unlock();
                waitHook();
                lock.lock();
                ended.wait_for(lock, kHookInterval, [&] { return done; });
            }
        } catch (...) {
            hookFailure = std::current_exception();
        }
    }  // the worker is joined here: the sound has ended
    if (playFailure) {
        std::rethrow_exception(playFailure);
    }
    if (hookFailure) {
        std::rethrow_exception(hookFailure);
    }
    return played;
}

}  // namespace

bool SndPlaySound(const char* path, std::uint32_t flags, const SoundWaitHook& waitHook) {
    if ((flags & ~SND_NODEFAULT) != 0) {
        return false;
    }
    if (!waitHook) {
        return Play(path, flags);
    }
    return PlayWhileWaiting(path, flags, waitHook);
}

}  // namespace platform

template <>
platform::SoundOutput& TSeam<platform::SoundOutput>::Default() {
    static const std::unique_ptr<platform::SoundOutput> device = platform::MakeAlsaSoundOutput();
    return *device;
}
