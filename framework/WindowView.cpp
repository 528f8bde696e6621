// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/WindowView.h"

#include "framework/FrameWindow.h"

TWindowView::TWindowView(TDocument& document, TWindow* parent) : TWindow(parent), TView(document) {}

TWindowView::~TWindowView() {
    DetachFromDocument();
}

const TEventTable& TWindowView::ClassEventTable() {
    static const TEventTable table(TWindow::ClassEventTable(), {});
    return table;
}

void TWindowView::SetDocTitle(std::string_view docTitle, int index) {
    for (TWindow* w = GetParent(); w != nullptr; w = w->GetParent()) {
        if (auto* frame = dynamic_cast<TFrameWindow*>(w)) {
            frame->SetDocTitle(docTitle, index);
            return;
        }
    }
}
