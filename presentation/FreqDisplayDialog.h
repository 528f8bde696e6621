// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "presentation/EnteredNumbers.h"

#include "framework/Dialog.h"

#include <cstdint>
#include <string>
#include <string_view>

class TEdit;
class TModule;
class TWaveView;

/// The modeless result of one peak selection: the located frequency, the
/// nearest note with its exact frequency, and the sample rate at which the
/// peak would sound exactly on the note, in three edit boxes. "Modify..."
/// (and Escape) asks for a file name and writes a copy of the open WAV file
/// whose header carries the rate typed in the rate box, halved once when
/// "no higher frequency" is checked and the rate lies above the file's own.
/// OK (and Enter) closes it.
///
/// Owned by the view that opened it; owns its three edit-box objects (child
/// windows). Borrows the three texts only until its window is set up. Never
/// changes the document or the view.
class TFreqDisplayDialog : public TDialog {
public:
    /// The dialog of layout `resourceId` of `module` over `parent`, showing
    /// `frequencyText`, `noteText` and `rateText` (borrowed until Create()
    /// returns), for copies of the file at `filePath`.
    TFreqDisplayDialog(TWaveView& parent, unsigned resourceId, std::string_view frequencyText,
                       std::string_view noteText, std::string_view rateText, const std::string& filePath,
                       TModule* module = nullptr);
    ~TFreqDisplayDialog() override;

    DECLARE_EVENT_TABLE

    /// Command 2 ("Modify..." and Escape): asks for the copy's name, then
    /// writes the copy with the rate of the rate box, halved once when "no
    /// higher frequency" is checked and it lies above the file's own. A rate
    /// korvani cannot open is refused first with a box owned by the view, no
    /// name asked for, the keyboard back in the rate box, its text selected. The dialog stays open.
    void OnModify();

protected:
    /// The framework's set-up (boxes bound, typing limited to 31
    /// characters), then the three texts into their boxes.
    void SetupWindow() override;

private:
    /// The number the rate box starts with (LeadingUnsigned32).
    std::uint32_t RequestedRate() const;

    TWaveView& ParentView;
    std::string_view FrequencyText;
    std::string_view NoteText;
    std::string_view RateText;
    std::string FilePath;
    TEdit* PeakFrequencyBox;
    TEdit* NoteBox;
    TEdit* SampleRateBox;
};
