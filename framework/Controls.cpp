// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/Controls.h"

#include "framework/Dialog.h"
#include "framework/qt/Conversions.h"
#include "framework/qt/DialogShell.h"
#include "framework/qt/WindowAccess.h"

#include <QLineEdit>

namespace {

// `text` with at most `limit` - 1 characters (all of it when limit is 0).
QString Limited(std::string_view text, unsigned limit) {
    QString shown = ToQString(text);
    if (limit > 0 && shown.size() > static_cast<qsizetype>(limit - 1)) {
        shown.truncate(static_cast<qsizetype>(limit - 1));
    }
    return shown;
}

}  // namespace

TControl::TControl(TWindow* parent, unsigned id, unsigned textLimit, TModule* module)
    : TWindow(parent, nullptr, module), TextLimit(textLimit) {
    Attr.Id = id;
}

void TControl::PerformCreate() {
    const auto* dialog = dynamic_cast<const TDialog*>(GetParent());
    const DialogShell* shell = dialog != nullptr ? DialogShell::Of(*dialog) : nullptr;
    QWidget* control = shell != nullptr ? shell->Control(Attr.Id) : nullptr;
    if (control != nullptr) {
        TWindowAccess::Attach(*this, control, nullptr);
    }
}

bool TControl::SetText(std::string_view text) {
    QWidget* control = TWindowAccess::TopWidget(*this);
    if (control == nullptr) {
        return false;
    }
    SetControlText(*control, ToQString(text));
    return true;
}

int TControl::GetText(char* buffer, int size) const {
    return CopyToBuffer(GetText(), buffer, size);
}

std::string TControl::GetText() const {
    const QWidget* control = TWindowAccess::TopWidget(*this);
    return control != nullptr ? FromQString(ControlText(*control)) : std::string();
}

void TEdit::SelectAll() {
    if (auto* edit = qobject_cast<QLineEdit*>(TWindowAccess::TopWidget(*this))) {
        edit->selectAll();
    }
}

bool TStatic::SetText(std::string_view text) {
    QWidget* control = TWindowAccess::TopWidget(*this);
    if (control == nullptr) {
        return false;
    }
    SetControlText(*control, Limited(text, GetTextLimit()));
    return true;
}

void TEdit::SetupWindow() {
    TControl::SetupWindow();
    if (auto* edit = qobject_cast<QLineEdit*>(TWindowAccess::TopWidget(*this)); edit != nullptr && GetTextLimit() > 0) {
        edit->setMaxLength(static_cast<int>(GetTextLimit() - 1));
    }
}
