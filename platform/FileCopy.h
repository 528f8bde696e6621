#pragma once

/// File copy with replace, as the sample-rate rewrite uses it.
namespace platform {

/// Copies the regular file `source` to `target` (both NUL-terminated paths),
/// replacing an existing regular file there unless `failIfExists`. Answers
/// false, and changes nothing, when the source is missing or not a regular
/// file, when the target exists and `failIfExists` is set, when the target is
/// not a regular file, and when the target is the source itself under any name
/// (the same path, another path, a symbolic or a hard link: same device and
/// inode). An existing target is opened for writing as it stands, never
/// removed and made anew, so a read-only target fails. A new target gets the
/// permissions 0666 less the umask. Answers false too when reading or writing
/// fails part-way; the target then holds part of the copy. Never blocks on a
/// FIFO.
bool CopyFile(const char* source, const char* target, bool failIfExists);

/// Copies every byte of the open regular file `from`, from its start, into the
/// open empty file `to`, in the kernel where the file systems allow it and by
/// reading and writing where they do not. Answers 0 once the whole source was
/// read and written, otherwise the errno of what failed (EIO when the source
/// changed its size during the copy).
int CopyAllBytes(int from, int to);

}  // namespace platform
