// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TApplicationLoop: the application's message loop on Qt. It runs a
// QEventLoop until PostQuit, calls the application's idle processing when
// the queue runs empty (with a count that rises until input arrives again;
// not while the program waits with its windows painted),
// and pre-translates key presses through the target window and its parents
// (accelerators, status-bar keys) before Qt delivers them. Owned by
// TApplication.

#include <QObject>

#include <optional>

class QEventLoop;
class QKeyEvent;
class QWidget;
class TApplication;

class TApplicationLoop : public QObject {
public:
    /// The loop of `app`.
    explicit TApplicationLoop(TApplication& app);
    ~TApplicationLoop() override;

    /// Runs until PostQuit and answers the exit code.
    int Run();
    /// Ends Run() with `exitCode` (at once if it has not started) and
    /// cancels open modal dialogs. Later calls before the end change nothing.
    void PostQuit(int exitCode);

    /// Input arrived: the next idle call starts again at count 0.
    void NoteInput();
    /// Offers a key press to the windows' pre-translation; true when it was
    /// consumed and must not be delivered.
    bool PreTranslateKey(QWidget* receiver, const QKeyEvent& event);

private:
    void OnAboutToBlock();
    void RunIdle();

    TApplication& App;
    QEventLoop* Loop = nullptr;
    std::optional<int> PendingQuit;  // the exit code once quit was posted
    long IdleCount = 0;
    bool IdleWanted = true;
    bool IdleScheduled = false;
    bool InIdle = false;
    TApplicationLoop* Previous;
};

/// The loop of the application that exists now, nullptr when none does.
TApplicationLoop* ActiveLoop();
