// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/VersionBlock.h"
#include "platform/VersionInfo.h"
#include "tests/support/RiffBuilder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

/// What the version tests share: korvani's own version block as the program
/// describes it (an example; the program keeps its own), a string lookup that
/// also checks where the answer lies, and blocks written by hand where the
/// encoder would refuse.
namespace versiontest {

inline constexpr platform::VersionTranslation kGerman1252{0x0407, 0x04E4};

inline constexpr std::string_view kKorvaniCopyright = "Copyright \u00A9 1997 korvani. Alle Rechte vorbehalten.";

inline constexpr platform::VersionTranslation kKorvaniTranslations[] = {kGerman1252};

inline constexpr platform::VersionString kKorvaniStrings[] = {
    {kGerman1252, "CompanyName", ""},
    {kGerman1252, "FileDescription", "korvani for Windows"},
    {kGerman1252, "FileVersion", "1.1"},
    {kGerman1252, "InternalName", "korvani"},
    {kGerman1252, "LegalCopyright", kKorvaniCopyright},
    {kGerman1252, "LegalTrademarks", "Windows\u00AE ist ein eingetragenes Warenzeichen der Microsoft Corporation."},
    {kGerman1252, "OriginalFilename", "korvani.EXE"},
    {kGerman1252, "ProductName", "korvani"},
    {kGerman1252, "ProductVersion", "1.1"},
};

inline constexpr platform::VersionResource kKorvaniVersion{
    .fileVersion = {1, 1, 0, 0},
    .productVersion = {1, 1, 0, 0},
    .translations = kKorvaniTranslations,
    .strings = kKorvaniStrings,
};

/// Answers the string `path` names in `block`; none when VerQueryValue fails.
/// Checks that the answer lies inside the block and that its length counts
/// the text and its terminating zero.
inline std::optional<std::string_view> QueryString(const std::vector<std::uint8_t>& block, const std::string& path) {
    const void* value = nullptr;
    std::uint32_t length = 0;
    if (!platform::VerQueryValue(block.data(), path.c_str(), &value, &length)) {
        return std::nullopt;
    }
    const auto* text = static_cast<const std::uint8_t*>(value);
    const std::uint8_t* end = block.data() + block.size();
    if (text < block.data() || text >= end || length == 0 || length > static_cast<std::size_t>(end - text)) {
        ADD_FAILURE() << "the answer to " << path << " does not lie inside the block";
        return "<outside the block>";
    }
    EXPECT_EQ(text[length - 1], 0) << path;
    EXPECT_EQ(std::strlen(reinterpret_cast<const char*>(text)) + 1, length) << path;
    return std::string_view(reinterpret_cast<const char*>(text), length - 1);
}

/// A raw text of a hand-written block: its bytes exactly as given, the
/// terminating zero included or not.
struct RawString {
    std::string key;
    std::string value;
};

/// A block written by hand, with no translations and one string table under
/// 040904b0 holding `strings` in order, all sizes consistent.
inline std::vector<std::uint8_t> HandWrittenBlock(const std::vector<RawString>& strings) {
    std::vector<std::uint8_t> block = {'K', 'V', 'V', '1'};
    fixtures::AppendLe32(block, 0);  // block size, set below
    fixtures::AppendLe16(block, 0);  // translations
    fixtures::AppendLe16(block, 1);  // string tables
    block.resize(platform::kVersionHeaderBytes, 0);
    fixtures::AppendLe32(block, 0x040904B0);
    fixtures::AppendLe16(block, static_cast<std::uint16_t>(strings.size()));
    for (const RawString& text : strings) {
        fixtures::AppendLe16(block, static_cast<std::uint16_t>(text.key.size()));
        fixtures::AppendLe16(block, static_cast<std::uint16_t>(text.value.size()));
        block.insert(block.end(), text.key.begin(), text.key.end());
        block.insert(block.end(), text.value.begin(), text.value.end());
    }
    const auto size = static_cast<std::uint32_t>(block.size());
    for (std::size_t i = 0; i < 4; ++i) {
        block[4 + i] = static_cast<std::uint8_t>(size >> (8 * i));
    }
    return block;
}

}  // namespace versiontest
