// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/RegularFile.h"

#include <string>

/// A file written under a temporary name beside its target and put in the
/// target's place only once it is complete, so that the target is either the
/// whole new file or exactly what it was.
namespace platform {

class ReplacementFile {
public:
    /// Nothing made yet.
    ReplacementFile() = default;
    /// Removes the temporary file unless it was committed.
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    /// Makes an empty temporary file, readable and writable by its owner
    /// only, in the folder of `target` (of the file it names, when `target` is
    /// a symbolic link), under a short name of its own, so that any target
    /// name the folder can hold works. Answers 0, or the errno of the failure.
    int Create(const std::string& target);

    /// The temporary file's path, "" before Create.
    const std::string& Path() const { return path_; }

    /// A short path to the temporary file, whatever the length of its folder's
    /// path: its descriptor's entry under /proc/self/fd where the system has
    /// one, else Path(). For services that refuse long paths.
    std::string ShortPath() const;

    /// The temporary file, open for reading and writing.
    int Descriptor() const { return descriptor_.Get(); }

    /// Gives the temporary file the permissions of the file it replaces (of a
    /// new file when there is none), flushes it to the disk and renames it
    /// over the target. Answers 0, or the errno of the failure; the temporary
    /// file is then still there and removed with this object.
    int Commit();

private:
    std::string target_;
    std::string path_;
    FileDescriptor descriptor_;
};

/// Makes SIGINT, SIGTERM and SIGHUP remove every temporary file that exists
/// and is not yet committed before they end the process as they would have
/// without it. Call it before any other thread starts: it blocks the three
/// signals in the calling thread, so that every thread started later inherits
/// the block, and takes them in a thread of its own (sigwait), where removing
/// files needs no async-signal-safe tricks. Creating a temporary file and
/// recording it happen under one lock, which the removal holds until the
/// process has ended: no file is ever made that it does not see.
void RemoveReplacementFilesOnInterrupt();

}  // namespace platform
