// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TDecoratedFrame: a frame window with decorations (a status bar, tool
// bars) kept along its edges by its layout, each at its own height, around
// the client window. The frame owns its decorations. Menu hints go to its
// status bar.

#include "framework/FrameWindow.h"

class TDecoratedFrame : public TFrameWindow {
public:
    /// Where a decoration sits.
    enum TLocation { Top = 256, Bottom = 512 };

    /// A decorated frame with (parent, title, client window or nullptr,
    /// menu-hint tracking on or off, module).
    TDecoratedFrame(TWindow* parent, const char* title = nullptr, TWindow* client = nullptr,
                    bool trackMenuSelection = false, TModule* module = nullptr);

    DECLARE_EVENT_TABLE

    /// Places `decoration` (a child of this frame) at `location`; several at
    /// one edge lie top to bottom in the order inserted.
    void Insert(TWindow& decoration, TLocation location);

    TPreProcess PreProcessMsg(const TMessage& msg) override;

protected:
    std::vector<TEdgeWindow> EdgeWindows() const override;
    void SetHintText(const std::string& text) override;
    void ChildLeaving(TWindow& child) override;

private:
    friend class TFrameAccess;
    struct TDecoration {
        TWindow* Window;
        TLocation Location;
    };
    std::vector<TDecoration> Decorations;
};
