// SPDX-License-Identifier: GPL-3.0-or-later
// The version block in memory: the layout the encoder writes, which strings
// end up under which translation, the descriptions the encoder refuses, and
// lookups in damaged blocks, which fail without reading past the block.
#include "platform/VersionBlock.h"
#include "platform/VersionInfo.h"
#include "tests/platform/VersionTestSupport.h"
#include "tests/support/RiffBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

using Block = std::vector<std::uint8_t>;
using platform::EncodeVersionBlockBytes;
using platform::VersionResource;
using platform::VersionString;
using platform::VersionTranslation;
using versiontest::HandWrittenBlock;
using versiontest::QueryString;

constexpr VersionTranslation kEnglishUnicode{0x0409, 0x04B0};

TEST(VersionBlockLayout, IsWrittenFieldByField) {
    static constexpr VersionTranslation translations[] = {kEnglishUnicode};
    static constexpr VersionString strings[] = {{kEnglishUnicode, "Ab", "xyz"}};
    constexpr VersionResource resource{{1, 2, 3, 4}, {5, 6, 7, 8}, translations, strings};
    const Block expected = {
        'K',  'V',  'V',  '1',                   // magic
        49,   0,    0,    0,                     // block size
        1,    0,                                 // translations
        1,    0,                                 // string tables
        2,    0,    1,    0,    4,   0,   3, 0,  // file version 1.2.3.4
        6,    0,    5,    0,    8,   0,   7, 0,  // product version 5.6.7.8
        0x09, 0x04, 0xB0, 0x04,                  // translation: language low, code page high
        0xB0, 0x04, 0x09, 0x04,                  // string table key: language high, code page low
        1,    0,                                 // strings in the table
        3,    0,    4,    0,                     // key and value sizes with their zeros
        'A',  'b',  0,    'x',  'y', 'z', 0,
    };
    static_assert(platform::EncodedVersionBlockSize(resource) == 49);
    constexpr auto atCompileTime = platform::EncodeVersionBlock<platform::EncodedVersionBlockSize(resource)>(resource);
    EXPECT_EQ(Block(atCompileTime.begin(), atCompileTime.end()), expected);
    EXPECT_EQ(EncodeVersionBlockBytes(resource), expected);
}

TEST(VersionBlockLayout, FilesEachStringUnderItsOwnTranslation) {
    static constexpr VersionTranslation translations[] = {versiontest::kGerman1252, kEnglishUnicode};
    static constexpr VersionString strings[] = {
        {versiontest::kGerman1252, "Name", "deutsch"},
        {kEnglishUnicode, "Name", "english"},
        {versiontest::kGerman1252, "Only", "hier"},
    };
    const Block block = EncodeVersionBlockBytes({{}, {}, translations, strings});
    EXPECT_EQ(QueryString(block, "\\StringFileInfo\\040704e4\\Name"), "deutsch");
    EXPECT_EQ(QueryString(block, "\\StringFileInfo\\040904b0\\Name"), "english");
    EXPECT_EQ(QueryString(block, "\\StringFileInfo\\040704e4\\Only"), "hier");
    EXPECT_EQ(QueryString(block, "\\StringFileInfo\\040904b0\\Only"), std::nullopt);

    const void* table = nullptr;
    std::uint32_t length = 0;
    ASSERT_TRUE(platform::VerQueryValue(block.data(), "\\VarFileInfo\\Translation", &table, &length));
    ASSERT_EQ(length, 8U);
    EXPECT_EQ(static_cast<const std::uint32_t*>(table)[0], 0x04E40407U);
    EXPECT_EQ(static_cast<const std::uint32_t*>(table)[1], 0x04B00409U);
}

TEST(VersionBlockLayout, KeepsStringTablesApartFromTheTranslationTable) {
    // Strings under a translation the table does not list are still there, and
    // a block without translations still has its strings and fixed versions.
    static constexpr VersionTranslation translations[] = {versiontest::kGerman1252};
    static constexpr VersionString strings[] = {{kEnglishUnicode, "ProductName", "korvani"}};
    const Block unlisted = EncodeVersionBlockBytes({{1, 1, 0, 0}, {1, 1, 0, 0}, translations, strings});
    EXPECT_EQ(QueryString(unlisted, "\\StringFileInfo\\040704e4\\ProductName"), std::nullopt);
    EXPECT_EQ(QueryString(unlisted, "\\StringFileInfo\\040904b0\\ProductName"), "korvani");

    const Block untranslated = EncodeVersionBlockBytes({{1, 1, 0, 0}, {1, 1, 0, 0}, {}, strings});
    const void* value = nullptr;
    std::uint32_t length = 0;
    EXPECT_FALSE(platform::VerQueryValue(untranslated.data(), "\\VarFileInfo\\Translation", &value, &length));
    EXPECT_TRUE(platform::VerQueryValue(untranslated.data(), "\\", &value, &length));
    EXPECT_EQ(QueryString(untranslated, "\\StringFileInfo\\040904b0\\ProductName"), "korvani");
}

TEST(VersionBlockEncoder, RefusesWhatCannotBeEncoded) {
    const std::string longest(65534, 'x');
    const std::string tooLong(65535, 'x');
    const std::string half(40000, 'x');
    const std::string withZero("a\0b", 3);
    struct Case {
        const char* what;
        std::vector<VersionString> strings;
    };
    const std::vector<Case> cases = {
        {"empty key", {{kEnglishUnicode, "", "v"}}},
        {"key with a backslash", {{kEnglishUnicode, "a\\b", "v"}}},
        {"key with a zero byte", {{kEnglishUnicode, withZero, "v"}}},
        {"value with a zero byte", {{kEnglishUnicode, "k", withZero}}},
        {"key twice under one translation", {{kEnglishUnicode, "k", "1"}, {kEnglishUnicode, "k", "2"}}},
        {"key too long", {{kEnglishUnicode, tooLong, "v"}}},
        {"value too long", {{kEnglishUnicode, "k", tooLong}}},
        {"block too large", {{kEnglishUnicode, "a", half}, {kEnglishUnicode, "b", half}}},
    };
    for (const Case& bad : cases) {
        SCOPED_TRACE(bad.what);
        EXPECT_THROW(EncodeVersionBlockBytes({{}, {}, {}, bad.strings}), std::invalid_argument);
    }

    const std::vector<VersionString> sameKeyTwoTranslations = {{kEnglishUnicode, "k", "1"},
                                                               {versiontest::kGerman1252, "k", "2"}};
    EXPECT_NO_THROW(EncodeVersionBlockBytes({{}, {}, {}, sameKeyTwoTranslations}));
    const std::vector<VersionString> longValue = {{kEnglishUnicode, "k", std::string_view(longest).substr(0, 60000)}};
    EXPECT_EQ(QueryString(EncodeVersionBlockBytes({{}, {}, {}, longValue}), "\\StringFileInfo\\040904b0\\k")->size(),
              60000U);

    Block wrongSize(10);
    EXPECT_THROW(platform::EncodeVersionBlockInto(versiontest::kKorvaniVersion, wrongSize), std::invalid_argument);
}

// Every path a block answers, asked of `block`: each answer must lie inside
// it. Answers how many of the paths were found.
int QueryEverything(const Block& block) {
    int found = 0;
    const std::uint8_t* end = block.data() + block.size();
    for (const char* path : {"\\", "\\VarFileInfo\\Translation"}) {
        const void* value = nullptr;
        std::uint32_t length = 0;
        if (platform::VerQueryValue(block.data(), path, &value, &length)) {
            ++found;
            const auto* first = static_cast<const std::uint8_t*>(value);
            EXPECT_TRUE(first >= block.data() && first < end && length <= static_cast<std::size_t>(end - first))
                << path;
        }
    }
    for (const VersionString& text : versiontest::kKorvaniStrings) {
        found += QueryString(block, "\\StringFileInfo\\040704e4\\" + std::string(text.key)).has_value() ? 1 : 0;
    }
    return found;
}

constexpr int kEverything = 2 + static_cast<int>(std::size(versiontest::kKorvaniStrings));

class DamagedVersionBlock : public testing::Test {
protected:
    // The first string of korvani's block starts after the header (28 bytes),
    // one translation (4) and the first table's key and count (6).
    static constexpr std::size_t kFirstString = 38;

    const Block whole_ = EncodeVersionBlockBytes(versiontest::kKorvaniVersion);

    Block Patched(std::size_t at, std::initializer_list<std::uint8_t> bytes) const {
        Block block = whole_;
        std::copy(bytes.begin(), bytes.end(), block.begin() + static_cast<std::ptrdiff_t>(at));
        return block;
    }

    static void SetSize(Block& block, std::size_t size) {
        for (std::size_t i = 0; i < 4; ++i) {
            block[4 + i] = static_cast<std::uint8_t>(size >> (8 * i));
        }
    }
};

TEST_F(DamagedVersionBlock, AnswersNothingAtAll) {
    ASSERT_EQ(QueryEverything(whole_), kEverything);
    ASSERT_EQ(QueryString(whole_, "\\StringFileInfo\\040704e4\\CompanyName"), "");  // the first string
    std::vector<std::pair<const char*, Block>> damaged = {
        {"magic", Patched(0, {'K', 'V', 'V', '2'})},
        {"size below the header", Patched(4, {8, 0, 0, 0})},
        {"translations past the end", Patched(8, {0xFF, 0xFF})},
        {"one table more than there is", Patched(10, {2, 0})},
        {"one string more than there is", Patched(kFirstString - 2, {10, 0})},
        {"key size past the end", Patched(kFirstString, {0xFF, 0xFF})},
        {"value size past the end", Patched(kFirstString + 2, {0xFF, 0xFF})},
    };
    Block trailing = whole_;
    trailing.push_back(0);
    SetSize(trailing, trailing.size());
    damaged.emplace_back("a byte after the last table", trailing);

    for (const auto& [what, block] : damaged) {
        SCOPED_TRACE(what);
        EXPECT_EQ(QueryEverything(block), 0);
    }
}

TEST_F(DamagedVersionBlock, CutAnywhereAnswersNothing) {
    for (std::size_t size = 8; size < whole_.size(); ++size) {
        SCOPED_TRACE(size);
        Block cut(whole_.begin(), whole_.begin() + static_cast<std::ptrdiff_t>(size));
        SetSize(cut, size);
        EXPECT_EQ(QueryEverything(cut), 0);
    }
}

TEST_F(DamagedVersionBlock, AnyChangedByteStaysInsideTheBlock) {
    // Each block is exactly as large as its size says, so a read past it is
    // caught by the address sanitizer; the answers that remain lie inside.
    for (std::size_t at = 0; at < whole_.size(); ++at) {
        for (const int mask : {0x01, 0x20, 0x80, 0xFF}) {
            SCOPED_TRACE(testing::Message() << "byte " << at << " ^ " << mask);
            Block block = whole_;
            block[at] = static_cast<std::uint8_t>(block[at] ^ mask);
            if (at >= 4 && at < 8) {
                // A changed size is checked against the block's bytes; keep the
                // memory as large as the size claims so the check is the test.
                const std::size_t claimed = fixtures::ReadLe32(block, 4);
                block.resize(std::max(block.size(), std::min(claimed, platform::kMaxVersionBlockBytes)), 0);
                EXPECT_EQ(QueryEverything(block), 0);
            } else {
                QueryEverything(block);
            }
        }
    }
}

TEST(HandWrittenVersionBlock, ItsTextsEndInTheirOnlyZero) {
    using namespace std::string_literals;
    ASSERT_EQ(QueryString(HandWrittenBlock({{"k\0"s, "v\0"s}}), "\\StringFileInfo\\040904b0\\k"), "v");
    ASSERT_EQ(QueryString(HandWrittenBlock({{"k\0"s, "\0"s}}), "\\StringFileInfo\\040904b0\\k"), "");
    const std::vector<std::pair<const char*, Block>> inconsistent = {
        {"empty key", HandWrittenBlock({{"\0"s, "v\0"s}})},
        {"key without its zero", HandWrittenBlock({{"kk"s, "v\0"s}})},
        {"key with a zero inside", HandWrittenBlock({{"k\0k\0"s, "v\0"s}})},
        {"value without its zero", HandWrittenBlock({{"k\0"s, "vv"s}})},
        {"value with a zero inside", HandWrittenBlock({{"k\0"s, "v\0v\0"s}})},
        {"no value at all", HandWrittenBlock({{"k\0"s, ""s}})},
    };
    for (const auto& [what, block] : inconsistent) {
        SCOPED_TRACE(what);
        const void* value = nullptr;
        std::uint32_t length = 0;
        EXPECT_FALSE(platform::VerQueryValue(block.data(), "\\", &value, &length));  // the whole block is refused
        EXPECT_EQ(QueryString(block, "\\StringFileInfo\\040904b0\\k"), std::nullopt);
    }
}

TEST(HandWrittenVersionBlock, TheFirstOfTwoEqualKeysAnswers) {
    using namespace std::string_literals;
    const Block block = HandWrittenBlock({{"a\0"s, "1\0"s}, {"k\0"s, "first\0"s}, {"k\0"s, "second\0"s}});
    EXPECT_EQ(QueryString(block, "\\StringFileInfo\\040904b0\\k"), "first");
    EXPECT_EQ(QueryString(block, "\\StringFileInfo\\040904b0\\a"), "1");
}

TEST(HandWrittenVersionBlock, IsReadUpToTheLargestSize) {
    // 40 bytes of header, table and key, and the value fill the block up to the limit.
    const std::size_t limit = platform::kMaxVersionBlockBytes;
    const Block largest = HandWrittenBlock({{std::string("k\0", 2), std::string(limit - 41, 'v') + '\0'}});
    ASSERT_EQ(largest.size(), limit);
    EXPECT_EQ(QueryString(largest, "\\StringFileInfo\\040904b0\\k")->size(), limit - 41);
    const Block tooLarge = HandWrittenBlock({{std::string("k\0", 2), std::string(limit - 40, 'v') + '\0'}});
    EXPECT_EQ(QueryString(tooLarge, "\\StringFileInfo\\040904b0\\k"), std::nullopt);
}

TEST(VersionQuery, ReadsNoFurtherThanAMagicThatIsWrong) {
    const Block notABlock = {'K', 'V', 'V', '2'};  // the address sanitizer catches a read of its size
    const void* value = nullptr;
    std::uint32_t length = 0;
    EXPECT_FALSE(platform::VerQueryValue(notABlock.data(), "\\", &value, &length));
}

TEST(VersionQuery, RefusesMissingArguments) {
    Block block = EncodeVersionBlockBytes(versiontest::kKorvaniVersion);
    const void* value = nullptr;
    void* writable = nullptr;
    std::uint32_t length = 0;
    EXPECT_FALSE(platform::VerQueryValue(static_cast<const void*>(nullptr), "\\", &value, &length));
    EXPECT_FALSE(platform::VerQueryValue(block.data(), nullptr, &value, &length));
    EXPECT_FALSE(platform::VerQueryValue(static_cast<const void*>(block.data()), "\\", nullptr, &length));
    EXPECT_FALSE(platform::VerQueryValue(block.data(), "\\", static_cast<void**>(nullptr), &length));
    EXPECT_TRUE(platform::VerQueryValue(block.data(), "\\", &writable, nullptr));  // the length is optional
    EXPECT_EQ(writable, block.data() + 12);
}

}  // namespace
