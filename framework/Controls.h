// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Control wrappers: objects that stand for a control of a dialog's layout by
// its id. Constructed with the dialog as parent (the dialog owns them as
// child windows), they bind to the control when the dialog's window is set
// up and give access to its text. A text limit of n lets at most n - 1
// characters stand in the control.
//
//     auto* box = new TEdit(dialog, resid::SampleRateBox, 32);  // 31 characters
//     ...after the dialog's set-up:
//     box->SetText("44281");
//     char text[32];
//     box->GetText(text, sizeof text);

#include "framework/Window.h"

#include <string>
#include <string_view>

class TControl : public TWindow {
public:
    /// The wrapper of control `id` of dialog `parent`, with `textLimit`
    /// (0: none) counted with the terminating zero.
    TControl(TWindow* parent, unsigned id, unsigned textLimit = 0, TModule* module = nullptr);

    /// The text limit given at construction (0: none).
    unsigned GetTextLimit() const { return TextLimit; }

    /// Replaces the control's text; false when the control is not bound.
    virtual bool SetText(std::string_view text);
    /// Copies the control's text into `buffer` of `size` bytes: at most
    /// size - 1 bytes and a terminating zero, never cutting a character.
    /// Answers the bytes copied.
    int GetText(char* buffer, int size) const;
    /// The control's whole text (empty when not bound).
    std::string GetText() const;

protected:
    /// Binds to the parent dialog's control of the id; nothing when the
    /// layout has none (Create() then fails with xmsg 32745).
    void PerformCreate() override;

private:
    unsigned TextLimit;
};

/// A static text control. Texts set through it are cut to its text limit.
class TStatic : public TControl {
public:
    /// The wrapper of static `id` of `parent`, with `textLimit` (0: none).
    TStatic(TWindow* parent, unsigned id, unsigned textLimit = 0, TModule* module = nullptr)
        : TControl(parent, id, textLimit, module) {}

    /// Replaces the text, cut to at most limit - 1 characters.
    bool SetText(std::string_view text) override;
};

/// An edit box. The control itself refuses characters typed beyond the text
/// limit; texts set through it are cut to the limit as well.
class TEdit : public TControl {
public:
    /// The wrapper of edit box `id` of `parent`, with `textLimit` (0: none).
    TEdit(TWindow* parent, unsigned id, unsigned textLimit = 0, TModule* module = nullptr)
        : TControl(parent, id, textLimit, module) {}

    /// Selects the whole text, so that the next keys typed replace it.
    void SelectAll();

protected:
    /// Binds to the control and gives it the typing limit.
    void SetupWindow() override;
};
