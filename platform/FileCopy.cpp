#include "platform/FileCopy.h"

#include "platform/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <new>

namespace platform {
namespace {

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

/// Copies with read and write, for file systems that cannot copy in the kernel.
bool CopyByReading(int from, int to, off_t offset) {
    constexpr std::size_t kPieceBytes = std::size_t{1} << 20;
    const std::unique_ptr<char[]> piece(new (std::nothrow) char[kPieceBytes]);
    if (piece == nullptr) {
        return false;
    }
    for (;;) {
        const ssize_t got = ::pread(from, piece.get(), kPieceBytes, offset);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return got == 0;
        }
        for (ssize_t put = 0; put < got;) {
            const ssize_t wrote = ::pwrite(to, piece.get() + put, static_cast<std::size_t>(got - put), offset + put);
            if (wrote < 0 && errno == EINTR) {
                continue;
            }
            if (wrote <= 0) {
                return false;
            }
            put += wrote;
        }
        offset += got;
    }
}

bool CopyContents(int from, int to) {
    off_t inOffset = 0;
    off_t outOffset = 0;
    for (;;) {
        const ssize_t moved = ::copy_file_range(from, &inOffset, to, &outOffset, std::size_t{1} << 30, 0);
        if (moved > 0) {
            continue;
        }
        if (moved == 0) {
            return true;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP) {
            return CopyByReading(from, to, inOffset);
        }
        return false;
    }
}

}  // namespace

bool CopyFile(const char* source, const char* target, bool failIfExists) {
    if (target == nullptr) {
        return false;
    }
    OpenedRegularFile from = OpenRegularFile(source, false);
    if (from.failure != OpenFailure::None) {
        return false;
    }
    struct stat sourceStatus {};
    if (::fstat(from.descriptor.Get(), &sourceStatus) != 0) {
        return false;
    }
    struct stat targetStatus {};
    if (::stat(target, &targetStatus) == 0) {
        if (failIfExists || SameFile(sourceStatus, targetStatus) || !S_ISREG(targetStatus.st_mode)) {
            return false;
        }
    }
    // No O_TRUNC: the target is emptied only once its descriptor is known not to
    // be the source, whatever the path turned into since the check above.
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | (failIfExists ? O_EXCL : 0);
    FileDescriptor to(::open(target, flags, 0666));
    if (!to.IsOpen()) {
        return false;
    }
    if (::fstat(to.Get(), &targetStatus) != 0 || !S_ISREG(targetStatus.st_mode) ||
        SameFile(sourceStatus, targetStatus)) {
        return false;
    }
    if (::ftruncate(to.Get(), 0) != 0) {
        return false;
    }
    const bool copied = CopyContents(from.descriptor.Get(), to.Get());
    return to.Close() && copied;
}

}  // namespace platform
