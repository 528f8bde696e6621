// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/LittleEndian.h"
#include "platform/Mmio.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

/// RIFF and RF64 "WAVE" files, once for every reader and writer: how chunks
/// follow each other (an odd size is followed by a pad byte), where an RF64
/// file keeps its sizes ("ds64"), what the "fmt " chunk says and whether it
/// names PCM samples, and how a chunk is added at the end of the form. Reads
/// and writes through what its caller hands it; shows nothing.
///
/// Typical use: ChunkWalk walk(ReadAtDescriptor(fd), kFirstChunkOffset, size);
///              while (auto chunk = walk.Next()) { ... }
namespace platform {

inline constexpr FourCC kRiffId = MmioFourCC("RIFF");
inline constexpr FourCC kRf64Id = MmioFourCC("RF64");
inline constexpr FourCC kListId = MmioFourCC("LIST");
inline constexpr FourCC kWaveForm = MmioFourCC("WAVE");
inline constexpr FourCC kFormatChunkId = MmioFourCC("fmt ");
inline constexpr FourCC kDataChunkId = MmioFourCC("data");
inline constexpr FourCC kDs64ChunkId = MmioFourCC("ds64");

inline constexpr std::uint64_t kChunkHeaderBytes = 8;  ///< id and 32-bit size
inline constexpr std::uint64_t kFormTypeBytes = 4;     ///< of a "RIFF", "RF64" or "LIST" chunk
/// Where the first chunk inside the form starts: after "RIFF", its size and "WAVE".
inline constexpr std::uint64_t kFirstChunkOffset = kChunkHeaderBytes + kFormTypeBytes;

/// True for the chunks whose contents start with a form type: "RIFF" and "LIST".
constexpr bool HasFormType(FourCC id) {
    return id == kRiffId || id == kListId;
}

/// Where the chunk after one with `size` bytes of contents at `contents`
/// starts: an odd size is followed by a pad byte.
constexpr std::uint64_t ChunkEnd(std::uint64_t contents, std::uint64_t size) {
    return contents + size + (size & 1U);
}

/// Reads into.size() bytes at file offset `offset`; false unless all of them
/// were read.
using ReadAt = std::function<bool(std::uint64_t offset, std::span<std::byte> into)>;

/// ReadAt over the open file `descriptor` (pread; the descriptor's position is left alone).
ReadAt ReadAtDescriptor(int descriptor);

/// Writes all of `bytes` at file offset `offset` of the open file `descriptor`.
bool WriteAtDescriptor(int descriptor, std::uint64_t offset, std::span<const std::byte> bytes);

/// One chunk as its header declares it.
struct RiffChunk {
    FourCC id = 0;
    std::uint64_t size = 0;      ///< contents, pad byte excluded; an RF64 "data" chunk's from "ds64"
    std::uint64_t contents = 0;  ///< file offset of the contents
};

/// The chunks that follow each other from `start`, one at a time. A chunk
/// counts when its header lies wholly before `end`; its contents may run past
/// `end`, and then it is the last. Sizes are 64-bit, so no size wraps a
/// position back and every walk ends.
class ChunkWalk {
public:
    ChunkWalk(ReadAt read, std::uint64_t start, std::uint64_t end)
        : read_(std::move(read)), position_(start), end_(end) {}

    /// Also takes the "data" chunk's size from a "ds64" chunk met before it,
    /// as an RF64 file declares it (its own size field then says 0xFFFFFFFF).
    void TakeSizesFromDs64() { takesDs64Sizes_ = true; }

    /// Reads the sizes big-endian, as RIFF's ancestor IFF (AIFF files) stores them.
    void ReadSizesBigEndian() { bigEndianSizes_ = true; }

    /// The next chunk; none past the last one or when its header cannot be read.
    std::optional<RiffChunk> Next();

    /// Where the next chunk would start: `end` when the chunks fill the walk
    /// exactly, beyond it (the maximum when the last chunk runs past it) otherwise.
    std::uint64_t Position() const { return position_; }

private:
    ReadAt read_;
    std::uint64_t position_;
    std::uint64_t end_;
    bool takesDs64Sizes_ = false;
    bool bigEndianSizes_ = false;
    std::uint64_t ds64DataSize_ = 0;
};

/// The outer form of a WAV file: RIFF (sizes in 32 bits) or RF64 (sizes past
/// 4 GiB in its "ds64" chunk).
enum class RiffContainer { Riff, Rf64 };

/// The container of a file whose first bytes are `start`: "RIFF" or "RF64",
/// a size, then "WAVE"; none for any other start.
std::optional<RiffContainer> WaveContainerOf(std::span<const std::byte, kFirstChunkOffset> start);

// The fields of the "fmt " chunk, by byte offset from the start of its data
// (little-endian).
inline constexpr std::size_t kFormatTagOffset = 0;       ///< 16-bit: format tag
inline constexpr std::size_t kChannelsOffset = 2;        ///< 16-bit unsigned: number of channels
inline constexpr std::size_t kSampleRateOffset = 4;      ///< 32-bit unsigned: samples per second
inline constexpr std::size_t kByteRateOffset = 8;        ///< 32-bit unsigned: average bytes per second
inline constexpr std::size_t kBlockAlignOffset = 12;     ///< 16-bit: bytes of one frame
inline constexpr std::size_t kBitsPerSampleOffset = 14;  ///< 16-bit unsigned: bits per sample
inline constexpr std::size_t kSubFormatOffset = 24;      ///< GUID of WAVE_FORMAT_EXTENSIBLE, its tag first

/// Bytes of a PCM chunk: up to the end of the bits per sample.
inline constexpr std::size_t kPcmFormatBytes = 16;
/// Bytes of a WAVE_FORMAT_EXTENSIBLE chunk: up to the end of its GUID.
inline constexpr std::size_t kExtensibleFormatBytes = 40;

inline constexpr std::uint16_t kFormatTagPcm = 0x0001;         ///< WAVE_FORMAT_PCM
inline constexpr std::uint16_t kFormatTagExtensible = 0xFFFE;  ///< WAVE_FORMAT_EXTENSIBLE

/// KSDATAFORMAT_SUBTYPE_PCM, 00000001-0000-0010-8000-00aa00389b71, as stored.
inline constexpr std::array<std::byte, 16> kPcmSubFormat{
    std::byte{0x01}, std::byte{0x00}, std::byte{0x00}, std::byte{0x00}, std::byte{0x00}, std::byte{0x00},
    std::byte{0x10}, std::byte{0x00}, std::byte{0x80}, std::byte{0x00}, std::byte{0x00}, std::byte{0xAA},
    std::byte{0x00}, std::byte{0x38}, std::byte{0x9B}, std::byte{0x71}};

/// What a "fmt " chunk says. A field the chunk is too short for reads 0, the
/// sub-format all zeros.
struct FormatFacts {
    std::uint16_t formatTag = 0;
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint32_t byteRate = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    std::array<std::byte, 16> subFormat{};  ///< WAVE_FORMAT_EXTENSIBLE's GUID

    /// The one answer to "PCM samples?": WAVE_FORMAT_PCM, or
    /// WAVE_FORMAT_EXTENSIBLE whose whole sub-format GUID is the PCM one (a
    /// GUID that merely starts with the PCM tag names another format).
    bool IsPcm() const;
};

/// The facts of the "fmt " chunk whose first bytes (as many as it holds) are `chunk`.
FormatFacts ReadFormatFacts(std::span<const std::byte> chunk);

/// Sets the samples per second of the "fmt " chunk `chunk` (at least
/// kPcmFormatBytes) to `rate` and its average bytes per second to channels x
/// bits per sample x rate / 8, in 32-bit arithmetic (the product wraps).
void SetFormatRate(std::span<std::byte> chunk, std::uint32_t rate);

/// Where a "WAVE" file keeps its "fmt " and "data" chunks and the first bytes
/// of its "fmt " chunk. Headers only, never a sample.
struct WaveLayout {
    RiffContainer Container = RiffContainer::Riff;
    std::uint64_t FileSize = 0;
    bool HasFormat = false;                                       ///< a "fmt " chunk was found
    std::uint64_t FormatOffset = 0;                               ///< file offset of the "fmt " chunk's contents
    std::uint32_t FormatSize = 0;                                 ///< its size as declared
    std::array<std::byte, kExtensibleFormatBytes> FormatBytes{};  ///< its first bytes (zeros past its end)
    bool HasData = false;                                         ///< a "data" chunk was found
    std::uint64_t DataOffset = 0;                                 ///< file offset of the "data" chunk's contents
    std::uint64_t DataSize = 0;                                   ///< as declared (from "ds64" in an RF64 file)

    /// The facts of the "fmt " chunk, as far as its declared size reaches.
    FormatFacts Format() const;

    /// True when the "data" chunk declares more bytes than the file holds.
    bool DataCutShort() const;
};

/// The layout of the RIFF or RF64 "WAVE" file of `fileSize` bytes that `read`
/// reads; none when it starts otherwise. The walk stops at the first "fmt "
/// and "data" chunks, or at the file's end.
std::optional<WaveLayout> ReadWaveLayout(const ReadAt& read, std::uint64_t fileSize);

/// Where the RIFF form of a file of `fileSize` bytes ends: at 8 + `riffSize`
/// when the chunks reach that within the file; else (a size left at 0 or too
/// large by a writer that could not go back) the file's end, when the chunks
/// reach that; none when neither, and a chunk added there could land inside
/// another. Chunks "reach" an end when they follow each other up to it
/// exactly, the last one's pad byte possibly missing there.
std::optional<std::uint64_t> RiffFormEnd(const ReadAt& read, std::uint32_t riffSize, std::uint64_t fileSize);

/// How adding a chunk ended.
enum class ChunkAdd { Done, TooLarge, CannotRead, CannotWrite };

/// Adds the chunk `id` holding `contents` to the RIFF file `descriptor` of
/// `fileSize` bytes at the end of its form, `formEnd` (see RiffFormEnd): after
/// a pad byte when the form ends on an odd offset, with the bytes after the
/// form following it unchanged and the RIFF size grown to match. TooLarge,
/// with nothing written, when the RIFF size would pass 32 bits.
ChunkAdd AddChunk(int descriptor, std::uint64_t formEnd, std::uint64_t fileSize, FourCC id,
                  std::span<const std::byte> contents);

}  // namespace platform
