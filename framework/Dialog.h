// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TDialog: a dialog window built from a dialog layout of the program's
// resources (resources/Resources.h), run modally (Execute) or created
// modeless (Create). It owns its controls' platform windows; control
// objects (TStatic, TEdit) constructed with the dialog as parent are its
// child windows and bind to the layout's controls of their id when the
// dialog is set up.
//
// Commands: each button sends the command of its id. Command 1 (OK) asks
// CanClose(), copies the control data back (TransferData) and ends the
// dialog with 1; command 2 (cancel) ends it with 2 at once. Enter sends the
// focused push button's command, or the default button's; Escape sends
// command 2. A derived dialog whose event table maps command 2 itself
// replaces the cancel: Escape then runs its handler. The platform's close
// ends a modal dialog with 2 and destroys a modeless one.
//
//     class TMyDialog : public TDialog {
//     public:
//         TMyDialog(TWindow* parent) : TDialog(parent, resid::FreqDisplayDialog),
//                                      Box(new TEdit(this, resid::SampleRateBox, 32)) {}
//     protected:
//         void SetupWindow() override {
//             TDialog::SetupWindow();  // controls exist, data transferred in
//             Box->SetText("44100");
//         }
//     private:
//         TEdit* Box;  // a child window: the dialog deletes it
//     };

#include "framework/Window.h"

#include <string_view>

class TDialog : public TWindow {
public:
    /// A dialog over layout `resourceId` of `module` (nullptr: the
    /// parent's, else the global module), owned by `parent` (nullptr: none).
    /// The layout's style decides whether Create() shows it at once.
    TDialog(TWindow* parent, unsigned resourceId, TModule* module = nullptr);
    ~TDialog() override;

    DECLARE_EVENT_TABLE

    /// Runs the dialog modally in a nested message loop and answers the id
    /// of the command that ended it (1 for OK, 2 for cancel and Escape). The
    /// platform window exists only during the run. Throws xmsg 32746 when
    /// the dialog cannot run (its layout is missing, or it already exists).
    virtual int Execute();
    /// Whether the dialog is being run modally.
    bool IsModal() const { return Modal; }

    using TWindow::CloseWindow;
    /// Ends a modal run with `result`, or destroys a modeless dialog.
    void CloseWindow(int result);

    /// Enter, Escape and Tab of the dialog's own controls are the dialog's:
    /// Enter and Escape become commands, the other keys go to the control.
    TPreProcess PreProcessMsg(const TMessage& msg) override;

    /// Replaces the text of control `id`; false when there is no such control.
    bool SetDlgItemText(unsigned id, std::string_view text);
    /// Copies the text of control `id` into `buffer` of `size` bytes (at most
    /// size - 1 bytes and a terminating zero); answers the bytes copied, 0
    /// when there is no such control.
    int GetDlgItemText(unsigned id, char* buffer, int size) const;
    /// Whether check box `id` is checked (false when there is none).
    bool IsDlgButtonChecked(unsigned id) const;
    /// Checks or clears check box `id`.
    void CheckDlgButton(unsigned id, bool checked);

    /// Command 1: close check, data copied back, end with 1.
    void CmOk();
    /// Command 2: end with 2.
    void CmCancel();

protected:
    /// Which way control data goes.
    enum class TTransferDirection {
        Get,  // from the controls into the dialog's data
        Set,  // from the dialog's data into the controls
    };
    /// Moves the dialog's own data to or from its controls; the default has
    /// no data. Called with Set by SetupWindow() and with Get by CmOk().
    virtual void TransferData(TTransferDirection direction);

    /// Builds the dialog window from the layout; without the layout it
    /// builds nothing, and Create() throws xmsg 32747.
    void PerformCreate() override;
    /// Binds the control objects to their controls, then transfers the data
    /// in. Derived dialogs call it first and do their own set-up after it.
    void SetupWindow() override;
    /// The platform's close (WM_CLOSE).
    void EvClose(TMessage& msg);

private:
    friend class DialogShell;

    /// Enter and Escape of the dialog: true when `msg` was one of them.
    bool HandleDialogKey(const TMessage& msg);

    unsigned ResourceId;
    bool Modal = false;
};
