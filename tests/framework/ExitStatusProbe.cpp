// SPDX-License-Identifier: GPL-3.0-or-later
// A program built on the framework's process entry whose AppMain answers
// the exit code named by its first argument, for the exit-status test.

#include "framework/Entry.h"

#include <cstdlib>

int AppMain(int argc, char* argv[]) {
    return argc > 1 ? std::atoi(argv[1]) : 0;
}
