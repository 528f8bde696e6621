// SPDX-License-Identifier: GPL-3.0-or-later
// The process entry of korvani: creates the Qt application object, then
// hands over to the framework's entry, which calls AppMain.
//
// Without a display there is no window to show: the start ends with one line
// on stderr and status 1, never with Qt's abort on a platform that cannot
// open its display.

#include "framework/Entry.h"
#include "framework/qt/QtApplication.h"

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

namespace {

// What Qt says while it starts, held back: on success it is passed on, on a
// fatal error only its first line gives the reason.
std::vector<std::pair<QtMsgType, QString>>& HeldMessages() {
    static std::vector<std::pair<QtMsgType, QString>> messages;
    return messages;
}

void RefuseToStart(const QString& reason) {
    const QByteArray firstLine = reason.section(QLatin1Char('\n'), 0, 0).toLocal8Bit();
    std::fprintf(stderr, "korvani: cannot show a window: %s\n", firstLine.constData());
    std::fflush(stderr);
    std::_Exit(1);
}

void HoldStartMessage(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtFatalMsg) {
        RefuseToStart(HeldMessages().empty() ? text : HeldMessages().front().second);
    }
    HeldMessages().emplace_back(type, text);
}

bool IsSet(const char* name) {
    return !qEnvironmentVariableIsEmpty(name);
}

}  // namespace

int main(int argc, char* argv[]) {
    // Unless a platform was chosen for Qt, a window needs an X or a Wayland display.
    if (!IsSet("QT_QPA_PLATFORM") && !IsSet("DISPLAY") && !IsSet("WAYLAND_DISPLAY")) {
        std::fputs("korvani: cannot show a window: no display (neither DISPLAY nor WAYLAND_DISPLAY is set)\n", stderr);
        return 1;
    }
    // Qt gets the program name only: the program takes nothing from its
    // command line, not even Qt's own options.
    static int qtArgc = 1;
    static char* qtArgv[] = {argv[0], nullptr};
    const QtMessageHandler previous = qInstallMessageHandler(&HoldStartMessage);
    FrameworkQApplication qtApplication(qtArgc, qtArgv);
    qInstallMessageHandler(previous);
    for (const auto& [type, text] : std::exchange(HeldMessages(), {})) {
        qt_message_output(type, QMessageLogContext(), text);
    }
    return FrameworkEntry(argc, argv, &AppMain);
}
