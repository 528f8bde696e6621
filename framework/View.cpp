// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/View.h"

#include "framework/Document.h"

namespace {

// View ids are handed out once per process, from 1; 0 means "not usable".
unsigned gNextViewId = 1;

unsigned TakeViewId() {
    return gNextViewId++;
}

}  // namespace

TView::TView(TDocument& document) : Document(&document), ViewId(TakeViewId()) {
    document.AttachView(*this);
}

TView::TView() : ViewId(TakeViewId()) {}

TView::~TView() {
    DetachFromDocument();
}

void TView::SetDocTitle(std::string_view, int) {}

void TView::DetachFromDocument() {
    TDocument* document = Document;
    if (document == nullptr) {
        return;
    }
    Document = nullptr;
    document->DetachView(*this);
}
