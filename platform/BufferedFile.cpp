// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/BufferedFile.h"

#include "platform/FileRangeRead.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <utility>

namespace platform {
namespace {

// The most one write system call moves on Linux is just under 2 GiB.
constexpr std::uint64_t kMaxTransfer = std::uint64_t{1} << 30;

}  // namespace

BufferedFile::BufferedFile(FileDescriptor descriptor, std::uint64_t size, std::size_t capacity, bool writable)
    : descriptor_(std::move(descriptor)), capacity_(capacity), writable_(writable), size_(size) {}

bool BufferedFile::AllocateBuffer() {
    if (capacity_ == 0) {
        return true;
    }
    buffer_.reset(new (std::nothrow) std::byte[capacity_]);
    return buffer_ != nullptr;
}

bool BufferedFile::Holds(std::uint64_t position) const {
    return position >= bufferStart_ && position - bufferStart_ < bufferLength_;
}

bool BufferedFile::CanAppendInBuffer(std::uint64_t position) const {
    return position >= bufferStart_ && position - bufferStart_ <= bufferLength_ && position - bufferStart_ < capacity_;
}

BufferedFile::Piece BufferedFile::PieceAtPosition(std::size_t end, std::uint64_t left) const {
    const auto offset = static_cast<std::size_t>(position_ - bufferStart_);
    return {offset, static_cast<std::size_t>(std::min<std::uint64_t>(end - offset, left))};
}

std::int64_t BufferedFile::Read(void* destination, std::int64_t count) {
    if (count < 0) {
        return -1;
    }
    auto* out = static_cast<std::byte*>(destination);
    const auto wanted = static_cast<std::uint64_t>(count);
    std::uint64_t done = 0;
    while (done < wanted) {
        if (Holds(position_)) {
            const Piece piece = PieceAtPosition(bufferLength_, wanted - done);
            std::memcpy(out + done, buffer_.get() + piece.offset, piece.size);
            done += piece.size;
            position_ += piece.size;
            continue;
        }
        // Anything read from the file must see the bytes written so far.
        if (!Flush()) {
            return -1;
        }
        if (wanted - done >= capacity_) {
            // A large read goes straight into the caller's memory, with no copy.
            const std::int64_t got = ReadAt(out + done, wanted - done, position_);
            if (got < 0) {
                return -1;
            }
            done += static_cast<std::uint64_t>(got);
            position_ += static_cast<std::uint64_t>(got);
            break;
        }
        const std::int64_t got = ReadAt(buffer_.get(), capacity_, position_);
        if (got < 0) {
            return -1;
        }
        bufferStart_ = position_;
        bufferLength_ = static_cast<std::size_t>(got);
        if (got == 0) {
            break;
        }
    }
    return static_cast<std::int64_t>(done);
}

std::int64_t BufferedFile::Write(const void* source, std::int64_t count) {
    if (!writable_ || count < 0) {
        return -1;
    }
    const auto* in = static_cast<const std::byte*>(source);
    const auto wanted = static_cast<std::uint64_t>(count);
    std::uint64_t done = 0;
    while (done < wanted) {
        if (CanAppendInBuffer(position_)) {
            const auto [offset, size] = PieceAtPosition(capacity_, wanted - done);
            std::memcpy(buffer_.get() + offset, in + done, size);
            const bool clean = dirtyBegin_ == dirtyEnd_;
            dirtyBegin_ = clean ? offset : std::min(dirtyBegin_, offset);
            dirtyEnd_ = clean ? offset + size : std::max(dirtyEnd_, offset + size);
            bufferLength_ = std::max(bufferLength_, offset + size);
            done += size;
            position_ += size;
            continue;
        }
        if (!Flush()) {
            return -1;
        }
        if (wanted - done >= capacity_) {
            // A large write goes straight to the file; the buffer may hold some
            // of the bytes it replaces, so it is forgotten.
            bufferLength_ = 0;
            if (!WriteAt(in + done, wanted - done, position_)) {
                writeFailed_ = true;
                return -1;
            }
            position_ += wanted - done;
            done = wanted;
            break;
        }
        // Start an empty buffer here; the bytes of the file behind it are
        // read again only when a read needs them, after this buffer is written.
        bufferStart_ = position_;
        bufferLength_ = 0;
    }
    size_ = std::max(size_, position_);
    return static_cast<std::int64_t>(done);
}

std::uint32_t BufferedFile::Close() {
    const bool flushed = Flush();
    const bool closed = descriptor_.Close();
    if (!flushed || writeFailed_) {
        return 262;  // MMIOERR_CANNOTWRITE
    }
    return closed ? 0 : 260;  // MMIOERR_CANNOTCLOSE
}

bool BufferedFile::Flush() {
    if (dirtyBegin_ == dirtyEnd_) {
        return true;
    }
    const bool written = WriteAt(buffer_.get() + dirtyBegin_, dirtyEnd_ - dirtyBegin_, bufferStart_ + dirtyBegin_);
    dirtyBegin_ = dirtyEnd_ = 0;
    if (!written) {
        // The buffer no longer matches the file; forget it, and remember the loss for Close.
        writeFailed_ = true;
        bufferLength_ = 0;
    }
    return written;
}

std::int64_t BufferedFile::ReadAt(std::byte* destination, std::uint64_t count, std::uint64_t offset) {
    return ReadFileRange(descriptor_.Get(), destination, count, offset);
}

bool BufferedFile::WriteAt(const std::byte* source, std::uint64_t count, std::uint64_t offset) {
    std::uint64_t done = 0;
    while (done < count) {
        const std::size_t piece = static_cast<std::size_t>(std::min(count - done, kMaxTransfer));
        const ssize_t put = ::pwrite(descriptor_.Get(), source + done, piece, static_cast<off_t>(offset + done));
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (put == 0) {
            return false;
        }
        done += static_cast<std::uint64_t>(put);
    }
    return true;
}

}  // namespace platform
