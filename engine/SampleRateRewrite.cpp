// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/SampleRateRewrite.h"

#include "engine/FormatChunk.h"
#include "engine/WaveTexts.h"

#include "platform/FileCopy.h"
#include "platform/Mmio.h"
#include "platform/RegularFile.h"
#include "platform/ReplacementFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <span>

namespace {

// Closes a file still open when a rewrite ends, without looking at the result.
struct CloseFile {
    void operator()(platform::MmioHandle file) const { platform::MmioClose(file, 0); }
};

// True when `target` names no file yet, or a regular file this user may
// write: a file the user could not change is not replaced behind its back.
bool TargetMayBeReplaced(const std::string& target) {
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
int CopyBeside(const std::string& source, const std::string& target, platform::ReplacementFile& copy) {
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
                     TWaveReporter& reporter) {
    std::unique_ptr<platform::MmioFile, CloseFile> file(
        platform::MmioOpen(path.c_str(), nullptr, platform::MMIO_READWRITE | platform::MMIO_ALLOCBUF));
    if (file == nullptr) {
        reporter.Report(shownName, kFailedToOpenCaption);
        return false;
    }
    // Declared after the file, so that a block still held goes back before the file closes.
    platform::LockedBlock block;
    platform::MmioChunkInfo riffChunk;
    platform::MmioChunkInfo formatChunk;
    if (const auto failure = ReadFormatChunk(*file, kRewrittenFormatBytes, riffChunk, formatChunk, block)) {
        reporter.Report(LoadFailureText(*failure), nullptr);
        return false;
    }
    const std::span<std::byte> chunk = block.Bytes();

    const std::uint32_t rate = newRate();
    // A copy korvani could not open again would be data lost, not written.
    if (!IsOpenableSampleRate(rate)) {
        reporter.Report(UnopenableRateText(rate), kUnsupportedSampleRateCaption);
        return false;
    }
    platform::SetFormatRate(chunk, rate);

    platform::MmioSeek(file.get(), static_cast<std::int64_t>(formatChunk.dataOffset), SEEK_SET);
    const auto size = static_cast<std::int64_t>(chunk.size());
    const auto finish = [&] {
        block.Release();
        return platform::MmioClose(file.release(), 0) == 0;
    };
    // A write the buffer took but the close could not store failed all the same.
    if (platform::MmioWrite(file.get(), chunk.data(), size) != size || !finish()) {
        reporter.Report(shownName, kCannotWriteFmtCaption);
        return false;
    }
    return true;
}

}  // namespace

bool WriteEditedCopy(const std::string& source, const std::string& target, const CopyEdit& edit,
                     TWaveReporter& reporter) {
    // Copying the file onto itself and editing it would change the source.
    if (platform::NameTheSameFile(source.c_str(), target.c_str()) || !TargetMayBeReplaced(target)) {
        reporter.Report(target, kFailedToOpenCaption);
        return false;
    }
    platform::ReplacementFile copy;
    if (const int failure = CopyBeside(source, target, copy); failure != 0) {
        reporter.Report(WriteFailureText(target, failure), kFailedToWriteCaption);
        return false;
    }
    if (!edit(copy.ShortPath(), reporter)) {
        return false;
    }
    if (const int failure = copy.Commit(); failure != 0) {
        reporter.Report(WriteFailureText(target, failure), kFailedToWriteCaption);
        return false;
    }
    return true;
}

bool RewriteSampleRate(const std::string& source, const std::string& target, const NewSampleRate& newRate,
                       TWaveReporter& reporter) {
    return WriteEditedCopy(
        source, target,
        [&](const std::string& copy, TWaveReporter& shown) { return PatchSampleRate(copy, target, newRate, shown); },
        reporter);
}

std::uint32_t RetunedRate(std::uint32_t requested, std::uint32_t fileRate, bool noHigher) {
    return noHigher && fileRate < requested ? requested / 2 : requested;
}
