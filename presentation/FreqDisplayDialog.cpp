// SPDX-License-Identifier: GPL-3.0-or-later
#include "presentation/FreqDisplayDialog.h"

#include "presentation/WaveView.h"

#include "engine/FormatChunk.h"
#include "document/OwnerMessageBoxes.h"
#include "engine/SampleRateRewrite.h"
#include "document/WaveDocument.h"
#include "engine/WaveTexts.h"

#include "framework/Controls.h"
#include "framework/FileSaveDialog.h"
#include "framework/MessageBox.h"
#include "resources/ResourceIds.h"

namespace {

// Each box takes at most 31 characters.
constexpr unsigned kBoxTextLimit = 32;

constexpr char kSaveFilter[] = "Wave Files (*.WAV)|*.wav|";
constexpr char kSaveDefaultExt[] = "WAV";
// Shown when the user cancels the choice of the copy's name.
constexpr char kFileNotWrittenText[] = "file not written";

}  // namespace

TFreqDisplayDialog::TFreqDisplayDialog(TWaveView& parent, unsigned resourceId, std::string_view frequencyText,
                                       std::string_view noteText, std::string_view rateText,
                                       const std::string& filePath, TModule* module)
    : TDialog(&parent, resourceId, module),
      ParentView(parent),
      FrequencyText(frequencyText),
      NoteText(noteText),
      RateText(rateText),
      FilePath(filePath),
      PeakFrequencyBox(new TEdit(this, resid::PeakFrequencyBox, kBoxTextLimit)),
      NoteBox(new TEdit(this, resid::NoteBox, kBoxTextLimit)),
      SampleRateBox(new TEdit(this, resid::SampleRateBox, kBoxTextLimit)) {}

// The edit boxes are child windows: the framework deletes them with the dialog.
TFreqDisplayDialog::~TFreqDisplayDialog() = default;

const TEventTable& TFreqDisplayDialog::ClassEventTable() {
    static const TEventTable table(TDialog::ClassEventTable(),
                                   {
                                       EvCommand(resid::ModifyButton, &TFreqDisplayDialog::OnModify),
                                   });
    return table;
}

void TFreqDisplayDialog::SetupWindow() {
    TDialog::SetupWindow();
    PeakFrequencyBox->SetText(FrequencyText);
    NoteBox->SetText(NoteText);
    SampleRateBox->SetText(RateText);
}

void TFreqDisplayDialog::OnModify() {
    const std::uint32_t rate = RetunedRate(RequestedRate(), ParentView.GetWaveDocument().Wave().SampleRate(),
                                           IsDlgButtonChecked(resid::NoHigherFrequencyBox));
    // A rate no copy may carry is refused before a name is asked for, and the
    // keyboard goes back to the rate box, its text selected to be typed over.
    if (!IsOpenableSampleRate(rate)) {
        ParentView.MessageBox(UnopenableRateText(rate), kUnsupportedSampleRateCaption, MB_OK);
        SampleRateBox->SetFocus();
        SampleRateBox->SelectAll();
        return;
    }
    TFileSaveDialog::TData target(OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, kSaveFilter, nullptr, kSaveDefaultExt);
    target.SetFileName(FilePath);
    if (TFileSaveDialog(this, target).Execute() != IDOK) {
        ParentView.MessageBox(kFileNotWrittenText, nullptr, MB_OK);
        return;
    }
    TOwnerMessageBoxes boxes(&ParentView);
    RewriteSampleRate(
        FilePath, target.GetFileName(), [rate] { return rate; }, boxes);
}

std::uint32_t TFreqDisplayDialog::RequestedRate() const {
    char text[kBoxTextLimit];
    SampleRateBox->GetText(text, sizeof text);
    return LeadingUnsigned32(text);
}
