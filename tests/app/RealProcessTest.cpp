// SPDX-License-Identifier: GPL-3.0-or-later
// korvani as a real process on a real X display (Xvfb): the window comes up
// at its placement with the caption "korvani", and the keyboard path
// Alt+F, Down, Down, Return ("&quit\tAlt+F4") ends it with status 0.
// Skipped where Xvfb or xdotool is missing. Without a display it refuses to
// start with one line and status 1.

#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace {

TEST(RealProcess, StartsOnADisplayAndQuitsByKeyboardWithStatusZero) {
    for (const char* tool : {"Xvfb", "xvfb-run", "xdotool"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) {
            GTEST_SKIP() << tool << " is not installed";
        }
    }
    // The script prints the window's name and geometry, then the exit status.
    const QString script = QStringLiteral(
        "\"$0\" & pid=$!\n"
        "win=$(timeout 10 xdotool search --sync --onlyvisible --name '^korvani$' | head -n1)\n"
        "[ -n \"$win\" ] || { kill $pid; echo 'no window'; exit 1; }\n"
        "echo \"name=$(xdotool getwindowname $win)\"\n"
        "xdotool getwindowgeometry $win\n"
        "xdotool windowfocus --sync $win\n"
        "sleep 0.3\n"
        "xdotool key alt+f\n"
        "sleep 0.3\n"
        "xdotool key Down Down Return\n"
        "timeout 10 tail --pid=$pid -f /dev/null\n"
        "wait $pid\n"
        "echo \"status=$?\"\n");
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LSAN_OPTIONS"), QStringLiteral("suppressions=" LEAK_SUPPRESSIONS));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral("xvfb-run"),
                  {QStringLiteral("-a"), QStringLiteral("-s"), QStringLiteral("-screen 0 1024x768x24"),
                   QStringLiteral("sh"), QStringLiteral("-c"), script, QStringLiteral(KORVANI_PATH)});
    ASSERT_TRUE(process.waitForFinished(40000)) << "the run did not end";
    const std::string output = process.readAll().toStdString();
    EXPECT_NE(output.find("name=korvani\n"), std::string::npos) << output;
    EXPECT_NE(output.find("Position: 10,96"), std::string::npos) << output;
    EXPECT_NE(output.find("Geometry: 1004x640"), std::string::npos) << output;
    EXPECT_NE(output.find("status=0\n"), std::string::npos) << output;
}

TEST(RealProcess, WithoutADisplaySaysSoInOneLineAndEndsWithStatusOne) {
    struct Row {
        const char* what;
        const char* display;  // DISPLAY, nullptr for none
    };
    const Row rows[] = {
        {"no display named", nullptr},
        {"a display nobody serves", ":4242"},
    };
    for (const Row& row : rows) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
            environment.remove(QString::fromLatin1(name));
        }
        if (row.display != nullptr) {
            environment.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(row.display));
        }
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(KORVANI_PATH), {QStringLiteral("--help")});
        ASSERT_TRUE(process.waitForFinished(20000)) << row.what;
        const QString errors = QString::fromLocal8Bit(process.readAllStandardError());
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << row.what << ": " << errors.toStdString();
        EXPECT_EQ(process.exitCode(), 1) << row.what;
        EXPECT_EQ(errors.count(QLatin1Char('\n')), 1) << row.what << ": " << errors.toStdString();
        EXPECT_TRUE(errors.startsWith(QStringLiteral("korvani: "))) << row.what << ": " << errors.toStdString();
        EXPECT_TRUE(process.readAllStandardOutput().isEmpty()) << row.what;
    }
}

}  // namespace
