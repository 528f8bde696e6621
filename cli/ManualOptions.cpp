// SPDX-License-Identifier: GPL-3.0-or-later
// korvani-pitch-manual-options: prints the OPTIONS list of korvani-pitch's
// manual page, in roff, from the option table the parser and --help read.
// The build puts it into docs/man/korvani-pitch.1.in (docs/man/FillOptions.cmake).

#include "cli/OptionTable.h"

#include <iostream>

int main() {
    std::cout << ManualOptionList() << std::flush;
    return std::cout ? 0 : 1;
}
