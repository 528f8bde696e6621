// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/FormatChunk.h"

#include "analysis/TransformSize.h"

#include <cmath>

bool IsOpenableSampleRate(double rate) {
    return std::isfinite(rate) && rate >= kLowestSampleRate && rate <= kHighestSampleRate &&
           ChooseTransformSize(static_cast<std::uint32_t>(rate)).has_value();
}

bool IsUsableFormatChunk(const std::byte* chunk, std::uint32_t size, std::uint32_t neededBytes) {
    // Every chunk that passes has the channel count and the rate the load
    // divides by: neither is 0, and the rate gives the analysis a transform size.
    if (size < neededBytes) {
        return false;
    }
    const std::uint32_t rate = platform::ReadLittleEndian32(chunk + platform::kSampleRateOffset);
    return platform::ReadLittleEndian16(chunk + platform::kChannelsOffset) != 0 && IsOpenableSampleRate(rate);
}

std::optional<LoadFailure> FailureOf(platform::ChunkRead read, const ChunkReadFailures& failures) {
    switch (read) {
    case platform::ChunkRead::Done: return std::nullopt;
    case platform::ChunkRead::CannotRead: return failures.cannotRead;
    case platform::ChunkRead::NoMemory: return failures.noMemory;
    case platform::ChunkRead::CannotLock: return failures.cannotLock;
    }
    return failures.cannotRead;
}

std::optional<LoadFailure> ReadFormatChunk(platform::MmioFile& file, std::uint32_t neededBytes,
                                           platform::MmioChunkInfo& riff, platform::MmioChunkInfo& chunk,
                                           platform::LockedBlock& block) {
    if (platform::FindWaveChunk(file, riff) != 0) {
        return LoadFailure::NotAWavFile;
    }
    if (platform::FindChunk(file, riff, platform::kFormatChunkId, chunk) != 0) {
        return LoadFailure::NoFmtChunk;
    }
    if (const auto failure = FailureOf(platform::ReadChunk(file, chunk, block), kFormatChunkFailures)) {
        return failure;
    }
    if (!IsUsableFormatChunk(block.Bytes().data(), chunk.size, neededBytes)) {
        return LoadFailure::InvalidFmtChunk;
    }
    return std::nullopt;
}
