// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/SoundFileSignal.h"

#include "cli/RetunedCopy.h"
#include "engine/Rf64Header.h"
#include "engine/SoundFileReader.h"
#include "engine/WaveHeader.h"

#include "engine/FormatChunk.h"
#include "engine/WaveTexts.h"

#include "analysis/FrequencyAnalysis.h"
#include "analysis/TransformSize.h"

#include "platform/RegularFile.h"
#include "platform/Riff.h"

#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <span>

namespace {

// WAVE_FORMAT_IEEE_FLOAT, which libsndfile reads.
constexpr std::uint16_t kFormatTagFloat = 3;

// The value of an 80-bit IEEE extended number (big-endian, as AIFF stores it).
double ExtendedValue(std::span<const unsigned char, 10> bytes) {
    const int exponent = (bytes[0] & 0x7F) << 8 | bytes[1];
    std::uint64_t mantissa = 0;
    for (std::size_t i = 2; i < bytes.size(); ++i) {
        mantissa = mantissa << 8 | bytes[i];
    }
    if (exponent == 0x7FFF) {
        return (mantissa << 1) == 0 ? std::numeric_limits<double>::infinity()
                                    : std::numeric_limits<double>::quiet_NaN();
    }
    const double magnitude = std::ldexp(static_cast<double>(mantissa), exponent - 16383 - 63);
    return (bytes[0] & 0x80) != 0 ? -magnitude : magnitude;
}

// A rate as a user wrote it: whole rates without a point, "inf", "nan".
std::string ShortestRateText(double rate) {
    char text[64] = {};
    std::snprintf(text, sizeof text, "%.15g", rate);
    return text;
}

// The sample rate an AIFF or AIFF-C file's COMM chunk declares, an 80-bit
// extended number (infinity and NaN included); nothing for another file.
std::optional<double> AiffDeclaredRate(const std::string& path) {
    const platform::FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat status {};
    std::array<std::byte, platform::kFirstChunkOffset> form{};
    const platform::ReadAt read = platform::ReadAtDescriptor(file.Get());
    if (!file.IsOpen() || ::fstat(file.Get(), &status) != 0 || !read(0, form)) {
        return std::nullopt;
    }
    const platform::FourCC formType = platform::ReadLittleEndian32(form.data() + platform::kChunkHeaderBytes);
    if (platform::ReadLittleEndian32(form.data()) != platform::MmioFourCC("FORM") ||
        (formType != platform::MmioFourCC("AIFF") && formType != platform::MmioFourCC("AIFC"))) {
        return std::nullopt;
    }
    platform::ChunkWalk walk(read, platform::kFirstChunkOffset, static_cast<std::uint64_t>(status.st_size));
    walk.ReadSizesBigEndian();
    while (const std::optional<platform::RiffChunk> chunk = walk.Next()) {
        if (chunk->id == platform::MmioFourCC("COMM")) {
            std::array<unsigned char, 18> comm{};  // channels, frames, bits, then the rate's 10 bytes
            if (chunk->size < comm.size() || !read(chunk->contents, std::as_writable_bytes(std::span(comm)))) {
                return std::nullopt;
            }
            return ExtendedValue(std::span(comm).subspan<8>());
        }
    }
    return std::nullopt;
}

// libsndfile's refusal of a file, in the command line's words: a WAV file
// whose encoding no reader decodes (ADPCM kinds, MPEG in WAV ...) is named by
// its format tag.
void ReportOpenFailure(const std::string& path, const SoundFileReader& reader, MessageLog& log) {
    const std::optional<WaveHeader> header = ReadWaveHeader(path);
    if (header && header->HasFormat && header->FormatSize >= 2) {
        const std::uint16_t tag = header->Format().formatTag;
        if (tag != platform::kFormatTagPcm && tag != kFormatTagFloat && tag != platform::kFormatTagExtensible) {
            char text[64] = {};
            std::snprintf(text, sizeof text, "unsupported encoding: WAV format tag 0x%04x", tag);
            log.AddFailure(FailureCode::Unsupported, text);
            return;
        }
    }
    if (reader.OpenError() == SF_ERR_UNRECOGNISED_FORMAT) {
        log.AddFailure(FailureCode::NotAudio, "not an audio file");
    } else if (reader.OpenError() == SF_ERR_UNSUPPORTED_ENCODING) {
        log.AddFailure(FailureCode::Unsupported, "unsupported encoding");
    } else {
        log.AddFailure(FailureCode::Damaged, reader.Error());
    }
}

}  // namespace

std::string InvalidRateText(double rate) {
    return "invalid sample rate: " + ShortestRateText(rate) + " Hz (korvani-pitch reads 2 to " +
           std::to_string(kHighestSampleRate) + " Hz)";
}

std::optional<SoundFileSignal> ReadSoundFileSignal(const std::string& path, std::int32_t startMilliseconds,
                                                   MessageLog& log) {
    SoundFileReader reader(path);
    if (!reader.IsOpen()) {
        ReportOpenFailure(path, reader, log);
        return std::nullopt;
    }
    // Before anything is sized from the rate. libsndfile turns an AIFF
    // file's infinite or NaN rate into some integer; the message names the
    // rate the file declares.
    const std::optional<double> declared = AiffDeclaredRate(path);
    if (!IsOpenableSampleRate(reader.SampleRate()) || (declared && !IsOpenableSampleRate(*declared))) {
        log.AddFailure(FailureCode::InvalidRate, InvalidRateText(declared.value_or(reader.SampleRate())));
        return std::nullopt;
    }
    const std::optional<TransformDimensions> transform =
        ChooseTransformSize(static_cast<std::uint32_t>(reader.SampleRate()));
    if (reader.CountFrames() == 0) {
        log.AddFailure(FailureCode::Damaged, "no samples");
        return std::nullopt;
    }
    // libsndfile reads a WAV file's data up to the file's end whatever its
    // header declares; korvani's engine refuses such a file, and so does this.
    const std::optional<WaveHeader> header = ReadWaveHeader(path);
    if (header && header->DataCutShort()) {
        log.AddFailure(FailureCode::Damaged, "the file ends before its \"data\" chunk does");
        return std::nullopt;
    }
    if (!reader.ReachesLastFrame()) {
        log.AddFailure(FailureCode::Damaged,
                       "the file ends before the " + std::to_string(reader.Frames()) + " frames its header declares");
        return std::nullopt;
    }

    SoundFileSignal signal;
    signal.SampleRate = static_cast<std::uint32_t>(reader.SampleRate());
    signal.Channels = reader.Channels();
    signal.BitsPerSample = reader.BitsPerSample();
    signal.Frames = reader.Frames();
    signal.FormatText = reader.FormatText();
    signal.IsWav = reader.IsWav();
    signal.StartSample = StartSampleFromMilliseconds(startMilliseconds, signal.SampleRate);
    signal.PastTheEnd = signal.StartSample >= signal.Frames;
    if (signal.PastTheEnd) {
        return signal;
    }
    const std::int64_t count = std::min<std::int64_t>(transform->TransformSize, signal.Frames - signal.StartSample);
    std::string error;
    std::optional<std::vector<double>> values = reader.ReadMixed(signal.StartSample, count, error);
    if (!values) {
        const bool invalid = error == kNotFiniteText || error == kTooLargeText;
        log.AddFailure(invalid ? FailureCode::InvalidSamples : FailureCode::Damaged, error);
        return std::nullopt;
    }
    signal.Values = std::move(*values);
    return signal;
}

bool WriteRetunedSoundFile(const std::string& source, const SoundFileSignal& signal, const std::string& target,
                           std::uint32_t rate, TWaveReporter& reporter) {
    if (!signal.IsWav) {
        reporter.Report("cannot retune " + signal.FormatText +
                            " by its header: retuning is offered for WAV files (RIFF and RF64, any resolution)",
                        nullptr);
        return false;
    }
    const std::optional<WaveHeader> header = ReadWaveHeader(source);
    if (header && header->Container == WaveContainer::Rf64) {
        return WriteRetunedRf64Copy(source, target, rate, reporter);
    }
    return WriteRetunedCopy(source, target, rate, reporter);
}
