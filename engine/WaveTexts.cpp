// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/WaveTexts.h"

#include "engine/FormatChunk.h"

#include <array>
#include <cstdio>
#include <cstring>

namespace {

// The reasons for MMIOERR codes 257 to 266, in code order.
constexpr std::uint32_t kFirstMmioError = 257;
constexpr std::array<const char*, 10> kMmioErrorTexts = {
    "file not found", "out of memory", "cannot open",        "cannot close",    "cannot read",
    "cannot write",   "cannot seek",   "cannot expand file", "chunk not found", "file is unbuffered",
};

// Fills a format holding one or two %d with values taken as signed 32-bit
// numbers, as the formats have always printed them.
template <typename... Values>
std::string FormatSigned(const char* format, Values... values) {
    std::array<char, 64> buffer{};
    const int length = std::snprintf(buffer.data(), buffer.size(), format, static_cast<int>(values)...);
    return std::string(buffer.data(), static_cast<std::size_t>(length));
}

// The text of each load failure, in the order of LoadFailure.
constexpr std::array<const char*, 11> kLoadFailureTexts = {
    kNotAWavFileText,      kNoFmtChunkText,      kCannotReadFmtText,  kNoMemoryForFmtText,
    kCannotLockHeaderText, kInvalidFmtChunkText, kNoDataChunkText,    kEmptyDataChunkText,
    kCannotReadDataText,   kOutOfMemoryText,     kCannotLockDataText,
};
static_assert(kLoadFailureTexts.size() == static_cast<std::size_t>(LoadFailure::CannotLockData) + 1);

}  // namespace

const char* LoadFailureText(LoadFailure failure) {
    return kLoadFailureTexts[static_cast<std::size_t>(failure)];
}

const char* MmioErrorText(std::uint32_t code) {
    if (code < kFirstMmioError || code - kFirstMmioError >= kMmioErrorTexts.size()) {
        return "";
    }
    return kMmioErrorTexts[code - kFirstMmioError];
}

std::string OpenFailureText(const std::string& path, std::uint32_t code) {
    return path + kMmioErrorSeparator + MmioErrorText(code);
}

std::string WriteFailureText(const std::string& target, int error) {
    return target + "  -  " + std::strerror(error);
}

std::string RateAndResolutionText(std::uint32_t sampleRate, std::uint32_t bitsPerSample) {
    return FormatSigned(kRateAndResolutionFormat, static_cast<std::int32_t>(sampleRate),
                        static_cast<std::int32_t>(bitsPerSample));
}

std::string BitsPerSampleText(std::uint32_t bitsPerSample) {
    return FormatSigned(kBitsPerSampleFormat, static_cast<std::int32_t>(bitsPerSample));
}

std::string UnopenableRateText(std::uint32_t rate) {
    return std::to_string(rate) + " Hz lies outside " + std::to_string(kLowestSampleRate) + " to " +
           std::to_string(kHighestSampleRate) + " Hz: file not written";
}
