// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TApplication: the application object. It starts the instance (which makes
// the main window), runs the message loop with key pre-translation and idle
// processing, reports exceptions raised while a message is handled, and ends
// with an exit code. It owns its main window and its document manager.
//
// Routing: a message or command that the application's own event table does
// not serve is looked up in the document manager's table. Messages sent to
// the main window that the frame does not handle (ViewNotify, the document
// notice) come on to the application.

#include "framework/EventHandler.h"
#include "framework/Module.h"

#include <memory>
#include <string>

class TFrameWindow;
class TApplicationLoop;

/// The caption of an exception report when no string resource gives one, and
/// the text of an exception that carries none.
inline constexpr char kUnhandledExceptionCaption[] = "Unhandled Exception";
inline constexpr char kUnknownExceptionText[] = "Unknown Exception";

/// What the application needs of the document manager: its event table (the
/// file commands) and the can-close query. The document manager derives from it.
class TDocManagerBase : public TEventHandler {
public:
    /// Asks every open document whether it may close (the can-close query,
    /// message CanCloseQuery); one refusal answers false.
    virtual bool CanClose() = 0;
};

class TApplication : public TModule, public TEventHandler {
public:
    /// An application called `name` (its module name, the main window's title). It becomes
    /// the process's global module (`globalModule` is pointed at it) while it lives.
    TApplication(std::string name, TModule*& globalModule);
    ~TApplication() override;

    DECLARE_EVENT_TABLE

    /// The application being run, nullptr when there is none.
    static TApplication* Current();

    /// Starts the instance when there is no main window yet, runs the
    /// message loop and answers its exit code: 0 when the main window was
    /// destroyed, -1 after an exception report answered No. An xmsg raised
    /// while starting escapes to the caller.
    int Run();

    /// Ends the message loop with `exitCode` (open modal boxes are cancelled).
    void PostQuit(int exitCode);

    /// The main window, nullptr before CreateMainWindow made one.
    TFrameWindow* GetMainWindow() const { return MainWindow.get(); }
    /// Makes `window` the main window, owned by the application.
    void SetMainWindow(std::unique_ptr<TFrameWindow> window);

    /// The show command the main window will be shown with (SW_...);
    /// the process entry stores SW_SHOWDEFAULT.
    int GetCmdShow() const { return CmdShow; }
    /// Changes the show command, before the main window is shown.
    void SetCmdShow(int cmdShow) { CmdShow = cmdShow; }
    /// The previous instance: always none on this platform.
    const void* GetPrevInstance() const { return nullptr; }

    /// Hands the application its document manager (nullptr deletes the current one).
    void SetDocManager(std::unique_ptr<TDocManagerBase> docManager);
    /// The document manager, nullptr when there is none.
    TDocManagerBase* GetDocManager() const { return DocManager.get(); }

    /// Whether the application may close: asks the main window, then the
    /// document manager.
    virtual bool CanClose();

    /// Idle processing, called while the message queue stays empty with a
    /// count that rises from 0; forwards to the main window. True asks for
    /// another idle call before waiting.
    virtual bool IdleAction(long idleCount);

    /// Searches the application's table chain, then the document manager's.
    TEventMatch FindEventHandler(unsigned msg, unsigned id) override;

    /// Asks for three-dimensional dialog controls. That only ever mattered
    /// on platform major version 3 or lower; here it does nothing.
    void EnableCtl3d(bool enable = true) { (void)enable; }

    /// Asks the user about an exception raised while a message was handled:
    /// "Nicht behandelte Exception", the text (or "Unknown Exception"),
    /// "Fortfahren?", Yes/No. No ends the loop with -1.
    void ReportException(const std::string& text);

protected:
    /// The first-instance initialisation; runs only when there is no
    /// previous instance. The default does nothing.
    virtual void StartFirstInstance();
    /// The instance start: CreateMainWindow(), then creates the main window
    /// and shows it with the show command. Throws xmsg 32759 when there is
    /// no main window.
    virtual void StartInstance();
    /// Makes the main window; the default makes a plain frame titled with
    /// the application's name.
    virtual void CreateMainWindow();

private:
    TModule*& GlobalModule;
    TModule* PreviousGlobalModule;
    TApplication* PreviousCurrent;
    int CmdShow;
    std::unique_ptr<TApplicationLoop> Loop;
    std::unique_ptr<TFrameWindow> MainWindow;
    std::unique_ptr<TDocManagerBase> DocManager;  // deleted before the main window
};
