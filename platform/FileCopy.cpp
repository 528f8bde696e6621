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
    const bool copied = CopyAllBytes(from.descriptor.Get(), to.Get()) == 0;
    return to.Close() && copied;
}

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
