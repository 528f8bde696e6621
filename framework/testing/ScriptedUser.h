// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// ScriptedUser: the person in front of the screen during a test. It answers
// every modal window (message boxes now, any modal dialog later) with the
// answers queued in order, and records what each one showed. It answers a
// modal once it is the active window, as a person who sees it would. A modal
// that finds no answer queued, that stays open after its answer or that never
// becomes active fails the test and is closed, so a test never hangs in a
// nested loop. The user watches only while it exists; create it before the
// action that opens the first modal window.

#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <deque>
#include <functional>
#include <string>
#include <vector>

class TWindow;

namespace harness {

/// What one modal window showed.
struct ShownModal {
    TWindow* Owner = nullptr;          // the window that owns it; nullptr for none
    std::string Caption;               // the window title
    std::string Text;                  // a message box's text; a dialog's label texts, one per line
    std::vector<std::string> Buttons;  // button texts as shown, left to right
    unsigned Icon = 0;                 // a message box's MB_ICON... flag, 0 for none
    bool IsMessageBox = false;
};

class ScriptedUser {
public:
    /// An action on a modal window (it must end the window, directly or not).
    using Answer = std::function<void(QWidget& modal)>;

    ScriptedUser();
    /// Fails the test when queued answers were never used.
    ~ScriptedUser();

    ScriptedUser(const ScriptedUser&) = delete;
    ScriptedUser& operator=(const ScriptedUser&) = delete;

    /// Answers the next modal by pressing the button of platform answer `id`
    /// (IDOK, IDCANCEL, IDYES, IDNO...).
    ScriptedUser& Press(int id);
    /// Answers the next modal by clicking the button whose text (without "&") is `text`.
    ScriptedUser& PressButton(const std::string& text);
    /// Answers the next modal by typing `text` into its line edit (replacing
    /// what is there), then clicking the button `button`.
    ScriptedUser& TypeAndPress(const std::string& text, const std::string& button);
    /// Answers the next modal by pressing `key` (Escape, Return...) on it.
    ScriptedUser& PressKey(Qt::Key key);
    /// Answers the next modal with any action of the test's own.
    ScriptedUser& Then(Answer answer);

    /// Every modal seen so far, in order.
    const std::vector<ShownModal>& Shown() const { return Seen; }
    /// The last modal seen; fails the test when there was none.
    ShownModal Last() const;
    /// The number of answers not used yet.
    std::size_t PendingAnswers() const { return Answers.size(); }

    /// How long a modal may stay open after its answer, or stay inactive
    /// after it appeared, before the user gives up, fails the test and closes it.
    void SetPatience(std::chrono::milliseconds patience) { Patience = patience; }

private:
    void Poll();
    void WaitForActivation(QWidget& modal);
    void Handle(QWidget& modal);

    QTimer Timer;
    std::deque<Answer> Answers;
    std::vector<ShownModal> Seen;
    QPointer<QWidget> Current;
    std::chrono::steady_clock::time_point AnsweredAt;
    QPointer<QWidget> Inactive;  // a new modal waiting to become the active window
    std::chrono::steady_clock::time_point InactiveSince;
    std::chrono::milliseconds Patience{3000};
};

/// Fails the running test with `message` (for helpers outside a test body).
void FailTest(const char* message);

/// The last entry of a record of what was shown; an empty one and a failed
/// test with `noneShown` when nothing was.
template <class T>
T LastShown(const std::vector<T>& seen, const char* noneShown) {
    if (seen.empty()) {
        FailTest(noneShown);
        return {};
    }
    return seen.back();
}

/// Closes `modal` the hard way (Escape, reject, or its last button).
void ForceClose(QWidget& modal);

}  // namespace harness
