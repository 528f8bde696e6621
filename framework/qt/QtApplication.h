// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// FrameworkQApplication: the Qt application object the framework needs.
// main() (and the test main) create it before anything else. It hands key
// presses to the running application's pre-translation, tells its loop
// about input (for the idle count), lets an event hold keep events back
// while the program waits (framework/qt/EventHold.h), keeps Qt from quitting
// by itself when the last window closes, and reports any exception that
// still reaches Qt's event delivery.

#include <QApplication>

class FrameworkQApplication : public QApplication {
public:
    /// The Qt application over (argc, argv); both must outlive it.
    FrameworkQApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};
