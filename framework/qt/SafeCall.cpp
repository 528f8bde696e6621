// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/qt/SafeCall.h"

#include "framework/Application.h"
#include "framework/Exceptions.h"
#include "framework/MessageBox.h"
#include "framework/qt/EventHold.h"

#include <QCoreApplication>

#include <exception>
#include <string>
#include <vector>

namespace {

using TAfterwards = std::vector<std::function<void()>>;

// The CallSafely calls running now in this thread, innermost last, each with
// the work that waits for it to return. Per thread: Qt delivers the events of
// objects that live in its own threads there, through the same notify.
thread_local std::vector<TAfterwards*> tRunningHandlers;

// Leaves the list of running handlers, then runs what waited for the handler.
class THandlerFrame {
public:
    THandlerFrame() { tRunningHandlers.push_back(&Afterwards); }
    ~THandlerFrame() {
        tRunningHandlers.pop_back();
        for (const std::function<void()>& work : Afterwards) {
            work();
        }
    }
    THandlerFrame(const THandlerFrame&) = delete;
    THandlerFrame& operator=(const THandlerFrame&) = delete;

private:
    TAfterwards Afterwards;
};

void Report(const std::string& text) {
    if (TApplication* app = TApplication::Current()) {
        app->ReportException(text);
        return;
    }
    // No application: nothing can end; the user is only told.
    MessageBoxEx(nullptr, text.empty() ? kUnknownExceptionText : text, kUnhandledExceptionCaption, MB_OK | MB_ICONSTOP);
}

// Runs `action` inside a handler frame; answers false, with the exception's
// text in `text`, when it raised one.
bool RunInFrame(const std::function<void()>& action, std::string& text) {
    const THandlerFrame frame;
    try {
        action();
        return true;
    } catch (const xmsg& x) {
        text = x.why();
    } catch (const std::exception& e) {
        text = e.what();
    } catch (...) {
        text.clear();
    }
    return false;
}

}  // namespace

bool CallSafely(const std::function<void()>& action, TReportTiming timing) {
    std::string text;
    if (RunInFrame(action, text)) {
        return true;
    }
    if (timing == TReportTiming::Deferred) {
        if (QCoreApplication* qtApp = QCoreApplication::instance()) {
            TEventHold::Post(*qtApp, [text] { Report(text); });
            return false;
        }
    }
    Report(text);
    return false;
}

void AfterHandler(std::function<void()> work) {
    if (tRunningHandlers.empty()) {
        work();
        return;
    }
    tRunningHandlers.back()->push_back(std::move(work));
}
