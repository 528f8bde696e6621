// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

/// Byte copy between open files, as the write path uses it.
namespace platform {

/// Copies every byte of the open regular file `from`, from its start, into the
/// open empty file `to`, in the kernel where the file systems allow it and by
/// reading and writing where they do not. Answers 0 once the whole source was
/// read and written, otherwise the errno of what failed (EIO when the source
/// changed its size during the copy).
int CopyAllBytes(int from, int to);

}  // namespace platform
