// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An application for the tests of the document handling: TestFrameApp's
// frame, a document manager over a list the test gives, and an event table
// that shows a created view as the frame's client, empties the frame when a
// view closes, and records the view and document notices it receives.

#include "tests/framework/TestFrameApp.h"

#include "framework/DocManager.h"
#include "framework/View.h"

#include <memory>
#include <utility>
#include <vector>

class DocTestApp : public TestFrameApp {
public:
    /// A manager with `mode` over `templates` is made with the main window.
    DocTestApp(TDocTemplateList& templates, unsigned mode = SingleDocumentMode) : Templates(templates), Mode(mode) {}

    DECLARE_EVENT_TABLE

    /// The document manager; valid once the main window exists.
    TDocManager& Manager() { return *static_cast<TDocManager*>(GetDocManager()); }

    /// ViewNotify messages received: (code, view).
    std::vector<std::pair<unsigned, TView*>> ViewEvents;
    /// Document notices received: (code, document).
    std::vector<std::pair<unsigned, const void*>> DocumentNotices;

    void OnViewCreated(TView* view) {
        ViewEvents.emplace_back(ViewCreated, view);
        Frame->SetClientWindow(view->GetWindow());
    }
    void OnViewClosed(TView* view) {
        ViewEvents.emplace_back(ViewClosed, view);
        Frame->SetClientWindow(nullptr);
        Frame->SetCaption("testapp");
    }
    void OnDocumentNotice(TMessage& msg) {
        DocumentNotices.emplace_back(msg.Id, reinterpret_cast<const void*>(msg.LParam));
    }

protected:
    void CreateMainWindow() override {
        TestFrameApp::CreateMainWindow();
        SetDocManager(std::make_unique<TDocManager>(Mode, Templates));
    }

private:
    TDocTemplateList& Templates;
    unsigned Mode;
};

inline const TEventTable& DocTestApp::ClassEventTable() {
    static const TEventTable table(TestFrameApp::ClassEventTable(),
                                   {
                                       EvNotify(ViewNotify, ViewCreated, &DocTestApp::OnViewCreated),
                                       EvNotify(ViewNotify, ViewClosed, &DocTestApp::OnViewClosed),
                                       EvMessage(DocumentNotice, &DocTestApp::OnDocumentNotice),
                                   });
    return table;
}
