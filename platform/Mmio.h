// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <cstdio>  // SEEK_SET, SEEK_CUR, SEEK_END: the origins of MmioSeek

/// RIFF multimedia files: open a file for buffered reading (or reading and
/// writing), find chunks in it, read, write, seek and close, with the flags,
/// error codes and results the document code expects of the old multimedia
/// file services. Every position and chunk end is 64-bit, so no chunk size can
/// wrap a position back, and every search ends.
namespace platform {

/// A four-character code as RIFF files store it: the first character in the
/// lowest byte.
using FourCC = std::uint32_t;

/// Answers the code of a four-character literal, for example MmioFourCC("fmt ").
constexpr FourCC MmioFourCC(const char (&text)[5]) {
    return static_cast<FourCC>(static_cast<unsigned char>(text[0])) |
           static_cast<FourCC>(static_cast<unsigned char>(text[1])) << 8 |
           static_cast<FourCC>(static_cast<unsigned char>(text[2])) << 16 |
           static_cast<FourCC>(static_cast<unsigned char>(text[3])) << 24;
}

// Flags of MmioOpen.
inline constexpr std::uint32_t MMIO_READ = 0x00000000;       ///< open for reading only
inline constexpr std::uint32_t MMIO_READWRITE = 0x00000002;  ///< open for reading and writing
inline constexpr std::uint32_t MMIO_ALLOCBUF = 0x00010000;   ///< read and write through a buffer of 8 KiB

// Flags of MmioDescend.
inline constexpr std::uint32_t MMIO_FINDCHUNK = 0x0010;  ///< find a chunk by its id
inline constexpr std::uint32_t MMIO_FINDRIFF = 0x0020;   ///< find a "RIFF" chunk by its form type

// Error codes: in the open-info record after a failed MmioOpen, and as results
// of MmioDescend, MmioAscend and MmioClose. All ten are named for the document's
// error texts; these services produce 257, 258 and 259 (open), 265 (descend),
// 263 (ascend without a file), 260 and 262 (close).
inline constexpr std::uint32_t MMIOERR_FILENOTFOUND = 257;  ///< the file does not exist
inline constexpr std::uint32_t MMIOERR_OUTOFMEMORY = 258;   ///< no memory for the file's buffer
inline constexpr std::uint32_t MMIOERR_CANNOTOPEN =
    259;  ///< exists but cannot be opened: no permission, not a regular file, path over 255 bytes
inline constexpr std::uint32_t MMIOERR_CANNOTCLOSE = 260;    ///< the system reported an error when closing
inline constexpr std::uint32_t MMIOERR_CANNOTREAD = 261;     ///< the file cannot be read
inline constexpr std::uint32_t MMIOERR_CANNOTWRITE = 262;    ///< written bytes could not be stored
inline constexpr std::uint32_t MMIOERR_CANNOTSEEK = 263;     ///< the position cannot be moved there
inline constexpr std::uint32_t MMIOERR_CANNOTEXPAND = 264;   ///< the file cannot grow
inline constexpr std::uint32_t MMIOERR_CHUNKNOTFOUND = 265;  ///< no chunk as asked for before the end of the parent
inline constexpr std::uint32_t MMIOERR_UNBUFFERED = 266;     ///< the operation needs a buffered file

/// Open-info record: zero-filled before MmioOpen, which leaves the reason of a
/// failed open in `errorRet` (an MMIOERR code) and 0 after a successful one.
struct MmioOpenInfo {
    std::uint32_t errorRet = 0;
};

/// Chunk-information record. Before MmioDescend, `id` names the chunk to find
/// (MMIO_FINDCHUNK) or `formType` the form of the "RIFF" chunk (MMIO_FINDRIFF);
/// MmioDescend fills in all fields of the chunk it finds.
struct MmioChunkInfo {
    FourCC id = 0;                 ///< chunk id, for example "fmt "
    std::uint32_t size = 0;        ///< the chunk's size as the file states it, pad byte excluded
    FourCC formType = 0;           ///< form type of a "RIFF" or "LIST" chunk; 0 for others
    std::uint64_t dataOffset = 0;  ///< file offset of the chunk's data (of the form type for "RIFF"/"LIST")
    std::uint32_t flags = 0;       ///< 0 for every chunk found by MmioDescend
    /// Bytes of the chunk's data that really exist: `size`, cut at the end of
    /// the parent chunk and at the end of the file. Less than `size` means that
    /// reading the whole chunk will come up short; check it before allocating
    /// anything of `size` bytes.
    std::uint64_t availableSize = 0;
};

/// An open multimedia file, opaque; made by MmioOpen, ended by MmioClose.
class MmioFile;

/// Handle of an open multimedia file; none is nullptr.
using MmioHandle = MmioFile*;

/// Opens the existing regular file at `path` (NUL-terminated): MMIO_READ or
/// MMIO_READWRITE, with or without MMIO_ALLOCBUF (without it every read and
/// write goes straight to the file). Never blocks: a path of more than 255
/// bytes, a directory, a FIFO or any other non-regular file is refused with
/// MMIOERR_CANNOTOPEN before it is opened; a missing file gives
/// MMIOERR_FILENOTFOUND. Other flag bits are refused with MMIOERR_CANNOTOPEN.
/// On failure answers none and, when `info` is given, leaves the code in
/// info->errorRet. The position starts at 0.
MmioHandle MmioOpen(const char* path, MmioOpenInfo* info, std::uint32_t flags);

/// Finds a chunk from the current position on and stands at the start of its
/// data (after the form type for "RIFF" and "LIST" chunks). With
/// MMIO_FINDCHUNK it looks for the id in chunk->id, with MMIO_FINDRIFF for a
/// "RIFF" chunk of form chunk->formType, with 0 it takes the next chunk.
/// With a parent the search ends at the parent's end (data offset + size),
/// always at the end of the file; a chunk's header must lie wholly before that
/// end. Chunks passed over are skipped with their pad bytes. Answers 0 and
/// fills *chunk, or MMIOERR_CHUNKNOTFOUND and leaves both *chunk and the
/// position unchanged.
std::uint32_t MmioDescend(MmioHandle file, MmioChunkInfo* chunk, const MmioChunkInfo* parent, std::uint32_t flags);

/// Moves past the end of the chunk and its pad byte (when its size is odd),
/// wherever the position stood in it. `flags` is 0 (no others are offered;
/// they are ignored). Answers 0, or MMIOERR_CANNOTSEEK for no file or no chunk.
std::uint32_t MmioAscend(MmioHandle file, const MmioChunkInfo* chunk, std::uint32_t flags);

/// Reads up to `count` bytes at the position into `buffer` and moves past them.
/// Answers the number read (fewer at the end of the file, 0 there) or -1 on an
/// error. What the buffer does not already hold goes straight from the file
/// into `buffer` when it is 8 KiB or more: a whole chunk is read with no copy.
std::int64_t MmioRead(MmioHandle file, void* buffer, std::int64_t count);

/// Writes `count` bytes from `buffer` at the position and moves past them.
/// Answers the number written, or -1 when the file is open for reading only or
/// writing fails. Buffered bytes reach the file at the latest at MmioClose.
std::int64_t MmioWrite(MmioHandle file, const void* buffer, std::int64_t count);

/// Moves the position by `offset` from the start (SEEK_SET), the current
/// position (SEEK_CUR) or the end (SEEK_END); MmioSeek(file, 0, SEEK_CUR)
/// reports the position. Answers the new position, or -1 for a position
/// before the start or an unknown origin (the position is then unchanged).
std::int64_t MmioSeek(MmioHandle file, std::int64_t offset, int origin);

/// Writes out the buffer and closes the file; the handle is gone afterwards.
/// `flags` is 0 (no others are offered; they are ignored). Answers 0,
/// MMIOERR_CANNOTWRITE when written bytes could not be stored (at the close or
/// by an earlier write), or MMIOERR_CANNOTCLOSE when the close failed or there
/// was no file.
std::uint32_t MmioClose(MmioHandle file, std::uint32_t flags);

}  // namespace platform
