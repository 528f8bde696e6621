// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/InputDialog.h"

#include "framework/Controls.h"
#include "resources/ResourceIds.h"

#include <algorithm>
#include <cstring>

TInputDialog::TInputDialog(TWindow* parent, const char* title, const char* prompt, char* buffer, int bufferSize,
                           TModule* module)
    : TDialog(parent, resid::InputDialog, module),
      Prompt(prompt != nullptr ? prompt : ""),
      Buffer(buffer),
      BufferSize(std::max(bufferSize, 0)),
      PromptLine(new TStatic(this, resid::InputPrompt)),
      Edit(new TEdit(this, resid::InputEdit, static_cast<unsigned>(std::max(bufferSize, 1)))) {
    SetCaption(title != nullptr ? title : "");
}

void TInputDialog::TransferData(TTransferDirection direction) {
    if (direction == TTransferDirection::Set) {
        PromptLine->SetText(Prompt);
        Edit->SetText(Buffer != nullptr
                          ? std::string_view(Buffer, strnlen(Buffer, static_cast<std::size_t>(BufferSize)))
                          : std::string_view());
        return;
    }
    Edit->GetText(Buffer, BufferSize);
}
