// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string_view>
#include <vector>

/// The version-information block a program carries in its own executable
/// file: its binary layout, the description a program writes of it, the
/// encoder that turns the description into the block's bytes (at compile time
/// for the program, at run time for tools and tests), and the macro that puts
/// the bytes into the executable. Reading a block back is VersionInfo.h's
/// business.
///
/// Layout. All numbers are unsigned little-endian; offsets count from the
/// block's first byte.
///
///   offset   size  field
///   0        4     magic "KVV1"
///   4        4     block size: every byte of the block, this header included
///   8        2     translation count T
///   10       2     string table count U
///   12       16    fixed versions, four 32-bit words: file MS, file LS,
///                  product MS, product LS (MS = major << 16 | minor,
///                  LS = build << 16 | revision)
///   28       4 T   translation table: language | codePage << 16 per entry
///   28 + 4T  ...   U string tables, one after the other, each:
///                    0  4  translation key: language << 16 | codePage
///                    4  2  string count E
///                    6  ..  E strings, each: key size K (2), value size V (2),
///                           K bytes of key, V bytes of value. A size counts
///                           the terminating zero, which is the text's last
///                           byte and its only zero; keys are never empty.
///
/// The block ends right after its last string table. The fixed versions and
/// the translation table sit at multiples of 4, so a block copied to 4-byte
/// aligned memory can be read there as 32-bit words. Texts are UTF-8.

/// Name of the ELF section that carries the block (a literal, for attributes).
#define KORVANI_VERSION_SECTION ".korvani.version"

namespace platform {

/// Name of the ELF section that carries a program's version block.
inline constexpr std::string_view kVersionSectionName = KORVANI_VERSION_SECTION;

/// The four bytes a block starts with.
inline constexpr std::array<std::uint8_t, 4> kVersionBlockMagic{'K', 'V', 'V', '1'};

/// Bytes of the block header, fixed versions included.
inline constexpr std::size_t kVersionHeaderBytes = 28;

/// The largest block written or read, in bytes.
inline constexpr std::size_t kMaxVersionBlockBytes = 65536;

/// A language and code page pair, as Windows numbers them (0x0407, 0x04E4).
struct VersionTranslation {
    std::uint16_t language = 0;
    std::uint16_t codePage = 0;
};

/// A four-part version number such as 1.1.0.0.
struct FixedVersion {
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    std::uint16_t build = 0;
    std::uint16_t revision = 0;
};

/// One text of the block, filed under a translation.
struct VersionString {
    VersionTranslation translation;
    std::string_view key;    ///< e.g. "ProductName"; not empty, no zero byte, no backslash
    std::string_view value;  ///< UTF-8, may be empty, no zero byte
};

/// What a program says about itself. The spans point at arrays that outlive
/// the encoding (for the macro: constexpr arrays at namespace scope). Strings
/// of one translation form one string table, tables in the order their first
/// string appears; a translation table entry and a string table are
/// independent, as on Windows.
struct VersionResource {
    FixedVersion fileVersion;
    FixedVersion productVersion;
    std::span<const VersionTranslation> translations;
    std::span<const VersionString> strings;
};

/// The fixed versions as VerQueryValue answers them for the path "\".
struct VersionFixedInfo {
    std::uint32_t fileVersionMS;
    std::uint32_t fileVersionLS;
    std::uint32_t productVersionMS;
    std::uint32_t productVersionLS;
};
static_assert(sizeof(VersionFixedInfo) == 16);

/// The bytes of an encoded block, sized at compile time.
template <std::size_t Size>
using EncodedVersionBlock = std::array<std::uint8_t, Size>;

namespace version_block_detail {

constexpr bool SameTranslation(VersionTranslation a, VersionTranslation b) {
    return a.language == b.language && a.codePage == b.codePage;
}

constexpr bool IsFirstOfItsTable(std::span<const VersionString> strings, std::size_t index) {
    for (std::size_t earlier = 0; earlier < index; ++earlier) {
        if (SameTranslation(strings[earlier].translation, strings[index].translation)) {
            return false;
        }
    }
    return true;
}

constexpr std::size_t TextSize(std::string_view text) {
    return text.size() + 1;  // with its terminating zero
}

/// Throws unless every string can be encoded and no key repeats within a translation.
constexpr void CheckStrings(std::span<const VersionString> strings) {
    for (std::size_t index = 0; index < strings.size(); ++index) {
        const VersionString& text = strings[index];
        if (text.key.empty() || text.key.find('\0') != std::string_view::npos ||
            text.key.find('\\') != std::string_view::npos) {
            throw std::invalid_argument("version block: a key is empty or holds a zero byte or a backslash");
        }
        if (text.value.find('\0') != std::string_view::npos) {
            throw std::invalid_argument("version block: a value holds a zero byte");
        }
        if (TextSize(text.key) > 0xFFFF || TextSize(text.value) > 0xFFFF) {
            throw std::invalid_argument("version block: a key or value is longer than 65534 bytes");
        }
        for (std::size_t earlier = 0; earlier < index; ++earlier) {
            if (SameTranslation(strings[earlier].translation, text.translation) && strings[earlier].key == text.key) {
                throw std::invalid_argument("version block: a key appears twice under one translation");
            }
        }
    }
}

constexpr void Put16(std::span<std::uint8_t> out, std::size_t& at, std::size_t value) {
    out[at++] = static_cast<std::uint8_t>(value & 0xFFU);
    out[at++] = static_cast<std::uint8_t>((value >> 8) & 0xFFU);
}

constexpr void Put32(std::span<std::uint8_t> out, std::size_t& at, std::uint32_t value) {
    Put16(out, at, value & 0xFFFFU);
    Put16(out, at, value >> 16);
}

constexpr void PutText(std::span<std::uint8_t> out, std::size_t& at, std::string_view text) {
    for (const char c : text) {
        out[at++] = static_cast<std::uint8_t>(c);
    }
    out[at++] = 0;
}

constexpr std::uint32_t Pack(std::uint16_t high, std::uint16_t low) {
    return static_cast<std::uint32_t>(high) << 16 | low;
}

}  // namespace version_block_detail

/// Answers the size in bytes of the block that encodes `resource`. Throws
/// std::invalid_argument (a compile error in a constant expression) for a
/// resource that cannot be encoded: a bad key or value (see VersionString), a
/// key twice under one translation, more than 65535 translations, tables or
/// strings in a table, or a block above kMaxVersionBlockBytes.
constexpr std::size_t EncodedVersionBlockSize(const VersionResource& resource) {
    namespace detail = version_block_detail;
    detail::CheckStrings(resource.strings);
    if (resource.translations.size() > 0xFFFF) {
        throw std::invalid_argument("version block: more than 65535 translations");
    }
    std::size_t size = kVersionHeaderBytes + 4 * resource.translations.size();
    std::size_t tables = 0;
    for (std::size_t first = 0; first < resource.strings.size(); ++first) {
        if (!detail::IsFirstOfItsTable(resource.strings, first)) {
            continue;
        }
        ++tables;
        std::size_t count = 0;
        size += 6;
        for (const VersionString& text : resource.strings.subspan(first)) {
            if (detail::SameTranslation(text.translation, resource.strings[first].translation)) {
                ++count;
                size += 4 + detail::TextSize(text.key) + detail::TextSize(text.value);
            }
        }
        if (count > 0xFFFF) {
            throw std::invalid_argument("version block: more than 65535 strings under one translation");
        }
    }
    if (tables > 0xFFFF) {
        throw std::invalid_argument("version block: more than 65535 string tables");
    }
    if (size > kMaxVersionBlockBytes) {
        throw std::invalid_argument("version block: larger than 65536 bytes");
    }
    return size;
}

/// Writes the block that encodes `resource` into `out`, which must hold
/// exactly EncodedVersionBlockSize(resource) bytes (std::invalid_argument
/// otherwise, and for everything EncodedVersionBlockSize refuses).
constexpr void EncodeVersionBlockInto(const VersionResource& resource, std::span<std::uint8_t> out) {
    namespace detail = version_block_detail;
    const std::size_t size = EncodedVersionBlockSize(resource);
    if (out.size() != size) {
        throw std::invalid_argument("version block: the output does not have the block's size");
    }
    std::size_t tables = 0;
    for (std::size_t index = 0; index < resource.strings.size(); ++index) {
        tables += detail::IsFirstOfItsTable(resource.strings, index) ? 1 : 0;
    }
    std::size_t at = 0;
    for (const std::uint8_t byte : kVersionBlockMagic) {
        out[at++] = byte;
    }
    detail::Put32(out, at, static_cast<std::uint32_t>(size));
    detail::Put16(out, at, resource.translations.size());
    detail::Put16(out, at, tables);
    for (const FixedVersion& version : {resource.fileVersion, resource.productVersion}) {
        detail::Put32(out, at, detail::Pack(version.major, version.minor));
        detail::Put32(out, at, detail::Pack(version.build, version.revision));
    }
    for (const VersionTranslation& translation : resource.translations) {
        detail::Put32(out, at, detail::Pack(translation.codePage, translation.language));
    }
    for (std::size_t first = 0; first < resource.strings.size(); ++first) {
        if (!detail::IsFirstOfItsTable(resource.strings, first)) {
            continue;
        }
        const VersionTranslation translation = resource.strings[first].translation;
        detail::Put32(out, at, detail::Pack(translation.language, translation.codePage));
        std::size_t count = 0;
        for (const VersionString& text : resource.strings.subspan(first)) {
            count += detail::SameTranslation(text.translation, translation) ? 1 : 0;
        }
        detail::Put16(out, at, count);
        for (const VersionString& text : resource.strings.subspan(first)) {
            if (detail::SameTranslation(text.translation, translation)) {
                detail::Put16(out, at, detail::TextSize(text.key));
                detail::Put16(out, at, detail::TextSize(text.value));
                detail::PutText(out, at, text.key);
                detail::PutText(out, at, text.value);
            }
        }
    }
}

/// Answers the block that encodes `resource`, as an array of its exact size
/// (Size = EncodedVersionBlockSize(resource)); usable in constant expressions.
template <std::size_t Size>
constexpr EncodedVersionBlock<Size> EncodeVersionBlock(const VersionResource& resource) {
    EncodedVersionBlock<Size> block{};
    EncodeVersionBlockInto(resource, block);
    return block;
}

/// Answers the block that encodes `resource`, for tools and tests that build
/// blocks at run time; throws as EncodedVersionBlockSize does.
inline std::vector<std::uint8_t> EncodeVersionBlockBytes(const VersionResource& resource) {
    std::vector<std::uint8_t> block(EncodedVersionBlockSize(resource));
    EncodeVersionBlockInto(resource, block);
    return block;
}

}  // namespace platform

/// Embeds the block that encodes `resource` (a constexpr VersionResource) in
/// the program's executable file, as the read-only ELF section
/// KORVANI_VERSION_SECTION, where GetFileVersionInfo finds it. Use it once per
/// program, at global namespace scope, followed by a semicolon:
///
///     KORVANI_VERSION_BLOCK(kKorvaniVersion);
///
/// It defines the array `korvaniVersionBlock` with external linkage, so a
/// second block in the same program is a link error instead of a section
/// holding two blocks. A malformed resource is a compile error. The object
/// file that holds the block must be linked into the executable: put it in a
/// source of the executable itself, or in one that is linked anyway; from a
/// static library otherwise unused, link with
/// -Wl,--undefined=korvaniVersionBlock. `retain` keeps the section under
/// --gc-sections.
#define KORVANI_VERSION_BLOCK(resource)                                                                              \
    extern const ::platform::EncodedVersionBlock<::platform::EncodedVersionBlockSize(resource)> korvaniVersionBlock; \
    __attribute__((used, retain, section(KORVANI_VERSION_SECTION))) constinit const ::platform::EncodedVersionBlock< \
        ::platform::EncodedVersionBlockSize(resource)>                                                               \
        korvaniVersionBlock = ::platform::EncodeVersionBlock<::platform::EncodedVersionBlockSize(resource)>(resource)
