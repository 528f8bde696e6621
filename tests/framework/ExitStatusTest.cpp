// SPDX-License-Identifier: GPL-3.0-or-later
// The process entry turns AppMain's exit code into the process status:
// 0 stays 0, -1 becomes 255.

#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>

namespace {

int StatusOfProbeAnswering(const char* exitCode) {
    QProcess probe;
    // The test chooses the platform for its child; the program reads no environment.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    probe.setProcessEnvironment(environment);
    probe.start(QStringLiteral(EXIT_STATUS_PROBE), {QString::fromLatin1(exitCode)});
    if (!probe.waitForFinished(20000) || probe.exitStatus() != QProcess::NormalExit) {
        ADD_FAILURE() << "the probe did not end normally";
        return -1000;
    }
    return probe.exitCode();
}

TEST(ProcessExitStatus, IsZeroAfterANormalEndAnd255AfterMinusOne) {
    EXPECT_EQ(StatusOfProbeAnswering("0"), 0);
    EXPECT_EQ(StatusOfProbeAnswering("-1"), 255);
}

}  // namespace
