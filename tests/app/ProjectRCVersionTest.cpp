// SPDX-License-Identifier: GPL-3.0-or-later
// The version reader of the about box on files written by the tests (ELF
// images with a version section) and on the korvani executable itself; and
// the project's one version as each program and the package show it.

#include "app/ProjectRCVersion.h"
#include "framework/Module.h"

#include "platform/VersionBlock.h"
#include "platform/VersionInfo.h"
#include "tests/cli/PitchProcess.h"
#include "tests/platform/ElfImage.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <regex>
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

// One place that shows the project's version (project(VERSION) in
// CMakeLists.txt): what it shows ("-" where it shows none) and what it is to show.
struct VersionPlace {
    const char* place;
    std::function<std::string()> shown;
    std::string expected;
};

// korvani's version block as the program file carries it; empty when it
// carries none.
class KorvaniBlock {
public:
    KorvaniBlock() : words((platform::GetFileVersionInfoSize(KORVANI_PATH) + 3) / 4) {
        const auto size = static_cast<std::uint32_t>(words.size() * 4);
        if (!words.empty() && !platform::GetFileVersionInfo(KORVANI_PATH, size, words.data())) {
            words.clear();
        }
    }

    /// The string `key` of the German table, or "-".
    std::string Text(const std::string& key) const {
        const void* value = Query("\\StringFileInfo\\040704e4\\" + key);
        return value != nullptr ? static_cast<const char*>(value) : "-";
    }

    /// The fixed file and product versions as "a.b.c.d a.b.c.d", or "-".
    std::string Fixed() const {
        const auto* fixed = static_cast<const platform::VersionFixedInfo*>(Query("\\"));
        const auto parts = [](std::uint32_t ms, std::uint32_t ls) {
            return std::to_string(ms >> 16) + "." + std::to_string(ms & 0xFFFFU) + "." + std::to_string(ls >> 16) +
                   "." + std::to_string(ls & 0xFFFFU);
        };
        return fixed == nullptr ? "-"
                                : parts(fixed->fileVersionMS, fixed->fileVersionLS) + " " +
                                      parts(fixed->productVersionMS, fixed->productVersionLS);
    }

private:
    const void* Query(const std::string& path) const {
        const void* value = nullptr;
        return !words.empty() && platform::VerQueryValue(words.data(), path.c_str(), &value, nullptr) ? value : nullptr;
    }

    std::vector<std::uint32_t> words;
};

// The first match of `pattern`'s group in the file at `path`, or "-".
std::string FirstMatchIn(const std::string& path, const std::string& pattern) {
    std::ifstream file(path);
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    std::smatch match;
    return std::regex_search(text, match, std::regex(pattern)) ? match[1].str() : "-";
}

// korvani-pitch --version without its name and line end, or "-" when it
// says anything else.
std::string PitchVersion() {
    const auto run = clitest::RunProcess(KORVANI_PITCH_PATH, {"--version"});
    const std::string name = "korvani-pitch ";
    const bool plain = run.ExitStatus == 0 && run.Err.empty() && run.Out.starts_with(name) && run.Out.ends_with("\n");
    return plain ? run.Out.substr(name.size(), run.Out.size() - name.size() - 1) : "-";
}

constexpr char kPackageVersion[] = R"re(set\(CPACK_PACKAGE_VERSION "([^"]*)"\))re";
constexpr char kLatestChangelogEntry[] = R"re(^korvani \(([^)]*)\))re";

TEST(ProjectVersion, EveryPlaceShowsTheOneNumber) {
    const std::string version = KORVANI_PROJECT_VERSION;
    // The fixed versions have four parts; those the project leaves out are 0.
    std::string fixed = version;
    for (auto dots = std::count(version.begin(), version.end(), '.'); dots < 3; ++dots) {
        fixed += ".0";
    }
    const KorvaniBlock block;
    const VersionPlace places[] = {
        {"korvani-pitch --version", PitchVersion, version},
        {"korvani's ProductVersion (the about box)", [&] { return block.Text("ProductVersion"); }, version},
        {"korvani's FileVersion", [&] { return block.Text("FileVersion"); }, version},
        {"korvani's fixed file and product versions", [&] { return block.Fixed(); }, fixed + " " + fixed},
        {"the Debian package", [] { return FirstMatchIn(CPACK_CONFIG, kPackageVersion); }, version},
        {"packaging/changelog's latest entry", [] { return FirstMatchIn(CHANGELOG, kLatestChangelogEntry); }, version},
    };
    for (const VersionPlace& place : places) {
        EXPECT_EQ(place.shown(), place.expected) << place.place;
    }
}

}  // namespace
