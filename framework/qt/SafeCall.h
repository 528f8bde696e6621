// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// CallSafely: the wall between C++ exceptions and Qt's event loops. Every
// call from Qt into framework or program code goes through it; an exception
// is reported by the application's exception report (and never crosses a
// Qt loop). It also knows which of these calls are running, innermost last,
// so that work can wait until the handler running now has returned.

#include <functional>

/// When the report of an exception may run.
enum class TReportTiming {
    Now,       // at once, inside the calling Qt handler
    Deferred,  // from the event loop, for callers that must not open a modal loop (painting)
};

/// Runs `action`; an exception it raises is reported. Returns false when one was.
bool CallSafely(const std::function<void()>& action, TReportTiming timing = TReportTiming::Now);

/// Calls `work` as soon as the innermost CallSafely running now in the
/// calling thread has returned from its action (before its report, if any);
/// with none running, calls it at once. `work` must not throw.
void AfterHandler(std::function<void()> work);
