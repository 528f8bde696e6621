// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/Application.h"

#include "framework/Entry.h"
#include "framework/Exceptions.h"
#include "framework/FrameWindow.h"
#include "framework/MessageBox.h"
#include "framework/qt/ApplicationLoop.h"
#include "resources/ResourceIds.h"

#include <QCoreApplication>

#include <utility>

namespace {

TApplication* gCurrentApplication = nullptr;

}  // namespace

TApplication::TApplication(std::string name, TModule*& globalModule)
    : TModule(std::move(name)),
      GlobalModule(globalModule),
      PreviousGlobalModule(globalModule),
      PreviousCurrent(gCurrentApplication),
      CmdShow(ProcessStart().CmdShow),
      Loop(std::make_unique<TApplicationLoop>(*this)) {
    GlobalModule = this;
    gCurrentApplication = this;
}

TApplication::~TApplication() {
    // Documents and their views go before the frame they are shown in.
    DocManager.reset();
    MainWindow.reset();
    Loop.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    GlobalModule = PreviousGlobalModule;
    gCurrentApplication = PreviousCurrent;
}

const TEventTable& TApplication::ClassEventTable() {
    static const TEventTable table(TEventHandler::ClassEventTable(), {});
    return table;
}

TApplication* TApplication::Current() {
    return gCurrentApplication;
}

int TApplication::Run() {
    if (MainWindow == nullptr) {
        if (GetPrevInstance() == nullptr) {
            StartFirstInstance();
        }
        StartInstance();
    }
    return Loop->Run();
}

void TApplication::PostQuit(int exitCode) {
    Loop->PostQuit(exitCode);
}

void TApplication::StartFirstInstance() {}

void TApplication::StartInstance() {
    CreateMainWindow();
    if (MainWindow == nullptr) {
        throw xmsg(LoadString(strid::InvalidMainWindow).value_or("Invalid MainWindow"));
    }
    MainWindow->Create();
    MainWindow->Show(CmdShow);
}

void TApplication::CreateMainWindow() {
    SetMainWindow(std::make_unique<TFrameWindow>(nullptr, GetName().c_str(), nullptr, false, this));
}

void TApplication::SetMainWindow(std::unique_ptr<TFrameWindow> window) {
    MainWindow = std::move(window);
}

void TApplication::SetDocManager(std::unique_ptr<TDocManagerBase> docManager) {
    DocManager = std::move(docManager);
}

bool TApplication::CanClose() {
    if (MainWindow != nullptr && !MainWindow->CanClose()) {
        return false;
    }
    return DocManager == nullptr || DocManager->CanClose();
}

bool TApplication::IdleAction(long idleCount) {
    return MainWindow != nullptr && MainWindow->IsWindow() && MainWindow->IdleAction(idleCount);
}

TEventMatch TApplication::FindEventHandler(unsigned msg, unsigned id) {
    if (const TEventMatch own = TEventHandler::FindEventHandler(msg, id)) {
        return own;
    }
    if (DocManager != nullptr) {
        return DocManager->FindEventHandler(msg, id);
    }
    return {};
}

void TApplication::ReportException(const std::string& text) {
    const std::string caption = LoadString(strid::UnhandledExceptionCaption).value_or(kUnhandledExceptionCaption);
    const std::string message = (text.empty() ? std::string(kUnknownExceptionText) : text) + "\n" +
                                LoadString(strid::OkToResume).value_or("OK to Resume?");
    if (MessageBoxEx(nullptr, message, caption.c_str(), MB_YESNO | MB_ICONSTOP) == IDNO) {
        PostQuit(-1);
    }
}
