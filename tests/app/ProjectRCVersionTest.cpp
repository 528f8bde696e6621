// SPDX-License-Identifier: GPL-3.0-or-later
// The version reader of the about box on files written by the tests (ELF
// images with a version section) and on the korvani executable itself.

#include "app/ProjectRCVersion.h"
#include "framework/Module.h"

#include "platform/VersionBlock.h"
#include "tests/platform/ElfImage.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr platform::VersionTranslation kGerman1252{0x0407, 0x04E4};
constexpr platform::VersionTranslation kEnglishUnicode{0x0409, 0x04B0};

// The four answers of a reader, "-" for a failed query.
struct Answers {
    std::string productName;
    std::string productVersion;
    std::string legalCopyright;
    std::string specialBuild;
    bool operator==(const Answers&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Answers& a) {
    return out << a.productName << " | " << a.productVersion << " | " << a.legalCopyright << " | " << a.specialBuild;
}

Answers AnswersOf(const ProjectRCVersion& reader) {
    using Query = bool (ProjectRCVersion::*)(const char*&) const;
    const auto answer = [&reader](Query query) {
        const char* text = nullptr;
        return (reader.*query)(text) ? std::string(text) : std::string("-");
    };
    return {answer(&ProjectRCVersion::QueryProductName), answer(&ProjectRCVersion::QueryProductVersion),
            answer(&ProjectRCVersion::QueryLegalCopyright), answer(&ProjectRCVersion::QuerySpecialBuild)};
}

const Answers kNothing{"-", "-", "-", "-"};

class VersionReader : public testing::Test {
protected:
    // Writes an ELF file whose version section holds the block of
    // `translations` and `strings`; answers its path.
    std::string WriteProgram(const std::vector<platform::VersionTranslation>& translations,
                             const std::vector<platform::VersionString>& strings) {
        const platform::VersionResource resource{{1, 1, 0, 0}, {1, 1, 0, 0}, translations, strings};
        const std::vector<std::uint8_t> block = platform::EncodeVersionBlockBytes(resource);
        const fixtures::ElfImage image({{std::string(platform::kVersionSectionName), SHT_PROGBITS, block}});
        return folder.Write("program" + std::to_string(++written), image.FileBytes());
    }

    fixtures::TempDir folder;
    int written = 0;
};

TEST_F(VersionReader, AnswersTheStringsUnderTheFirstTranslation) {
    const std::string path = WriteProgram({kGerman1252}, {{kGerman1252, "ProductName", "korvani"},
                                                          {kGerman1252, "ProductVersion", "1.1"},
                                                          {kGerman1252, "LegalCopyright", "(c) 2026"},
                                                          {kGerman1252, "SpecialBuild", "nightly"}});
    EXPECT_EQ(AnswersOf(ProjectRCVersion(path)), (Answers{"korvani", "1.1", "(c) 2026", "nightly"}));
}

TEST_F(VersionReader, MissingKeysFailOneByOne) {
    const std::string path =
        WriteProgram({kGerman1252}, {{kGerman1252, "ProductName", "korvani"}, {kGerman1252, "LegalCopyright", ""}});
    EXPECT_EQ(AnswersOf(ProjectRCVersion(path)), (Answers{"korvani", "-", "", "-"}));
}

TEST_F(VersionReader, OnlyTheFirstTranslationIsConsulted) {
    const std::string path = WriteProgram({kEnglishUnicode, kGerman1252}, {{kGerman1252, "ProductName", "korvani"},
                                                                           {kGerman1252, "ProductVersion", "1.1"}});
    EXPECT_EQ(AnswersOf(ProjectRCVersion(path)), kNothing);
}

TEST_F(VersionReader, NoBlockOrNoTranslationTableGivesNoData) {
    const std::string noTranslations = WriteProgram({}, {{kGerman1252, "ProductName", "korvani"}});
    const std::string notAProgram = folder.Write("text", fixtures::Bytes{'k', 'o', 'r', 'v'});
    EXPECT_EQ(AnswersOf(ProjectRCVersion(noTranslations)), kNothing);
    EXPECT_EQ(AnswersOf(ProjectRCVersion(notAProgram)), kNothing);
    EXPECT_EQ(AnswersOf(ProjectRCVersion(folder.PathOf("missing"))), kNothing);
    EXPECT_EQ(AnswersOf(ProjectRCVersion(static_cast<const TModule*>(nullptr))), kNothing)
        << "this test program carries no block";
}

TEST(KorvaniExecutable, CarriesItsVersionBlock) {
    const Answers answers = AnswersOf(ProjectRCVersion(std::string(KORVANI_PATH)));
    EXPECT_EQ(answers.productName, "korvani");
    EXPECT_EQ(answers.productVersion, "1.1");
    EXPECT_EQ(answers.legalCopyright, "Copyright \u00A9 2026 korvani. Alle Rechte vorbehalten.");
    EXPECT_EQ(answers.specialBuild, "-");
}

}  // namespace
