#pragma once
// Seams: the few places where the program touches the world outside the
// process go through small interfaces. Each has a real implementation used
// by default; tests put a double in its place with TSeam<I>::Override (the
// harness has a scoped helper). The program itself never overrides a seam.
//
// Adding a seam: declare the interface here (or next to its users), and
// define TSeam<I>::Default() in the source file of the real implementation.

#include "framework/Geometry.h"

#include <optional>

/// Access to one seam: the override if a test set one, else the real implementation.
template <class Interface>
class TSeam {
public:
    /// The implementation in use.
    static Interface& Get() { return Current != nullptr ? *Current : Default(); }
    /// Puts `replacement` in place (nullptr: back to the real one); answers
    /// the previous override. The caller keeps ownership.
    static Interface* Override(Interface* replacement) {
        Interface* previous = Current;
        Current = replacement;
        return previous;
    }

private:
    static Interface& Default();
    static inline Interface* Current = nullptr;
};

/// The desktop the main window is placed on.
class IDesktop {
public:
    virtual ~IDesktop() = default;
    /// The size of the desktop window in pixels.
    virtual TSize GetDesktopSize() = 0;
};

/// The toggle state of the lock keys.
struct TLockKeyState {
    bool CapsLock = false;
    bool NumLock = false;
    bool ScrollLock = false;
    friend bool operator==(const TLockKeyState&, const TLockKeyState&) = default;
};

/// Where the lock-key state comes from.
class ILockKeys {
public:
    virtual ~ILockKeys() = default;
    /// The current state, or nothing when the platform cannot tell (then
    /// the status bar follows key presses only).
    virtual std::optional<TLockKeyState> Query() = 0;
};

template <>
IDesktop& TSeam<IDesktop>::Default();
template <>
ILockKeys& TSeam<ILockKeys>::Default();
