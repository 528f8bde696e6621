// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A stand-in for a document's view in the application's tests: a window
// that is a view, usable or not, with or without a menu of its own. The
// test owns it, as a document owns its views.

#include "framework/View.h"
#include "framework/Window.h"

class FakeView : public TWindow, public TView {
public:
    /// A view window with view id `viewId` (0: not usable).
    explicit FakeView(unsigned viewId) : TWindow(nullptr, "view"), ViewId(viewId) {}

    unsigned GetViewId() const override { return ViewId; }
    TWindow* GetWindow() override { return this; }

private:
    unsigned ViewId;
};
