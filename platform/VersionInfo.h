// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/VersionBlock.h"

#include <cstdint>

/// Version information of an executable file, as the about box reads it from
/// the program's own file: the size of the file's version block, a copy of
/// the block, and lookups inside the copy. The block is the ELF section
/// KORVANI_VERSION_SECTION of a 64-bit little-endian ELF file (see
/// VersionBlock.h for its layout and for KORVANI_VERSION_BLOCK, which puts it
/// there). Any other file has no block. Nothing read from a file or a block is
/// trusted: every size is checked against the bytes really there, and a block
/// that is not whole and consistent counts as no block.
namespace platform {

/// Answers the size in bytes of the version block of the file at `path`
/// (NUL-terminated); 0 when the file has none, when it is not an ELF64
/// little-endian file, when its section headers or its block are truncated or
/// inconsistent, when it carries the section twice, and when it cannot be
/// opened (missing, not a regular file, no permission, a path of more than
/// 255 bytes). Never blocks on a FIFO.
std::uint32_t GetFileVersionInfoSize(const char* path);

/// Copies the version block of the file at `path` into `buffer`, which holds
/// `size` bytes. Answers false, and writes nothing, when the file has no block
/// (as GetFileVersionInfoSize), when `buffer` is none, and when `size` is
/// smaller than the block; bytes past the block are left as they are. The
/// block keeps its layout, so in a buffer aligned to 4 bytes its translation
/// table and fixed versions are aligned 32-bit words.
bool GetFileVersionInfo(const char* path, std::uint32_t size, void* buffer);

/// Looks up `subBlock` in `block`, a block that GetFileVersionInfo copied (its
/// header's size is taken as the extent of the memory; the whole block is
/// checked before anything is answered). Answers true and sets `*value` to the
/// item inside the block and `*length` (when given) to its size for:
/// - "\": the fixed versions, a VersionFixedInfo, length 16;
/// - "\VarFileInfo\Translation": the translation table, 32-bit entries with
///   the language in the low half and the code page in the high half, as
///   stored; length in bytes (4 per entry); fails when the table is empty;
/// - "\StringFileInfo\<translation key>\<Key>": the zero-terminated UTF-8 value
///   of Key in the string table whose key, printed as eight hex digits
///   (language, then code page; lower or upper case), is the translation key;
///   length in bytes with the terminating zero. Keys compare byte for byte.
/// Answers false, and leaves `*value` and `*length` as they are, for any other
/// path, a missing table or key, a block that is none, damaged or larger than
/// kMaxVersionBlockBytes, and a `value` that is none. Pointers stay valid as
/// long as the block.
bool VerQueryValue(const void* block, const char* subBlock, const void** value, std::uint32_t* length);

/// VerQueryValue for a block the caller may change: the answer points into it
/// writably, so that a reader can rearrange the translation entry in place.
bool VerQueryValue(void* block, const char* subBlock, void** value, std::uint32_t* length);

}  // namespace platform
