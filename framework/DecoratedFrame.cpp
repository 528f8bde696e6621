// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/DecoratedFrame.h"

#include "framework/StatusBar.h"

TDecoratedFrame::TDecoratedFrame(TWindow* parent, const char* title, TWindow* client, bool trackMenuSelection,
                                 TModule* module)
    : TFrameWindow(parent, title, client, trackMenuSelection, module) {}

const TEventTable& TDecoratedFrame::ClassEventTable() {
    static const TEventTable table(TFrameWindow::ClassEventTable(), {});
    return table;
}

void TDecoratedFrame::Insert(TWindow& decoration, TLocation location) {
    if (decoration.GetParent() != this) {
        decoration.SetParent(this);
    }
    Decorations.push_back(TDecoration{&decoration, location});
    if (IsWindow()) {
        if (!decoration.IsWindow()) {
            decoration.Create();
        }
        Relayout();
    }
}

std::vector<TFrameWindow::TEdgeWindow> TDecoratedFrame::EdgeWindows() const {
    std::vector<TEdgeWindow> edges;
    for (const TDecoration& decoration : Decorations) {
        edges.push_back(TEdgeWindow{decoration.Window, decoration.Location == Top});
    }
    return edges;
}

TPreProcess TDecoratedFrame::PreProcessMsg(const TMessage& msg) {
    // Decorations watch the keys first (the status bar's lock keys).
    for (const TDecoration& decoration : Decorations) {
        const TPreProcess answer = decoration.Window->PreProcessMsg(msg);
        if (answer != TPreProcess::PassOn) {
            return answer;
        }
    }
    return TFrameWindow::PreProcessMsg(msg);
}

void TDecoratedFrame::ChildLeaving(TWindow& child) {
    std::erase_if(Decorations, [&child](const TDecoration& d) { return d.Window == &child; });
    TFrameWindow::ChildLeaving(child);
}

void TDecoratedFrame::SetHintText(const std::string& text) {
    for (const TDecoration& decoration : Decorations) {
        if (auto* statusBar = dynamic_cast<TStatusBar*>(decoration.Window)) {
            statusBar->SetText(text);
            return;
        }
    }
}
