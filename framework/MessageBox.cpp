// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/MessageBox.h"

#include "framework/Window.h"
#include "framework/qt/Conversions.h"
#include "framework/qt/Fonts.h"
#include "framework/qt/ModalReturn.h"
#include "framework/qt/WindowAccess.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

// A message box that, like the platform's, cannot be escaped when it has
// neither a Cancel nor a lone OK button.
class PlatformMessageBox : public QMessageBox {
public:
    PlatformMessageBox(QWidget* parent, bool escapable) : QMessageBox(parent), Escapable(escapable) {}

    /// The title bar, once the caption is set: a box of its owner's, closed
    /// by its buttons (and the close button when it can be escaped), never
    /// minimised or maximised, and at least as wide as its whole caption
    /// needs. Setting the modality resets the window flags.
    void FinishTitleBar() {
        Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        if (Escapable) {
            flags |= Qt::WindowCloseButtonHint;
        }
        setWindowFlags(flags);
        if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
            grid->addItem(new QSpacerItem(TitleBarWidth(windowTitle()), 0, QSizePolicy::Fixed, QSizePolicy::Minimum),
                          grid->rowCount(), 0, 1, std::max(grid->columnCount(), 1));
        }
    }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Escape && !Escapable) {
            event->accept();
            return;
        }
        QMessageBox::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent* event) override {
        if (!Escapable) {
            event->ignore();
            return;
        }
        QMessageBox::closeEvent(event);
    }

private:
    bool Escapable;
};

struct ButtonChoice {
    QMessageBox::StandardButton Button;
    int Answer;
};

std::vector<ButtonChoice> ButtonsFor(unsigned flags) {
    using B = QMessageBox;
    switch (flags & 0x0F) {
    case MB_OKCANCEL: return {{B::Ok, IDOK}, {B::Cancel, IDCANCEL}};
    case MB_ABORTRETRYIGNORE: return {{B::Abort, IDABORT}, {B::Retry, IDRETRY}, {B::Ignore, IDIGNORE}};
    case MB_YESNOCANCEL: return {{B::Yes, IDYES}, {B::No, IDNO}, {B::Cancel, IDCANCEL}};
    case MB_YESNO: return {{B::Yes, IDYES}, {B::No, IDNO}};
    case MB_RETRYCANCEL: return {{B::Retry, IDRETRY}, {B::Cancel, IDCANCEL}};
    default: return {{B::Ok, IDOK}};
    }
}

QMessageBox::Icon IconFor(unsigned flags) {
    switch (flags & 0xF0) {
    case MB_ICONSTOP: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONEXCLAMATION: return QMessageBox::Warning;
    case MB_ICONINFORMATION: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

}  // namespace

int MessageBoxEx(TWindow* owner, std::string_view text, const char* caption, unsigned flags) {
    const std::vector<ButtonChoice> choices = ButtonsFor(flags);
    QAbstractButton* escapeButton = nullptr;
    QWidget* ownerWidget = owner != nullptr ? TWindowAccess::TopWidget(*owner) : nullptr;

    const bool hasCancel =
        (flags & 0x0F) == MB_OKCANCEL || (flags & 0x0F) == MB_YESNOCANCEL || (flags & 0x0F) == MB_RETRYCANCEL;
    const bool escapable = hasCancel || choices.size() == 1;
    const ModalReturn comeBack(ownerWidget);
    PlatformMessageBox box(ownerWidget, escapable);
    box.setWindowModality(Qt::ApplicationModal);
    box.setWindowTitle(caption != nullptr ? QString::fromUtf8(caption) : ToQString(DefaultMessageBoxCaption));
    box.setText(ToQString(text));
    box.setTextFormat(Qt::PlainText);
    box.setIcon(IconFor(flags));

    const std::size_t defaultIndex = (flags & MB_DEFBUTTON3) != 0 ? 2 : (flags & MB_DEFBUTTON2) != 0 ? 1 : 0;
    for (std::size_t i = 0; i < choices.size(); ++i) {
        QPushButton* button = box.addButton(choices[i].Button);
        if (i == defaultIndex) {
            box.setDefaultButton(button);
        }
        if (choices[i].Answer == IDCANCEL || (choices.size() == 1 && choices[i].Answer == IDOK)) {
            escapeButton = button;
        }
    }
    if (escapeButton != nullptr) {
        box.setEscapeButton(escapeButton);
    }

    box.FinishTitleBar();
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    for (const ButtonChoice& choice : choices) {
        if (clicked != nullptr && box.standardButton(clicked) == choice.Button) {
            return choice.Answer;
        }
    }
    // Ended without a button (the application quit meanwhile).
    return hasCancel ? IDCANCEL : choices.back().Answer;
}
