// SPDX-License-Identifier: GPL-3.0-or-later
// Dialog layouts: 1 (the frequency result), 22000 (the about box) and 32514
// (the one-line input prompt), in dialog units of each layout's font.

#include "resources/ResourceIds.h"
#include "resources/Resources.h"

namespace res {
namespace {

using Kind = DialogControl::Kind;

constexpr std::uint32_t kChild = WS_CHILD | WS_VISIBLE;

const DialogLayout& FrequencyResult() {
    // A pop-up without a title bar, placed in the client area of the view.
    static const DialogLayout layout{
        "",
        WS_POPUP | WS_VISIBLE | WS_DLGFRAME | DS_MODALFRAME | DS_3DLOOK | DS_SETFONT,
        "MS Sans Serif",
        8,
        3,
        21,
        261,
        99,
        {
            {Kind::Button, resid::OkButton, "OK", 184, 7, 67, 35, kChild | BS_DEFPUSHBUTTON | WS_TABSTOP},
            {Kind::Button, resid::ModifyButton, "Modify...", 200, 52, 50, 14, kChild | BS_PUSHBUTTON | WS_TABSTOP},
            {Kind::Edit, resid::PeakFrequencyBox, "", 74, 8, 49, 11, kChild | WS_BORDER | WS_TABSTOP | ES_LEFT},
            {Kind::Static, IDC_STATIC, "corresponding note:", 5, 32, 67, 10, kChild | SS_CENTER},
            {Kind::Edit, resid::NoteBox, "", 74, 30, 59, 13, kChild | WS_BORDER | WS_TABSTOP | ES_LEFT},
            {Kind::Static, IDC_STATIC, "modify sample rate in wave header ->", 5, 55, 123, 10,
             kChild | SS_CENTER | WS_GROUP},
            {Kind::Static, IDC_STATIC, "local maximum at", 6, 9, 63, 10, kChild | SS_CENTER | WS_GROUP},
            {Kind::Edit, resid::SampleRateBox, "", 130, 53, 40, 13, kChild | WS_BORDER | WS_TABSTOP | ES_LEFT},
            {Kind::Button, resid::NoHigherFrequencyBox, "no higher frequency", 105, 76, 76, 13,
             kChild | BS_AUTOCHECKBOX},
        },
    };
    return layout;
}

const DialogLayout& About() {
    static const DialogLayout layout{
        "info about korvani",
        WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_3DLOOK | DS_SETFONT,
        "MS Sans Serif",
        8,
        12,
        17,
        183,
        127,
        {
            {Kind::Static, resid::AboutProductLine, "beta", 32, 25, 143, 10,
             kChild | SS_CENTER | SS_NOPREFIX | WS_GROUP},
            {Kind::Static, IDC_STATIC, "KORVANI", 73, 9, 60, 10,
             kChild | SS_CENTER | SS_NOPREFIX | WS_BORDER | WS_GROUP},
            {Kind::Static, resid::AboutDescriptionLine,
             "Gives you the ability to determine the pitch of a given sample.", 30, 70, 146, 21,
             kChild | SS_CENTER | SS_NOPREFIX | WS_GROUP},
            {Kind::Static, IDC_STATIC, "", 2, 2, 18, 20, kChild | SS_ICON, resid::AppIcon},
            {Kind::Button, resid::OkButton, "OK", 83, 108, 40, 14, kChild | BS_DEFPUSHBUTTON | WS_TABSTOP},
            {Kind::Static, IDC_STATIC, "", 118, 54, 60, 8, kChild | SS_LEFT | WS_GROUP},
        },
    };
    return layout;
}

const DialogLayout& InputPrompt() {
    // The caption is the title the program gives the prompt when it runs it.
    static const DialogLayout layout{
        "",
        WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
        "Helv",
        8,
        20,
        24,
        180,
        64,
        {
            {Kind::Static, resid::InputPrompt, "", 6, 6, 168, 10, kChild | SS_LEFT},
            {Kind::Edit, resid::InputEdit, "", 6, 20, 168, 12, kChild | WS_BORDER | WS_TABSTOP | ES_LEFT},
            {Kind::Button, resid::OkButton, "&OK", 32, 42, 50, 14, kChild | BS_DEFPUSHBUTTON | WS_TABSTOP},
            {Kind::Button, resid::CancelButton, "&Abbruch", 98, 42, 50, 14, kChild | BS_PUSHBUTTON | WS_TABSTOP},
        },
    };
    return layout;
}

}  // namespace

const DialogLayout* FindDialog(unsigned id) {
    switch (id) {
    case resid::FreqDisplayDialog: return &FrequencyResult();
    case resid::AboutDialog: return &About();
    case resid::InputDialog: return &InputPrompt();
    default: return nullptr;
    }
}

}  // namespace res
