// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

/// Builds RIFF and WAV files byte by byte, so that a test shows the exact
/// header it feeds the code: chunk by chunk, with true or lying sizes, pad
/// bytes, any form type and chunk order. Knows nothing of the program's
/// classes.
namespace fixtures {

using Bytes = std::vector<std::uint8_t>;

/// Appends `value` as 2 little-endian bytes.
inline void AppendLe16(Bytes& bytes, std::uint16_t value) {
    bytes.push_back(static_cast<std::uint8_t>(value & 0xFFU));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

/// Appends `value` as 4 little-endian bytes.
inline void AppendLe32(Bytes& bytes, std::uint32_t value) {
    AppendLe16(bytes, static_cast<std::uint16_t>(value & 0xFFFFU));
    AppendLe16(bytes, static_cast<std::uint16_t>(value >> 16));
}

/// Appends the four characters of a chunk id or form type.
inline void AppendFourCC(Bytes& bytes, std::string_view code) {
    for (std::size_t i = 0; i < 4; ++i) {
        bytes.push_back(static_cast<std::uint8_t>(i < code.size() ? code[i] : ' '));
    }
}

/// Answers the 2 little-endian bytes at `offset`.
inline std::uint16_t ReadLe16(const Bytes& bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(bytes.at(offset) | bytes.at(offset + 1) << 8);
}

/// Answers the 4 little-endian bytes at `offset`.
inline std::uint32_t ReadLe32(const Bytes& bytes, std::size_t offset) {
    return static_cast<std::uint32_t>(ReadLe16(bytes, offset)) | static_cast<std::uint32_t>(ReadLe16(bytes, offset + 2))
                                                                     << 16;
}

/// 16-bit samples as little-endian bytes, in the order given.
inline Bytes Samples16(std::initializer_list<std::int16_t> samples) {
    Bytes bytes;
    for (const std::int16_t sample : samples) {
        AppendLe16(bytes, static_cast<std::uint16_t>(sample));
    }
    return bytes;
}

/// `count` bytes of a repeatable, non-constant pattern (a different one per seed).
inline Bytes Pattern(std::size_t count, std::uint32_t seed = 1) {
    Bytes bytes(count);
    std::uint32_t state = seed * 2654435761U + 1U;
    for (auto& byte : bytes) {
        state = state * 1664525U + 1013904223U;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    return bytes;
}

/// The fields of a "fmt " chunk (WAVEFORMAT plus bits per sample, 16 bytes).
struct FmtFields {
    std::uint16_t formatTag = 1;  // 1: PCM
    std::uint16_t channels = 1;
    std::uint32_t sampleRate = 44100;
    std::uint32_t byteRate = 88200;  // average bytes per second
    std::uint16_t blockAlign = 2;
    std::uint16_t bitsPerSample = 16;

    /// PCM fields that agree with each other.
    static FmtFields Pcm(std::uint16_t channels, std::uint32_t sampleRate, std::uint16_t bitsPerSample) {
        const auto blockAlign = static_cast<std::uint16_t>(channels * (bitsPerSample / 8));
        return FmtFields{1, channels, sampleRate, sampleRate * blockAlign, blockAlign, bitsPerSample};
    }

    /// The chunk's 16 bytes of data.
    Bytes Encode() const {
        Bytes bytes;
        AppendLe16(bytes, formatTag);
        AppendLe16(bytes, channels);
        AppendLe32(bytes, sampleRate);
        AppendLe32(bytes, byteRate);
        AppendLe16(bytes, blockAlign);
        AppendLe16(bytes, bitsPerSample);
        return bytes;
    }
};

/// A RIFF file under construction: the form type, then chunks in the order
/// added. The RIFF size is the true one unless overridden.
class RiffBuilder {
public:
    explicit RiffBuilder(std::string_view formType = "WAVE") { AppendFourCC(body_, formType); }

    /// Adds a chunk with its true size; an odd-sized body gets its pad byte.
    RiffBuilder& Chunk(std::string_view id, const Bytes& body) {
        return ChunkClaiming(id, body, static_cast<std::uint32_t>(body.size()), true);
    }

    /// Adds a chunk whose size field says `declaredSize`, with `body` written as
    /// given after it; a pad byte follows only when `padded` and the body is odd.
    RiffBuilder& ChunkClaiming(std::string_view id, const Bytes& body, std::uint32_t declaredSize,
                               bool padded = false) {
        AppendFourCC(body_, id);
        AppendLe32(body_, declaredSize);
        body_.insert(body_.end(), body.begin(), body.end());
        if (padded && body.size() % 2 != 0) {
            body_.push_back(0);
        }
        return *this;
    }

    /// Adds a 16-byte "fmt " chunk.
    RiffBuilder& Fmt(const FmtFields& fields) { return Chunk("fmt ", fields.Encode()); }

    /// Adds a "data" chunk holding `samples`.
    RiffBuilder& Data(const Bytes& samples) { return Chunk("data", samples); }

    /// Adds bytes as they are, inside the RIFF chunk.
    RiffBuilder& Raw(const Bytes& bytes) {
        body_.insert(body_.end(), bytes.begin(), bytes.end());
        return *this;
    }

    /// Makes the RIFF size field say `declaredSize` instead of the true size.
    RiffBuilder& ClaimRiffSize(std::uint32_t declaredSize) {
        riffSize_ = declaredSize;
        hasRiffSize_ = true;
        return *this;
    }

    /// Answers the whole file.
    Bytes Build() const {
        Bytes file;
        AppendFourCC(file, "RIFF");
        AppendLe32(file, hasRiffSize_ ? riffSize_ : static_cast<std::uint32_t>(body_.size()));
        file.insert(file.end(), body_.begin(), body_.end());
        return file;
    }

private:
    Bytes body_;
    std::uint32_t riffSize_ = 0;
    bool hasRiffSize_ = false;
};

/// A canonical PCM WAV file: a 16-byte "fmt " chunk, then "data" with `samples`.
inline Bytes PcmWave(std::uint16_t channels, std::uint32_t sampleRate, std::uint16_t bitsPerSample,
                     const Bytes& samples) {
    return RiffBuilder().Fmt(FmtFields::Pcm(channels, sampleRate, bitsPerSample)).Data(samples).Build();
}

/// Offsets in a canonical PCM WAV file (PcmWave).
inline constexpr std::size_t kCanonicalFmtDataOffset = 20;
inline constexpr std::size_t kCanonicalDataOffset = 44;

}  // namespace fixtures
