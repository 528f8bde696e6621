// SPDX-License-Identifier: GPL-3.0-or-later
// The version block this test program carries in its own file, read back the
// way the about box reads the program's: through the path of the running
// executable, a copy of the block, and lookups under its first translation.
#include "platform/ExecutablePath.h"
#include "platform/VersionInfo.h"
#include "tests/platform/VersionTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// korvani's own block, as the program carries it, embedded in this test program.
KORVANI_VERSION_BLOCK(versiontest::kKorvaniVersion);

namespace {

using versiontest::QueryString;

class OwnVersionBlock : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(path_.empty());
        const std::uint32_t size = platform::GetFileVersionInfoSize(path_.c_str());
        ASSERT_EQ(size, sizeof korvaniVersionBlock);
        block_.resize(size);
        ASSERT_TRUE(platform::GetFileVersionInfo(path_.c_str(), size, block_.data()));
    }

    const std::string path_ = platform::GetModuleFileName();
    std::vector<std::uint8_t> block_;  // from operator new, so aligned for its 32-bit words
};

TEST_F(OwnVersionBlock, IsTheEncodedBlockReadFromTheFile) {
    const std::vector<std::uint8_t> encoded = platform::EncodeVersionBlockBytes(versiontest::kKorvaniVersion);
    EXPECT_EQ(block_, encoded);
    EXPECT_TRUE(std::equal(encoded.begin(), encoded.end(), korvaniVersionBlock.begin(), korvaniVersionBlock.end()));
}

TEST_F(OwnVersionBlock, AnswersTheProgramsStringsUnderItsTranslation) {
    const void* table = nullptr;
    std::uint32_t length = 0;
    ASSERT_TRUE(platform::VerQueryValue(block_.data(), "\\VarFileInfo\\Translation", &table, &length));
    EXPECT_EQ(length, 4U);
    EXPECT_EQ(*static_cast<const std::uint32_t*>(table), 0x04E40407U);  // language low, code page high

    for (const platform::VersionString& expected : versiontest::kKorvaniStrings) {
        SCOPED_TRACE(std::string(expected.key));
        const auto found = QueryString(block_, "\\StringFileInfo\\040704e4\\" + std::string(expected.key));
        ASSERT_TRUE(found.has_value());
        EXPECT_EQ(*found, expected.value);
    }
    EXPECT_EQ(QueryString(block_, "\\StringFileInfo\\040704E4\\ProductName"), "korvani");  // hex digits in either case
}

TEST_F(OwnVersionBlock, AnswersNothingElse) {
    for (const char* path : {
             "\\StringFileInfo\\040704e4\\SpecialBuild",  // not in the block
             "\\StringFileInfo\\040904b0\\ProductName",   // another translation
             "\\StringFileInfo\\04e40407\\ProductName",   // the entry as stored, halves not swapped
             "\\StringFileInfo\\040704e4\\productname",   // keys compare byte for byte
             "\\StringFileInfo\\040704e4\\Product",       // a key's beginning is no key
             "\\StringFileInfo\\040704e4\\ProductNameX",
             "\\StringFileInfo\\040704e4\\",
             "\\StringFileInfo\\040704e4",
             "\\StringFileInfo\\40704e4\\ProductName",    // seven digits
             "\\StringFileInfo\\0040704e4\\ProductName",  // nine digits
             "\\StringFileInfo\\0407 4e4\\ProductName",
             "StringFileInfo\\040704e4\\ProductName",  // no leading backslash
             "\\VarFileInfo\\Translation\\",
             "\\VarFileInfo",
             "\\VarFileInfo\\translation",
             "",
         }) {
        SCOPED_TRACE(path);
        const void* value = &block_;
        std::uint32_t length = 77;
        EXPECT_FALSE(platform::VerQueryValue(block_.data(), path, &value, &length));
        EXPECT_EQ(value, &block_);  // left as it was
        EXPECT_EQ(length, 77U);
    }
}

TEST_F(OwnVersionBlock, CarriesFixedVersionsOnePointOne) {
    const void* value = nullptr;
    std::uint32_t length = 0;
    ASSERT_TRUE(platform::VerQueryValue(block_.data(), "\\", &value, &length));
    ASSERT_EQ(length, sizeof(platform::VersionFixedInfo));
    const auto* fixed = static_cast<const platform::VersionFixedInfo*>(value);
    EXPECT_EQ(fixed->fileVersionMS, 0x00010001U);
    EXPECT_EQ(fixed->fileVersionLS, 0U);
    EXPECT_EQ(fixed->productVersionMS, 0x00010001U);
    EXPECT_EQ(fixed->productVersionLS, 0U);
}

// The about box's road: its own file's path, the block's size, a copy, the
// first translation entry turned around in place, then the strings under the
// key that entry prints as.
TEST(AboutBoxReading, FindsTheStringsThroughTheSwappedTranslationEntry) {
    char moduleName[256] = {};
    const std::string path = platform::GetModuleFileName();
    ASSERT_LT(path.size(), sizeof moduleName);
    std::memcpy(moduleName, path.data(), path.size());

    const std::uint32_t size = platform::GetFileVersionInfoSize(moduleName);
    ASSERT_GT(size, 0U);
    std::vector<std::uint8_t> data(size);
    ASSERT_TRUE(platform::GetFileVersionInfo(moduleName, size, data.data()));

    char subBlock[256] = "\\VarFileInfo\\Translation";
    void* entry = nullptr;
    std::uint32_t unused = 0;
    ASSERT_TRUE(platform::VerQueryValue(data.data(), subBlock, &entry, &unused));
    auto* translation = static_cast<std::uint32_t*>(entry);
    *translation = (*translation & 0xFFFFU) * 65536U + (*translation >> 16);

    const auto query = [&](const char* key) -> std::optional<std::string_view> {
        char keyPath[256];
        std::snprintf(keyPath, sizeof keyPath, "\\StringFileInfo\\%08lx\\%s", static_cast<unsigned long>(*translation),
                      key);
        void* text = nullptr;
        std::uint32_t length = 0;
        if (!platform::VerQueryValue(data.data(), keyPath, &text, &length)) {
            return std::nullopt;
        }
        EXPECT_GE(static_cast<char*>(text), reinterpret_cast<char*>(data.data()));
        EXPECT_LE(static_cast<char*>(text) + length, reinterpret_cast<char*>(data.data()) + size);
        return std::string_view(static_cast<const char*>(text));
    };
    EXPECT_EQ(query("ProductName"), "korvani");
    EXPECT_EQ(query("ProductVersion"), "1.1");
    EXPECT_EQ(query("LegalCopyright"), versiontest::kKorvaniCopyright);
    EXPECT_EQ(query("SpecialBuild"), std::nullopt);
}

TEST_F(OwnVersionBlock, CopiesOnlyIntoABufferThatHoldsIt) {
    const auto size = static_cast<std::uint32_t>(block_.size());
    std::vector<std::uint8_t> tooSmall(size, 0xAA);
    EXPECT_FALSE(platform::GetFileVersionInfo(path_.c_str(), size - 1, tooSmall.data()));
    EXPECT_EQ(tooSmall, std::vector<std::uint8_t>(size, 0xAA));  // nothing written

    std::vector<std::uint8_t> larger(size + 8, 0xAA);
    ASSERT_TRUE(platform::GetFileVersionInfo(path_.c_str(), size + 8, larger.data()));
    EXPECT_EQ(std::vector<std::uint8_t>(larger.begin(), larger.begin() + size), block_);
    EXPECT_EQ(std::vector<std::uint8_t>(larger.begin() + size, larger.end()), std::vector<std::uint8_t>(8, 0xAA));

    EXPECT_FALSE(platform::GetFileVersionInfo(path_.c_str(), size, nullptr));
}

}  // namespace
