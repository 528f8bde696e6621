// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/PitchOptions.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

/// Stores one option's value into the options: answers the usage error, or
/// nothing when the value was taken. `name` is the spelling given ("-j" or
/// "--jobs"), `value` the text after "=" or the next argument; a switch gets
/// an empty value.
using OptionReading = std::string (*)(PitchOptions& options, std::string_view name, std::string_view value);

/// One option of korvani-pitch, the one place that knows it: its spellings,
/// whether it takes a value, what reading it stores, and the words --help and
/// the manual page explain it with. The parser, --help and the manual's
/// OPTIONS section all walk the same rows, in the order of the table.
struct OptionRow {
    std::array<std::string_view, 2> Names = {};  ///< as the texts list them ("-q", "--quiet"); the second may be empty
    std::string_view Alias = {};                 ///< also taken, listed in neither text ("--jobs", "-h")
    std::string_view Value = {};                 ///< the value's name in the texts ("MS"); empty for a switch
    std::optional<StartBinChoice> Start = {};    ///< the start bin it chooses, refused beside any other choice
    OptionReading Read = nullptr;                ///< null when choosing the start is all it does
    std::string_view Help = {};                  ///< --help's explanation, one text line per '\n'
    std::string_view Manual = {};                ///< the manual page's paragraph, in roff
};

/// The option spelled `name` (a listed name or the alias), or null.
const OptionRow* FindOption(std::string_view name);

/// The option lines of --help: the names and value in a column of 18,
/// the explanation beside them.
std::string HelpOptionList();

/// The manual page's option list in roff: a ".TP" paragraph per option.
std::string ManualOptionList();
