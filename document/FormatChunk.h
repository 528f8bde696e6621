#pragma once

#include <cstddef>
#include <cstdint>

// The fields of a WAV "fmt " chunk that the load and the rewrite read and
// write, by byte offset from the start of the chunk's data (little-endian),
// and the check both make before they trust the chunk.

inline constexpr std::size_t kChannelsOffset = 2;       ///< 16-bit unsigned: number of channels
inline constexpr std::size_t kSampleRateOffset = 4;     ///< 32-bit unsigned: samples per second
inline constexpr std::size_t kByteRateOffset = 8;       ///< 32-bit unsigned: average bytes per second
inline constexpr std::size_t kBlockAlignOffset = 12;    ///< 16-bit: block alignment, never read or written
inline constexpr std::size_t kBitsPerSampleOffset = 14; ///< 16-bit unsigned: bits per sample

/// Bytes the load reads of the chunk: up to the end of the byte rate.
inline constexpr std::uint32_t kLoadedFormatBytes = 12;
/// Bytes the rewrite reads of the chunk: up to the end of the bits per sample.
inline constexpr std::uint32_t kRewrittenFormatBytes = 16;

/// The 16-bit little-endian value at `at`.
std::uint16_t ReadLittleEndian16(const std::byte* at);

/// The 32-bit little-endian value at `at`.
std::uint32_t ReadLittleEndian32(const std::byte* at);

/// Stores `value` as 32-bit little-endian at `at`.
void WriteLittleEndian32(std::byte* at, std::uint32_t value);

/// The highest sample rate a file may name: the highest in real use. Higher
/// rates would only make the analysis of a tiny file take gigabytes.
inline constexpr std::uint32_t kHighestSampleRate = 768000;

/// True when a chunk of `size` bytes at `chunk` can be trusted by a reader of
/// its first `neededBytes` bytes: it holds them, names at least one channel,
/// and names a sample rate for which a transform size exists (2 Hz and more),
/// not above kHighestSampleRate.
bool IsUsableFormatChunk(const std::byte* chunk, std::uint32_t size, std::uint32_t neededBytes);
