// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/Rf64Header.h"

#include "engine/WaveHeader.h"

#include "engine/FormatChunk.h"
#include "engine/SampleRateRewrite.h"
#include "engine/WaveTexts.h"
#include "platform/RegularFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>

namespace {

// Rate and byte rate lie next to each other: one write of 8 bytes.
constexpr std::size_t kPatchedBytes = platform::kByteRateOffset + 4 - platform::kSampleRateOffset;

// Sets the rate and byte rate in the "fmt " chunk of the RF64 file at `path`,
// every other byte kept; failures name `shownName`.
bool PatchRf64SampleRate(const std::string& path, const std::string& shownName, std::uint32_t rate,
                         TWaveReporter& reporter) {
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
    platform::WriteLittleEndian32(fields.data(), rate);
    platform::WriteLittleEndian32(
        fields.data() + 4, std::uint32_t{platform::ReadLittleEndian16(chunk + platform::kChannelsOffset)} *
                                   std::uint32_t{platform::ReadLittleEndian16(chunk + platform::kBitsPerSampleOffset)} *
                                   rate >>
                               3);
    const platform::FileDescriptor file(::open(path.c_str(), O_WRONLY | O_CLOEXEC));
    const auto offset = static_cast<off_t>(header->FormatOffset + platform::kSampleRateOffset);
    if (!file.IsOpen() ||
        ::pwrite(file.Get(), fields.data(), fields.size(), offset) != static_cast<ssize_t>(fields.size())) {
        reporter.Report(shownName, kCannotWriteFmtCaption);
        return false;
    }
    return true;
}

}  // namespace

bool WriteRetunedRf64Copy(const std::string& source, const std::string& target, std::uint32_t rate,
                          TWaveReporter& reporter) {
    return WriteEditedCopy(
        source, target,
        [&](const std::string& copy, TWaveReporter& shown) { return PatchRf64SampleRate(copy, target, rate, shown); },
        reporter);
}
