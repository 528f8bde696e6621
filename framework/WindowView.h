// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TWindowView: a window that is at the same time a view of one document.
// The application makes its window the frame's client; the document's title
// reaches the frame through it. It draws nothing itself (derived views
// paint). Its document owns it; as a window it belongs to its parent window
// until the application takes it out of the frame.

#include "framework/View.h"
#include "framework/Window.h"

class TWindowView : public TWindow, public TView {
public:
    /// A window view of `document` with `parent` (nullptr: none yet; the
    /// application makes it the frame's client), attached to the document.
    explicit TWindowView(TDocument& document, TWindow* parent = nullptr);
    /// Detaches from the document (ViewNotify code 1) while still a whole window.
    ~TWindowView() override;

    DECLARE_EVENT_TABLE

    /// "Window View".
    static const char* StaticName() { return "Window View"; }
    const char* GetViewName() const override { return StaticName(); }
    /// The view's window: itself.
    TWindow* GetWindow() override { return this; }

    /// Gives the title to the nearest frame among the parent windows (the
    /// frame's caption rule: title, " - ", document title, ":index" when index > 0).
    void SetDocTitle(std::string_view docTitle, int index) override;
};
