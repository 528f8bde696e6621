// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/RegularFile.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace platform {

/// Reads and writes one open regular file at a position of its own, through
/// one buffer: small reads and writes meet in the buffer, a read or write at
/// least as large as the buffer goes straight between the file and the
/// caller's memory. Written bytes reach the file when the buffer moves
/// elsewhere or at Close. Owns the descriptor and the buffer. Knows nothing of
/// chunks.
class BufferedFile {
public:
    /// Takes over `descriptor`, a regular file of `size` bytes. A capacity of 0
    /// makes every read and write go straight to the file.
    BufferedFile(FileDescriptor descriptor, std::uint64_t size, std::size_t capacity, bool writable);

    /// Makes the buffer; false when there is no memory for it.
    bool AllocateBuffer();

    /// Reads up to `count` bytes at the position and moves past them; answers
    /// the number read (short at the end of the file) or -1 on a read error.
    std::int64_t Read(void* destination, std::int64_t count);

    /// Writes `count` bytes at the position and moves past them; answers
    /// `count`, or -1 when the file is read-only or writing fails.
    std::int64_t Write(const void* source, std::int64_t count);

    /// Answers the position, in bytes from the start of the file.
    std::uint64_t Position() const { return position_; }

    /// Moves the position; moving past the end is allowed (reads there answer 0).
    void SetPosition(std::uint64_t position) { position_ = position; }

    /// Answers the size of the file, bytes still in the buffer included.
    std::uint64_t Size() const { return size_; }

    /// Writes out the buffer and closes the file: 0, 262 when written bytes
    /// could not be stored (now or earlier), 260 when the close itself failed.
    std::uint32_t Close();

private:
    bool Holds(std::uint64_t position) const;
    bool CanAppendInBuffer(std::uint64_t position) const;
    /// The buffer span at the current position: its offset in the buffer, and
    /// how many of `left` bytes fit before the buffer's byte `end`.
    struct Piece {
        std::size_t offset;
        std::size_t size;
    };
    Piece PieceAtPosition(std::size_t end, std::uint64_t left) const;
    bool Flush();
    std::int64_t ReadAt(std::byte* destination, std::uint64_t count, std::uint64_t offset);
    bool WriteAt(const std::byte* source, std::uint64_t count, std::uint64_t offset);

    FileDescriptor descriptor_;
    std::unique_ptr<std::byte[]> buffer_;
    std::size_t capacity_;
    bool writable_;
    std::uint64_t size_;
    std::uint64_t position_ = 0;
    std::uint64_t bufferStart_ = 0;  // file offset of buffer_[0]
    std::size_t bufferLength_ = 0;   // bytes of buffer_ that mirror the file
    std::size_t dirtyBegin_ = 0;     // [dirtyBegin_, dirtyEnd_) of buffer_ is not yet written
    std::size_t dirtyEnd_ = 0;
    bool writeFailed_ = false;
};

}  // namespace platform
