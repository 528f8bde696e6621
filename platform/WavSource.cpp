// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/WavSource.h"

#include "platform/SampleFormat.h"
#include "platform/WavFormat.h"

#include <algorithm>
#include <array>
#include <optional>

namespace platform {
namespace {

// KSDATAFORMAT_SUBTYPE_PCM, 00000001-0000-0010-8000-00aa00389b71, as stored.
constexpr std::array<unsigned char, 16> kPcmSubFormat{0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                                      0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

using FmtBytes = std::array<unsigned char, kExtensibleFormatBytes>;

bool IsPcm(const FmtBytes& bytes, std::size_t length) {
    const std::uint16_t tag = ReadLittleEndian16(bytes.data() + kFormatTagOffset);
    if (tag == kFormatTagPcm) {
        return true;
    }
    return tag == kFormatTagExtensible && length >= kExtensibleFormatBytes &&
           std::equal(kPcmSubFormat.begin(), kPcmSubFormat.end(), bytes.begin() + kSubFormatOffset);
}

std::optional<PcmFormat> PlayableFormat(const FmtBytes& bytes, std::size_t length) {
    if (length < kPcmFormatBytes || !IsPcm(bytes, length)) {
        return std::nullopt;
    }
    const unsigned char* const fields = bytes.data();
    const PcmFormat format{ReadLittleEndian16(fields + kChannelsOffset), ReadLittleEndian32(fields + kSampleRateOffset),
                           ReadLittleEndian16(fields + kBitsPerSampleOffset)};
    if (format.channels == 0 || format.sampleRate == 0 || !IsSupportedResolution(format.bitsPerSample) ||
        ReadLittleEndian16(fields + kBlockAlignOffset) != format.FrameBytes()) {
        return std::nullopt;
    }
    return format;
}

}  // namespace

std::unique_ptr<WavSource> WavSource::Open(const char* path) {
    std::uint32_t error = 0;
    std::unique_ptr<MmioFile> file = MmioFile::Open(path, MMIO_READ | MMIO_ALLOCBUF, error);
    if (file == nullptr) {
        return nullptr;
    }
    MmioChunkInfo riff;
    MmioChunkInfo fmt;
    if (FindWaveChunk(*file, riff) != 0 || FindChunk(*file, riff, MmioFourCC("fmt "), fmt) != 0) {
        return nullptr;
    }
    FmtBytes fields{};
    const auto length = static_cast<std::int64_t>(std::min<std::uint64_t>(fmt.availableSize, fields.size()));
    if (file->Read(fields.data(), length) != length) {
        return nullptr;
    }
    const std::optional<PcmFormat> format = PlayableFormat(fields, static_cast<std::size_t>(length));
    if (!format) {
        return nullptr;
    }
    file->Ascend(fmt);
    MmioChunkInfo data;
    if (FindChunk(*file, riff, MmioFourCC("data"), data) != 0) {
        return nullptr;
    }
    const std::uint64_t frameBytes = format->FrameBytes();
    const std::uint64_t wholeFrames = data.availableSize / frameBytes * frameBytes;
    return std::unique_ptr<WavSource>(new WavSource(std::move(file), *format, wholeFrames));
}

std::size_t WavSource::WholeFrameBytes(std::size_t bytes) const {
    const std::size_t frameBytes = format_.FrameBytes();
    return std::max<std::size_t>(1, bytes / frameBytes) * frameBytes;
}

std::size_t WavSource::ReadFrames(std::span<std::byte> buffer) {
    const auto wanted = static_cast<std::int64_t>(std::min<std::uint64_t>(bytesLeft_, buffer.size()));
    const std::int64_t got = file_->Read(buffer.data(), wanted);
    if (got != wanted) {
        bytesLeft_ = 0;  // the file changed under us or failed: stop here
        return 0;
    }
    bytesLeft_ -= static_cast<std::uint64_t>(got);
    return static_cast<std::size_t>(got);
}

}  // namespace platform
