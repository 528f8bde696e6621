#include "Rf64Header.h"

#include "WaveHeader.h"

#include "document/FormatChunk.h"
#include "document/WaveTexts.h"
#include "platform/FileCopy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>

namespace {

// Rate and byte rate lie next to each other: one write of 8 bytes.
constexpr std::size_t kPatchedBytes = kByteRateOffset + 4 - kSampleRateOffset;

// Closes a descriptor when dropped.
class Descriptor {
public:
    explicit Descriptor(int descriptor) : descriptor_(descriptor) {}
    ~Descriptor()
    {
        if (descriptor_ >= 0) {
            ::close(descriptor_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return descriptor_; }

private:
    int descriptor_;
};

bool NameTheSameFile(const std::string& first, const std::string& second)
{
    struct stat firstStatus {};
    struct stat secondStatus {};
    return ::stat(first.c_str(), &firstStatus) == 0 && ::stat(second.c_str(), &secondStatus) == 0 &&
           firstStatus.st_dev == secondStatus.st_dev && firstStatus.st_ino == secondStatus.st_ino;
}

// The permissions of the file the copy replaces, or those of a new file.
mode_t FinalMode(const std::string& target)
{
    struct stat status {};
    if (::stat(target.c_str(), &status) == 0) {
        return status.st_mode & 07777;
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Sets the rate and byte rate in the "fmt " chunk of the RF64 file at `path`,
// every other byte kept; failures name `shownName`.
bool PatchRf64SampleRate(const std::string& path, const std::string& shownName, std::uint32_t rate,
                         TWaveReporter& reporter)
{
    const std::optional<WaveHeader> header = ReadWaveHeader(path);
    if (!header || header->Container != WaveContainer::Rf64) {
        reporter.Report(kNotAWavFileText, nullptr);
        return false;
    }
    if (!header->HasFormat) {
        reporter.Report(kNoFmtChunkText, nullptr);
        return false;
    }
    const std::byte* const chunk = header->FormatBytes.data();
    if (!IsUsableFormatChunk(chunk, header->FormatSize, kRewrittenFormatBytes)) {
        reporter.Report(kInvalidFmtChunkText, nullptr);
        return false;
    }
    std::array<std::byte, kPatchedBytes> fields{};
    WriteLittleEndian32(fields.data(), rate);
    WriteLittleEndian32(fields.data() + 4, std::uint32_t{ReadLittleEndian16(chunk + kChannelsOffset)} *
                                               std::uint32_t{ReadLittleEndian16(chunk + kBitsPerSampleOffset)} *
                                               rate >> 3);
    const Descriptor file(::open(path.c_str(), O_WRONLY | O_CLOEXEC));
    const auto offset = static_cast<off_t>(header->FormatOffset + kSampleRateOffset);
    if (file.Get() < 0 || ::pwrite(file.Get(), fields.data(), fields.size(), offset) !=
                              static_cast<ssize_t>(fields.size()) ||
        ::fsync(file.Get()) != 0) {
        reporter.Report(shownName, kCannotWriteFmtCaption);
        return false;
    }
    return true;
}

}  // namespace

bool WriteRetunedRf64Copy(const std::string& source, const std::string& target, std::uint32_t rate,
                          TWaveReporter& reporter)
{
    if (NameTheSameFile(source, target)) {
        reporter.Report(target, kFailedToOpenCaption);
        return false;
    }
    std::string work = target + ".XXXXXX";
    const int made = ::mkstemp(work.data());
    if (made < 0) {
        reporter.Report(target, kFailedToOpenCaption);
        return false;
    }
    ::close(made);
    bool written = platform::CopyFile(source.c_str(), work.c_str(), false);
    if (!written) {
        reporter.Report(target, kFailedToOpenCaption);
    } else {
        written = PatchRf64SampleRate(work, target, rate, reporter);
    }
    if (written) {
        written = ::chmod(work.c_str(), FinalMode(target)) == 0 && std::rename(work.c_str(), target.c_str()) == 0;
        if (!written) {
            reporter.Report(target, kFailedToOpenCaption);
        }
    }
    if (!written) {
        std::remove(work.c_str());
    }
    return written;
}
