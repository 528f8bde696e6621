// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The process entry: the framework's side of main(). It keeps the values
// the process started with and calls the program's main function AppMain.
// It does not create the Qt application object; main() does that first.

#include <string>

/// What the process started with, as the framework's entry stored it.
struct TProcessStart {
    std::string CommandLine;  // the arguments after the program name, blank-separated; nothing reads it
    int CmdShow = 10;         // SW_SHOWDEFAULT
};

/// The stored start values.
const TProcessStart& ProcessStart();

/// The program's main function, defined by the application. The arguments
/// are the runtime's argc and argv.
int AppMain(int argc, char* argv[]);

/// The framework's entry: creates the global module if there is none,
/// stores the start values and returns `appMain(argc, argv)`.
int FrameworkEntry(int argc, char* argv[], int (*appMain)(int, char*[]));
