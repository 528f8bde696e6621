#include "cli/SoundFileSignal.h"

#include "cli/RetunedCopy.h"
#include "cli/Rf64Header.h"
#include "cli/SoundFileReader.h"
#include "cli/WaveHeader.h"

#include "document/FormatChunk.h"
#include "document/WaveTexts.h"

#include "analysis/FrequencyAnalysis.h"
#include "analysis/TransformSize.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// WAVE_FORMAT_IEEE_FLOAT, which libsndfile reads.
constexpr std::uint16_t kFormatTagFloat = 3;

// A rate as a user wrote it: whole rates without a point, "inf", "nan".
std::string ShortestRateText(double rate) {
    char text[64] = {};
    std::snprintf(text, sizeof text, "%.15g", rate);
    return text;
}

// libsndfile's refusal of a file, in the command line's words: a WAV file
// whose encoding no reader decodes (ADPCM kinds, MPEG in WAV ...) is named by
// its format tag.
void ReportOpenFailure(const std::string& path, const SoundFileReader& reader, MessageLog& log) {
    const std::optional<WaveHeader> header = ReadWaveHeader(path);
    if (header && header->HasFormat && header->FormatSize >= 2) {
        const std::uint16_t tag = platform::ReadLittleEndian16(header->FormatBytes.data() + platform::kFormatTagOffset);
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
    // Before anything is sized from the rate.
    if (!IsValidSampleRate(reader.SampleRate())) {
        log.AddFailure(FailureCode::InvalidRate, InvalidRateText(reader.SampleRate()));
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
        log.AddFailure(error == kNotFiniteText ? FailureCode::InvalidSamples : FailureCode::Damaged, error);
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
