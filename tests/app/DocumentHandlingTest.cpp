// SPDX-License-Identifier: GPL-3.0-or-later
// korvani's document handling as a person uses it: "open..." with the file
// dialog answered, "close", the caption, the reports, and the quit. A
// stand-in for the wave template (test document and view classes, the
// wave template's texts and flags) joins the static template list the way
// the real one does, and korvatekApp's document manager takes it over.

#include "tests/framework/TestDocuments.h"

#include "app/korvatekApp.h"
#include "framework/DocManager.h"
#include "framework/testing/FileOpenAnswers.h"
#include "framework/testing/Harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using harness::ScriptedUser;
using Log = std::vector<std::string>;

TestTemplate gWaveStandIn("Wave files (*.wav)", "*.wav", nullptr, "WAV", kWaveTemplateFlags);

TDocManager& ManagerOf(TApplication& app) {
    return dynamic_cast<TDocManager&>(*app.GetDocManager());
}

void ClickOpen(TFrameWindow& frame) {
    harness::ClickMenuItem(frame, {"&file", "open..."});
}

class DocumentHandling : public testing::Test {
protected:
    void SetUp() override {
        ResetTestDocuments();
        gWaveStandIn.SetDirectory("");  // what an earlier test remembered
    }

    // Runs korvani and calls `body` with its main window once the loop runs.
    int Run(const std::function<void(TFrameWindow&)>& body) {
        return harness::RunApplication(app, [&] { body(*app.GetMainWindow()); });
    }

    harness::FakeDesktop desktop{TSize{1024, 768}};
    harness::FakeLockKeys keys{TLockKeyState{}};
    harness::FileOpenAnswers files;
    korvatekApp app;
};

TEST_F(DocumentHandling, OpeningTwiceLeavesOneDocumentAndTheCaptionNamesTheSecond) {
    Run([&](TFrameWindow& frame) {
        files.Choose("/music/set1/first.wav").Choose("/music/set2/second.wav");
        ClickOpen(frame);
        EXPECT_EQ(harness::Caption(frame), "korvani - first.wav");
        ClickOpen(frame);

        EXPECT_EQ(harness::Caption(frame), "korvani - second.wav");
        const std::vector<TDocument*>& docs = ManagerOf(app).GetDocuments();
        ASSERT_EQ(docs.size(), 1u);
        EXPECT_EQ(docs.front()->GetDocPath(), "/music/set2/second.wav");
        EXPECT_EQ(frame.GetClientWindow(), docs.front()->GetViews().front()->GetWindow());
        const auto closed = std::find(gTestLog.begin(), gTestLog.end(), "delete first.wav");
        const auto created = std::find(gTestLog.begin(), gTestLog.end(), "init second.wav");
        ASSERT_NE(closed, gTestLog.end());
        EXPECT_LT(closed, created) << "the first document goes before the second is made";
    });
}

TEST_F(DocumentHandling, TheDialogOffersOnlyWaveFilesAndTheLastDirectory) {
    Run([&](TFrameWindow& frame) {
        files.Choose("/music/set1/first.wav").Cancel();
        ClickOpen(frame);
        ClickOpen(frame);

        ASSERT_EQ(files.Shown().size(), 2u);
        const harness::ShownFileOpen first = files.Shown()[0];
        EXPECT_EQ(first.Filters, (std::vector<TFileFilter>{{"Wave files (*.wav)", "*.wav"}}));
        EXPECT_EQ(first.FilterIndex, 0u);
        EXPECT_EQ(first.Owner, &frame);
        EXPECT_EQ(first.DefaultExtension, "WAV");
        EXPECT_EQ(first.Options, 0u) << "read-only box shown unchecked, any name accepted";
        EXPECT_EQ(first.InitialDirectory, "");
        EXPECT_EQ(files.Shown()[1].InitialDirectory, "/music/set1");
        EXPECT_EQ(harness::Caption(frame), "korvani - first.wav") << "a cancel keeps the document";
    });
}

TEST_F(DocumentHandling, ThePathOfTheOpenDocumentIsReportedAsAlreadyLoadedAndKept) {
    ScriptedUser user;
    Run([&](TFrameWindow& frame) {
        files.Choose("/music/a.wav").Choose("/music/a.wav");
        ClickOpen(frame);
        TDocument* doc = ManagerOf(app).GetDocuments().front();
        user.Press(IDOK);
        ClickOpen(frame);

        const harness::ShownModal report = user.Last();
        EXPECT_EQ(report.Text, "Dokument ist bereits geladen");
        EXPECT_EQ(report.Caption, "a.wav");
        EXPECT_EQ(report.Buttons, (std::vector<std::string>{"OK"}));
        EXPECT_EQ(report.Icon, 0u);
        EXPECT_EQ(report.Owner, &frame);
        EXPECT_EQ(ManagerOf(app).GetDocuments(), (std::vector<TDocument*>{doc}));
        EXPECT_EQ(std::count(gTestLog.begin(), gTestLog.end(), "close a.wav"), 0);
        EXPECT_EQ(harness::Caption(frame), "korvani - a.wav");
    });
}

TEST_F(DocumentHandling, CloseIsEnabledOnlyWithADocumentAndLeavesTheCaptionExactlyKorvani) {
    Run([&](TFrameWindow& frame) {
        EXPECT_TRUE(harness::IsMenuItemEnabled(frame, {"&file", "open..."}));
        EXPECT_FALSE(harness::IsMenuItemEnabled(frame, {"&file", "close"}));
        files.Choose("/music/a.wav");
        ClickOpen(frame);
        EXPECT_TRUE(harness::IsMenuItemEnabled(frame, {"&file", "close"}));

        harness::ClickMenuItem(frame, {"&file", "close"});
        EXPECT_EQ(harness::Caption(frame), "korvani");
        EXPECT_EQ(frame.GetClientWindow(), nullptr);
        EXPECT_TRUE(ManagerOf(app).GetDocuments().empty());
        EXPECT_EQ(gTestLog.back(), "view gone");
        EXPECT_FALSE(harness::IsMenuItemEnabled(frame, {"&file", "close"}));
    });
}

TEST_F(DocumentHandling, AViewThatCannotBeMadeLeavesAnEmptyFrameAndTheDocumentClosedAndDeleted) {
    Run([&](TFrameWindow& frame) {
        gTestScript.ViewUnusable = true;
        files.Choose("/music/a.wav");
        ClickOpen(frame);
        EXPECT_EQ(frame.GetClientWindow(), nullptr);
        EXPECT_EQ(harness::Caption(frame), "korvani");
        EXPECT_TRUE(ManagerOf(app).GetDocuments().empty());
        EXPECT_EQ(gTestLog,
                  (Log{"init a.wav", "open 1 a.wav", "view a.wav", "view gone", "close a.wav", "delete a.wav"}));
    });
}

TEST_F(DocumentHandling, FailuresToOpenOrCloseAreReportedUnderTheDocumentsTitle) {
    ScriptedUser user;
    Run([&](TFrameWindow& frame) {
        gTestScript.OpenFails = true;
        files.Choose("/music/broken.wav").Choose("/music/a.wav");
        user.Press(IDOK);
        ClickOpen(frame);
        EXPECT_EQ(user.Last().Text, "Document can't be opened.");
        EXPECT_EQ(user.Last().Caption, "broken.wav");
        EXPECT_TRUE(ManagerOf(app).GetDocuments().empty());
        EXPECT_EQ(harness::Caption(frame), "korvani");

        gTestScript.OpenFails = false;
        ClickOpen(frame);
        gTestScript.CloseFails = true;
        user.Press(IDOK);
        harness::ClickMenuItem(frame, {"&file", "close"});
        EXPECT_EQ(user.Last().Text, "Document can't be closed.");
        EXPECT_EQ(user.Last().Caption, "a.wav");
        EXPECT_EQ(user.Last().Owner, &frame);
        EXPECT_EQ(ManagerOf(app).GetDocuments().size(), 1u);
        EXPECT_EQ(harness::Caption(frame), "korvani - a.wav");
        gTestScript.CloseFails = false;
    });
}

TEST(DocumentHandlingEnd, QuitWithAnOpenDocumentClosesAndDeletesIt) {
    harness::FakeDesktop desktop{TSize{1024, 768}};
    harness::FakeLockKeys keys{TLockKeyState{}};
    harness::FileOpenAnswers files;
    ResetTestDocuments();
    int code = -2;
    {
        korvatekApp app;
        code = harness::RunApplication(app, [&] {
            files.Choose("/music/a.wav");
            ClickOpen(*app.GetMainWindow());
            gTestLog.clear();
            harness::ClickMenuItem(*app.GetMainWindow(), {"&file", "&quit\tAlt+F4"});
        });
        EXPECT_EQ(gTestLog, (Log{"can-close a.wav"})) << "asked, still there until the application goes";
    }
    EXPECT_EQ(code, 0);
    EXPECT_EQ(gTestLog, (Log{"can-close a.wav", "close a.wav", "delete a.wav", "view gone"}));
}

}  // namespace
