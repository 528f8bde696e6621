// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Seam.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

/// Sound: play a WAV file synchronously to its end, as the document does when
/// it opens a file. The samples go to a SoundOutput: the sound device through
/// ALSA by default, or whatever a test puts in with TScopedSeam<SoundOutput>
/// (a recorder, or silence).
namespace platform {

inline constexpr std::uint32_t SND_SYNC = 0x0000;  ///< play to the end before returning (always so here)
inline constexpr std::uint32_t SND_NODEFAULT =
    0x0002;  ///< play nothing, rather than the default sound, for a file that cannot be played

/// Layout of interleaved PCM frames: 8-bit unsigned or 16-bit signed
/// little-endian samples, one per channel in each frame.
struct PcmFormat {
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;  ///< frames per second
    std::uint16_t bitsPerSample = 0;

    /// Answers the bytes of one frame.
    std::uint32_t FrameBytes() const { return std::uint32_t{channels} * (bitsPerSample / 8U); }

    bool operator==(const PcmFormat&) const = default;
};

/// What one sound is: a WAV file, or the default sound that stands in for a
/// file that cannot be played.
struct SoundSource {
    enum class Kind { WaveFile, DefaultSound };
    Kind kind = Kind::DefaultSound;
    std::string_view path;  ///< the file's path for WaveFile; empty for DefaultSound
};

/// Where SndPlaySound sends the frames of one sound: Open, Write as often as
/// needed, Close. Used by one thread at a time, the one SndPlaySound plays on.
/// Does not parse files or choose what to play.
class SoundOutput {
public:
    enum class OpenResult {
        Opened,         ///< ready for Write
        NoDevice,       ///< nothing can be played now (no sound device); nothing else is tried
        FormatRefused,  ///< this format cannot be played; the default sound may still be
    };

    virtual ~SoundOutput() = default;

    /// Gets ready to play frames of `format` from `source`.
    virtual OpenResult Open(const SoundSource& source, const PcmFormat& format) = 0;

    /// Plays whole frames and returns once the output has taken them; false
    /// when the output failed and the sound is to stop.
    virtual bool Write(std::span<const std::byte> frames) = 0;

    /// Returns once everything written has been heard, and lets the output go.
    virtual void Close() = 0;
};

/// Called over and over on the calling thread while a sound plays; the
/// framework passes one that keeps its windows painted and takes no input.
using SoundWaitHook = std::function<void()>;

/// Plays the WAV file at `path` (NUL-terminated) to its end and only then
/// returns. Plays 8- and 16-bit PCM at the file's rate with its channels, as
/// far as the file's "data" chunk really extends. A file that cannot be played
/// (missing, a path over 255 bytes, not a regular file, not a RIFF "WAVE" file,
/// no "fmt " or "data" chunk, another sample format, or one the device
/// refuses) plays the default sound instead, a short two-tone chime, unless
/// `flags` has SND_NODEFAULT. Never opens a FIFO or device for reading; with no
/// sound device returns at once, silently. Without a hook the calling thread
/// plays; with one, a worker thread plays while the calling thread calls
/// `waitHook` every 10 ms or so until the sound has ended (an exception from
/// the hook is passed on once the sound has ended). Answers true when the file
/// itself was played; false otherwise, also for flags other than SND_SYNC and
/// SND_NODEFAULT (asynchronous, looped or in-memory sounds are not offered).
bool SndPlaySound(const char* path, std::uint32_t flags = SND_SYNC, const SoundWaitHook& waitHook = {});

}  // namespace platform

/// The sound device, through ALSA: one output, used by one play at a time.
template <>
platform::SoundOutput& TSeam<platform::SoundOutput>::Default();
