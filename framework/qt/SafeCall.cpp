#include "framework/qt/SafeCall.h"

#include "framework/Application.h"
#include "framework/Exceptions.h"
#include "framework/MessageBox.h"

#include <QCoreApplication>
#include <QTimer>

#include <exception>
#include <string>

namespace {

void Report(const std::string& text) {
    if (TApplication* app = TApplication::Current()) {
        app->ReportException(text);
        return;
    }
    // No application: nothing can end; the user is only told.
    MessageBoxEx(nullptr, text.empty() ? "Unknown Exception" : text, "Unhandled Exception", MB_OK | MB_ICONSTOP);
}

}  // namespace

bool CallSafely(const std::function<void()>& action, TReportTiming timing) {
    std::string text;
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
    if (timing == TReportTiming::Deferred) {
        QTimer::singleShot(0, QCoreApplication::instance(), [text] { Report(text); });
    } else {
        Report(text);
    }
    return false;
}
