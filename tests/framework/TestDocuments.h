// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Documents and views for the tests of the document handling. They behave
// like the base classes (TFileDocument, TWindowView) unless the test's
// script says otherwise, and write what happens to them into a shared log,
// so a test can check the order of the manager's steps. Each test resets
// both in its fixture.

#include "framework/DocTemplate.h"
#include "framework/Document.h"
#include "framework/WindowView.h"

#include <string>
#include <vector>

/// How the next documents and views behave.
struct TestScript {
    bool InitFails = false;          // InitDoc answers false
    bool OpenFails = false;          // Open answers false
    bool CloseFails = false;         // Close answers false (and keeps the document open)
    bool RefusesClose = false;       // CanClose answers false
    bool ViewUnusable = false;       // views mark themselves unusable
    bool ViewRefusesRevert = false;  // views answer false to the revert notice
};

inline TestScript gTestScript;
inline std::vector<std::string> gTestLog;

/// Clears the script and the log.
inline void ResetTestDocuments() {
    gTestScript = TestScript{};
    gTestLog.clear();
}

class TestDocument : public TFileDocument {
public:
    explicit TestDocument(TDocument* parent) : TFileDocument(parent) {}
    ~TestDocument() override { gTestLog.push_back("delete " + GetTitle()); }

    bool InitDoc() override {
        gTestLog.push_back("init " + GetTitle());
        return !gTestScript.InitFails;
    }
    bool Open(int mode, const char* path) override {
        gTestLog.push_back("open " + std::to_string(mode) + " " + GetTitle());
        return !gTestScript.OpenFails && TFileDocument::Open(mode, path);
    }
    bool CanClose() override {
        gTestLog.push_back("can-close " + GetTitle());
        return !gTestScript.RefusesClose && TFileDocument::CanClose();
    }
    bool Close() override {
        gTestLog.push_back("close " + GetTitle());
        return !gTestScript.CloseFails && TFileDocument::Close();
    }
};

/// A second document class, for the kind tests.
class OtherDocument : public TFileDocument {
public:
    explicit OtherDocument(TDocument* parent) : TFileDocument(parent) {}
};

class TestView : public TWindowView {
public:
    explicit TestView(TestDocument& document) : TWindowView(document) {
        if (gTestScript.ViewUnusable) {
            MarkUnusable();
        }
        gTestLog.push_back("view " + document.GetTitle());
    }
    ~TestView() override { gTestLog.push_back("view gone"); }

    DECLARE_EVENT_TABLE

    /// Document notices received: (code, WParam).
    std::vector<std::pair<unsigned, std::uintptr_t>> Notices;
    /// Titles reported to the view: (title, index).
    std::vector<std::pair<std::string, int>> Titles;

    void SetDocTitle(std::string_view docTitle, int index) override {
        Titles.emplace_back(std::string(docTitle), index);
        TWindowView::SetDocTitle(docTitle, index);
    }

    void OnDocumentNotice(TMessage& msg) {
        Notices.emplace_back(msg.Id, msg.WParam);
        msg.Result = msg.Id == DocRevertNotice && gTestScript.ViewRefusesRevert ? 0 : 1;
    }
};

inline const TEventTable& TestView::ClassEventTable() {
    static const TEventTable table(TWindowView::ClassEventTable(),
                                   {
                                       EvMessage(DocumentNotification, &TestView::OnDocumentNotice),
                                   });
    return table;
}

/// The template korvani's wave template stands for, with test classes.
using TestTemplate = TDocTemplateT<TestDocument, TestView>;

/// The wave template's flags.
inline constexpr unsigned kWaveTemplateFlags = TplAutoDelete | TplAutoOpen | TplRememberDirectory;
