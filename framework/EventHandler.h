// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Event tables: every application, window and dialog class maps (message, id
// or code) to a handler in a table of its own, and the search goes through
// the class's table before its base class's. TEventHandler owns nothing; the
// tables are static data of their classes.
//
// Declaring a table, in the class's public section:
//
//     class TMyWindow : public TWindow {
//     public:
//         DECLARE_EVENT_TABLE
//         void CmSave();
//         void CeSave(TCommandEnabler& ce);
//     };
//
// and defining it in the class's source file:
//
//     const TEventTable& TMyWindow::ClassEventTable() {
//         static const TEventTable table(TWindow::ClassEventTable(), {
//             EvCommand(CmdSave, &TMyWindow::CmSave),
//             EvCommandEnable(CmdSave, &TMyWindow::CeSave),
//         });
//         return table;
//     }

#include "framework/Geometry.h"
#include "framework/Messages.h"

#include <functional>
#include <type_traits>
#include <vector>

class TEventHandler;

/// One row of an event table.
struct TEventEntry {
    unsigned Msg = 0;
    unsigned Id = 0;
    bool AnyId = false;  // plain window messages match whatever the id
    std::function<void(TEventHandler& self, TMessage& msg)> Handler;

    /// Whether this row serves (msg, id).
    bool Matches(unsigned msg, unsigned id) const { return Msg == msg && (AnyId || Id == id); }
};

/// A class's event table: its own rows, then its base class's table.
class TEventTable {
public:
    /// A table with `rows`, falling back to `base` (nullptr for the root).
    TEventTable(const TEventTable* base, std::vector<TEventEntry> rows);
    /// A table with `rows`, falling back to `base`.
    TEventTable(const TEventTable& base, std::vector<TEventEntry> rows) : TEventTable(&base, std::move(rows)) {}

    /// The first row serving (msg, id), searching this table before its bases; nullptr when none.
    const TEventEntry* Find(unsigned msg, unsigned id) const;

private:
    const TEventTable* Base;
    std::vector<TEventEntry> Rows;
};

/// The answer to a command-enabling query: whether the command's menu item
/// is enabled. The query travels as message CommandEnable until an enabler
/// answers.
class TCommandEnabler {
public:
    /// A query for command `id`.
    explicit TCommandEnabler(unsigned id) : Id(id) {}

    /// The command id asked about.
    unsigned GetId() const { return Id; }
    /// Answers the query: enabled or not.
    void Enable(bool enable = true) {
        Enabled = enable;
        Answered = true;
    }
    /// Whether an enabler has answered.
    bool IsAnswered() const { return Answered; }
    /// The answer given (false until answered).
    bool IsEnabled() const { return Enabled; }

private:
    unsigned Id;
    bool Enabled = false;
    bool Answered = false;
};

/// Where a message found its handler: the object and the row.
struct TEventMatch {
    TEventHandler* Target = nullptr;
    const TEventEntry* Entry = nullptr;
    explicit operator bool() const { return Entry != nullptr; }
};

/// Declares a class's event table; place it in the public section and define
/// ClassEventTable() in the source file (see the top of this header).
#define DECLARE_EVENT_TABLE                             \
    static const TEventTable& ClassEventTable();        \
    const TEventTable& GetEventTable() const override { \
        return ClassEventTable();                       \
    }

/// Base of every object that has an event table.
class TEventHandler {
public:
    virtual ~TEventHandler();

    /// The root table: no rows.
    static const TEventTable& ClassEventTable();
    /// The table of this object's class.
    virtual const TEventTable& GetEventTable() const { return ClassEventTable(); }

    /// Where (msg, id) is handled for this object: its table chain; the
    /// application extends the search to its document manager.
    virtual TEventMatch FindEventHandler(unsigned msg, unsigned id);

    /// Calls the handler of `msg` if one exists; true when one did.
    bool Dispatch(TMessage& msg);
};

namespace detail {

template <class T>
T& Downcast(TEventHandler& self) {
    return dynamic_cast<T&>(self);
}

template <class R>
void StoreResult(TMessage& msg, R value) {
    if constexpr (std::is_same_v<R, bool>) {
        msg.Result = value ? 1 : 0;
    } else {
        msg.Result = static_cast<TResult>(value);
    }
}

}  // namespace detail

/// A row for WM_COMMAND `id`: `handler()` runs when the command arrives.
template <class T>
TEventEntry EvCommand(unsigned id, void (T::*handler)()) {
    return {WM_COMMAND, id, false,
            [handler](TEventHandler& self, TMessage&) { (detail::Downcast<T>(self).*handler)(); }};
}

/// A row answering the enabling query of command `id`.
template <class T>
TEventEntry EvCommandEnable(unsigned id, void (T::*handler)(TCommandEnabler&)) {
    return {CommandEnable, id, false, [handler](TEventHandler& self, TMessage& msg) {
                (detail::Downcast<T>(self).*handler)(*reinterpret_cast<TCommandEnabler*>(msg.LParam));
            }};
}

/// A row for notification `msg` with code `code` whose argument is the
/// pointer in LParam (for instance ViewNotify and its TView*). The handler may
/// answer void or a value, which becomes the message's result.
template <class T, class R, class Arg>
TEventEntry EvNotify(unsigned msg, unsigned code, R (T::*handler)(Arg*)) {
    return {msg, code, false, [handler](TEventHandler& self, TMessage& m) {
                T& target = detail::Downcast<T>(self);
                Arg* arg = reinterpret_cast<Arg*>(m.LParam);
                if constexpr (std::is_void_v<R>) {
                    (target.*handler)(arg);
                } else {
                    detail::StoreResult(m, (target.*handler)(arg));
                }
            }};
}

/// A row for any message number, any id: the handler gets the whole message
/// and sets its Result itself.
template <class T>
TEventEntry EvMessage(unsigned msg, void (T::*handler)(TMessage&)) {
    return {msg, 0, true, [handler](TEventHandler& self, TMessage& m) { (detail::Downcast<T>(self).*handler)(m); }};
}

/// A row for WM_SIZE: handler(size kind, new client size).
template <class T>
TEventEntry EvSize(void (T::*handler)(unsigned sizeType, const TSize& size)) {
    return {WM_SIZE, 0, true, [handler](TEventHandler& self, TMessage& m) {
                (detail::Downcast<T>(self).*handler)(static_cast<unsigned>(m.WParam),
                                                     TSize{LowUWord(m.LParam), HighUWord(m.LParam)});
            }};
}

/// A row for a mouse message (WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MOUSEMOVE...):
/// handler(MK_ flags, point in client coordinates).
template <class T>
TEventEntry EvMouse(unsigned msg, void (T::*handler)(unsigned modKeys, const TPoint& point)) {
    return {msg, 0, true, [handler](TEventHandler& self, TMessage& m) {
                (detail::Downcast<T>(self).*handler)(static_cast<unsigned>(m.WParam),
                                                     TPoint{LowWord(m.LParam), HighWord(m.LParam)});
            }};
}

/// A row for WM_KEYDOWN or WM_KEYUP: handler(virtual key, repeat count,
/// modifier keys held as FSHIFT | FCONTROL | FALT, plus KF_REPEAT).
template <class T>
TEventEntry EvKey(unsigned msg, void (T::*handler)(unsigned key, unsigned repeatCount, unsigned flags)) {
    return {msg, 0, true, [handler](TEventHandler& self, TMessage& m) {
                (detail::Downcast<T>(self).*handler)(static_cast<unsigned>(m.WParam),
                                                     static_cast<unsigned>(LowUWord(m.LParam)),
                                                     static_cast<unsigned>(HighUWord(m.LParam)));
            }};
}
