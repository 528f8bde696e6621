#pragma once
// korvatekApp: the application object of korvani. It builds the main
// window (menu, icon, accelerators, status bar) and makes a reported view the
// frame's client. It owns, through the framework, the main window and the
// document manager.

#include "framework/Application.h"

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
    /// ViewNotify code 1: the frame is emptied and its caption restored.
    void OnViewClosed(TView* view);
};
