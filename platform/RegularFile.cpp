// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace platform {

FileDescriptor::~FileDescriptor() {
    Close();
}

FileDescriptor::FileDescriptor(FileDescriptor&& other) noexcept : descriptor_(std::exchange(other.descriptor_, -1)) {}

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
        Close();
        descriptor_ = std::exchange(other.descriptor_, -1);
    }
    return *this;
}

bool FileDescriptor::Close() {
    if (descriptor_ < 0) {
        return true;
    }
    const int result = ::close(std::exchange(descriptor_, -1));
    // Linux releases the descriptor even when close is interrupted.
    return result == 0 || errno == EINTR;
}

namespace {

OpenFailure FailureOf(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR: return OpenFailure::NotFound;
    case ENOMEM: return OpenFailure::OutOfMemory;
    default: return OpenFailure::Refused;
    }
}

OpenedRegularFile Failed(OpenFailure failure) {
    OpenedRegularFile result;
    result.failure = failure;
    return result;
}

}  // namespace

OpenedRegularFile OpenRegularFile(const char* path, bool forWriting) {
    if (path == nullptr) {
        return Failed(OpenFailure::NotFound);
    }
    if (std::strlen(path) > kMaxPathBytes) {
        return Failed(OpenFailure::Refused);
    }
    // stat opens nothing, so a FIFO or a device is refused before it could block.
    struct stat status {};
    if (::stat(path, &status) != 0) {
        return Failed(FailureOf(errno));
    }
    if (!S_ISREG(status.st_mode)) {
        return Failed(OpenFailure::Refused);
    }
    // The path may change between stat and open: O_NONBLOCK keeps even that
    // open from blocking, and the descriptor is checked once more.
    const int flags = (forWriting ? O_RDWR : O_RDONLY) | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    FileDescriptor descriptor(::open(path, flags));
    if (!descriptor.IsOpen()) {
        return Failed(FailureOf(errno));
    }
    if (::fstat(descriptor.Get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return Failed(OpenFailure::Refused);
    }
    // Regular files never block; the flag is dropped so the descriptor reads plainly.
    ::fcntl(descriptor.Get(), F_SETFL, ::fcntl(descriptor.Get(), F_GETFL) & ~O_NONBLOCK);
    OpenedRegularFile result;
    result.descriptor = std::move(descriptor);
    result.size = static_cast<std::uint64_t>(status.st_size);
    return result;
}

bool NameTheSameFile(const char* first, const char* second) {
    struct stat firstStatus {};
    struct stat secondStatus {};
    return ::stat(first, &firstStatus) == 0 && ::stat(second, &secondStatus) == 0 &&
           firstStatus.st_dev == secondStatus.st_dev && firstStatus.st_ino == secondStatus.st_ino;
}

}  // namespace platform
