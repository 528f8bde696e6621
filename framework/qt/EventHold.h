// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TEventHold: what the program does not take while it waits with its windows
// painted (PaintWhileWaiting, framework/Waiting.h). While a hold is on, the
// Qt application's notify asks it about every event of the loop's thread:
//
//   - user input (keys, mouse, wheel, touch, shortcuts and menu mnemonics,
//     drag and drop, input methods) is dropped: nothing typed or clicked
//     during the wait is ever handled;
//   - close and quit requests are set aside and delivered again once the
//     handler that waited has returned (see AfterHandler, SafeCall.h); a
//     close that comes due while a modal window stands in front of its
//     window is dropped, as the platform drops the window manager's close
//     of a window behind a modal one;
//   - timer ticks of objects are skipped (a timer fires again at its next
//     interval); the platform windows' own update timers tick on;
//   - everything else goes on: painting, update requests, exposure, resizing
//     and layout, activation, Qt's queued calls and deferred deletes.
//
// The framework's own posted work (idle processing excepted, which simply
// waits for the next empty queue) goes through Post, so that it too is set
// aside while a hold is on. Holds nest; the outermost one hands what it set
// aside to the handler running when it ends. A modal loop opened inside a
// hold (which nothing in the framework does) is not held: it takes input,
// as every modal loop does, rather than hang. The state belongs to the thread
// that holds (the event loop's); other threads never see a hold. Owns only
// the work set aside, never the objects it is for (they may go meanwhile).

#include <functional>

class QEvent;
class QObject;

class TEventHold {
public:
    /// Holds events back while it lives (see the charter above). When the
    /// outermost scope ends, whatever was set aside meanwhile goes to the
    /// innermost CallSafely running then, and is posted (through Post) once
    /// that has returned.
    class TScope {
    public:
        TScope();
        ~TScope();
        TScope(const TScope&) = delete;
        TScope& operator=(const TScope&) = delete;
    };

    /// Whether a hold is on in the calling thread, at the event-loop level
    /// where it began.
    static bool IsOn();

    /// Asked by the application's notify for every event: true when `event`
    /// for `receiver` was held back (dropped or set aside) and must not be
    /// delivered now; always false while no hold is on.
    static bool HoldsBack(QObject& receiver, QEvent& event);

    /// Posts `work` to the event loop of `context`'s thread; nothing runs if
    /// `context` is gone by then. Work that comes due while a hold is on is
    /// set aside with the held-back requests.
    static void Post(QObject& context, std::function<void()> work);
};
