// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SDIDecFrame.h"

#include "framework/Seams.h"

SDIDecFrame::SDIDecFrame(TWindow* parent, const char* title, TWindow* client, bool trackMenuSelection, TModule* module)
    : TDecoratedFrame(parent, title, client, trackMenuSelection, module) {
    const TSize desktop = TSeam<IDesktop>::Get().GetDesktopSize();
    Attr.X = 10;
    Attr.Y = desktop.Cy / 8;
    Attr.W = desktop.Cx - 20;
    Attr.H = (7 * desktop.Cy) / 8 - 32;
}

const TEventTable& SDIDecFrame::ClassEventTable() {
    static const TEventTable table(TDecoratedFrame::ClassEventTable(), {});
    return table;
}
