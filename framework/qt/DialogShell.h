// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// DialogShell: the Qt side of a TDialog: a QDialog built from a dialog
// layout, with the layout's font, caption, size and controls (push buttons,
// check boxes, edit boxes, static texts and icons) at their places in
// dialog units of that font. It turns clicks on buttons into commands of
// the button's id, hands Enter and Escape to the dialog's key handling, and
// the platform's close to the dialog's close message. It belongs to the Qt
// widget tree; the dialog holds it as its top widget.

#include "resources/Resources.h"

#include <QDialog>

#include <optional>
#include <string_view>
#include <utility>
#include <vector>

class TDialog;
class TModule;

class DialogShell : public QDialog {
public:
    /// The shell of `dialog` over `layout`, owned by `parent` (nullptr:
    /// none); icons come from `module`.
    DialogShell(TDialog& dialog, QWidget* parent, const res::DialogLayout& layout, const TModule& module);

    /// The first control with `id`, nullptr when there is none.
    QWidget* Control(unsigned id) const;
    /// The id of `control`, or nothing when it is none of the layout's.
    std::optional<unsigned> IdOf(const QWidget* control) const;
    /// The id of the default push button, 1 (OK) when the layout has none.
    unsigned DefaultButtonId() const;
    /// The dialog base units of the layout's font.
    QSize BaseUnits() const { return Base; }

    /// Ends the dialog without a command: a modal run ends with 2, a
    /// modeless dialog is destroyed. The framework's quit and forced closes
    /// take this way; Escape goes to the dialog's key handling instead.
    void reject() override;

    /// The shell of a created dialog, nullptr otherwise.
    static DialogShell* Of(const TDialog& dialog);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QWidget* MakeControl(const res::DialogControl& control, const TModule& module);

    TDialog& Dialog;
    QSize Base;
    std::vector<std::pair<unsigned, QWidget*>> Controls;
    unsigned DefaultId = 1;
    bool FocusPlaced = false;
};

/// The text a control shows: an edit's content, a button's or static's text.
QString ControlText(const QWidget& control);
/// Replaces the text of a control.
void SetControlText(QWidget& control, const QString& text);
/// Copies `text` into `buffer` of `size` bytes: at most size - 1 bytes,
/// never cutting a UTF-8 character, and a terminating zero. Answers the
/// number of bytes copied (0 with nothing written when size < 1).
int CopyToBuffer(std::string_view text, char* buffer, int size);
