// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The framework's seams (see platform/Seam.h): the desktop size and the lock
// keys, whose real implementations live in Seams.cpp.

#include "framework/Geometry.h"
#include "platform/Seam.h"

#include <optional>

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
