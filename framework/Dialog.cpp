// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/Dialog.h"

#include "framework/Exceptions.h"
#include "framework/Module.h"
#include "framework/qt/Conversions.h"
#include "framework/qt/DialogShell.h"
#include "framework/qt/ModalReturn.h"
#include "framework/qt/WindowAccess.h"
#include "resources/ResourceIds.h"
#include "resources/VirtualKeys.h"

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>

namespace {

const res::DialogLayout* LayoutOf(const TModule* module, unsigned id) {
    return module != nullptr ? module->FindDialog(id) : res::FindDialog(id);
}

}  // namespace

TDialog::TDialog(TWindow* parent, unsigned resourceId, TModule* module)
    : TWindow(parent, nullptr, module), ResourceId(resourceId) {
    // A dialog is a window of its own beside its owner, never a child window.
    const res::DialogLayout* layout = LayoutOf(GetModule(), ResourceId);
    Attr.Style = layout != nullptr ? layout->style : res::WS_POPUP;
}

TDialog::~TDialog() = default;

const TEventTable& TDialog::ClassEventTable() {
    static const TEventTable table(TWindow::ClassEventTable(), {
                                                                   EvCommand(IDOK, &TDialog::CmOk),
                                                                   EvCommand(IDCANCEL, &TDialog::CmCancel),
                                                                   EvMessage(WM_CLOSE, &TDialog::EvClose),
                                                               });
    return table;
}

int TDialog::Execute() {
    if (IsWindow() || LayoutOf(GetModule(), ResourceId) == nullptr) {
        throw xmsg(WindowErrorText(strid::WindowExecuteFailure));
    }
    // The run shows the dialog, modal from the start.
    const ModalReturn comeBack(GetParent() != nullptr ? TWindowAccess::TopWidget(*GetParent()) : nullptr);
    const std::uint32_t style = Attr.Style;
    Attr.Style &= ~WS_VISIBLE;
    Modal = true;
    try {
        Create();
    } catch (...) {
        Attr.Style = style;
        Modal = false;
        Destroy();
        throw;
    }
    Attr.Style = style;
    const int result = DialogShell::Of(*this)->exec();
    Destroy();
    Modal = false;
    return result;
}

void TDialog::PerformCreate() {
    const res::DialogLayout* layout = LayoutOf(GetModule(), ResourceId);
    if (layout == nullptr || GetModule() == nullptr) {
        return;
    }
    if (GetCaption().empty()) {
        SetCaption(layout->caption);
    }
    QWidget* owner = GetParent() != nullptr ? TWindowAccess::ChildArea(*GetParent()) : nullptr;
    auto* shell = new DialogShell(*this, owner, *layout, *GetModule());
    TWindowAccess::Attach(*this, shell, nullptr);
}

void TDialog::SetupWindow() {
    TWindow::SetupWindow();
    TransferData(TTransferDirection::Set);
}

void TDialog::TransferData(TTransferDirection) {}

void TDialog::CloseWindow(int result) {
    DialogShell* shell = DialogShell::Of(*this);
    if (Modal && shell != nullptr) {
        shell->done(result);
    } else {
        Destroy();
    }
}

void TDialog::CmOk() {
    if (!CanClose()) {
        return;
    }
    TransferData(TTransferDirection::Get);
    CloseWindow(IDOK);
}

void TDialog::CmCancel() {
    CloseWindow(IDCANCEL);
}

void TDialog::EvClose(TMessage&) {
    CloseWindow(IDCANCEL);
}

bool TDialog::HandleDialogKey(const TMessage& msg) {
    const DialogShell* shell = DialogShell::Of(*this);
    const auto modifiers = static_cast<unsigned>(HighUWord(msg.LParam)) & (res::FCONTROL | res::FALT);
    if (shell == nullptr || msg.Msg != WM_KEYDOWN || modifiers != 0) {
        return false;
    }
    if (msg.WParam == VK_ESCAPE) {
        SendMessage(WM_COMMAND, IDCANCEL);
        return true;
    }
    if (msg.WParam == VK_RETURN) {
        // A focused push button takes Enter itself; otherwise the default button.
        const QWidget* focus = QApplication::focusWidget();
        const std::optional<unsigned> focusedId = shell->IdOf(focus);
        const bool onPushButton = focusedId && qobject_cast<const QPushButton*>(focus) != nullptr;
        SendMessage(WM_COMMAND, onPushButton ? *focusedId : shell->DefaultButtonId());
        return true;
    }
    return false;
}

TPreProcess TDialog::PreProcessMsg(const TMessage& msg) {
    const QWidget* top = TWindowAccess::TopWidget(*this);
    const QWidget* focus = QApplication::focusWidget();
    if (top == nullptr || focus == nullptr || focus->window() != top) {
        return TPreProcess::PassOn;  // a key of another window (a box this dialog opened)
    }
    return HandleDialogKey(msg) ? TPreProcess::Consumed : TPreProcess::Deliver;
}

bool TDialog::SetDlgItemText(unsigned id, std::string_view text) {
    const DialogShell* shell = DialogShell::Of(*this);
    QWidget* control = shell != nullptr ? shell->Control(id) : nullptr;
    if (control == nullptr) {
        return false;
    }
    SetControlText(*control, ToQString(text));
    return true;
}

int TDialog::GetDlgItemText(unsigned id, char* buffer, int size) const {
    const DialogShell* shell = DialogShell::Of(*this);
    const QWidget* control = shell != nullptr ? shell->Control(id) : nullptr;
    if (control == nullptr) {
        return CopyToBuffer({}, buffer, size);
    }
    return CopyToBuffer(FromQString(ControlText(*control)), buffer, size);
}

bool TDialog::IsDlgButtonChecked(unsigned id) const {
    const DialogShell* shell = DialogShell::Of(*this);
    const auto* box = shell != nullptr ? qobject_cast<const QCheckBox*>(shell->Control(id)) : nullptr;
    return box != nullptr && box->isChecked();
}

void TDialog::CheckDlgButton(unsigned id, bool checked) {
    const DialogShell* shell = DialogShell::Of(*this);
    if (auto* box = shell != nullptr ? qobject_cast<QCheckBox*>(shell->Control(id)) : nullptr) {
        box->setChecked(checked);
    }
}
