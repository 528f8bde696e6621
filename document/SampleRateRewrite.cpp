#include "document/SampleRateRewrite.h"

#include "document/FormatChunk.h"
#include "document/WaveTexts.h"

#include "platform/FileCopy.h"
#include "platform/GlobalMemory.h"
#include "platform/Mmio.h"
#include "platform/RegularFile.h"
#include "platform/ReplacementFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <utility>

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
        if (file_ != nullptr) {
            platform::MmioClose(file_, 0);
        }
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

    // Gives back the block and closes the file now; false when the close
    // could not store the buffered bytes.
    bool Finish()
    {
        ReleaseBlock();
        const platform::MmioHandle file = std::exchange(file_, nullptr);
        return platform::MmioClose(file, 0) == 0;
    }

private:
    platform::MmioHandle file_;
    platform::GlobalHandle block_ = nullptr;
    std::byte* bytes_ = nullptr;
};

// True when `target` names no file yet, or a regular file this user may
// write: a file the user could not change is not replaced behind its back.
bool TargetMayBeReplaced(const std::string& target)
{
    struct stat status {};
    if (::stat(target.c_str(), &status) != 0) {
        return true;
    }
    if (!S_ISREG(status.st_mode)) {
        return false;
    }
    // Opening it, not asking access(), answers for the user the thread acts as.
    const platform::FileDescriptor writable(::open(target.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    return writable.IsOpen();
}

// Copies the whole source into `copy`, a new file beside `target`; answers 0
// or the errno of what failed.
int CopyBeside(const std::string& source, const std::string& target, platform::ReplacementFile& copy)
{
    if (const int failure = copy.Create(target); failure != 0) {
        return failure;
    }
    errno = 0;
    const platform::OpenedRegularFile from = platform::OpenRegularFile(source.c_str(), false);
    if (from.failure != platform::OpenFailure::None) {
        return errno != 0 ? errno : EIO;
    }
    return platform::CopyAllBytes(from.descriptor.Get(), copy.Descriptor());
}

// Sets the rate fields of the "fmt " chunk of the WAV file at `path` in place;
// messages name the file `shownName`. False after one message.
bool PatchSampleRate(const std::string& path, const std::string& shownName, const NewSampleRate& newRate,
                     TWaveReporter& reporter)
{
    const platform::MmioHandle file =
        platform::MmioOpen(path.c_str(), nullptr, platform::MMIO_READWRITE | platform::MMIO_ALLOCBUF);
    if (file == nullptr) {
        reporter.Report(shownName, kFailedToOpenCaption);
        return false;
    }
    RewriteResources held(file);

    platform::MmioChunkInfo riffChunk;
    riffChunk.formType = platform::MmioFourCC("WAVE");
    if (platform::MmioDescend(file, &riffChunk, nullptr, platform::MMIO_FINDRIFF) != 0) {
        reporter.Report(kNotAWavFileText, nullptr);
        return false;
    }
    platform::MmioChunkInfo formatChunk;
    formatChunk.id = platform::MmioFourCC("fmt ");
    if (platform::MmioDescend(file, &formatChunk, &riffChunk, platform::MMIO_FINDCHUNK) != 0) {
        reporter.Report(kNoFmtChunkText, nullptr);
        return false;
    }
    const std::int64_t formatStart = platform::MmioSeek(file, 0, SEEK_CUR);
    const std::uint32_t formatSize = formatChunk.size;

    // A size that runs past the RIFF chunk or the file is never allocated.
    if (formatChunk.availableSize < formatSize) {
        reporter.Report(kCannotReadFmtText, nullptr);
        return false;
    }
    if (!held.Allocate(formatSize)) {
        reporter.Report(kNoMemoryForFmtText, nullptr);
        return false;
    }
    if (!held.Lock()) {
        reporter.Report(kCannotLockHeaderText, nullptr);
        return false;
    }
    std::byte* const chunk = held.Bytes();
    if (platform::MmioRead(file, chunk, formatSize) != std::int64_t{formatSize}) {
        held.ReleaseBlock();
        reporter.Report(kCannotReadFmtText, nullptr);
        return false;
    }
    if (!IsUsableFormatChunk(chunk, formatSize, kRewrittenFormatBytes)) {
        reporter.Report(kInvalidFmtChunkText, nullptr);
        return false;
    }

    const std::uint32_t rate = newRate();
    WriteLittleEndian32(chunk + kSampleRateOffset, rate);
    // 32-bit arithmetic: the product wraps at 2^32 before the division by 8.
    const std::uint32_t byteRate = std::uint32_t{ReadLittleEndian16(chunk + kChannelsOffset)} *
                                   std::uint32_t{ReadLittleEndian16(chunk + kBitsPerSampleOffset)} * rate >> 3;
    WriteLittleEndian32(chunk + kByteRateOffset, byteRate);

    platform::MmioSeek(file, formatStart, SEEK_SET);
    // A write the buffer took but the close could not store failed all the same.
    if (platform::MmioWrite(file, chunk, formatSize) != std::int64_t{formatSize} || !held.Finish()) {
        reporter.Report(shownName, kCannotWriteFmtCaption);
        return false;
    }
    return true;
}

}  // namespace

bool WriteEditedCopy(const std::string& source, const std::string& target, const CopyEdit& edit,
                     TWaveReporter& reporter)
{
    // Copying the file onto itself and editing it would change the source.
    if (NameTheSameFile(source, target) || !TargetMayBeReplaced(target)) {
        reporter.Report(target, kFailedToOpenCaption);
        return false;
    }
    platform::ReplacementFile copy;
    if (const int failure = CopyBeside(source, target, copy); failure != 0) {
        reporter.Report(WriteFailureText(target, failure), kFailedToWriteCaption);
        return false;
    }
    if (!edit(copy.Path(), reporter)) {
        return false;
    }
    if (const int failure = copy.Commit(); failure != 0) {
        reporter.Report(WriteFailureText(target, failure), kFailedToWriteCaption);
        return false;
    }
    return true;
}

bool RewriteSampleRate(const std::string& source, const std::string& target, const NewSampleRate& newRate,
                       TWaveReporter& reporter)
{
    return WriteEditedCopy(source, target, [&](const std::string& copy, TWaveReporter& shown) {
        return PatchSampleRate(copy, target, newRate, shown);
    }, reporter);
}

std::uint32_t RetunedRate(std::uint32_t requested, std::uint32_t fileRate, bool noHigher)
{
    return noHigher && fileRate < requested ? requested / 2 : requested;
}
