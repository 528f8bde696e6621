// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// korvatekAboutDlg: the about box (layout 22000). Before it shows, it puts
// the product name and version from the program's version block around
// the product line's own text ("korvani beta 1.1") and the copyright notice
// in place of the description line; without a block both lines keep the
// layout's texts. It owns the two static-text objects it creates (as child
// windows); the version block is read afresh each time the box is set up.
// Commands are TDialog's: OK and Escape end the box.

#include "framework/Dialog.h"

class TStatic;

class korvatekAboutDlg : public TDialog {
public:
    /// The box over layout `resourceId` of `module` (nullptr: the parent's),
    /// owned by `parent`.
    korvatekAboutDlg(TWindow* parent, unsigned resourceId, TModule* module = nullptr);

protected:
    /// The window set-up: PrepareControls().
    void SetupWindow() override;

    /// Binds the product and description lines (text limit 255), runs the
    /// dialog's own set-up, then fills the lines from the version block.
    void PrepareControls();

private:
    TStatic* ProductLine = nullptr;  // child windows: the dialog deletes them
    TStatic* DescriptionLine = nullptr;
};
