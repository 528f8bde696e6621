// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// SDIDecFrame: korvani's main window, a decorated frame placed from the
// desktop size. Everything else is TDecoratedFrame's.

#include "framework/DecoratedFrame.h"

class SDIDecFrame : public TDecoratedFrame {
public:
    /// A frame with (parent, title, client, track-menu-selection, module),
    /// placed at x 10, y H/8, width W - 20, height 7H/8 - 32 of a W x H desktop.
    SDIDecFrame(TWindow* parent, const char* title, TWindow* client, bool trackMenuSelection, TModule* module);

    DECLARE_EVENT_TABLE
};
