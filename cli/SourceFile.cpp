// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/SourceFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// What an open descriptor that is no regular file is, in a user's words.
const char* KindOf(mode_t mode) {
    if (S_ISFIFO(mode)) {
        return "a FIFO";
    }
    if (S_ISCHR(mode)) {
        return "a character device";
    }
    if (S_ISBLK(mode)) {
        return "a block device";
    }
    if (S_ISSOCK(mode)) {
        return "a socket";
    }
    return "not a file";
}

bool ProcFdMounted() {
    static const bool mounted = ::access("/proc/self/fd", X_OK) == 0;
    return mounted;
}

}  // namespace

std::string SystemErrorText(int error) {
    char buffer[256] = {};
    // The GNU strerror_r answers a pointer, to its own text or to the buffer.
    return ::strerror_r(error, buffer, sizeof buffer);
}

std::optional<SourceFile> SourceFile::Open(const std::string& path, MessageLog& log) {
    // O_NONBLOCK: opening a FIFO without a writer returns at once instead of
    // waiting for one; the descriptor's type is checked before any read.
    platform::FileDescriptor descriptor(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!descriptor.IsOpen()) {
        const int error = errno;
        log.AddFailure(FailureCodeOfErrno(error), SystemErrorText(error));
        return std::nullopt;
    }
    struct stat status {};
    if (::fstat(descriptor.Get(), &status) != 0) {
        const int error = errno;
        log.AddFailure(FailureCodeOfErrno(error), SystemErrorText(error));
        return std::nullopt;
    }
    if (S_ISDIR(status.st_mode)) {
        log.AddFailure(FailureCode::IsDirectory, SystemErrorText(EISDIR));
        return std::nullopt;
    }
    if (!S_ISREG(status.st_mode)) {
        log.AddFailure(FailureCode::NotRegular, std::string("not a regular file: ") + KindOf(status.st_mode));
        return std::nullopt;
    }
    std::string readPath = ProcFdMounted() ? "/proc/self/fd/" + std::to_string(descriptor.Get()) : path;
    return SourceFile(std::move(descriptor), std::move(readPath));
}
