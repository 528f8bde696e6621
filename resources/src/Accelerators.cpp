// SPDX-License-Identifier: GPL-3.0-or-later
// Accelerator tables: table 100 of the main window. It binds the usual
// editing keys to editing commands that nothing in the program handles, so
// pressing them does nothing.

#include "resources/ResourceIds.h"
#include "resources/Resources.h"
#include "resources/VirtualKeys.h"

namespace res {

const AcceleratorTable* FindAccelerators(unsigned id) {
    static const AcceleratorTable mainTable{{
        {FVIRTKEY, VK_DELETE, CmdEditDelete},
        {FVIRTKEY | FSHIFT, VK_DELETE, CmdEditCut},
        {FVIRTKEY | FCONTROL, VK_INSERT, CmdEditCopy},
        {FVIRTKEY | FSHIFT, VK_INSERT, CmdEditPaste},
        {FVIRTKEY | FCONTROL, VK_DELETE, CmdEditClear},
        {FVIRTKEY | FALT, VK_BACK, CmdEditUndo},
        {FVIRTKEY, VK_F3, CmdEditFindNext},
    }};
    if (id == resid::MainAccelerators) {
        return &mainTable;
    }
    return nullptr;
}

}  // namespace res
