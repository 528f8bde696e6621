// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/qt/DialogShell.h"

#include "framework/Dialog.h"
#include "framework/Module.h"
#include "framework/qt/Conversions.h"
#include "framework/qt/Fonts.h"
#include "framework/qt/Icons.h"
#include "framework/qt/SafeCall.h"
#include "framework/qt/WindowAccess.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <cstring>

namespace {

// A static's text as shown: without SS_NOPREFIX "&" marks a mnemonic (and
// "&&" is a plain "&"), which a label without a partner cannot use.
QString StaticText(const res::DialogControl& control) {
    QString text = ToQString(control.text);
    if ((control.style & res::SS_NOPREFIX) != 0) {
        return text;
    }
    QString shown;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size()) {
            ++i;
        }
        shown += text[i];
    }
    return shown;
}

Qt::WindowFlags FlagsFor(std::uint32_t style) {
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint;
    if ((style & res::WS_CAPTION) == res::WS_CAPTION) {
        flags |= Qt::WindowTitleHint;
    }
    if ((style & res::WS_SYSMENU) != 0) {
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    }
    return flags;
}

}  // namespace

DialogShell::DialogShell(TDialog& dialog, QWidget* parent, const res::DialogLayout& layout, const TModule& module)
    : QDialog(parent, FlagsFor(layout.style)), Dialog(dialog) {
    setFont(PlatformFont(layout.fontFace, layout.pointSize));
    Base = DialogBaseUnits(font());
    setWindowTitle(ToQString(dialog.GetCaption()));
    for (const res::DialogControl& control : layout.controls) {
        QWidget* widget = MakeControl(control, module);
        widget->setGeometry(DialogUnitsToPixels(control.x, control.y, control.cx, control.cy, Base));
        widget->setVisible((control.style & res::WS_VISIBLE) != 0);
        Controls.emplace_back(control.id, widget);
    }
    // The position is relative to the owner's client area; like every
    // window's, the dialog's own area is placed, the frame lies around it.
    const QRect box = DialogUnitsToPixels(layout.x, layout.y, layout.cx, layout.cy, Base);
    const QPoint origin = parent != nullptr ? parent->mapToGlobal(QPoint(0, 0)) : QPoint(0, 0);
    setFixedSize(box.size());
    setGeometry(QRect(origin + box.topLeft(), box.size()));
}

QWidget* DialogShell::MakeControl(const res::DialogControl& control, const TModule& module) {
    QWidget* widget = nullptr;
    switch (control.kind) {
    case res::DialogControl::Kind::Button:
        if ((control.style & res::BS_TYPEMASK) == res::BS_AUTOCHECKBOX) {
            widget = new QCheckBox(ToQString(control.text), this);
        } else {
            auto* button = new QPushButton(ToQString(control.text), this);
            button->setAutoDefault(false);
            if ((control.style & res::BS_TYPEMASK) == res::BS_DEFPUSHBUTTON) {
                button->setDefault(true);
                DefaultId = control.id;
            }
            widget = button;
        }
        connect(static_cast<QAbstractButton*>(widget), &QAbstractButton::clicked, this,
                [this, id = control.id] { CallSafely([&] { Dialog.SendMessage(WM_COMMAND, id); }); });
        break;
    case res::DialogControl::Kind::Edit: {
        auto* edit = new QLineEdit(this);
        edit->setFrame((control.style & res::WS_BORDER) != 0);
        widget = edit;
        break;
    }
    case res::DialogControl::Kind::Static: {
        auto* label = new QLabel(this);
        if ((control.style & res::SS_TYPEMASK) == res::SS_ICON) {
            const QSize size = DialogUnitsToPixels(0, 0, control.cx, control.cy, Base).size();
            label->setPixmap(IconFromResource(module.LoadIcon(control.icon)).pixmap(size));
        } else {
            label->setTextFormat(Qt::PlainText);
            label->setText(StaticText(control));
            label->setWordWrap(true);
            const bool centred = (control.style & res::SS_TYPEMASK) == res::SS_CENTER;
            label->setAlignment((centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
        }
        if ((control.style & res::WS_BORDER) != 0) {
            label->setFrameShape(QFrame::Box);
        }
        widget = label;
        break;
    }
    }
    if (control.kind != res::DialogControl::Kind::Static) {
        widget->setFocusPolicy((control.style & res::WS_TABSTOP) != 0 ? Qt::StrongFocus : Qt::ClickFocus);
    }
    return widget;
}

QWidget* DialogShell::Control(unsigned id) const {
    const auto it = std::find_if(Controls.begin(), Controls.end(), [id](const auto& c) { return c.first == id; });
    return it != Controls.end() ? it->second : nullptr;
}

std::optional<unsigned> DialogShell::IdOf(const QWidget* control) const {
    const auto it =
        std::find_if(Controls.begin(), Controls.end(), [control](const auto& c) { return c.second == control; });
    return it != Controls.end() ? std::optional<unsigned>(it->first) : std::nullopt;
}

unsigned DialogShell::DefaultButtonId() const {
    return DefaultId;
}

void DialogShell::reject() {
    if (Dialog.IsModal()) {
        done(IDCANCEL);
    } else {
        Dialog.Destroy();
    }
}

void DialogShell::keyPressEvent(QKeyEvent* event) {
    // Reached only when no running application pre-translated the key.
    bool handled = false;
    CallSafely([&] { handled = Dialog.HandleDialogKey(KeyMessage(*event)); });
    if (handled) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void DialogShell::closeEvent(QCloseEvent* event) {
    // The dialog decides: it ends or destroys itself on its close message.
    event->ignore();
    CallSafely([this] { Dialog.SendMessage(WM_CLOSE); });
}

void DialogShell::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (FocusPlaced) {
        return;
    }
    // As on the platform, the first control with a tab stop starts with the
    // focus, an edit box with its text selected.
    FocusPlaced = true;
    for (const auto& [id, widget] : Controls) {
        if (widget->focusPolicy() == Qt::StrongFocus && widget->isEnabled() && !widget->isHidden()) {
            widget->setFocus(Qt::TabFocusReason);
            if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
                edit->selectAll();
            }
            break;
        }
    }
}

DialogShell* DialogShell::Of(const TDialog& dialog) {
    return dynamic_cast<DialogShell*>(TWindowAccess::TopWidget(dialog));
}

QString ControlText(const QWidget& control) {
    if (const auto* edit = qobject_cast<const QLineEdit*>(&control)) {
        return edit->text();
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(&control)) {
        return button->text();
    }
    if (const auto* label = qobject_cast<const QLabel*>(&control)) {
        return label->text();
    }
    return QString();
}

void SetControlText(QWidget& control, const QString& text) {
    if (auto* edit = qobject_cast<QLineEdit*>(&control)) {
        edit->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(&control)) {
        button->setText(text);
    } else if (auto* label = qobject_cast<QLabel*>(&control)) {
        label->setText(text);
    }
}

int CopyToBuffer(std::string_view text, char* buffer, int size) {
    if (buffer == nullptr || size < 1) {
        return 0;
    }
    std::size_t count = std::min(text.size(), static_cast<std::size_t>(size - 1));
    // Back off continuation bytes (10xxxxxx) so no character is cut in two.
    if (count < text.size()) {
        while (count > 0 && (static_cast<unsigned char>(text[count]) & 0xC0) == 0x80) {
            --count;
        }
    }
    std::memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
    return static_cast<int>(count);
}
