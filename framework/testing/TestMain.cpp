// SPDX-License-Identifier: GPL-3.0-or-later
// The main() of korvani's test programs: GoogleTest, then the Qt
// application on the offscreen platform (chosen here, whatever the
// environment says), a check that the test font exists, and a fresh mouse
// position for every test.

#include "framework/qt/QtApplication.h"

#include <QCursor>
#include <QFontDatabase>
#include <gtest/gtest.h>

#include <cstdio>

namespace {

// Hover tests share the offscreen cursor: each test starts with it far away.
class CursorReset : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override { QCursor::setPos(1000, 1000); }
};

}  // namespace

int main(int argc, char* argv[]) {
    testing::InitGoogleTest(&argc, argv);

    // QApplication keeps references to both: they must outlive it.
    static int qtArgc = 3;
    static char programName[] = "korvani-tests";
    static char platformOption[] = "-platform";
    static char platformName[] = "offscreen";
    static char* qtArgv[] = {programName, platformOption, platformName, nullptr};
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    FrameworkQApplication application(qtArgc, qtArgv);

    // Without a real font Qt draws boxes silently and text tests pass for nothing.
    if (!QFontDatabase::families().contains(QStringLiteral("DejaVu Sans"))) {
        std::fprintf(stderr, "The font \"DejaVu Sans\" is missing (package fonts-dejavu-core).\n");
        return 1;
    }
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans")));

    testing::UnitTest::GetInstance()->listeners().Append(new CursorReset);
    return RUN_ALL_TESTS();
}
