// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/WavSource.h"

#include "platform/SampleFormat.h"
#include "platform/WavFormat.h"

#include <algorithm>
#include <array>
#include <optional>

namespace platform {
namespace {

using FmtBytes = std::array<std::byte, kExtensibleFormatBytes>;

std::optional<PcmFormat> PlayableFormat(std::span<const std::byte> chunk) {
    const FormatFacts facts = ReadFormatFacts(chunk);
    if (chunk.size() < kPcmFormatBytes || !facts.IsPcm()) {
        return std::nullopt;
    }
    const PcmFormat format{facts.channels, facts.sampleRate, facts.bitsPerSample};
    if (format.channels == 0 || format.sampleRate == 0 || !IsSupportedResolution(format.bitsPerSample) ||
        facts.blockAlign != format.FrameBytes()) {
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
    if (FindWaveChunk(*file, riff) != 0 || FindChunk(*file, riff, kFormatChunkId, fmt) != 0) {
        return nullptr;
    }
    FmtBytes fields{};
    const auto length = static_cast<std::int64_t>(std::min<std::uint64_t>(fmt.availableSize, fields.size()));
    if (file->Read(fields.data(), length) != length) {
        return nullptr;
    }
    const std::optional<PcmFormat> format = PlayableFormat(std::span(fields).first(static_cast<std::size_t>(length)));
    if (!format) {
        return nullptr;
    }
    file->Ascend(fmt);
    MmioChunkInfo data;
    if (FindChunk(*file, riff, kDataChunkId, data) != 0) {
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
