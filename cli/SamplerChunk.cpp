// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/SamplerChunk.h"

#include "engine/SampleRateRewrite.h"
#include "platform/RegularFile.h"
#include "platform/Riff.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <span>

namespace {

constexpr std::uint32_t kSmplSize = 36;           // the fixed fields, before the loops
constexpr std::uint32_t kSamplePeriodOffset = 8;  // within the chunk's data
constexpr std::uint32_t kUnityNoteOffset = 12;
constexpr int kA4Note = 69;
constexpr int kHighestNote = 127;
constexpr platform::FourCC kSmplChunkId = platform::MmioFourCC("smpl");

constexpr char kCannotReadCopyText[] = "cannot read the copy";
constexpr char kCannotWriteSmplText[] = "cannot write the \"smpl\" chunk";

// The fixed fields of a new chunk: no loops, the sample period of `sampleRate`.
std::array<std::byte, kSmplSize> NewSmplChunk(std::span<const std::byte> tuningFields, std::uint32_t sampleRate) {
    std::array<std::byte, kSmplSize> chunk{};
    platform::WriteLittleEndian32(chunk.data() + kSamplePeriodOffset,
                                  static_cast<std::uint32_t>(std::llround(1e9 / sampleRate)));
    std::copy(tuningFields.begin(), tuningFields.end(), chunk.begin() + kUnityNoteOffset);
    return chunk;
}

// Sets the tuning in the RIFF WAVE file at `path`, in place; the text of what
// went wrong, or an empty text.
std::string SetTuning(const std::string& path, const SamplerTuning& tuning, std::uint32_t sampleRate) {
    const platform::FileDescriptor file(::open(path.c_str(), O_RDWR | O_CLOEXEC));
    struct stat status {};
    std::array<std::byte, platform::kFirstChunkOffset> head{};
    const platform::ReadAt read = platform::ReadAtDescriptor(file.Get());
    if (!file.IsOpen() || ::fstat(file.Get(), &status) != 0 || !read(0, head)) {
        return kCannotReadCopyText;
    }
    if (platform::WaveContainerOf(head) != platform::RiffContainer::Riff) {
        return "only a RIFF WAVE file can carry a \"smpl\" chunk";
    }
    const auto fileSize = static_cast<std::uint64_t>(status.st_size);
    const std::optional<std::uint64_t> formEnd =
        platform::RiffFormEnd(read, platform::ReadLittleEndian32(head.data() + 4), fileSize);
    if (!formEnd) {
        return "the RIFF size does not match the chunks: no place for a \"smpl\" chunk is safe";
    }

    std::array<std::byte, 8> fields{};
    platform::WriteLittleEndian32(fields.data(), tuning.UnityNote);
    platform::WriteLittleEndian32(fields.data() + 4, tuning.PitchFraction);
    platform::ChunkWalk walk(read, platform::kFirstChunkOffset, *formEnd);
    while (const std::optional<platform::RiffChunk> chunk = walk.Next()) {
        if (chunk->id == kSmplChunkId) {
            if (chunk->size < kUnityNoteOffset + fields.size() || chunk->contents + chunk->size > fileSize) {
                return "the \"smpl\" chunk is too short";
            }
            return platform::WriteAtDescriptor(file.Get(), chunk->contents + kUnityNoteOffset, fields)
                       ? ""
                       : kCannotWriteSmplText;
        }
    }
    // None: a new chunk at the end of the RIFF form.
    switch (platform::AddChunk(file.Get(), *formEnd, fileSize, kSmplChunkId, NewSmplChunk(fields, sampleRate))) {
    case platform::ChunkAdd::Done: return "";
    case platform::ChunkAdd::TooLarge: return "the copy would exceed 4 GiB";
    case platform::ChunkAdd::CannotRead: return kCannotReadCopyText;
    case platform::ChunkAdd::CannotWrite: break;
    }
    return kCannotWriteSmplText;
}

}  // namespace

std::optional<SamplerTuning> TuningOf(double frequency, double a4) {
    const double note = kA4Note + 12.0 * std::log2(frequency / a4);
    double unity = std::floor(note);
    auto fraction = std::llround((note - unity) * 0x1p32);
    if (fraction == 0x100000000LL) {
        unity += 1.0;
        fraction = 0;
    }
    if (!(unity >= 0.0 && unity <= kHighestNote)) {
        return std::nullopt;
    }
    return SamplerTuning{static_cast<std::uint32_t>(unity), static_cast<std::uint32_t>(fraction)};
}

bool WriteSamplerCopy(const std::string& source, const std::string& target, const SamplerTuning& tuning,
                      std::uint32_t sampleRate, TWaveReporter& reporter) {
    const CopyEdit edit = [&](const std::string& path, TWaveReporter& copyReporter) {
        const std::string failure = SetTuning(path, tuning, sampleRate);
        if (!failure.empty()) {
            copyReporter.Report(target + ": " + failure, nullptr);
        }
        return failure.empty();
    };
    return WriteEditedCopy(source, target, edit, reporter);
}
