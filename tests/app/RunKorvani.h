#pragma once
// Runs korvani itself in the test process, as its entry point would, and
// calls `body` inside its message loop.

#include "app/korvatekApp.h"
#include "framework/Entry.h"
#include "framework/testing/Harness.h"

#include <functional>
#include <string>

/// Starts korvani through AppMain with no arguments but its name; answers
/// the exit code.
inline int RunKorvani(const std::function<void(TApplication&)>& body)
{
    std::string name = "korvani";
    char* argv[] = {name.data(), nullptr};
    return harness::RunProgram([&] { return FrameworkEntry(1, argv, &AppMain); }, body);
}
