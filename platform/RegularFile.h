// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

/// Opening of existing regular files for the platform services, without ever
/// blocking: the path is checked before anything is opened, so that a FIFO, a
/// device or a directory is refused instead of read, and a path too long for
/// the program's 256-byte file-name buffers is refused instead of cut.
namespace platform {

/// The longest path the services open, in bytes, without its terminating zero.
inline constexpr std::uint64_t kMaxPathBytes = 255;

/// Owns one POSIX file descriptor and closes it when dropped.
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int descriptor) : descriptor_(descriptor) {}
    ~FileDescriptor();
    FileDescriptor(FileDescriptor&& other) noexcept;
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    /// Answers the descriptor; -1 when none is held.
    int Get() const { return descriptor_; }

    /// Answers whether a descriptor is held.
    bool IsOpen() const { return descriptor_ >= 0; }

    /// Closes the descriptor now; answers false when the system reports an error.
    bool Close();

private:
    int descriptor_ = -1;
};

/// Why an existing regular file could not be opened.
enum class OpenFailure {
    None,         ///< opened
    NotFound,     ///< no such file, or a directory on the way is missing
    OutOfMemory,  ///< the system had no memory for it
    Refused,      ///< too long a path, not a regular file, no permission, any other reason
};

/// The result of OpenRegularFile: the descriptor and the file's size, or why not.
struct OpenedRegularFile {
    FileDescriptor descriptor;
    std::uint64_t size = 0;
    OpenFailure failure = OpenFailure::None;
};

/// Opens the existing regular file at `path` (NUL-terminated) for reading, or
/// for reading and writing, never blocking: refuses a path of more than
/// kMaxPathBytes bytes and anything but a regular file, checked before the
/// open and again on the opened descriptor.
OpenedRegularFile OpenRegularFile(const char* path, bool forWriting);

/// True when both paths exist and name the same file: the same path, a
/// symbolic link to it or a hard link (same device and inode).
bool NameTheSameFile(const char* first, const char* second);

}  // namespace platform
