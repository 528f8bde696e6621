// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/korvatekApp.h"

#include "app/AboutDialog.h"
#include "app/SDIDecFrame.h"
#include "framework/DocManager.h"
#include "framework/MenuDescr.h"
#include "framework/StatusBar.h"
#include "framework/View.h"
#include "resources/ResourceIds.h"

korvatekApp::korvatekApp() : TApplication("korvani", gModule) {}

korvatekApp::~korvatekApp() {
    // The document manager, and with it every open document, goes before
    // the framework's part of the application.
    if (DocumentManager != nullptr) {
        DocumentManager = nullptr;
        SetDocManager(nullptr);
    }
}

const TEventTable& korvatekApp::ClassEventTable() {
    static const TEventTable table(TApplication::ClassEventTable(),
                                   {
                                       EvNotify(ViewNotify, ViewCreated, &korvatekApp::OnViewCreated),
                                       EvNotify(ViewNotify, ViewClosed, &korvatekApp::OnViewClosed),
                                       EvCommand(CmdAbout, &korvatekApp::ShowAbout),
                                   });
    return table;
}

void korvatekApp::CreateMainWindow() {
    // 1. Open in normal state unless asked to stay hidden or minimised.
    if (GetCmdShow() != SW_HIDE && GetCmdShow() != SW_SHOWMINNOACTIVE) {
        SetCmdShow(SW_SHOWNORMAL);
    }

    // 2. The frame, titled with the application's name, tracking menu hints.
    auto frame = std::make_unique<SDIDecFrame>(nullptr, GetName().c_str(), nullptr, true, this);

    // 3. Icon, 4. menu and accelerator table.
    frame->SetIcon(this, resid::AppIcon);
    frame->AssignMenu(resid::MainMenu);
    frame->Attr.AccelTable = resid::MainAccelerators;

    // 5. The status bar along the bottom edge: recessed fields, CAPS NUM SCRL OVR.
    auto* statusBar =
        new TStatusBar(frame.get(), TStatusBar::Recessed,
                       TStatusBar::CapsLock | TStatusBar::NumLock | TStatusBar::ScrollLock | TStatusBar::Overtype,
                       TGadgetWindowFont(10, false, false));
    frame->Insert(*statusBar, TDecoratedFrame::Bottom);

    // 6. The frame becomes the main window.
    SDIDecFrame* mainFrame = frame.get();
    SetMainWindow(std::move(frame));

    // 7. The menu description of menu 100: groups "&file" and "&help".
    mainFrame->SetMenuDescr(TMenuDescr(resid::MainMenu, this));

    // 8. The document manager in single-document mode over the static
    //    template list, handed to the framework.
    auto docManager = std::make_unique<TDocManager>(SingleDocumentMode);
    DocumentManager = docManager.get();
    SetDocManager(std::move(docManager));

    // 9. Three-dimensional dialog controls.
    EnableCtl3d(true);
}

void korvatekApp::OnViewCreated(TView* view) {
    TFrameWindow* frame = GetMainWindow();
    frame->SetClientWindow(view->GetWindow());
    if (view->GetViewId() == 0) {
        frame->SetClientWindow(nullptr);
        return;
    }
    if (const TMenuDescr* menu = view->GetViewMenu()) {
        frame->MergeMenu(*menu);
    }
}

void korvatekApp::OnViewClosed(TView*) {
    TFrameWindow* frame = GetMainWindow();
    frame->SetClientWindow(nullptr);
    frame->SetCaption(GetName());
    // What the frame itself drew (a file's preview) goes with the file.
    frame->Invalidate();
}

void korvatekApp::ShowAbout() {
    korvatekAboutDlg(GetMainWindow(), resid::AboutDialog, nullptr).Execute();
}
