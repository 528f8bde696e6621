// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/testing/ScriptedUser.h"

#include "framework/MessageBox.h"
#include "framework/qt/WindowWidget.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>

namespace harness {
namespace {

std::string Plain(const QString& text) {
    QString plain = text;
    plain.remove(QLatin1Char('&'));
    return plain.toStdString();
}

std::vector<QAbstractButton*> ButtonsLeftToRight(QWidget& modal) {
    std::vector<QAbstractButton*> buttons;
    for (QAbstractButton* button : modal.findChildren<QAbstractButton*>()) {
        if (button->isVisible()) {
            buttons.push_back(button);
        }
    }
    std::sort(buttons.begin(), buttons.end(), [](QAbstractButton* a, QAbstractButton* b) {
        return a->mapToGlobal(QPoint(0, 0)).x() < b->mapToGlobal(QPoint(0, 0)).x();
    });
    return buttons;
}

unsigned IconFlag(QMessageBox::Icon icon) {
    switch (icon) {
    case QMessageBox::Critical: return MB_ICONSTOP;
    case QMessageBox::Question: return MB_ICONQUESTION;
    case QMessageBox::Warning: return MB_ICONEXCLAMATION;
    case QMessageBox::Information: return MB_ICONINFORMATION;
    default: return 0;
    }
}

QMessageBox::StandardButton StandardButtonFor(int id) {
    switch (id) {
    case IDOK: return QMessageBox::Ok;
    case IDCANCEL: return QMessageBox::Cancel;
    case IDABORT: return QMessageBox::Abort;
    case IDRETRY: return QMessageBox::Retry;
    case IDIGNORE: return QMessageBox::Ignore;
    case IDYES: return QMessageBox::Yes;
    case IDNO: return QMessageBox::No;
    default: return QMessageBox::NoButton;
    }
}

void Click(QAbstractButton& button) {
    QTest::mouseClick(&button, Qt::LeftButton);
}

ShownModal Describe(QWidget& modal) {
    ShownModal shown;
    shown.Caption = modal.windowTitle().toStdString();
    shown.Owner = WindowFromWidget(modal.parentWidget());
    for (QAbstractButton* button : ButtonsLeftToRight(modal)) {
        shown.Buttons.push_back(button->text().toStdString());
    }
    if (auto* box = qobject_cast<QMessageBox*>(&modal)) {
        shown.IsMessageBox = true;
        shown.Text = box->text().toStdString();
        shown.Icon = IconFlag(box->icon());
    } else {
        for (QLabel* label : modal.findChildren<QLabel*>()) {
            if (!shown.Text.empty()) {
                shown.Text += '\n';
            }
            shown.Text += label->text().toStdString();
        }
    }
    return shown;
}

void ClickButtonNamed(QWidget& modal, const std::string& text) {
    for (QAbstractButton* button : ButtonsLeftToRight(modal)) {
        if (Plain(button->text()) == Plain(QString::fromStdString(text))) {
            Click(*button);
            return;
        }
    }
    ADD_FAILURE() << "the modal window has no button \"" << text << "\"";
    ForceClose(modal);
}

std::string Summary(const ShownModal& shown) {
    return "\"" + shown.Caption + "\": \"" + shown.Text + "\"";
}

}  // namespace

ScriptedUser::ScriptedUser() {
    Timer.setInterval(5);
    QObject::connect(&Timer, &QTimer::timeout, [this] { Poll(); });
    Timer.start();
}

ScriptedUser::~ScriptedUser() {
    Timer.stop();
    EXPECT_TRUE(Answers.empty()) << Answers.size() << " answer(s) of the scripted user were never needed";
}

ScriptedUser& ScriptedUser::Press(int id) {
    return Then([id](QWidget& modal) {
        auto* box = qobject_cast<QMessageBox*>(&modal);
        QAbstractButton* button = box != nullptr ? box->button(StandardButtonFor(id)) : nullptr;
        if (button == nullptr) {
            ADD_FAILURE() << "the modal window has no button for answer " << id;
            ForceClose(modal);
            return;
        }
        Click(*button);
    });
}

ScriptedUser& ScriptedUser::PressButton(const std::string& text) {
    return Then([text](QWidget& modal) { ClickButtonNamed(modal, text); });
}

ScriptedUser& ScriptedUser::TypeAndPress(const std::string& text, const std::string& button) {
    return Then([text, button](QWidget& modal) {
        auto* edit = modal.findChild<QLineEdit*>();
        if (edit == nullptr) {
            ADD_FAILURE() << "the modal window has no line edit to type into";
            ForceClose(modal);
            return;
        }
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, QString::fromStdString(text));
        ClickButtonNamed(modal, button);
    });
}

ScriptedUser& ScriptedUser::PressKey(Qt::Key key) {
    return Then([key](QWidget& modal) {
        QWidget* target = modal.focusWidget() != nullptr ? modal.focusWidget() : &modal;
        QTest::keyClick(target, key);
    });
}

ScriptedUser& ScriptedUser::Then(Answer answer) {
    Answers.push_back(std::move(answer));
    return *this;
}

ShownModal ScriptedUser::Last() const {
    return LastShown(Seen, "no modal window was shown");
}

void FailTest(const char* message) {
    ADD_FAILURE() << message;
}

void ScriptedUser::Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible()) {
        return;
    }
    if (modal != Current.data()) {
        // A window is shown at once, but it becomes the active window (and
        // its focus control the application's focus) only when the platform's
        // activation event is delivered, later in the loop. A person sees it
        // and types into it only then.
        if (!modal->isActiveWindow()) {
            WaitForActivation(*modal);
            return;
        }
        Handle(*modal);
        return;
    }
    if (std::chrono::steady_clock::now() - AnsweredAt > Patience) {
        ADD_FAILURE() << "the modal window " << Summary(Describe(*modal))
                      << " stayed open after its answer; the scripted user closed it";
        ForceClose(*modal);
        AnsweredAt = std::chrono::steady_clock::now();
    }
}

void ScriptedUser::WaitForActivation(QWidget& modal) {
    const auto now = std::chrono::steady_clock::now();
    if (&modal != Inactive.data()) {
        Inactive = &modal;
        InactiveSince = now;
        return;
    }
    if (now - InactiveSince > Patience) {
        Current = &modal;
        AnsweredAt = now;
        Seen.push_back(Describe(modal));
        ADD_FAILURE() << "the modal window " << Summary(Seen.back())
                      << " never became the active window; the scripted user closed it";
        ForceClose(modal);
    }
}

void ScriptedUser::Handle(QWidget& modal) {
    Current = &modal;
    AnsweredAt = std::chrono::steady_clock::now();
    Seen.push_back(Describe(modal));
    if (Answers.empty()) {
        ADD_FAILURE() << "an unexpected modal window " << Summary(Seen.back())
                      << " appeared; the scripted user closed it";
        ForceClose(modal);
        return;
    }
    Answer answer = std::move(Answers.front());
    Answers.pop_front();
    answer(modal);
}

void ForceClose(QWidget& modal) {
    if (auto* box = qobject_cast<QMessageBox*>(&modal)) {
        QAbstractButton* button = box->escapeButton();
        if (button == nullptr && !box->buttons().isEmpty()) {
            button = box->buttons().back();
        }
        if (button != nullptr) {
            button->click();
            return;
        }
    }
    if (auto* dialog = qobject_cast<QDialog*>(&modal)) {
        dialog->reject();
        return;
    }
    modal.close();
}

}  // namespace harness
