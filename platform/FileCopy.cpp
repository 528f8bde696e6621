// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileCopy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <new>

namespace platform {
namespace {

/// Copies with read and write from `offset` on, for file systems that cannot
/// copy in the kernel. Answers 0 at the source's end, or the errno of the failure.
int CopyByReading(int from, int to, off_t offset) {
    constexpr std::size_t kPieceBytes = std::size_t{1} << 20;
    const std::unique_ptr<char[]> piece(new (std::nothrow) char[kPieceBytes]);
    if (piece == nullptr) {
        return ENOMEM;
    }
    for (;;) {
        const ssize_t got = ::pread(from, piece.get(), kPieceBytes, offset);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return got == 0 ? 0 : errno;
        }
        for (ssize_t put = 0; put < got;) {
            const ssize_t wrote = ::pwrite(to, piece.get() + put, static_cast<std::size_t>(got - put), offset + put);
            if (wrote < 0 && errno == EINTR) {
                continue;
            }
            if (wrote <= 0) {
                return wrote == 0 ? EIO : errno;
            }
            put += wrote;
        }
        offset += got;
    }
}

/// Copies in the kernel where it can, else by reading; answers 0 or an errno.
int CopyContents(int from, int to) {
    off_t inOffset = 0;
    off_t outOffset = 0;
    for (;;) {
        const ssize_t moved = ::copy_file_range(from, &inOffset, to, &outOffset, std::size_t{1} << 30, 0);
        if (moved > 0) {
            continue;
        }
        if (moved == 0) {
            return 0;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP) {
            return CopyByReading(from, to, inOffset);
        }
        return errno;
    }
}

}  // namespace

int CopyAllBytes(int from, int to) {
    struct stat before {};
    if (::fstat(from, &before) != 0) {
        return errno;
    }
    if (const int failure = CopyContents(from, to); failure != 0) {
        return failure;
    }
    // A source that shrank or grew meanwhile was not copied as it stands.
    struct stat source {};
    struct stat copy {};
    if (::fstat(from, &source) != 0 || ::fstat(to, &copy) != 0) {
        return errno;
    }
    return source.st_size == before.st_size && copy.st_size == before.st_size ? 0 : EIO;
}

}  // namespace platform
