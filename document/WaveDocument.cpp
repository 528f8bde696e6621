// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/WaveDocument.h"

#include "document/OwnerMessageBoxes.h"
#include "engine/WaveTexts.h"

#include "framework/FrameWindow.h"
#include "framework/Window.h"

#include <utility>

TWaveDocument::TWaveDocument(TDocument* parent, TAnalysisStartFactory analysisStart)
    : TFileDocument(parent), AnalysisStart(std::move(analysisStart)) {}

TWaveDocument::~TWaveDocument() = default;

bool TWaveDocument::InitDoc() {
    return true;
}

bool TWaveDocument::Open(int, const char*) {
    MessageOwner = GetMainWindow();
    TOwnerMessageBoxes boxes(MessageOwner);
    // The windows stay painted while the sound plays; nothing else runs until it has ended.
    if (!Data.Load(GetDocPath(), boxes)) {
        return false;
    }
    SetDirty(false);
    if (PrepareAnalysis() != 1) {
        boxes.Report(kSetupFailedText, kSetupFailedCaption);
        return false;
    }
    return true;
}

bool TWaveDocument::Close() {
    TOwnerMessageBoxes boxes(MessageOwner);
    return Data.Close(boxes);
}

bool TWaveDocument::Commit(bool) {
    return true;
}

bool TWaveDocument::Revert(bool clear) {
    if (!TFileDocument::Revert(clear)) {
        return false;
    }
    if (!clear) {
        Open(DocOpenRead);
    }
    return true;
}

bool TWaveDocument::IsOpen() const {
    return Data.IsOpen();
}

int TWaveDocument::PrepareAnalysis() {
    TOwnerMessageBoxes boxes(MessageOwner);
    TFirstSampleStart fromTheStart;
    std::unique_ptr<TAnalysisStartChooser> chooser;
    if (AnalysisStart) {
        chooser = AnalysisStart(MessageOwner, *this);
    }
    return Data.PrepareAnalysis(chooser != nullptr ? *chooser : static_cast<TAnalysisStartChooser&>(fromTheStart),
                                boxes);
}
