#include "document/WaveData.h"

#include "document/FormatChunk.h"
#include "document/WaveTexts.h"

#include "AnalysisTexts.h"

#include <stdexcept>
#include <string>

namespace {

// Movable and shareable, not zero-filled: every byte is read from the file.
constexpr std::uint32_t kBlockFlags = platform::GMEM_MOVEABLE | platform::GMEM_DDESHARE;

// Unlocks (when locked) and frees (when held) one block, and forgets it.
void ReleaseBlock(platform::GlobalHandle& block, std::byte*& bytes)
{
    if (bytes != nullptr) {
        platform::GlobalUnlock(block);
        bytes = nullptr;
    }
    block = platform::GlobalFree(block);
}

// Allocates and locks a block of `size` bytes and reads `size` bytes of the
// file into it. Answers the text of the failure, or nullptr when all went well;
// what was taken stays in `block` and `bytes` for the caller to give back.
const char* ReadChunkIntoBlock(platform::MmioHandle file, std::uint32_t size, platform::GlobalHandle& block,
                               std::byte*& bytes, const char* allocFailure, const char* lockFailure,
                               const char* readFailure)
{
    block = platform::GlobalAlloc(kBlockFlags, size);
    if (block == nullptr) {
        return allocFailure;
    }
    bytes = platform::GlobalLock(block);
    if (bytes == nullptr) {
        return lockFailure;
    }
    if (platform::MmioRead(file, bytes, size) != std::int64_t{size}) {
        return readFailure;
    }
    return nullptr;
}

}  // namespace

TWaveData::TWaveData(std::size_t analysisAllocationLimit)
    : Analysis(analysisAllocationLimit)
{
}

TWaveData::~TWaveData()
{
    OpenInfo.reset();
    // A failed analysis set-up or a failed close leaves both blocks held.
    ReleaseBlocksAndFile();
}

bool TWaveData::Load(const std::string& path, TWaveReporter& reporter, const platform::SoundWaitHook& soundWait)
{
    // A document that is loaded again (revert) gives back its earlier load first.
    ReleaseLoad();
    OpenInfo = std::make_unique<platform::MmioOpenInfo>();

    if (path.empty()) {
        reporter.Report(kNoValidPathText, kFileOpenCaption);
        return false;
    }
    FileName = path;

    platform::SndPlaySound(FileName.c_str(), platform::SND_SYNC, soundWait);

    WaveFile = platform::MmioOpen(FileName.c_str(), OpenInfo.get(), platform::MMIO_READ | platform::MMIO_ALLOCBUF);
    if (WaveFile == nullptr) {
        reporter.Report(OpenFailureText(FileName, OpenInfo->errorRet), kFailedToOpenCaption);
        return false;
    }

    RiffChunk = {};
    RiffChunk.formType = platform::MmioFourCC("WAVE");
    if (platform::MmioDescend(WaveFile, &RiffChunk, nullptr, platform::MMIO_FINDRIFF) != 0) {
        return Refuse(reporter, kNotAWavFileText);
    }
    return ReadFormatChunk(reporter) && ReadDataChunk(reporter);
}

bool TWaveData::ReadFormatChunk(TWaveReporter& reporter)
{
    SubChunk = {};
    SubChunk.id = platform::MmioFourCC("fmt ");
    if (platform::MmioDescend(WaveFile, &SubChunk, &RiffChunk, platform::MMIO_FINDCHUNK) != 0) {
        return Refuse(reporter, kNoFmtChunkText);
    }
    FormatSize = SubChunk.size;
    // A size that runs past the RIFF chunk or the file is never allocated.
    if (SubChunk.availableSize < FormatSize) {
        return Refuse(reporter, kCannotReadFmtText);
    }
    if (const char* failure = ReadChunkIntoBlock(WaveFile, FormatSize, FormatBlock, FormatBytes, kNoMemoryForFmtText,
                                                 kCannotLockHeaderText, kCannotReadFmtText)) {
        return Refuse(reporter, failure);
    }
    if (!IsUsableFormatChunk(FormatBytes, FormatSize, kLoadedFormatBytes)) {
        return Refuse(reporter, kInvalidFmtChunkText);
    }

    SampleRate = ReadLittleEndian32(FormatBytes + kSampleRateOffset);
    const std::uint16_t channels = ReadLittleEndian16(FormatBytes + kChannelsOffset);
    // The resolution comes from the byte rate, in 32 bits (the product wraps).
    const std::uint32_t byteRate = ReadLittleEndian32(FormatBytes + kByteRateOffset);
    BitsPerSample = byteRate * 8U / SampleRate / channels;

    if (channels != 1) {
        reporter.Report(std::to_string(channels), kChannelCountCaption);
    }
    reporter.Report(RateAndResolutionText(SampleRate, BitsPerSample), kSamplingFrequencyCaption);
    platform::MmioAscend(WaveFile, &SubChunk, 0);
    return true;
}

bool TWaveData::ReadDataChunk(TWaveReporter& reporter)
{
    SubChunk.id = platform::MmioFourCC("data");
    if (platform::MmioDescend(WaveFile, &SubChunk, &RiffChunk, platform::MMIO_FINDCHUNK) != 0) {
        return Refuse(reporter, kNoDataChunkText);
    }
    DataSize = SubChunk.size;
    // Less than one sample value is no data either; 64 bits, as DataSize x 8
    // wraps at 512 MiB. A resolution of 0 is left to the analysis to refuse.
    const bool noSampleValue =
        DataSize == 0 || (BitsPerSample != 0 && std::uint64_t{DataSize} * 8 / BitsPerSample == 0);
    if (noSampleValue) {
        return Refuse(reporter, kEmptyDataChunkText);
    }
    if (SubChunk.availableSize < DataSize) {
        return Refuse(reporter, kCannotReadDataText);
    }
    if (const char* failure = ReadChunkIntoBlock(WaveFile, DataSize, DataBlock, DataBytes, kOutOfMemoryText,
                                                 kCannotLockDataText, kCannotReadDataText)) {
        return Refuse(reporter, failure);
    }
    return true;
}

int TWaveData::PrepareAnalysis(TAnalysisStartChooser& chooser, TWaveReporter& reporter)
{
    if (DataBytes == nullptr) {
        throw std::logic_error("PrepareAnalysis: no file is loaded");
    }
    switch (Analysis.Prepare(SampleRate, BitsPerSample, DataSize)) {
    case SetupResult::Ready:
        break;
    case SetupResult::MemoryAllocationImpossible:
        reporter.Report(kMemoryAllocationImpossibleText, nullptr);
        return 0;
    case SetupResult::InvalidBitsPerSample:
        reporter.Report(BitsPerSampleText(BitsPerSample), kUnsupportedResolutionCaption);
        return 0;
    case SetupResult::InvalidSampleRate:  // the load refuses such a rate first
        reporter.Report(kInvalidFmtChunkText, nullptr);
        return 0;
    case SetupResult::NoSamples:  // the load refuses such a chunk first
        reporter.Report(kEmptyDataChunkText, nullptr);
        return 0;
    }
    if (BitsPerSample != 8 && BitsPerSample != 16) {
        reporter.Report(BitsPerSampleText(BitsPerSample), kUnsupportedResolutionCaption);
        return 0;
    }
    if (!chooser.ShowPreview(*this)) {
        return 0;
    }
    std::int64_t startSample = chooser.AskStartSample(*this);
    while (startSample < 0 || startSample >= Analysis.SampleCount) {
        startSample = chooser.AskStartSample(*this);
    }
    Analysis.ComputeSpectrum(Samples(), startSample);
    return 1;
}

bool TWaveData::Open(const std::string& path, TAnalysisStartChooser& chooser, TWaveReporter& reporter,
                     const platform::SoundWaitHook& soundWait)
{
    if (!Load(path, reporter, soundWait)) {
        return false;
    }
    if (PrepareAnalysis(chooser, reporter) != 1) {
        reporter.Report(kSetupFailedText, kSetupFailedCaption);
        return false;
    }
    return true;
}

bool TWaveData::Close(TWaveReporter& reporter)
{
    if (WaveFile == nullptr) {
        return true;
    }
    CloseResult = platform::MmioClose(WaveFile, 0);
    WaveFile = nullptr;
    switch (CloseResult) {
    case 0:
        ReleaseBlock(DataBlock, DataBytes);
        ReleaseBlock(FormatBlock, FormatBytes);
        return true;
    case platform::MMIOERR_CANNOTWRITE:
        reporter.Report(kCannotWriteCloseText, kCloseCaption);
        return false;
    case platform::MMIOERR_CANNOTCLOSE:
        reporter.Report(kCannotCloseText, kCloseCaption);
        return false;
    default:
        return true;
    }
}

std::span<const std::uint8_t> TWaveData::Samples() const
{
    if (DataBytes == nullptr) {
        return {};
    }
    return {reinterpret_cast<const std::uint8_t*>(DataBytes), DataSize};
}

bool TWaveData::Refuse(TWaveReporter& reporter, const char* text)
{
    reporter.Report(text, nullptr);
    ReleaseBlocksAndFile();
    return false;
}

void TWaveData::ReleaseBlocksAndFile()
{
    ReleaseBlock(DataBlock, DataBytes);
    ReleaseBlock(FormatBlock, FormatBytes);
    if (WaveFile != nullptr) {
        platform::MmioClose(WaveFile, 0);
        WaveFile = nullptr;
    }
}

void TWaveData::ReleaseLoad()
{
    // The rate, the resolution and the spectrum stay until this load replaces
    // them: a view goes on painting them while the file plays, and after a
    // reload that fails before it reads them.
    ReleaseBlocksAndFile();
    OpenInfo.reset();
    FileName.clear();
    RiffChunk = {};
    SubChunk = {};
    FormatSize = 0;
    DataSize = 0;
}
