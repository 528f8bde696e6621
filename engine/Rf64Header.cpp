// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/Rf64Header.h"

#include "engine/WaveHeader.h"

#include "engine/FormatChunk.h"
#include "engine/SampleRateRewrite.h"
#include "engine/WaveTexts.h"
#include "platform/RegularFile.h"

#include <fcntl.h>

#include <algorithm>
#include <array>
#include <span>

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
    if (!IsUsableFormatChunk(header->FormatBytes.data(), header->FormatSize, kRewrittenFormatBytes)) {
        reporter.Report(kInvalidFmtChunkText, nullptr);
        return false;
    }
    std::array<std::byte, kRewrittenFormatBytes> chunk{};
    std::copy_n(header->FormatBytes.begin(), chunk.size(), chunk.begin());
    platform::SetFormatRate(chunk, rate);
    const auto fields = std::span(chunk).subspan(platform::kSampleRateOffset, kPatchedBytes);
    const platform::FileDescriptor file(::open(path.c_str(), O_WRONLY | O_CLOEXEC));
    if (!file.IsOpen() ||
        !platform::WriteAtDescriptor(file.Get(), header->FormatOffset + platform::kSampleRateOffset, fields)) {
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
