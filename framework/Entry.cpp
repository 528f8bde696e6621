// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/Entry.h"

#include "framework/Module.h"

namespace {

TProcessStart& StoredStart() {
    static TProcessStart start;
    return start;
}

}  // namespace

const TProcessStart& ProcessStart() {
    return StoredStart();
}

int FrameworkEntry(int argc, char* argv[], int (*appMain)(int, char*[])) {
    static TModule processModule("korvani");
    if (gModule == nullptr) {
        gModule = &processModule;
    }
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) {
            commandLine += ' ';
        }
        commandLine += argv[i];
    }
    StoredStart().CommandLine = std::move(commandLine);
    StoredStart().CmdShow = 10;  // SW_SHOWDEFAULT: the platform's default way
    return appMain(argc, argv);
}
