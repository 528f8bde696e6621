// SPDX-License-Identifier: GPL-3.0-or-later
// AppMain: korvani's main function, called by the framework's entry.

#include "app/korvatekApp.h"
#include "framework/Entry.h"
#include "framework/Exceptions.h"
#include "framework/MessageBox.h"

int AppMain(int, char*[]) {
    try {
        korvatekApp app;
        return app.Run();
    } catch (const xmsg& x) {
        MessageBoxEx(nullptr, x.why(), "Exception", MB_OK);
        return -1;
    }
}
