// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/SoundFileReader.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>

namespace {

// Full scale of a 16-bit file: libsndfile's normalised values times this.
constexpr double kSixteenBitFullScale = 32768.0;
// The largest sample value analysed, in units of full scale: far beyond any
// sound, yet small enough that no transform of such values can overflow.
constexpr double kLargestSampleValue = 1e30;
// Frames read at once: bounds the block for any channel count libsndfile allows.
constexpr sf_count_t kBlockFrames = 1024;

struct Encoding {
    int Subtype;
    std::uint32_t Bits;
    const char* Text;
};

constexpr Encoding kEncodings[] = {
    {SF_FORMAT_PCM_S8, 8, "8-bit PCM"},
    {SF_FORMAT_PCM_U8, 8, "8-bit PCM"},
    {SF_FORMAT_PCM_16, 16, "16-bit PCM"},
    {SF_FORMAT_PCM_24, 24, "24-bit PCM"},
    {SF_FORMAT_PCM_32, 32, "32-bit PCM"},
    {SF_FORMAT_FLOAT, 32, "32-bit float"},
    {SF_FORMAT_DOUBLE, 64, "64-bit float"},
    // Compressed encodings store no fixed width: no bits.
    {SF_FORMAT_VORBIS, 0, "Vorbis"},
    {SF_FORMAT_OPUS, 0, "Opus"},
    {SF_FORMAT_MPEG_LAYER_III, 0, "Layer III"},
};

struct Container {
    int Major;
    const char* Text;
    bool Wav;
};

constexpr Container kContainers[] = {
    {SF_FORMAT_WAV, "WAV", true},    {SF_FORMAT_WAVEX, "WAV extensible", true}, {SF_FORMAT_RF64, "RF64", true},
    {SF_FORMAT_AIFF, "AIFF", false}, {SF_FORMAT_FLAC, "FLAC", false},           {SF_FORMAT_OGG, "OGG", false},
    {SF_FORMAT_MPEG, "MPEG", false},
};

// Encodings whose frame count libsndfile only estimates (or does not know,
// for a stream written to a pipe): counted by reading them to their end.
bool EstimatesLength(int major, int subtype, sf_count_t frames) {
    return frames == SF_COUNT_MAX || major == SF_FORMAT_MPEG || major == SF_FORMAT_OGG ||
           subtype == SF_FORMAT_MPEG_LAYER_III;
}

// libsndfile's own name of a major format or an encoding it has no entry
// here for ("OGG (OGG Container format)", "Vorbis").
std::string LibraryName(int format) {
    SF_FORMAT_INFO info{};
    info.format = format;
    return sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) == 0 && info.name != nullptr ? info.name
                                                                                                     : "unknown";
}

}  // namespace

SoundFileReader::SoundFileReader(const std::string& path) {
    SF_INFO info{};
    file_ = sf_open(path.c_str(), SFM_READ, &info);
    if (file_ == nullptr) {
        openError_ = sf_error(nullptr);
        error_ = sf_strerror(nullptr);
        return;
    }
    sf_command(file_, SFC_SET_NORM_DOUBLE, nullptr, SF_TRUE);
    sampleRate_ = info.samplerate;
    channels_ = static_cast<std::uint16_t>(std::clamp(info.channels, 0, 0xFFFF));
    frames_ = std::max<sf_count_t>(info.frames, 0);

    const int major = info.format & SF_FORMAT_TYPEMASK;
    const int subtype = info.format & SF_FORMAT_SUBMASK;
    const auto container = std::find_if(std::begin(kContainers), std::end(kContainers),
                                        [major](const Container& c) { return c.Major == major; });
    const auto encoding = std::find_if(std::begin(kEncodings), std::end(kEncodings),
                                       [subtype](const Encoding& e) { return e.Subtype == subtype; });
    isWav_ = container != std::end(kContainers) && container->Wav;
    bits_ = encoding != std::end(kEncodings) ? encoding->Bits : 0;
    estimatedLength_ = EstimatesLength(major, subtype, info.frames);
    formatText_ = (container != std::end(kContainers) ? std::string(container->Text) : LibraryName(major)) + " " +
                  (encoding != std::end(kEncodings) ? std::string(encoding->Text) : LibraryName(subtype));
}

SoundFileReader::~SoundFileReader() {
    if (file_ != nullptr) {
        sf_close(file_);
    }
}

std::int64_t SoundFileReader::CountFrames() {
    if (!estimatedLength_) {
        return frames_;
    }
    std::vector<double> block(static_cast<std::size_t>(kBlockFrames) * channels_);
    std::int64_t counted = 0;
    if (sf_seek(file_, 0, SEEK_SET) == 0) {
        for (sf_count_t got = 0; (got = sf_readf_double(file_, block.data(), kBlockFrames)) > 0;) {
            counted += got;
        }
    }
    frames_ = counted;
    estimatedLength_ = false;
    return frames_;
}

std::optional<std::vector<double>> SoundFileReader::ReadMixed(std::int64_t start, std::int64_t count,
                                                              std::string& error) {
    if (start < 0 || count < 0 || start > frames_ || count > frames_ - start) {
        error = "frames " + std::to_string(start) + " to " + std::to_string(start + count) + " lie outside the " +
                std::to_string(frames_) + " frames of the file";
        return std::nullopt;
    }
    if (sf_seek(file_, start, SEEK_SET) != start) {
        error = "cannot seek to frame " + std::to_string(start) + ": " + sf_strerror(file_);
        return std::nullopt;
    }
    std::vector<double> mixed(static_cast<std::size_t>(count));
    std::vector<double> block(static_cast<std::size_t>(kBlockFrames) * channels_);
    for (std::int64_t done = 0; done < count;) {
        const sf_count_t wanted = std::min<sf_count_t>(kBlockFrames, count - done);
        const sf_count_t got = sf_readf_double(file_, block.data(), wanted);
        if (got != wanted) {
            error = "the file ends at frame " + std::to_string(start + done + std::max<sf_count_t>(got, 0)) +
                    " of the " + std::to_string(frames_) + " its header declares";
            return std::nullopt;
        }
        for (sf_count_t frame = 0; frame < got; ++frame) {
            const auto first = block.begin() + frame * channels_;
            double sum = 0.0;
            double largest = 0.0;
            std::for_each(first, first + channels_, [&](double value) {
                sum += value;
                largest = std::max(largest, std::abs(value));
            });
            if (!std::isfinite(sum) || !std::isfinite(largest)) {
                error = kNotFiniteText;
                return std::nullopt;
            }
            if (largest > kLargestSampleValue) {
                error = kTooLargeText;
                return std::nullopt;
            }
            mixed[static_cast<std::size_t>(done + frame)] = sum / channels_ * kSixteenBitFullScale;
        }
        done += got;
    }
    return mixed;
}

bool SoundFileReader::ReachesLastFrame() {
    std::vector<double> frame(channels_);
    return frames_ > 0 && sf_seek(file_, frames_ - 1, SEEK_SET) == frames_ - 1 &&
           sf_readf_double(file_, frame.data(), 1) == 1;
}

std::string KorvaniWavFormatText(std::uint32_t bitsPerSample) {
    return "WAV " + std::to_string(bitsPerSample) + "-bit PCM";
}

std::vector<std::string> LibraryExtensions() {
    std::vector<std::string> extensions;
    int count = 0;
    sf_command(nullptr, SFC_GET_FORMAT_MAJOR_COUNT, &count, sizeof count);
    for (int i = 0; i < count; ++i) {
        SF_FORMAT_INFO info{};
        info.format = i;
        if (sf_command(nullptr, SFC_GET_FORMAT_MAJOR, &info, sizeof info) == 0 && info.extension != nullptr) {
            extensions.emplace_back(info.extension);
        }
    }
    return extensions;
}
