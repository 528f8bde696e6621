#include "cli/SoundFileSignal.h"

#include "cli/RetunedCopy.h"
#include "cli/Rf64Header.h"
#include "cli/SoundFileReader.h"
#include "cli/WaveHeader.h"

#include "document/WaveTexts.h"

#include "analysis/FrequencyAnalysis.h"
#include "analysis/TransformSize.h"

#include <algorithm>

std::optional<SoundFileSignal> ReadSoundFileSignal(const std::string& path, std::int32_t startMilliseconds,
                                                   TWaveReporter& reporter) {
    SoundFileReader reader(path);
    if (!reader.IsOpen()) {
        reporter.Report(reader.Error(), nullptr);
        return std::nullopt;
    }
    const std::optional<TransformDimensions> transform = ChooseTransformSize(reader.SampleRate());
    if (!transform) {
        reporter.Report("no transform size exists for a rate of " + std::to_string(reader.SampleRate()) + " Hz",
                        nullptr);
        return std::nullopt;
    }
    if (reader.Frames() == 0) {
        reporter.Report(kEmptyDataChunkText, nullptr);
        return std::nullopt;
    }
    // libsndfile reads a WAV file's data up to the file's end whatever its
    // header declares; korvani's engine refuses such a file, and so does this.
    const std::optional<WaveHeader> header = ReadWaveHeader(path);
    if (header && header->DataCutShort()) {
        reporter.Report(kCannotReadDataText, nullptr);
        return std::nullopt;
    }
    if (!reader.ReachesLastFrame()) {
        reporter.Report("the file ends before the " + std::to_string(reader.Frames()) + " frames its header declares",
                        nullptr);
        return std::nullopt;
    }

    SoundFileSignal signal;
    signal.SampleRate = reader.SampleRate();
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
        reporter.Report(error, nullptr);
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
