// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/WaveTexts.h"

#include "platform/WavFormat.h"

#include <cstddef>
#include <cstdint>
#include <optional>

// The steps the load and the rewrite share to reach a "fmt " chunk they can
// trust, and the check they make before they trust it.

/// Bytes the load reads of the chunk: up to the end of the byte rate.
inline constexpr std::uint32_t kLoadedFormatBytes = 12;
/// Bytes the rewrite reads of the chunk: up to the end of the bits per sample.
inline constexpr std::uint32_t kRewrittenFormatBytes = platform::kPcmFormatBytes;

/// The highest sample rate a file may name: the highest in real use. Higher
/// rates would only make the analysis of a tiny file take gigabytes.
inline constexpr std::uint32_t kHighestSampleRate = 768000;

/// The lowest sample rate a file may name: the lowest a transform size exists
/// for (2 Hz gives one bin; 1 Hz none).
inline constexpr std::uint32_t kLowestSampleRate = 2;

/// The one rate rule of every reader and writer: a finite rate from
/// kLowestSampleRate to kHighestSampleRate. Readers check it before anything
/// is sized from the rate; no copy is written with a rate it refuses, since
/// the loader would refuse the copy.
bool IsOpenableSampleRate(double rate);

/// True when a chunk of `size` bytes at `chunk` can be trusted by a reader of
/// its first `neededBytes` bytes: it holds them, names at least one channel,
/// and names an openable sample rate (IsOpenableSampleRate).
bool IsUsableFormatChunk(const std::byte* chunk, std::uint32_t size, std::uint32_t neededBytes);

/// The resolution korvani reads a file at: from the "fmt " chunk's byte rate,
/// in 32 bits (the product wraps), not from its bits field. Needs a rate and a
/// channel count other than 0, which IsUsableFormatChunk refuses.
inline std::uint32_t ResolutionFromByteRate(std::uint32_t byteRate, std::uint32_t sampleRate, std::uint16_t channels) {
    return byteRate * 8U / sampleRate / channels;
}

/// The failures of a chunk read for the "fmt " or the "data" chunk.
struct ChunkReadFailures {
    LoadFailure cannotRead;
    LoadFailure noMemory;
    LoadFailure cannotLock;
};

inline constexpr ChunkReadFailures kFormatChunkFailures{LoadFailure::CannotReadFmt, LoadFailure::NoMemoryForFmt,
                                                        LoadFailure::CannotLockHeader};
inline constexpr ChunkReadFailures kDataChunkFailures{LoadFailure::CannotReadData, LoadFailure::OutOfMemory,
                                                      LoadFailure::CannotLockData};

/// The failure `read` is for a chunk with these `failures`; none when it was done.
std::optional<LoadFailure> FailureOf(platform::ChunkRead read, const ChunkReadFailures& failures);

/// From the start of `file`: finds the RIFF "WAVE" chunk (`riff`) and its "fmt "
/// chunk (`chunk`), reads that whole into `block` and checks it with
/// IsUsableFormatChunk for `neededBytes`. Answers the first failure, or none
/// with the file standing after the chunk's bytes.
std::optional<LoadFailure> ReadFormatChunk(platform::MmioFile& file, std::uint32_t neededBytes,
                                           platform::MmioChunkInfo& riff, platform::MmioChunkInfo& chunk,
                                           platform::LockedBlock& block);
