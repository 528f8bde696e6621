#include "document/SampleRateRewrite.h"

#include "document/FormatChunk.h"
#include "document/WaveTexts.h"

#include "platform/FileCopy.h"
#include "platform/GlobalMemory.h"
#include "platform/Mmio.h"

#include <sys/stat.h>

#include <cstdio>

namespace {

constexpr std::uint32_t kBlockFlags = platform::GMEM_MOVEABLE | platform::GMEM_DDESHARE;

// True when both paths exist and name the same file: the same path, a
// symbolic link to it or a hard link (same device and inode).
bool NameTheSameFile(const std::string& first, const std::string& second)
{
    struct stat firstStatus {};
    struct stat secondStatus {};
    return ::stat(first.c_str(), &firstStatus) == 0 && ::stat(second.c_str(), &secondStatus) == 0 &&
           firstStatus.st_dev == secondStatus.st_dev && firstStatus.st_ino == secondStatus.st_ino;
}

// The open target file and the block holding its "fmt " chunk during one
// rewrite; whatever is still held is given back when it ends, the block
// (unlocked, freed) before the file (closed, result not looked at).
class RewriteResources {
public:
    explicit RewriteResources(platform::MmioHandle file) : file_(file) {}
    ~RewriteResources()
    {
        if (bytes_ != nullptr) {
            platform::GlobalUnlock(block_);
        }
        platform::GlobalFree(block_);
        platform::MmioClose(file_, 0);
    }
    RewriteResources(const RewriteResources&) = delete;
    RewriteResources& operator=(const RewriteResources&) = delete;

    platform::MmioHandle File() const { return file_; }

    // Allocates the block; false when there is no memory.
    bool Allocate(std::uint32_t size)
    {
        block_ = platform::GlobalAlloc(kBlockFlags, size);
        return block_ != nullptr;
    }

    // Locks the block; on failure frees it and answers false.
    bool Lock()
    {
        bytes_ = platform::GlobalLock(block_);
        if (bytes_ == nullptr) {
            block_ = platform::GlobalFree(block_);
        }
        return bytes_ != nullptr;
    }

    // Unlocks and frees the block now.
    void ReleaseBlock()
    {
        platform::GlobalUnlock(block_);
        bytes_ = nullptr;
        block_ = platform::GlobalFree(block_);
    }

    std::byte* Bytes() const { return bytes_; }

private:
    platform::MmioHandle file_;
    platform::GlobalHandle block_ = nullptr;
    std::byte* bytes_ = nullptr;
};

}  // namespace

void RewriteSampleRate(const std::string& source, const std::string& target, const NewSampleRate& newRate,
                       TWaveReporter& reporter)
{
    // Copying the file onto itself and patching it would change the source.
    if (NameTheSameFile(source, target)) {
        reporter.Report(target, kFailedToOpenCaption);
        return;
    }
    platform::CopyFile(source.c_str(), target.c_str(), false);

    const platform::MmioHandle file =
        platform::MmioOpen(target.c_str(), nullptr, platform::MMIO_READWRITE | platform::MMIO_ALLOCBUF);
    if (file == nullptr) {
        reporter.Report(target, kFailedToOpenCaption);
        return;
    }
    RewriteResources held(file);

    platform::MmioChunkInfo riffChunk;
    riffChunk.formType = platform::MmioFourCC("WAVE");
    if (platform::MmioDescend(file, &riffChunk, nullptr, platform::MMIO_FINDRIFF) != 0) {
        reporter.Report(kNotAWavFileText, nullptr);
        return;
    }
    platform::MmioChunkInfo formatChunk;
    formatChunk.id = platform::MmioFourCC("fmt ");
    if (platform::MmioDescend(file, &formatChunk, &riffChunk, platform::MMIO_FINDCHUNK) != 0) {
        reporter.Report(kNoFmtChunkText, nullptr);
        return;
    }
    const std::int64_t formatStart = platform::MmioSeek(file, 0, SEEK_CUR);
    const std::uint32_t formatSize = formatChunk.size;

    // A size that runs past the RIFF chunk or the file is never allocated.
    if (formatChunk.availableSize < formatSize) {
        reporter.Report(kCannotReadFmtText, nullptr);
        return;
    }
    if (!held.Allocate(formatSize)) {
        reporter.Report(kNoMemoryForFmtText, nullptr);
        return;
    }
    if (!held.Lock()) {
        reporter.Report(kCannotLockHeaderText, nullptr);
        return;
    }
    std::byte* const chunk = held.Bytes();
    if (platform::MmioRead(file, chunk, formatSize) != std::int64_t{formatSize}) {
        held.ReleaseBlock();
        reporter.Report(kCannotReadFmtText, nullptr);
        return;
    }
    if (!IsUsableFormatChunk(chunk, formatSize, kRewrittenFormatBytes)) {
        reporter.Report(kInvalidFmtChunkText, nullptr);
        return;
    }

    const std::uint32_t rate = newRate();
    WriteLittleEndian32(chunk + kSampleRateOffset, rate);
    // 32-bit arithmetic: the product wraps at 2^32 before the division by 8.
    const std::uint32_t byteRate = std::uint32_t{ReadLittleEndian16(chunk + kChannelsOffset)} *
                                   std::uint32_t{ReadLittleEndian16(chunk + kBitsPerSampleOffset)} * rate >> 3;
    WriteLittleEndian32(chunk + kByteRateOffset, byteRate);

    platform::MmioSeek(file, formatStart, SEEK_SET);
    if (platform::MmioWrite(file, chunk, formatSize) != std::int64_t{formatSize}) {
        reporter.Report(target, kCannotWriteFmtCaption);
    }
}
