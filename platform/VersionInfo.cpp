// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/VersionInfo.h"

#include "platform/LittleEndian.h"
#include "platform/RegularFile.h"

#include <elf.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace platform {

// ELF headers are read straight into <elf.h>'s records, and the fixed
// versions and translation entries are handed out as 32-bit words in place:
// both hold only on a little-endian machine.
static_assert(std::endian::native == std::endian::little);

namespace {

using Bytes = std::span<const std::uint8_t>;

/// Reads a block front to back, refusing every step that would go past its end.
class BlockCursor {
public:
    explicit BlockCursor(Bytes bytes) : bytes_(bytes) {}

    bool Read16(std::uint16_t& value) { return ReadNumber(value, ReadLittleEndian16<std::uint8_t>); }
    bool Read32(std::uint32_t& value) { return ReadNumber(value, ReadLittleEndian32<std::uint8_t>); }

    // Reads a little-endian number of sizeof(Number) bytes with `decode`.
    template <typename Number, typename Decode>
    bool ReadNumber(Number& value, Decode decode) {
        Bytes taken;
        if (!Take(sizeof(Number), taken)) {
            return false;
        }
        value = decode(taken.data());
        return true;
    }

    bool Take(std::size_t count, Bytes& taken) {
        if (count > bytes_.size() - position_) {
            return false;
        }
        taken = bytes_.subspan(position_, count);
        position_ += count;
        return true;
    }

    bool AtEnd() const { return position_ == bytes_.size(); }

private:
    Bytes bytes_;
    std::size_t position_ = 0;
};

/// A text of the block: its bytes end in their only zero.
bool IsText(Bytes text) {
    return !text.empty() && text.back() == 0 && std::find(text.begin(), text.end() - 1, 0) == text.end() - 1;
}

/// The parts of a block that are answered whole.
struct BlockParts {
    Bytes fixedVersions;
    Bytes translations;
};

/// Walks the whole of `block`, cut to the size its header states, checking
/// every count and size against the bytes there, and calls onString(tableKey,
/// key, value) for each string (key and value with their terminating zeros).
/// Answers false, possibly after some calls, unless the block is consistent
/// and ends exactly where its last table does.
template <typename OnString>
bool WalkBlock(Bytes block, BlockParts& parts, OnString&& onString) {
    BlockCursor cursor(block);
    Bytes magic;
    Bytes size;  // already used to cut the block
    std::uint16_t translationCount = 0;
    std::uint16_t tableCount = 0;
    if (!cursor.Take(kVersionBlockMagic.size(), magic) || !std::ranges::equal(magic, kVersionBlockMagic) ||
        !cursor.Take(4, size) || !cursor.Read16(translationCount) || !cursor.Read16(tableCount) ||
        !cursor.Take(sizeof(VersionFixedInfo), parts.fixedVersions) ||
        !cursor.Take(std::size_t{4} * translationCount, parts.translations)) {
        return false;
    }
    for (std::uint16_t table = 0; table < tableCount; ++table) {
        std::uint32_t tableKey = 0;
        std::uint16_t stringCount = 0;
        if (!cursor.Read32(tableKey) || !cursor.Read16(stringCount)) {
            return false;
        }
        for (std::uint16_t index = 0; index < stringCount; ++index) {
            std::uint16_t keySize = 0;
            std::uint16_t valueSize = 0;
            Bytes key;
            Bytes value;
            if (!cursor.Read16(keySize) || !cursor.Read16(valueSize) || !cursor.Take(keySize, key) ||
                !cursor.Take(valueSize, value) || keySize < 2 || !IsText(key) || !IsText(value)) {
                return false;
            }
            onString(tableKey, key, value);
        }
    }
    return cursor.AtEnd();
}

/// Answers the block at the start of `bytes`, cut to the size its header
/// states; none unless that size fits in `bytes` and the block is whole.
std::optional<Bytes> BlockIn(Bytes bytes) {
    if (bytes.size() < kVersionHeaderBytes) {
        return std::nullopt;
    }
    const std::uint32_t size = ReadLittleEndian32(bytes.data() + kVersionBlockMagic.size());
    if (size > bytes.size()) {
        return std::nullopt;
    }
    BlockParts parts;
    if (!WalkBlock(bytes.first(size), parts, [](std::uint32_t, Bytes, Bytes) {})) {
        return std::nullopt;
    }
    return bytes.first(size);
}

/// Answers the value of eight hex digits, either case; none for anything else.
std::optional<std::uint32_t> ParseTranslationKey(std::string_view digits) {
    if (digits.size() != 8) {
        return std::nullopt;
    }
    std::uint32_t key = 0;
    for (const char digit : digits) {
        std::uint32_t nibble = 0;
        if (digit >= '0' && digit <= '9') {
            nibble = static_cast<std::uint32_t>(digit - '0');
        } else if (digit >= 'a' && digit <= 'f') {
            nibble = static_cast<std::uint32_t>(digit - 'a' + 10);
        } else if (digit >= 'A' && digit <= 'F') {
            nibble = static_cast<std::uint32_t>(digit - 'A' + 10);
        } else {
            return std::nullopt;
        }
        key = key << 4 | nibble;
    }
    return key;
}

/// Answers the bytes `path` names in the whole block `block`; none when the
/// path is not one of the three answered forms, names nothing there, or the
/// block is not whole.
std::optional<Bytes> Lookup(Bytes block, std::string_view path) {
    constexpr std::string_view kRoot = "\\";
    constexpr std::string_view kTranslation = "\\VarFileInfo\\Translation";
    constexpr std::string_view kStrings = "\\StringFileInfo\\";
    BlockParts parts;
    if (path == kRoot || path == kTranslation) {
        if (!WalkBlock(block, parts, [](std::uint32_t, Bytes, Bytes) {})) {
            return std::nullopt;
        }
        if (path == kRoot) {
            return parts.fixedVersions;
        }
        return parts.translations.empty() ? std::nullopt : std::optional<Bytes>(parts.translations);
    }
    if (!path.starts_with(kStrings)) {
        return std::nullopt;
    }
    path.remove_prefix(kStrings.size());
    const std::size_t separator = path.find('\\');
    if (separator == std::string_view::npos) {
        return std::nullopt;
    }
    const std::optional<std::uint32_t> wantedTable = ParseTranslationKey(path.substr(0, separator));
    const std::string_view wantedKey = path.substr(separator + 1);
    if (!wantedTable) {
        return std::nullopt;
    }
    std::optional<Bytes> found;
    const auto match = [&](std::uint32_t tableKey, Bytes key, Bytes value) {
        if (!found && tableKey == *wantedTable && key.size() == wantedKey.size() + 1 &&
            std::memcmp(key.data(), wantedKey.data(), wantedKey.size()) == 0) {
            found = value;
        }
    };
    if (!WalkBlock(block, parts, match)) {
        return std::nullopt;
    }
    return found;
}

/// Answers whether [offset, offset + size) lies inside a file of `fileSize` bytes.
bool InFile(std::uint64_t offset, std::uint64_t size, std::uint64_t fileSize) {
    return offset <= fileSize && size <= fileSize - offset;
}

/// Reads exactly `size` bytes at `offset` of a file of `fileSize` bytes; false
/// when they are not all inside the file or the system fails.
bool ReadAt(int descriptor, std::uint64_t fileSize, std::uint64_t offset, void* destination, std::size_t size) {
    if (!InFile(offset, size, fileSize)) {
        return false;
    }
    auto* bytes = static_cast<std::uint8_t*>(destination);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::pread(descriptor, bytes + done, size - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return false;  // an error, or the file shrank under us
        }
        done += static_cast<std::size_t>(got);
    }
    return true;
}

/// The section header table of an opened ELF64 little-endian file.
/// Answers headers by index, each read when asked; holds no section's data.
class SectionTable {
public:
    /// Reads the file header; answers none unless it is an ELF64
    /// little-endian file whose section header table lies inside it.
    static std::optional<SectionTable> Open(int descriptor, std::uint64_t fileSize) {
        Elf64_Ehdr header{};
        if (!ReadAt(descriptor, fileSize, 0, &header, sizeof header) ||
            std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != ELFCLASS64 ||
            header.e_ident[EI_DATA] != ELFDATA2LSB || header.e_ident[EI_VERSION] != EV_CURRENT ||
            header.e_shentsize != sizeof(Elf64_Shdr)) {
            return std::nullopt;
        }
        SectionTable table(descriptor, fileSize, header.e_shoff);
        // With too many sections for the file header, the count and the index
        // of the section names sit in section 0's header.
        std::uint64_t count = header.e_shnum;
        std::uint32_t namesIndex = header.e_shstrndx;
        if (count == 0 || namesIndex == SHN_XINDEX) {
            table.count_ = 1;
            Elf64_Shdr first{};
            if (!table.Read(0, first)) {
                return std::nullopt;
            }
            count = count == 0 ? first.sh_size : count;
            namesIndex = namesIndex == SHN_XINDEX ? first.sh_link : namesIndex;
        }
        // A table inside the file keeps every header's offset from wrapping around.
        if (count > (fileSize - std::min(header.e_shoff, fileSize)) / sizeof(Elf64_Shdr)) {
            return std::nullopt;
        }
        table.count_ = count;
        table.namesIndex_ = namesIndex;
        return table;
    }

    std::uint64_t Count() const { return count_; }

    /// Reads header `index` (below Count()).
    bool Read(std::uint64_t index, Elf64_Shdr& section) const {
        return index < count_ &&
               ReadAt(descriptor_, fileSize_, offset_ + index * sizeof(Elf64_Shdr), &section, sizeof section);
    }

    /// Answers whether `section` is named `name`, looked up in the section
    /// names, which `names` must hold.
    bool IsNamed(const Elf64_Shdr& names, const Elf64_Shdr& section, std::string_view name) const {
        if (section.sh_name >= names.sh_size || name.size() + 1 > names.sh_size - section.sh_name) {
            return false;
        }
        std::vector<char> stored(name.size() + 1);
        return ReadAt(descriptor_, fileSize_, names.sh_offset + section.sh_name, stored.data(), stored.size()) &&
               std::string_view(stored.data(), name.size()) == name && stored.back() == '\0';
    }

    /// Reads the header of the section names; false unless it is a string
    /// table inside the file.
    bool ReadNames(Elf64_Shdr& names) const {
        return Read(namesIndex_, names) && names.sh_type == SHT_STRTAB &&
               InFile(names.sh_offset, names.sh_size, fileSize_);
    }

private:
    SectionTable(int descriptor, std::uint64_t fileSize, std::uint64_t offset)
        : descriptor_(descriptor), fileSize_(fileSize), offset_(offset) {}

    int descriptor_;
    std::uint64_t fileSize_;
    std::uint64_t offset_;
    std::uint64_t count_ = 0;
    std::uint64_t namesIndex_ = 0;
};

/// Answers the whole version block of the file at `path`, read from its one
/// version section; none when there is no such block.
std::optional<std::vector<std::uint8_t>> ReadVersionBlock(const char* path) {
    const OpenedRegularFile file = OpenRegularFile(path, false);
    if (file.failure != OpenFailure::None) {
        return std::nullopt;
    }
    const int descriptor = file.descriptor.Get();
    const std::optional<SectionTable> table = SectionTable::Open(descriptor, file.size);
    Elf64_Shdr names{};
    if (!table || !table->ReadNames(names)) {
        return std::nullopt;
    }
    std::optional<Elf64_Shdr> found;
    for (std::uint64_t index = 0; index < table->Count(); ++index) {
        Elf64_Shdr section{};
        if (!table->Read(index, section)) {
            return std::nullopt;
        }
        if (table->IsNamed(names, section, kVersionSectionName)) {
            if (found) {
                return std::nullopt;  // two blocks: neither is the program's
            }
            found = section;
        }
    }
    if (!found || found->sh_type != SHT_PROGBITS || !InFile(found->sh_offset, found->sh_size, file.size)) {
        return std::nullopt;
    }
    // The section may carry padding after the block; the block says its own size.
    std::vector<std::uint8_t> section(std::min<std::uint64_t>(found->sh_size, kMaxVersionBlockBytes));
    if (!ReadAt(descriptor, file.size, found->sh_offset, section.data(), section.size())) {
        return std::nullopt;
    }
    const std::optional<Bytes> block = BlockIn(section);
    if (!block) {
        return std::nullopt;
    }
    section.resize(block->size());
    return section;
}

/// Answers the block at `block` with the extent its header states; none when
/// it does not start like a block or states a size above the largest block.
std::optional<Bytes> BlockAt(const void* block) {
    if (block == nullptr) {
        return std::nullopt;
    }
    const Bytes header(static_cast<const std::uint8_t*>(block), kVersionBlockMagic.size() + 4);
    if (!std::ranges::equal(header.first(kVersionBlockMagic.size()), kVersionBlockMagic)) {
        return std::nullopt;
    }
    const std::uint32_t size = ReadLittleEndian32(header.data() + kVersionBlockMagic.size());
    if (size > kMaxVersionBlockBytes) {
        return std::nullopt;
    }
    return Bytes(static_cast<const std::uint8_t*>(block), size);
}

}  // namespace

std::uint32_t GetFileVersionInfoSize(const char* path) {
    const std::optional<std::vector<std::uint8_t>> block = ReadVersionBlock(path);
    return block ? static_cast<std::uint32_t>(block->size()) : 0;
}

bool GetFileVersionInfo(const char* path, std::uint32_t size, void* buffer) {
    if (buffer == nullptr) {
        return false;
    }
    const std::optional<std::vector<std::uint8_t>> block = ReadVersionBlock(path);
    if (!block || block->size() > size) {
        return false;
    }
    std::memcpy(buffer, block->data(), block->size());
    return true;
}

bool VerQueryValue(const void* block, const char* subBlock, const void** value, std::uint32_t* length) {
    if (subBlock == nullptr || value == nullptr) {
        return false;
    }
    const std::optional<Bytes> whole = BlockAt(block);
    if (!whole) {
        return false;
    }
    const std::optional<Bytes> item = Lookup(*whole, subBlock);
    if (!item) {
        return false;
    }
    *value = item->data();
    if (length != nullptr) {
        *length = static_cast<std::uint32_t>(item->size());
    }
    return true;
}

bool VerQueryValue(void* block, const char* subBlock, void** value, std::uint32_t* length) {
    const void* found = nullptr;
    if (value == nullptr || !VerQueryValue(static_cast<const void*>(block), subBlock, &found, length)) {
        return false;
    }
    // The answer lies inside `block`, which the caller may change.
    *value = const_cast<void*>(found);
    return true;
}

}  // namespace platform
