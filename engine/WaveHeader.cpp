// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/WaveHeader.h"

#include "engine/FormatChunk.h"
#include "platform/SampleFormat.h"

#include <algorithm>
#include <fstream>

namespace {

constexpr std::uint32_t kSizeInDs64 = 0xFFFFFFFF;

std::uint64_t ReadLittleEndian64(const std::byte* at) {
    return std::uint64_t{platform::ReadLittleEndian32(at)} | std::uint64_t{platform::ReadLittleEndian32(at + 4)} << 32;
}

bool ReadAt(std::ifstream& in, std::uint64_t offset, std::byte* into, std::size_t count) {
    in.clear();
    in.seekg(static_cast<std::streamoff>(offset));
    in.read(reinterpret_cast<char*>(into), static_cast<std::streamsize>(count));
    return in.gcount() == static_cast<std::streamsize>(count);
}

bool HasId(const std::byte* at, const char* id) {
    return std::equal(id, id + 4, at, [](char c, std::byte b) { return static_cast<std::byte>(c) == b; });
}

}  // namespace

bool WaveHeader::ReadByKorvani() const {
    if (Container != WaveContainer::Riff) {
        return false;
    }
    if (!HasFormat || !HasData || !IsUsableFormatChunk(FormatBytes.data(), FormatSize, kLoadedFormatBytes)) {
        return true;
    }
    // The resolution as korvani's engine computes it: from the byte rate, in 32 bits.
    const std::uint32_t bits = platform::ReadLittleEndian32(FormatBytes.data() + platform::kByteRateOffset) * 8U /
                               platform::ReadLittleEndian32(FormatBytes.data() + platform::kSampleRateOffset) /
                               platform::ReadLittleEndian16(FormatBytes.data() + platform::kChannelsOffset);
    const std::uint16_t tag = platform::ReadLittleEndian16(FormatBytes.data() + platform::kFormatTagOffset);
    // The GUID of an extensible chunk starts with the tag of its format.
    const bool pcm =
        tag == platform::kFormatTagPcm ||
        (tag == platform::kFormatTagExtensible &&
         platform::ReadLittleEndian16(FormatBytes.data() + platform::kSubFormatOffset) == platform::kFormatTagPcm);
    return pcm && platform::IsSupportedResolution(bits);
}

bool WaveHeader::DataCutShort() const {
    return HasData && DataSize > FileSize - std::min(FileSize, DataOffset);
}

std::optional<WaveHeader> ReadWaveHeader(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::array<std::byte, 12> start{};
    if (!in || !ReadAt(in, 0, start.data(), start.size()) || !HasId(start.data() + 8, "WAVE")) {
        return std::nullopt;
    }
    WaveHeader header;
    if (HasId(start.data(), "RF64")) {
        header.Container = WaveContainer::Rf64;
    } else if (!HasId(start.data(), "RIFF")) {
        return std::nullopt;
    }
    in.seekg(0, std::ios::end);
    header.FileSize = static_cast<std::uint64_t>(in.tellg());

    // Each step moves past one whole chunk, so the walk ends at the file's end.
    std::uint64_t ds64DataSize = 0;
    std::uint64_t at = start.size();
    std::array<std::byte, 8> chunk{};
    while (!(header.HasFormat && header.HasData) && ReadAt(in, at, chunk.data(), chunk.size())) {
        const std::uint64_t contents = at + chunk.size();
        std::uint64_t size = platform::ReadLittleEndian32(chunk.data() + 4);
        if (HasId(chunk.data(), "ds64")) {
            std::array<std::byte, 16> sizes{};
            if (ReadAt(in, contents, sizes.data(), sizes.size())) {
                ds64DataSize = ReadLittleEndian64(sizes.data() + 8);
            }
        } else if (HasId(chunk.data(), "fmt ")) {
            header.HasFormat = true;
            header.FormatOffset = contents;
            header.FormatSize = static_cast<std::uint32_t>(size);
            ReadAt(in, contents, header.FormatBytes.data(), std::min<std::size_t>(size, header.FormatBytes.size()));
        } else if (HasId(chunk.data(), "data")) {
            if (header.Container == WaveContainer::Rf64 && size == kSizeInDs64) {
                size = ds64DataSize;
            }
            header.HasData = true;
            header.DataOffset = contents;
            header.DataSize = size;
        }
        if (size >= header.FileSize) {
            break;
        }
        at = contents + size + (size & 1U);
    }
    return header;
}
