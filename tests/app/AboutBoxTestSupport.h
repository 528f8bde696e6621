// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the about-box tests share: korvani run with a desktop and lock keys
// of the test's own, and the texts the box showed each time it was opened
// through "info &about..." and closed with OK.

#include "app/korvatekApp.h"
#include "framework/testing/DialogDriver.h"
#include "framework/testing/Harness.h"
#include "resources/ResourceIds.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace abouttest {

/// The two lines the box fills, and its caption, as one opening showed them.
struct AboutTexts {
    std::string caption;
    std::string productLine;
    std::string descriptionLine;
};

inline constexpr char kDescription[] = "Gives you the ability to determine the pitch of a given sample.";

class AboutBox : public testing::Test {
protected:
    /// Opens the about box `times` times from the menu and answers each with
    /// OK; answers what each opening showed.
    std::vector<AboutTexts> OpenAbout(int times) {
        std::vector<AboutTexts> shown;
        harness::ScriptedUser user;
        for (int i = 0; i < times; ++i) {
            user.Then([&shown](QWidget& modal) {
                TDialog& dialog = *harness::DialogOf(modal);
                shown.push_back({modal.windowTitle().toStdString(),
                                 harness::ControlText(dialog, resid::AboutProductLine),
                                 harness::ControlText(dialog, resid::AboutDescriptionLine)});
                harness::ClickControl(dialog, IDOK);
            });
        }
        harness::RunApplication(app, [&] {
            TFrameWindow& frame = *app.GetMainWindow();
            EXPECT_TRUE(harness::IsMenuItemEnabled(frame, {"&help", "info &about..."}));
            for (int i = 0; i < times; ++i) {
                harness::ClickMenuItem(frame, {"&help", "info &about..."});
            }
            for (const harness::ShownModal& modal : user.Shown()) {
                EXPECT_EQ(modal.Owner, &frame);
            }
        });
        return shown;
    }

    harness::FakeDesktop desktop{TSize{1024, 768}};
    harness::FakeLockKeys keys{TLockKeyState{}};
    korvatekApp app;
};

}  // namespace abouttest
