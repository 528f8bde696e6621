// SPDX-License-Identifier: GPL-3.0-or-later
// korvani-pitch's options as its user meets them: every spelling the parser
// takes is listed by --help and by the manual page the build wrote, with a
// value exactly when the parser wants one, and neither text lists anything else.
#include "tests/cli/PitchProcess.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

using clitest::Lines;
using clitest::RunPitch;

// An option's entry in one of the texts: the value's name (empty for a
// switch) and its explanation.
struct Entry {
    std::string Value;
    std::string Text;
};
using Entries = std::map<std::string, Entry>;  // by each name the entry lists

// Splits a heading such as "-q, --quiet" or "--start MS" into its entries.
void AddEntry(Entries& entries, const std::string& heading, const std::string& text) {
    std::istringstream words(heading);
    std::vector<std::string> names;
    std::string value;
    for (std::string word; words >> word;) {
        if (word.back() == ',') {
            word.pop_back();
        }
        if (word.starts_with("-")) {
            names.push_back(word);
        } else if (!word.empty()) {
            value = word;
        }
    }
    for (const std::string& name : names) {
        entries[name] = {value, text};
    }
}

// The "Options:" block of --help: "  NAMES VALUE" up to column 20, the
// explanation from there, continued on lines that begin with blanks.
Entries HelpEntries() {
    const auto run = RunPitch({"--help"});
    EXPECT_EQ(run.ExitStatus, 0);
    Entries entries;
    bool inOptions = false;
    for (const std::string& line : Lines(run.Out)) {
        if (line == "Options:" || line.empty()) {
            inOptions = line == "Options:";
        } else if (inOptions && line.starts_with("  -")) {
            AddEntry(entries, line.substr(0, 20), line.size() > 20 ? line.substr(20) : "");
        }
    }
    return entries;
}

// The heading of a manual entry (".BI \-\-start " MS"", ".BR \-q ", " \-\-quiet")
// as plain words: "--start MS", "-q , --quiet".
std::string PlainHeading(std::string roff) {
    if (roff.starts_with(".")) {
        roff.erase(0, roff.find(' ') + 1);  // the macro
    }
    for (const std::string code : {"\\fB", "\\fI", "\\fR", "\"", "\\"}) {
        for (auto at = roff.find(code); at != std::string::npos; at = roff.find(code)) {
            roff.replace(at, code.size(), code == "\"" ? " " : "");
        }
    }
    return roff;
}

// The OPTIONS section of the manual page: a heading after each ".TP", the
// paragraph up to the next request that ends it.
Entries ManualEntries() {
    std::ifstream page(KORVANI_PITCH_MANUAL_PATH);
    EXPECT_TRUE(page.is_open()) << KORVANI_PITCH_MANUAL_PATH;
    Entries entries;
    bool inOptions = false;
    std::string heading;
    std::string text;
    const auto endEntry = [&] {
        if (!heading.empty()) {
            AddEntry(entries, PlainHeading(heading), text);
        }
        heading.clear();
        text.clear();
    };
    for (std::string line, previous; std::getline(page, line); previous = line) {
        if (line.starts_with(".SH") || line == ".TP" || line == ".PP") {
            endEntry();
            inOptions = line == ".SH OPTIONS" || (inOptions && line == ".TP");
        } else if (inOptions && previous == ".TP") {
            heading = line;
        } else if (inOptions) {
            text += line + "\n";
        }
    }
    endEntry();
    return entries;
}

// Every spelling korvani-pitch takes, its value's name in the texts, and
// whether the texts list it (--jobs and -h are habits they leave out).
struct Spelling {
    const char* Name;
    const char* Value;
    bool Listed;
};
const Spelling kSpellings[] = {
    {"--start", "MS", true},
    {"--auto", "", true},
    {"--bin", "K", true},
    {"--near", "HZ", true},
    {"--strongest", "", true},
    {"--as-window", "", true},
    {"--interleaved", "", true},
    {"--retune", "OUT.wav", true},
    {"--rate", "R", true},
    {"--no-higher", "", true},
    {"--a4", "HZ", true},
    {"--smpl", "OUT.wav", true},
    {"--json", "", true},
    {"--csv", "", true},
    {"-j", "N", true},
    {"--jobs", "N", false},
    {"--spectrum", "", true},
    {"-q", "", true},
    {"--quiet", "", true},
    {"--progress", "", true},
    {"--ext", "LIST", true},
    {"--files-from", "LIST", true},
    {"-0", "", true},
    {"--null", "", true},
    {"--help", "", true},
    {"-h", "", false},
    {"--version", "", true},
};

TEST(PitchOptionList, HelpAndManualListEveryOptionAsTheParserReadsIt) {
    const Entries help = HelpEntries();
    const Entries manual = ManualEntries();
    std::size_t listed = 0;
    for (const auto& [name, value, isListed] : kSpellings) {
        SCOPED_TRACE(name);
        // The parser knows the spelling and whether it takes a value.
        const bool takesValue = *value != '\0';
        const auto run = RunPitch({takesValue ? std::string(name) : std::string(name) + "=1"});
        EXPECT_EQ(run.ExitStatus, 2);
        EXPECT_EQ(Lines(run.Err).at(0),
                  "korvani-pitch: " + std::string(name) + (takesValue ? " needs a value" : " takes no value"));
        listed += isListed ? 1 : 0;
        for (const auto& [text, entries] : {std::pair{"--help", &help}, std::pair{"manual", &manual}}) {
            SCOPED_TRACE(text);
            const auto entry = entries->find(name);
            ASSERT_EQ(entry != entries->end(), isListed);
            if (isListed) {
                EXPECT_EQ(entry->second.Value, value);
                EXPECT_NE(entry->second.Text.find_first_not_of(" \n"), std::string::npos);
            }
        }
    }
    // Nothing listed that the parser would refuse as unknown.
    EXPECT_EQ(help.size(), listed);
    EXPECT_EQ(manual.size(), listed);
}

}  // namespace
