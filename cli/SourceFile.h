// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/MessageLog.h"

#include "platform/RegularFile.h"

#include <optional>
#include <string>

/// A file korvani-pitch is to read, opened once and checked on its
/// descriptor: whatever the name meets later (a rename, a link replaced), the
/// readers read the very file checked, through ReadPath, a short name of the
/// open descriptor, so no path is too long for them.
class SourceFile {
public:
    /// Opens `path` for reading without ever blocking; refuses through `log`,
    /// naming the system's reason (strerror), a name that cannot be opened,
    /// and anything but a regular file: a folder ("Is a directory"), a FIFO,
    /// a device or a socket ("not a regular file: a FIFO" ...).
    static std::optional<SourceFile> Open(const std::string& path, MessageLog& log);

    /// A name of the open file the readers open again ("/proc/self/fd/N"),
    /// or the path itself where /proc is not mounted.
    const std::string& ReadPath() const { return readPath_; }

private:
    SourceFile(platform::FileDescriptor descriptor, std::string readPath)
        : descriptor_(std::move(descriptor)), readPath_(std::move(readPath)) {}

    platform::FileDescriptor descriptor_;
    std::string readPath_;
};

/// The system's text of an error number, as strerror gives it ("No such file
/// or directory"), safe from any thread.
std::string SystemErrorText(int error);
