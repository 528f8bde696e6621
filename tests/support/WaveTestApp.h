// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// WaveTestApp: korvani's main window and document manager, reduced to what the
// tests of the WAV document and of its views need. The frame stands at (0, 0)
// with the main menu; a single-document manager works over the test's
// templates; a created view becomes the frame's client, and a closed one
// leaves it with the frame's own caption back. It makes no views and owns no
// templates: the test's fixture does. Header-only; a test using it links the
// document and framework_testing libraries.

#include "document/WaveDocument.h"

#include "framework/Application.h"
#include "framework/DocManager.h"
#include "framework/DocTemplate.h"
#include "framework/FrameWindow.h"
#include "framework/Messages.h"
#include "framework/Module.h"
#include "framework/testing/Harness.h"
#include "resources/ResourceIds.h"

#include <memory>
#include <utility>

namespace fixtures {

class WaveTestApp : public TApplication {
public:
    /// An application whose main window will be `width` x `height` pixels,
    /// with a document manager over `templates`.
    WaveTestApp(TDocTemplateList& templates, int width, int height)
        : TApplication("korvani", gModule), Templates(templates), Width(width), Height(height) {}

    DECLARE_EVENT_TABLE

    /// The document manager made with the main window.
    TDocManager& Manager() { return *static_cast<TDocManager*>(GetDocManager()); }

    /// The one open WAV document, or nullptr.
    TWaveDocument* OpenDocument() {
        const auto& documents = Manager().GetDocuments();
        return documents.empty() ? nullptr : dynamic_cast<TWaveDocument*>(documents.front());
    }

    /// The main window, once the application runs.
    TFrameWindow* Frame = nullptr;

    void OnViewCreated(TView* view) { Frame->SetClientWindow(view->GetWindow()); }
    void OnViewClosed(TView*) {
        Frame->SetClientWindow(nullptr);
        Frame->SetCaption("korvani");
    }

protected:
    void CreateMainWindow() override {
        auto frame = std::make_unique<TFrameWindow>(nullptr, "korvani", nullptr, false, this);
        frame->Attr.X = 0;
        frame->Attr.Y = 0;
        frame->Attr.W = Width;
        frame->Attr.H = Height;
        frame->AssignMenu(resid::MainMenu);
        Frame = frame.get();
        SetMainWindow(std::move(frame));
        SetDocManager(std::make_unique<TDocManager>(SingleDocumentMode, Templates));
    }

private:
    TDocTemplateList& Templates;
    int Width;
    int Height;
};

inline const TEventTable& WaveTestApp::ClassEventTable() {
    static const TEventTable table(TApplication::ClassEventTable(),
                                   {
                                       EvNotify(ViewNotify, ViewCreated, &WaveTestApp::OnViewCreated),
                                       EvNotify(ViewNotify, ViewClosed, &WaveTestApp::OnViewClosed),
                                   });
    return table;
}

/// Clicks "open..." in the frame's file menu.
inline void ClickOpen(TFrameWindow& frame) {
    harness::ClickMenuItem(frame, {"&file", "open..."});
}

/// Clicks "close" in the frame's file menu.
inline void ClickClose(TFrameWindow& frame) {
    harness::ClickMenuItem(frame, {"&file", "close"});
}

}  // namespace fixtures
