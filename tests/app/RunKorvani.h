// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs korvani itself in the test process, as its entry point would, and
// calls `body` inside its message loop; and the surroundings a person's
// session with it needs.

#include "app/korvatekApp.h"
#include "framework/Entry.h"
#include "framework/testing/FileOpenAnswers.h"
#include "framework/testing/FileSaveAnswers.h"
#include "framework/testing/Harness.h"
#include "platform/Sound.h"
#include "tests/support/RecordingSoundOutput.h"
#include "tests/support/TempDir.h"

#include <functional>
#include <string>
#include <vector>

/// Starts korvani through AppMain with no arguments but its name; answers
/// the exit code.
inline int RunKorvani(const std::function<void(TApplication&)>& body) {
    std::string name = "korvani";
    char* argv[] = {name.data(), nullptr};
    return harness::RunProgram([&] { return FrameworkEntry(1, argv, &AppMain); }, body);
}

/// What korvani meets in a test instead of the desktop: a 1024 x 768 screen,
/// lock keys all off, a folder for the files, a recorder instead of the
/// sound device, and the open and save dialogs answered by the test.
struct KorvaniSurroundings {
    harness::FakeDesktop desktop{TSize{1024, 768}};
    harness::FakeLockKeys keys{TLockKeyState{}};
    fixtures::TempDir folder;
    fixtures::RecordingSoundOutput sound;
    TScopedSeam<platform::SoundOutput> soundInstalled{sound};
    harness::FileOpenAnswers files;
    harness::FileSaveAnswers saves;

    /// Opens `path` through "&file" > "open..." as a person would: OK to
    /// each of the `okBoxes` boxes before the start prompt (the sample rate,
    /// the channel count), then `startMilliseconds` typed into the prompt.
    /// Answers what was shown.
    std::vector<harness::ShownModal> OpenWave(TFrameWindow& frame, const std::string& path,
                                              const std::string& startMilliseconds = "0", int okBoxes = 1) {
        harness::ScriptedUser user;
        for (int i = 0; i < okBoxes; ++i) {
            user.Press(IDOK);
        }
        user.TypeAndPress(startMilliseconds, "OK");
        files.Choose(path);
        harness::ClickMenuItem(frame, {"&file", "open..."});
        return user.Shown();
    }
};
