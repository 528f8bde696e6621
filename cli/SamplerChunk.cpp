// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/SamplerChunk.h"

#include "engine/SampleRateRewrite.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr std::uint32_t kChunkHeader = 8;
constexpr std::uint32_t kSmplSize = 36;         // the fixed fields, before the loops
constexpr std::uint32_t kUnityNoteOffset = 12;  // within the chunk's data
constexpr int kA4Note = 69;
constexpr int kHighestNote = 127;

constexpr char kCannotReadCopyText[] = "cannot read the copy";
constexpr char kCannotWriteSmplText[] = "cannot write the \"smpl\" chunk";

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

void PutLe32(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

std::uint32_t GetLe32(const std::uint8_t* at) {
    return static_cast<std::uint32_t>(at[0] | at[1] << 8 | at[2] << 16) | static_cast<std::uint32_t>(at[3]) << 24;
}

bool ReadAt(std::FILE* file, std::uint64_t offset, void* bytes, std::size_t count) {
    return std::fseek(file, static_cast<long>(offset), SEEK_SET) == 0 && std::fread(bytes, 1, count, file) == count;
}

bool WriteAt(std::FILE* file, std::uint64_t offset, const void* bytes, std::size_t count) {
    return std::fseek(file, static_cast<long>(offset), SEEK_SET) == 0 && std::fwrite(bytes, 1, count, file) == count;
}

// Whether the chunks from the first one after "WAVE" follow each other up to
// `end` exactly (the last one's pad byte may be missing there).
bool ChunksReach(std::FILE* file, std::uint64_t end) {
    std::uint64_t at = 12;
    std::array<std::uint8_t, kChunkHeader> header{};
    while (at + kChunkHeader <= end && ReadAt(file, at, header.data(), header.size())) {
        const std::uint64_t size = GetLe32(header.data() + 4);
        if (at + kChunkHeader + size == end) {
            return true;
        }
        at += kChunkHeader + size + (size & 1U);
    }
    return at == end;
}

// Where the RIFF form ends: where its size says, when the chunks reach it
// within the file; else (a size left at 0 or too large by a writer that could
// not go back) the file's end, when the chunks reach that; none when neither,
// and a chunk added there could land inside another.
std::optional<std::uint64_t> FormEnd(std::FILE* file, std::uint32_t riffSize, std::uint64_t fileSize) {
    const std::uint64_t declared = kChunkHeader + std::uint64_t{riffSize};
    if (declared <= fileSize && ChunksReach(file, declared)) {
        return declared;
    }
    if (ChunksReach(file, fileSize)) {
        return fileSize;
    }
    return std::nullopt;
}

// Sets the tuning in the RIFF WAVE file at `path`, in place; the text of what
// went wrong, or an empty text.
std::string SetTuning(const std::string& path, const SamplerTuning& tuning, std::uint32_t sampleRate) {
    const File file(std::fopen(path.c_str(), "r+b"), &std::fclose);
    std::array<std::uint8_t, 12> head{};
    if (!file || !ReadAt(file.get(), 0, head.data(), head.size())) {
        return kCannotReadCopyText;
    }
    if (std::memcmp(head.data(), "RIFF", 4) != 0 || std::memcmp(head.data() + 8, "WAVE", 4) != 0) {
        return "only a RIFF WAVE file can carry a \"smpl\" chunk";
    }
    std::fseek(file.get(), 0, SEEK_END);
    const auto fileSize = static_cast<std::uint64_t>(std::ftell(file.get()));
    const std::optional<std::uint64_t> formEnd = FormEnd(file.get(), GetLe32(head.data() + 4), fileSize);
    if (!formEnd) {
        return "the RIFF size does not match the chunks: no place for a \"smpl\" chunk is safe";
    }
    const std::uint64_t riffEnd = *formEnd;

    std::array<std::uint8_t, 8> fields{};
    PutLe32(fields.data(), tuning.UnityNote);
    PutLe32(fields.data() + 4, tuning.PitchFraction);
    std::uint64_t at = head.size();
    std::array<std::uint8_t, kChunkHeader> header{};
    while (at + kChunkHeader <= riffEnd && ReadAt(file.get(), at, header.data(), header.size())) {
        const std::uint32_t size = GetLe32(header.data() + 4);
        if (std::memcmp(header.data(), "smpl", 4) == 0) {
            if (size < kUnityNoteOffset + fields.size() || at + kChunkHeader + size > fileSize) {
                return "the \"smpl\" chunk is too short";
            }
            return WriteAt(file.get(), at + kChunkHeader + kUnityNoteOffset, fields.data(), fields.size())
                       ? ""
                       : kCannotWriteSmplText;
        }
        at += kChunkHeader + size + (size & 1U);
    }

    // None: a new chunk at the end of the RIFF form, after a pad byte when the
    // form ends on an odd offset; bytes after the form follow it unchanged.
    const std::uint64_t pad = riffEnd & 1U;
    std::vector<std::uint8_t> added(pad + kChunkHeader + kSmplSize, 0);
    std::uint8_t* chunk = added.data() + pad;
    std::memcpy(chunk, "smpl", 4);
    PutLe32(chunk + 4, kSmplSize);
    PutLe32(chunk + kChunkHeader + 8, static_cast<std::uint32_t>(std::llround(1e9 / sampleRate)));
    std::memcpy(chunk + kChunkHeader + kUnityNoteOffset, fields.data(), fields.size());
    const std::uint64_t newRiffSize = riffEnd + added.size() - kChunkHeader;
    if (newRiffSize > 0xFFFFFFFFU) {
        return "the copy would exceed 4 GiB";
    }
    std::vector<std::uint8_t> trailing(fileSize - riffEnd);
    if (!ReadAt(file.get(), riffEnd, trailing.data(), trailing.size())) {
        return kCannotReadCopyText;
    }
    added.insert(added.end(), trailing.begin(), trailing.end());
    std::array<std::uint8_t, 4> riffSize{};
    PutLe32(riffSize.data(), static_cast<std::uint32_t>(newRiffSize));
    if (!WriteAt(file.get(), riffEnd, added.data(), added.size()) ||
        !WriteAt(file.get(), 4, riffSize.data(), riffSize.size()) || std::fflush(file.get()) != 0) {
        return kCannotWriteSmplText;
    }
    return "";
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
