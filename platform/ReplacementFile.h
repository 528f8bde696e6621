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

    /// The temporary file, open for reading and writing.
    int Descriptor() const { return descriptor_.Get(); }

    /// Gives the temporary file the permissions of the file it replaces (of a
    /// new file when there is none), flushes it to the disk and renames it
    /// over the target. Answers 0, or the errno of the failure; the temporary
    /// file is then still there and removed with this object.
    int Commit();

private:
    void Forget();

    std::string target_;
    std::string path_;
    FileDescriptor descriptor_;
    int slot_ = -1;
};

/// Removes every temporary file that is made and not yet committed or
/// removed. Only async-signal-safe calls: for a handler of SIGINT, SIGTERM
/// and SIGHUP, so that an interrupted program leaves none behind.
void RemovePendingReplacementFiles() noexcept;

/// Makes SIGINT, SIGTERM and SIGHUP remove the pending temporary files before
/// they end the process as they would have without this handler.
void RemoveReplacementFilesOnInterrupt();

}  // namespace platform
