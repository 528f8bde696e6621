// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/WaveData.h"

#include "engine/FormatChunk.h"
#include "engine/WaveTexts.h"

#include "analysis/AnalysisTexts.h"
#include "platform/SampleFormat.h"

#include <stdexcept>
#include <string>

TWaveData::TWaveData(std::size_t analysisAllocationLimit) : analysis_(analysisAllocationLimit) {}

TWaveData::~TWaveData() {
    // A failed analysis set-up or a failed close leaves both blocks held.
    ReleaseBlocksAndFile();
}

bool TWaveData::Load(const std::string& path, TWaveReporter& reporter) {
    // A document that is loaded again (revert) gives back its earlier load first.
    ReleaseLoad();
    platform::MmioOpenInfo openInfo;

    if (path.empty()) {
        reporter.Report(kNoValidPathText, kFileOpenCaption);
        return false;
    }
    fileName_ = path;

    BeforeReading(fileName_);

    waveFile_ = platform::MmioOpen(fileName_.c_str(), &openInfo, platform::MMIO_READ | platform::MMIO_ALLOCBUF);
    if (waveFile_ == nullptr) {
        reporter.Report(OpenFailureText(fileName_, openInfo.errorRet), kFailedToOpenCaption);
        return false;
    }
    if (const std::optional<LoadFailure> failure = ReadChunks(reporter)) {
        reporter.Report(LoadFailureText(*failure), nullptr);
        ReleaseBlocksAndFile();
        return false;
    }
    return true;
}

std::optional<LoadFailure> TWaveData::ReadChunks(TWaveReporter& reporter) {
    const std::optional<LoadFailure> formatFailure =
        ReadFormatChunk(*waveFile_, kLoadedFormatBytes, riffChunk_, subChunk_, formatBlock_);
    formatSize_ = subChunk_.size;
    if (formatFailure) {
        return formatFailure;
    }
    const std::byte* const format = formatBlock_.Bytes().data();
    sampleRate_ = platform::ReadLittleEndian32(format + platform::kSampleRateOffset);
    channels_ = platform::ReadLittleEndian16(format + platform::kChannelsOffset);
    bitsPerSample_ = ResolutionFromByteRate(platform::ReadLittleEndian32(format + platform::kByteRateOffset),
                                            sampleRate_, channels_);

    if (channels_ != 1) {
        reporter.Report(std::to_string(channels_), kChannelCountCaption);
    }
    reporter.Report(RateAndResolutionText(sampleRate_, bitsPerSample_), kSamplingFrequencyCaption);
    platform::MmioAscend(waveFile_, &subChunk_, 0);

    if (platform::FindChunk(*waveFile_, riffChunk_, platform::kDataChunkId, subChunk_) != 0) {
        return LoadFailure::NoDataChunk;
    }
    dataSize_ = subChunk_.size;
    // Less than one frame is no data either; 64 bits, as DataSize x 8 wraps
    // at 512 MiB. A resolution of 0 is left to the analysis to refuse.
    const bool noSampleValue =
        dataSize_ == 0 ||
        (bitsPerSample_ != 0 && std::uint64_t{dataSize_} * 8 / bitsPerSample_ / ValuesPerFrame() == 0);
    if (noSampleValue) {
        return LoadFailure::EmptyDataChunk;
    }
    return FailureOf(platform::ReadChunk(*waveFile_, subChunk_, dataBlock_), kDataChunkFailures);
}

int TWaveData::PrepareAnalysis(TAnalysisStartChooser& chooser, TWaveReporter& reporter) {
    if (dataBlock_.Bytes().data() == nullptr) {
        throw std::logic_error("PrepareAnalysis: no file is loaded");
    }
    const SetupResult setup = analysis_.Prepare(sampleRate_, bitsPerSample_, dataSize_, ValuesPerFrame());
    if (setup == SetupResult::MemoryAllocationImpossible) {
        reporter.Report(kMemoryAllocationImpossibleText, nullptr);
        return 0;
    }
    // The load has refused every rate and every chunk the set-up refuses, so
    // a set-up that is not ready was refused for 0 bits per sample.
    if (setup != SetupResult::Ready || !platform::IsSupportedResolution(bitsPerSample_)) {
        reporter.Report(BitsPerSampleText(bitsPerSample_), kUnsupportedResolutionCaption);
        return 0;
    }
    if (!chooser.ShowPreview(*this)) {
        return 0;
    }
    std::int64_t startSample = chooser.AskStartSample(*this);
    while (startSample < 0 || startSample >= analysis_.SampleCount) {
        startSample = chooser.AskStartSample(*this);
    }
    analysis_.ComputeSpectrum(Samples(), startSample);
    return 1;
}

void TWaveData::BeforeReading(const std::string&) {}

bool TWaveData::Open(const std::string& path, TAnalysisStartChooser& chooser, TWaveReporter& reporter) {
    if (!Load(path, reporter)) {
        return false;
    }
    if (PrepareAnalysis(chooser, reporter) != 1) {
        reporter.Report(kSetupFailedText, kSetupFailedCaption);
        return false;
    }
    return true;
}

bool TWaveData::Close(TWaveReporter& reporter) {
    if (waveFile_ == nullptr) {
        return true;
    }
    closeResult_ = platform::MmioClose(waveFile_, 0);
    waveFile_ = nullptr;
    switch (closeResult_) {
    case 0:
        dataBlock_.Release();
        formatBlock_.Release();
        return true;
    case platform::MMIOERR_CANNOTWRITE: reporter.Report(kCannotWriteCloseText, kCloseCaption); return false;
    case platform::MMIOERR_CANNOTCLOSE: reporter.Report(kCannotCloseText, kCloseCaption); return false;
    default: return true;
    }
}

std::span<const std::uint8_t> TWaveData::Samples() const {
    const std::span<const std::byte> bytes = dataBlock_.Bytes();
    return {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
}

void TWaveData::ReleaseBlocksAndFile() {
    dataBlock_.Release();
    formatBlock_.Release();
    if (waveFile_ != nullptr) {
        platform::MmioClose(waveFile_, 0);
        waveFile_ = nullptr;
    }
}

void TWaveData::ReleaseLoad() {
    // The rate, the resolution and the spectrum stay until this load replaces
    // them: a view goes on painting them while the file plays, and after a
    // reload that fails before it reads them.
    ReleaseBlocksAndFile();
    fileName_.clear();
    riffChunk_ = {};
    subChunk_ = {};
    formatSize_ = 0;
    dataSize_ = 0;
}

std::int64_t TGivenStartTime::AskStartSample(const TWaveData& wave) {
    startSample_ = StartSampleFromMilliseconds(milliseconds_, wave.SampleRate());
    pastTheEnd_ = startSample_ >= wave.Analysis().SampleCount;
    return pastTheEnd_ ? 0 : startSample_;
}
