// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TInputDialog: the one-line input prompt (layout 32514): a caption, a
// prompt line, an edit box that starts with the caller's text, and the
// buttons "&OK" and "&Abbruch". It edits the caller's buffer, which it does
// not own; the buffer must live as long as the dialog runs.
//
//     char text[8] = "0";
//     TInputDialog prompt(window, "You can specify a start point for the analysis.",
//                         "start time in milli seconds :", text, sizeof text);
//     if (prompt.Execute() == IDOK) { ...text holds at most 7 characters... }

#include "framework/Dialog.h"

#include <string>

class TEdit;
class TStatic;

class TInputDialog : public TDialog {
public:
    /// A prompt owned by `parent` with caption `title` and prompt line
    /// `prompt`, editing `buffer` of `bufferSize` bytes (a zero-terminated
    /// text): at most bufferSize - 1 characters can be typed.
    TInputDialog(TWindow* parent, const char* title, const char* prompt, char* buffer, int bufferSize,
                 TModule* module = nullptr);

protected:
    /// Set: the prompt and the buffer's text into the controls. Get (on OK):
    /// the edit box's text back into the buffer, at most bufferSize - 1
    /// bytes and a terminating zero.
    void TransferData(TTransferDirection direction) override;

private:
    std::string Prompt;
    char* Buffer;
    int BufferSize;
    TStatic* PromptLine;  // child windows: the dialog deletes them
    TEdit* Edit;
};
