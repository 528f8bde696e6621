// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Riff.h"

#include "platform/FileRangeRead.h"

#include <unistd.h>

#include <algorithm>
#include <limits>
#include <vector>

namespace platform {
namespace {

// An RF64 file's own size fields say this; the real sizes are in "ds64".
constexpr std::uint32_t kSizeInDs64 = 0xFFFFFFFF;
// "ds64": the RIFF size, then the "data" size, each 64-bit.
constexpr std::uint64_t kDs64DataSizeOffset = 8;
constexpr std::uint64_t kRiffSizeOffset = 4;

std::uint64_t ReadLittleEndian64(const std::byte* at) {
    return std::uint64_t{ReadLittleEndian32(at)} | std::uint64_t{ReadLittleEndian32(at + 4)} << 32;
}

std::byte* AppendFourCC(std::byte* at, FourCC id) {
    WriteLittleEndian32(at, id);
    return at + 4;
}

// Whether the chunks from the first one after the form type follow each other
// up to `end` exactly (the last one's pad byte may be missing there).
bool ChunksReach(const ReadAt& read, std::uint64_t end) {
    ChunkWalk walk(read, kFirstChunkOffset, end);
    while (const std::optional<RiffChunk> chunk = walk.Next()) {
        if (chunk->contents + chunk->size == end) {
            return true;
        }
    }
    return walk.Position() == end;
}

}  // namespace

ReadAt ReadAtDescriptor(int descriptor) {
    return [descriptor](std::uint64_t offset, std::span<std::byte> into) {
        return ReadFileRange(descriptor, into.data(), into.size(), offset) == static_cast<std::int64_t>(into.size());
    };
}

bool WriteAtDescriptor(int descriptor, std::uint64_t offset, std::span<const std::byte> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put =
            ::pwrite(descriptor, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
        if (put <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(put);
    }
    return true;
}

std::optional<RiffChunk> ChunkWalk::Next() {
    std::array<std::byte, kChunkHeaderBytes> header{};
    if (position_ > end_ || end_ - position_ < header.size() || !read_(position_, header)) {
        return std::nullopt;
    }
    const std::uint32_t size = ReadLittleEndian32(header.data() + 4);
    RiffChunk chunk{ReadLittleEndian32(header.data()), bigEndianSizes_ ? __builtin_bswap32(size) : size,
                    position_ + kChunkHeaderBytes};
    if (takesDs64Sizes_ && chunk.id == kDs64ChunkId) {
        // The sizes are read whatever the chunk declares; unread, the "data" size stays 0.
        std::array<std::byte, kDs64DataSizeOffset + 8> sizes{};
        if (read_(chunk.contents, sizes)) {
            ds64DataSize_ = ReadLittleEndian64(sizes.data() + kDs64DataSizeOffset);
        }
    } else if (takesDs64Sizes_ && chunk.id == kDataChunkId && chunk.size == kSizeInDs64) {
        chunk.size = ds64DataSize_;
    }
    const bool runsPastTheEnd = chunk.size > end_ - chunk.contents;
    position_ = runsPastTheEnd ? std::numeric_limits<std::uint64_t>::max() : ChunkEnd(chunk.contents, chunk.size);
    return chunk;
}

std::optional<RiffContainer> WaveContainerOf(std::span<const std::byte, kFirstChunkOffset> start) {
    if (ReadLittleEndian32(start.data() + kChunkHeaderBytes) != kWaveForm) {
        return std::nullopt;
    }
    switch (ReadLittleEndian32(start.data())) {
    case kRiffId: return RiffContainer::Riff;
    case kRf64Id: return RiffContainer::Rf64;
    default: return std::nullopt;
    }
}

bool FormatFacts::IsPcm() const {
    return formatTag == kFormatTagPcm || (formatTag == kFormatTagExtensible && subFormat == kPcmSubFormat);
}

FormatFacts ReadFormatFacts(std::span<const std::byte> chunk) {
    std::array<std::byte, kExtensibleFormatBytes> bytes{};
    std::copy_n(chunk.begin(), std::min(chunk.size(), bytes.size()), bytes.begin());
    FormatFacts facts;
    facts.formatTag = ReadLittleEndian16(bytes.data() + kFormatTagOffset);
    facts.channels = ReadLittleEndian16(bytes.data() + kChannelsOffset);
    facts.sampleRate = ReadLittleEndian32(bytes.data() + kSampleRateOffset);
    facts.byteRate = ReadLittleEndian32(bytes.data() + kByteRateOffset);
    facts.blockAlign = ReadLittleEndian16(bytes.data() + kBlockAlignOffset);
    facts.bitsPerSample = ReadLittleEndian16(bytes.data() + kBitsPerSampleOffset);
    // A chunk cut inside the GUID names no sub-format.
    if (chunk.size() >= kExtensibleFormatBytes) {
        std::copy_n(bytes.begin() + kSubFormatOffset, facts.subFormat.size(), facts.subFormat.begin());
    }
    return facts;
}

void SetFormatRate(std::span<std::byte> chunk, std::uint32_t rate) {
    const FormatFacts facts = ReadFormatFacts(chunk);
    WriteLittleEndian32(chunk.data() + kSampleRateOffset, rate);
    WriteLittleEndian32(chunk.data() + kByteRateOffset,
                        std::uint32_t{facts.channels} * std::uint32_t{facts.bitsPerSample} * rate >> 3);
}

FormatFacts WaveLayout::Format() const {
    return ReadFormatFacts(std::span(FormatBytes).first(std::min<std::size_t>(FormatSize, FormatBytes.size())));
}

bool WaveLayout::DataCutShort() const {
    return HasData && DataSize > FileSize - std::min(FileSize, DataOffset);
}

std::optional<WaveLayout> ReadWaveLayout(const ReadAt& read, std::uint64_t fileSize) {
    std::array<std::byte, kFirstChunkOffset> start{};
    const std::optional<RiffContainer> container =
        read(0, start) ? WaveContainerOf(start) : std::optional<RiffContainer>{};
    if (!container) {
        return std::nullopt;
    }
    WaveLayout layout;
    layout.Container = *container;
    layout.FileSize = fileSize;
    ChunkWalk walk(read, kFirstChunkOffset, fileSize);
    if (*container == RiffContainer::Rf64) {
        walk.TakeSizesFromDs64();
    }
    while (!(layout.HasFormat && layout.HasData)) {
        const std::optional<RiffChunk> chunk = walk.Next();
        if (!chunk) {
            break;
        }
        if (chunk->id == kFormatChunkId) {
            layout.HasFormat = true;
            layout.FormatOffset = chunk->contents;
            layout.FormatSize = static_cast<std::uint32_t>(chunk->size);
            // As much of it as the file holds; the rest stays zero.
            const std::uint64_t held = std::min(chunk->size, fileSize - chunk->contents);
            read(chunk->contents,
                 std::span(layout.FormatBytes).first(std::min<std::size_t>(held, kExtensibleFormatBytes)));
        } else if (chunk->id == kDataChunkId) {
            layout.HasData = true;
            layout.DataOffset = chunk->contents;
            layout.DataSize = chunk->size;
        }
    }
    return layout;
}

std::optional<std::uint64_t> RiffFormEnd(const ReadAt& read, std::uint32_t riffSize, std::uint64_t fileSize) {
    const std::uint64_t declared = kChunkHeaderBytes + std::uint64_t{riffSize};
    if (declared <= fileSize && ChunksReach(read, declared)) {
        return declared;
    }
    if (ChunksReach(read, fileSize)) {
        return fileSize;
    }
    return std::nullopt;
}

ChunkAdd AddChunk(int descriptor, std::uint64_t formEnd, std::uint64_t fileSize, FourCC id,
                  std::span<const std::byte> contents) {
    const std::uint64_t pad = formEnd & 1U;
    // The RIFF size counts everything after its own header.
    const std::uint64_t riffSize = formEnd + pad + kChunkHeaderBytes + contents.size() - kChunkHeaderBytes;
    if (riffSize > std::numeric_limits<std::uint32_t>::max()) {
        return ChunkAdd::TooLarge;
    }
    // The pad byte, the chunk, then the bytes that followed the form, in one write.
    std::vector<std::byte> added(pad + kChunkHeaderBytes + contents.size() + (fileSize - formEnd));
    std::byte* at = AppendFourCC(added.data() + pad, id);
    WriteLittleEndian32(at, static_cast<std::uint32_t>(contents.size()));
    at = std::copy(contents.begin(), contents.end(), at + 4);
    if (!ReadAtDescriptor(descriptor)(formEnd, std::span(at, added.data() + added.size()))) {
        return ChunkAdd::CannotRead;
    }
    std::array<std::byte, 4> size{};
    WriteLittleEndian32(size.data(), static_cast<std::uint32_t>(riffSize));
    if (!WriteAtDescriptor(descriptor, formEnd, added) || !WriteAtDescriptor(descriptor, kRiffSizeOffset, size)) {
        return ChunkAdd::CannotWrite;
    }
    return ChunkAdd::Done;
}

}  // namespace platform
