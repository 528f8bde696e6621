// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// korvatekApp: the application object of korvani. It builds the main
// window (menu, icon, accelerators, status bar) and the document manager
// over the static template list, and makes a reported view the frame's
// client, and opens the about box. It owns,
// through the framework, the main window and the document manager; it
// deletes the manager before the framework's part goes.

#include "framework/Application.h"

class TDocManager;
class TView;

class korvatekApp : public TApplication {
public:
    /// The application named "korvani" over the process's global module.
    korvatekApp();
    ~korvatekApp() override;

    DECLARE_EVENT_TABLE

protected:
    void CreateMainWindow() override;

    /// ViewNotify code 0: the view becomes the frame's client when usable.
    void OnViewCreated(TView* view);
    /// ViewNotify code 1: the frame is emptied, its client area cleared and
    /// its caption restored.
    void OnViewClosed(TView* view);

    /// "info &about..." (2009): runs the about box modally; its result is ignored.
    void ShowAbout();

private:
    TDocManager* DocumentManager = nullptr;  // the one the framework holds; nullptr before step 8
};
