#include "platform/WavSource.h"

#include <algorithm>
#include <array>
#include <optional>

namespace platform {
namespace {

// Layout of the "fmt " chunk's data, as far as playing needs it.
constexpr std::size_t kTagOffset = 0;
constexpr std::size_t kChannelsOffset = 2;
constexpr std::size_t kRateOffset = 4;
constexpr std::size_t kBlockAlignOffset = 12;
constexpr std::size_t kBitsOffset = 14;
constexpr std::size_t kPcmFormatBytes = 16;
constexpr std::size_t kSubFormatOffset = 24;   // WAVE_FORMAT_EXTENSIBLE only
constexpr std::size_t kExtensibleBytes = 40;
constexpr std::uint16_t kTagPcm = 0x0001;
constexpr std::uint16_t kTagExtensible = 0xFFFE;
// KSDATAFORMAT_SUBTYPE_PCM, 00000001-0000-0010-8000-00aa00389b71, as stored.
constexpr std::array<unsigned char, 16> kPcmSubFormat{0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                                      0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

using FmtBytes = std::array<unsigned char, kExtensibleBytes>;

std::uint16_t Field16(const FmtBytes& bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

std::uint32_t Field32(const FmtBytes& bytes, std::size_t offset) {
    return static_cast<std::uint32_t>(Field16(bytes, offset)) |
           static_cast<std::uint32_t>(Field16(bytes, offset + 2)) << 16;
}

bool IsPcm(const FmtBytes& bytes, std::size_t length) {
    const std::uint16_t tag = Field16(bytes, kTagOffset);
    if (tag == kTagPcm) {
        return true;
    }
    return tag == kTagExtensible && length >= kExtensibleBytes &&
           std::equal(kPcmSubFormat.begin(), kPcmSubFormat.end(), bytes.begin() + kSubFormatOffset);
}

std::optional<PcmFormat> PlayableFormat(const FmtBytes& bytes, std::size_t length) {
    if (length < kPcmFormatBytes || !IsPcm(bytes, length)) {
        return std::nullopt;
    }
    const PcmFormat format{Field16(bytes, kChannelsOffset), Field32(bytes, kRateOffset), Field16(bytes, kBitsOffset)};
    if (format.channels == 0 || format.sampleRate == 0 ||
        (format.bitsPerSample != 8 && format.bitsPerSample != 16) ||
        Field16(bytes, kBlockAlignOffset) != format.FrameBytes()) {
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
    MmioChunkInfo riff{};
    riff.formType = MmioFourCC("WAVE");
    if (file->Descend(riff, nullptr, MMIO_FINDRIFF) != 0) {
        return nullptr;
    }
    MmioChunkInfo fmt{};
    fmt.id = MmioFourCC("fmt ");
    if (file->Descend(fmt, &riff, MMIO_FINDCHUNK) != 0) {
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
    MmioChunkInfo data{};
    data.id = MmioFourCC("data");
    if (file->Descend(data, &riff, MMIO_FINDCHUNK) != 0) {
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
