// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct sf_private_tag;  // libsndfile's SNDFILE

/// One sound file read through libsndfile: WAV of any resolution, PCM or
/// float (extensible too), RF64, AIFF, FLAC and whatever else libsndfile
/// decodes. Gives the file's rate, channels, frame count and format, and
/// reads a range of frames as one signal. Holds the open file, never the
/// whole recording.
class SoundFileReader {
public:
    /// Opens `path` for reading; when libsndfile cannot, Error() says why.
    explicit SoundFileReader(const std::string& path);
    ~SoundFileReader();
    SoundFileReader(const SoundFileReader&) = delete;
    SoundFileReader& operator=(const SoundFileReader&) = delete;

    bool IsOpen() const { return file_ != nullptr; }

    /// libsndfile's text for the failure of the open (sf_strerror).
    const std::string& Error() const { return error_; }

    /// libsndfile's number for the failure of the open (SF_ERR_...), 0 when open.
    int OpenError() const { return openError_; }

    /// The rate as libsndfile read it: any int, 0 and negative ones included,
    /// for the caller's rate rule to judge.
    std::int32_t SampleRate() const { return sampleRate_; }
    std::uint16_t Channels() const { return channels_; }
    /// The frames the header declares, or once CountFrames has run, the
    /// frames the stream holds.
    std::int64_t Frames() const { return frames_; }

    /// True for a stream whose length libsndfile only estimates (MP3, OGG) or
    /// does not know (a FLAC written to a pipe).
    bool LengthIsEstimated() const { return estimatedLength_; }

    /// The frames of the file: those declared for a file of exact length;
    /// for an estimated length, those read from the first to the end, which
    /// Frames() answers from then on. Holds one block at a time.
    std::int64_t CountFrames();

    /// Bits of one stored sample value: 8, 16, 24, 32 or 64; 0 for an encoding
    /// that stores none of these.
    std::uint32_t BitsPerSample() const { return bits_; }

    /// The container and the encoding, e.g. "WAV 24-bit PCM", "RF64 32-bit
    /// float", "WAV extensible 24-bit PCM", "AIFF 16-bit PCM", "FLAC 24-bit PCM".
    const std::string& FormatText() const { return formatText_; }

    /// True for a WAV file (RIFF or RF64, extensible too): its rate can be
    /// retuned by its header.
    bool IsWav() const { return isWav_; }

    /// `count` frames from frame `start` on (both within the file), each the
    /// mean of its channels (as korvani-pitch mixes a WAV file), scaled so that full scale
    /// is that of a 16-bit file: an integer file's values are exactly its
    /// samples moved to 16 bits (v / 2^(bits-1) x 32768), a float file's are
    /// its values x 32768. Reads in blocks, allocating `count` values and one
    /// block. Nothing when libsndfile reads fewer frames than asked (a file cut
    /// short), with `error` saying so, and nothing when a value is NaN or
    /// infinite, with `error` being kNotFiniteText, or beyond 1e30 times full
    /// scale (a transform of them would overflow), with kTooLargeText.
    std::optional<std::vector<double>> ReadMixed(std::int64_t start, std::int64_t count, std::string& error);

    /// True when the file's last frame can be read: false for a file whose
    /// header promises frames its stream does not hold (a cut FLAC).
    bool ReachesLastFrame();

private:
    sf_private_tag* file_ = nullptr;
    std::string error_;
    int openError_ = 0;
    std::int32_t sampleRate_ = 0;
    std::uint16_t channels_ = 0;
    std::int64_t frames_ = 0;
    std::uint32_t bits_ = 0;
    std::string formatText_;
    bool isWav_ = false;
    bool estimatedLength_ = false;
};

/// Why ReadMixed refuses samples that are NaN or infinite.
inline constexpr char kNotFiniteText[] = "the samples are not finite numbers";
/// Why ReadMixed refuses samples too large for any transform.
inline constexpr char kTooLargeText[] = "the samples are too large to analyse";

/// The name endings libsndfile gives its formats, lower case without the dot.
std::vector<std::string> LibraryExtensions();

/// The format text of a PCM WAV file korvani's own engine reads: "WAV 8-bit
/// PCM", "WAV 16-bit PCM", in the words of FormatText.
std::string KorvaniWavFormatText(std::uint32_t bitsPerSample);
