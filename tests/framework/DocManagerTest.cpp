// SPDX-License-Identifier: GPL-3.0-or-later
// The document handling as a person drives it through the menu, with the
// file-open dialog answered by the harness: the open sequence and its
// order, the template flags, the dialog's contents, closing, the reports,
// the modified-document question and the manager's end. Then the pieces on
// their own: the static template list, the kind tests, the document and view
// bases.

#include "tests/framework/DocTestApp.h"
#include "tests/framework/TestDocuments.h"

#include "framework/testing/FileOpenAnswers.h"
#include "framework/testing/Harness.h"
#include "resources/ResourceIds.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

using harness::ScriptedUser;
using Log = std::vector<std::string>;

static_assert(kWaveTemplateFlags == 0x4C000000u);

// Joins the static template list during static initialisation, as korvani's wave template does.
TestTemplate gStaticTemplate("Static files (*.st)", "*.st", "/start", "ST", TplAutoOpen);

void ClickOpen(TFrameWindow& frame) {
    harness::ClickMenuItem(frame, {"&file", "open..."});
}

void ClickClose(TFrameWindow& frame) {
    harness::ClickMenuItem(frame, {"&file", "close"});
}

bool CloseEnabled(TFrameWindow& frame) {
    return harness::IsMenuItemEnabled(frame, {"&file", "close"});
}

class DocManagerTest : public testing::Test {
protected:
    void SetUp() override { ResetTestDocuments(); }

    // Runs `app` and calls `body` with its frame once the loop runs.
    int Run(DocTestApp& app, const std::function<void(TFrameWindow&)>& body) {
        return harness::RunApplication(app, [&] { body(*app.Frame); });
    }

    // Opens /music/a.wav through the menu; answers the document it became.
    TDocument& OpenAWav(DocTestApp& app, TFrameWindow& frame) {
        files.Choose("/music/a.wav");
        ClickOpen(frame);
        return *app.Manager().GetDocuments().front();
    }

    TDocTemplateList templates;
    TestTemplate wave{"Wave files (*.wav)", "*.wav", nullptr, "WAV", kWaveTemplateFlags, templates};
    harness::FileOpenAnswers files;
};

// --- The open sequence ---------------------------------------------------------------------

TEST_F(DocManagerTest, OpenRunsPathInitOpenViewInOrderAndShowsTheView) {
    DocTestApp app(templates);
    Run(app, [&](TFrameWindow& frame) {
        files.Choose("/music/a.wav");
        ClickOpen(frame);

        EXPECT_EQ(gTestLog, (Log{"init a.wav", "open 1 a.wav", "view a.wav"}));
        ASSERT_EQ(app.Manager().GetDocuments().size(), 1u);
        TDocument* doc = app.Manager().GetDocuments().front();
        EXPECT_EQ(doc->GetDocPath(), "/music/a.wav");
        EXPECT_EQ(doc->GetTemplate(), &wave);
        EXPECT_EQ(doc->GetMainWindow(), &frame);
        ASSERT_EQ(doc->GetViews().size(), 1u);
        auto* view = dynamic_cast<TestView*>(doc->GetViews().front());
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(app.DocumentNotices, (std::vector<std::pair<unsigned, const void*>>{{DocumentCreated, doc}}));
        EXPECT_EQ(app.ViewEvents, (std::vector<std::pair<unsigned, TView*>>{{ViewCreated, view}}));
        EXPECT_EQ(view->Titles, (std::vector<std::pair<std::string, int>>{{"a.wav", 0}}));
        EXPECT_EQ(frame.GetClientWindow(), view);
        EXPECT_EQ(harness::Caption(frame), "testapp - a.wav");
        EXPECT_STREQ(view->GetViewName(), "Window View");
    });
}

TEST_F(DocManagerTest, SingleDocumentModeClosesAndDeletesTheFirstBeforeMakingTheSecond) {
    DocTestApp app(templates);
    Run(app, [&](TFrameWindow& frame) {
        files.Choose("/music/a.wav").Choose("/music/b.wav");
        ClickOpen(frame);
        gTestLog.clear();
        app.ViewEvents.clear();
        ClickOpen(frame);

        EXPECT_EQ(gTestLog, (Log{"can-close a.wav", "close a.wav", "delete a.wav", "view gone", "init b.wav",
                                 "open 1 b.wav", "view b.wav"}));
        ASSERT_EQ(app.ViewEvents.size(), 2u);
        EXPECT_EQ(app.ViewEvents[0].first, ViewClosed);
        EXPECT_EQ(app.ViewEvents[1].first, ViewCreated);
        ASSERT_EQ(app.Manager().GetDocuments().size(), 1u);
        EXPECT_EQ(app.Manager().GetDocuments().front()->GetTitle(), "b.wav");
    });
}

TEST_F(DocManagerTest, WithoutSingleDocumentModeTheFirstDocumentStays) {
    DocTestApp app(templates, 0);
    Run(app, [&](TFrameWindow& frame) {
        files.Choose("/music/a.wav").Choose("/music/b.wav");
        ClickOpen(frame);
        ClickOpen(frame);
        EXPECT_EQ(app.Manager().GetDocuments().size(), 2u);
        EXPECT_EQ(std::count(gTestLog.begin(), gTestLog.end(), "close a.wav"), 0);
    });
}

TEST_F(DocManagerTest, ARefusedOrFailedCloseOfTheOpenDocumentStopsTheOpen) {
    DocTestApp app(templates);
    ScriptedUser user;
    Run(app, [&](TFrameWindow& frame) {
        files.Choose("/music/a.wav").Choose("/music/b.wav").Choose("/music/c.wav");
        ClickOpen(frame);
        TDocument* first = app.Manager().GetDocuments().front();

        gTestScript.RefusesClose = true;
        ClickOpen(frame);
        EXPECT_EQ(gTestLog.back(), "can-close a.wav");

        gTestScript.RefusesClose = false;
        gTestScript.CloseFails = true;
        user.Press(IDOK);
        ClickOpen(frame);
        EXPECT_EQ(user.Last().Text, "Document can't be closed.");
        EXPECT_EQ(user.Last().Caption, "a.wav");

        EXPECT_EQ(app.Manager().GetDocuments(), (std::vector<TDocument*>{first}));
        EXPECT_EQ(frame.GetClientWindow(), first->GetViews().front()->GetWindow());
        EXPECT_EQ(std::count_if(gTestLog.begin(), gTestLog.end(),
                                [](const std::string& line) { return line.starts_with("init"); }),
                  1);
        gTestScript.CloseFails = false;
    });
}

TEST_F(DocManagerTest, FailingInitOrOpenIsReportedWithTheTitleAndTheDocumentIsDeletedUnclosed) {
    DocTestApp app(templates);
    ScriptedUser user;
    Run(app, [&](TFrameWindow& frame) {
        gTestScript.InitFails = true;
        files.Choose("/music/a.wav");
        user.Press(IDOK);
        ClickOpen(frame);
        EXPECT_EQ(gTestLog, (Log{"init a.wav", "delete a.wav"})) << "no open after a failed init";

        gTestScript.InitFails = false;
        gTestScript.OpenFails = true;
        gTestLog.clear();
        files.Choose("/music/b.wav");
        user.Press(IDOK);
        ClickOpen(frame);
        EXPECT_EQ(gTestLog, (Log{"init b.wav", "open 1 b.wav", "delete b.wav"}));

        ASSERT_EQ(user.Shown().size(), 2u);
        for (const harness::ShownModal& box : user.Shown()) {
            EXPECT_EQ(box.Text, "Document can't be opened.");
            EXPECT_EQ(box.Owner, &frame);
            EXPECT_EQ(box.Icon, 0u);
        }
        EXPECT_EQ(user.Shown()[0].Caption, "a.wav");
        EXPECT_EQ(user.Shown()[1].Caption, "b.wav");
        EXPECT_TRUE(app.Manager().GetDocuments().empty());
        EXPECT_TRUE(app.ViewEvents.empty());
    });
}

TEST_F(DocManagerTest, CancelOrAPathTooLongForTheBufferChangesNothing) {
    DocTestApp app(templates);
    Run(app, [&](TFrameWindow& frame) {
        files.Choose("/music/a.wav").Cancel().Choose("/" + std::string(254, 'x')).Choose("/" + std::string(255, 'y'));
        ClickOpen(frame);
        TDocument* first = app.Manager().GetDocuments().front();
        ClickOpen(frame);
        EXPECT_EQ(app.Manager().GetDocuments(), (std::vector<TDocument*>{first}));

        ClickOpen(frame);  // 255 bytes and the terminating zero fit
        EXPECT_EQ(app.Manager().GetDocuments().front()->GetDocPath().size(), 255u);
        gTestLog.clear();
        ClickOpen(frame);  // 256 bytes do not
        EXPECT_TRUE(gTestLog.empty());
        EXPECT_EQ(app.Manager().GetDocuments().front()->GetDocPath().size(), 255u);
    });
}

// --- Template flags ---------------------------------------------------------------------------

TEST_F(DocManagerTest, WithoutAutoDeleteTheDocumentStaysWithoutAViewAndCloseIsDisabled) {
    TDocTemplateList plainList;
    TestTemplate plain("Wave files (*.wav)", "*.wav", nullptr, "WAV", TplAutoOpen, plainList);
    DocTestApp app(plainList);
    Run(app, [&](TFrameWindow& frame) {
        gTestScript.ViewUnusable = true;
        files.Choose("/music/a.wav");
        ClickOpen(frame);
        ASSERT_EQ(app.Manager().GetDocuments().size(), 1u);
        EXPECT_TRUE(app.Manager().GetDocuments().front()->GetViews().empty());
        ASSERT_EQ(app.ViewEvents.size(), 1u);
        EXPECT_EQ(app.ViewEvents[0].first, ViewClosed) << "an unusable view is never announced as created";
        EXPECT_EQ(std::count(gTestLog.begin(), gTestLog.end(), "close a.wav"), 0);
        EXPECT_FALSE(CloseEnabled(frame)) << "a document without a view is nobody's current document";
    });
}

TEST_F(DocManagerTest, WithoutAutoOpenNothingIsOpenedAndTheEndDoesNotCloseIt) {
    TDocTemplateList plainList;
    TestTemplate plain("Wave files (*.wav)", "*.wav", nullptr, "WAV", TplAutoDelete, plainList);
    {
        DocTestApp app(plainList);
        Run(app, [&](TFrameWindow& frame) {
            files.Choose("/music/a.wav");
            ClickOpen(frame);
            EXPECT_EQ(gTestLog, (Log{"init a.wav", "view a.wav"}));
            EXPECT_FALSE(app.Manager().GetDocuments().front()->IsOpen());
        });
    }
    EXPECT_EQ(gTestLog, (Log{"init a.wav", "view a.wav", "can-close a.wav", "delete a.wav", "view gone"}));
}

TEST_F(DocManagerTest, NoReadOnlyReturnOpensForReadingAndWriting) {
    TDocTemplateList rwList;
    TestTemplate readWrite("Wave files (*.wav)", "*.wav", nullptr, "WAV",
                           kWaveTemplateFlags | TFileOpenDialog::NoReadOnlyReturn, rwList);
    DocTestApp app(rwList);
    Run(app, [&](TFrameWindow& frame) {
        files.Choose("/music/a.wav");
        ClickOpen(frame);
        EXPECT_EQ(gTestLog.at(1), "open 3 a.wav");
        EXPECT_EQ(dynamic_cast<TFileDocument&>(*app.Manager().GetDocuments().front()).GetOpenMode(), 3);
    });
}

TEST_F(DocManagerTest, RememberedDirectoryIsOfferedNextTime) {
    DocTestApp app(templates);
    Run(app, [&](TFrameWindow& frame) {
        files.Choose("/music/set1/a.wav").Cancel().Choose("/music/set2/b.wav").Cancel();
        ClickOpen(frame);
        ClickOpen(frame);
        ClickOpen(frame);
        ClickOpen(frame);
        ASSERT_EQ(files.Shown().size(), 4u);
        EXPECT_EQ(files.Shown()[0].InitialDirectory, "") << "the template has no directory of its own";
        EXPECT_EQ(files.Shown()[1].InitialDirectory, "/music/set1");
        EXPECT_EQ(files.Shown()[2].InitialDirectory, "/music/set1") << "a cancel changes nothing";
        EXPECT_EQ(files.Shown()[3].InitialDirectory, "/music/set2");
    });
}

// --- What the dialog shows ------------------------------------------------------------------

TEST_F(DocManagerTest, TheDialogListsVisibleTemplatesAndStartsAtTheLastUsed) {
    constexpr unsigned textOptions = TFileOpenDialog::FileMustExist | TFileOpenDialog::ReadOnly;
    TestTemplate hidden("Hidden (*.hid)", "*.hid", nullptr, "HID", TplHidden, templates);
    TestTemplate text("Text files (*.txt)", "*.txt", "/texts", "TXT",
                      TplAutoOpen | textOptions | TFileOpenDialog::EnableHook | TFileOpenDialog::EnableTemplate |
                          TFileOpenDialog::EnableTemplateHandle | TFileOpenDialog::AllowMultiSelect,
                      templates);
    DocTestApp app(templates);
    Run(app, [&](TFrameWindow& frame) {
        files.Choose("/texts/x.txt", 1).Cancel();
        ClickOpen(frame);
        ClickOpen(frame);

        const harness::ShownFileOpen first = files.Shown().at(0);
        EXPECT_EQ(first.Filters,
                  (std::vector<TFileFilter>{{"Wave files (*.wav)", "*.wav"}, {"Text files (*.txt)", "*.txt"}}));
        EXPECT_EQ(first.FilterIndex, 0u);
        EXPECT_EQ(first.InitialDirectory, "");
        EXPECT_EQ(first.DefaultExtension, "WAV");
        EXPECT_EQ(first.Options, 0u);
        EXPECT_EQ(first.Owner, &frame);
        EXPECT_EQ(first.PathBufferSize, 256u);
        EXPECT_EQ(app.Manager().GetDocuments().front()->GetTemplate(), &text);

        const harness::ShownFileOpen second = files.Shown().at(1);
        EXPECT_EQ(second.FilterIndex, 1u);
        EXPECT_EQ(second.InitialDirectory, "/texts") << "the text template does not remember directories";
        EXPECT_EQ(second.DefaultExtension, "TXT");
        EXPECT_EQ(second.Options, textOptions) << "hook, template and multi-select options are dropped";
    });
}

TEST_F(DocManagerTest, AtMostFortyTemplatesAreOfferedAndOpenIsEnabledOnlyWithATemplate) {
    TDocTemplateList many;
    std::vector<std::unique_ptr<TestTemplate>> owned;
    for (int i = 0; i < 41; ++i) {
        const std::string name = "Type " + std::to_string(i);
        owned.push_back(std::make_unique<TestTemplate>(name.c_str(), "*.t", nullptr, nullptr, TplAutoOpen, many));
    }
    {
        DocTestApp app(many);
        Run(app, [&](TFrameWindow& frame) {
            EXPECT_TRUE(harness::IsMenuItemEnabled(frame, {"&file", "open..."}));
            files.Cancel();
            ClickOpen(frame);
            ASSERT_EQ(files.Last().Filters.size(), 40u);
            EXPECT_EQ(files.Last().Filters.back().Description, "Type 39");
        });
    }
    TDocTemplateList none;
    DocTestApp empty(none);
    Run(empty, [&](TFrameWindow& frame) { EXPECT_FALSE(harness::IsMenuItemEnabled(frame, {"&file", "open..."})); });
}

// --- Closing ---------------------------------------------------------------------------------

TEST_F(DocManagerTest, CloseServesTheDocumentWhoseViewIsOrContainsTheCommandTarget) {
    DocTestApp app(templates);
    Run(app, [&](TFrameWindow& frame) {
        EXPECT_FALSE(CloseEnabled(frame));
        files.Choose("/music/a.wav");
        ClickOpen(frame);
        TWindow* view = frame.GetClientWindow();
        ASSERT_NE(view, nullptr);
        auto* inner = new TWindow(view);
        inner->Create();
        inner->SetFocus();
        ASSERT_EQ(frame.GetCommandTarget(), inner);
        EXPECT_TRUE(CloseEnabled(frame));
        gTestLog.clear();
        ClickClose(frame);
        EXPECT_EQ(gTestLog, (Log{"can-close a.wav", "close a.wav", "delete a.wav", "view gone"}));
        EXPECT_TRUE(app.Manager().GetDocuments().empty());
        EXPECT_FALSE(CloseEnabled(frame));
        EXPECT_EQ(app.DocumentNotices.back().first, DocumentClosed);
    });
}

TEST_F(DocManagerTest, AModifiedDocumentAsksBeforeClosing) {
    DocTestApp app(templates);
    ScriptedUser user;
    Run(app, [&](TFrameWindow& frame) {
        TDocument* doc = &OpenAWav(app, frame);
        doc->SetDirty();
        user.Press(IDCANCEL);
        ClickClose(frame);
        const harness::ShownModal question = user.Last();
        EXPECT_EQ(question.Text, "Das Dokument wurde geändert.\n\nSpeichern vor Schließen des Fensters?");
        EXPECT_EQ(question.Caption, "a.wav");
        EXPECT_EQ(question.Buttons.size(), 3u);
        EXPECT_EQ(question.Icon, MB_ICONQUESTION);
        EXPECT_EQ(app.Manager().GetDocuments().size(), 1u) << "Cancel keeps it";

        user.Press(IDYES);
        ClickClose(frame);
        EXPECT_TRUE(app.Manager().GetDocuments().empty());
        EXPECT_NE(std::find(gTestLog.begin(), gTestLog.end(), "close a.wav"), gTestLog.end());
    });
}

TEST_F(DocManagerTest, YesSavesThroughCommitAndTheQuitAsksToo) {
    DocTestApp app(templates);
    ScriptedUser user;
    Run(app, [&](TFrameWindow& frame) {
        TDocument* doc = &OpenAWav(app, frame);
        auto* view = dynamic_cast<TestView*>(doc->GetViews().front());
        ASSERT_NE(view, nullptr);
        doc->SetDirty();

        user.Press(IDCANCEL);
        frame.CloseWindow();
        EXPECT_TRUE(frame.IsWindow()) << "Cancel keeps the program running";
        EXPECT_TRUE(doc->IsDirty());

        user.Press(IDYES);
        EXPECT_TRUE(app.CanClose());
        EXPECT_EQ(view->Notices, (std::vector<std::pair<unsigned, std::uintptr_t>>{{DocCommitNotice, 0}}));
        EXPECT_FALSE(doc->IsDirty());
    });
}

// --- Reports ---------------------------------------------------------------------------------

TEST_F(DocManagerTest, ReportsTakeTheStringOrSayItIsMissingAndAskWithAQuestionIcon) {
    DocTestApp app(templates);
    ScriptedUser user;
    Run(app, [&](TFrameWindow& frame) {
        const TDocument& doc = OpenAWav(app, frame);

        user.Press(IDOK).Press(IDNO).Press(IDOK);
        EXPECT_EQ(app.Manager().PostDocError(doc, 1), IDOK);
        EXPECT_EQ(app.Manager().PostDocError(doc, strid::DocumentAlreadyLoaded, MB_YESNO), IDNO);
        EXPECT_EQ(app.Manager().PostDocError(doc, strid::DocumentCannotOpen), IDOK);

        ASSERT_EQ(user.Shown().size(), 3u);
        EXPECT_EQ(user.Shown()[0].Text, "Error: Message not found");
        EXPECT_EQ(user.Shown()[0].Caption, "a.wav");
        EXPECT_EQ(user.Shown()[0].Icon, 0u);
        EXPECT_EQ(user.Shown()[0].Owner, &frame);
        EXPECT_EQ(user.Shown()[1].Text, "Dokument ist bereits geladen");
        EXPECT_EQ(user.Shown()[1].Buttons.size(), 2u);
        EXPECT_EQ(user.Shown()[1].Icon, MB_ICONQUESTION);
        EXPECT_EQ(user.Shown()[2].Buttons.size(), 1u);
        EXPECT_EQ(user.Shown()[2].Icon, 0u);
    });
}

// --- The manager's end and views going on their own ----------------------------------------------

TEST_F(DocManagerTest, TheManagerClosesAndDeletesItsDocumentsAndHandsTheTemplatesBack) {
    {
        DocTestApp app(templates);
        Run(app, [&](TFrameWindow& frame) {
            files.Choose("/music/a.wav");
            ClickOpen(frame);
            EXPECT_TRUE(templates.IsEmpty()) << "the manager took the templates over";
            EXPECT_EQ(wave.GetDocManager(), &app.Manager());
            gTestLog.clear();
        });
        EXPECT_EQ(gTestLog, (Log{"can-close a.wav"})) << "the quit asked; the manager still lives";
    }
    EXPECT_EQ(gTestLog, (Log{"can-close a.wav", "close a.wav", "delete a.wav", "view gone"}));
    EXPECT_EQ(templates.Templates(), (std::vector<TDocTemplate*>{&wave}));
    EXPECT_EQ(wave.GetDocManager(), nullptr);
}

TEST_F(DocManagerTest, DeletingTheLastViewDiscardsAnAutoDeleteDocument) {
    DocTestApp app(templates);
    Run(app, [&](TFrameWindow& frame) {
        TDocument* doc = &OpenAWav(app, frame);
        auto* second = new TestView(dynamic_cast<TestDocument&>(*doc));
        doc->SetTitle("a.wav");
        EXPECT_EQ(second->Titles, (std::vector<std::pair<std::string, int>>{{"a.wav", 2}}));
        EXPECT_EQ(harness::Caption(frame), "testapp - a.wav:1") << "the first view is the client";

        gTestLog.clear();
        delete second;
        EXPECT_EQ(app.Manager().GetDocuments().size(), 1u) << "one view is left";
        delete doc->GetViews().front();
        EXPECT_EQ(gTestLog, (Log{"view gone", "view gone", "close a.wav", "delete a.wav"}));
        EXPECT_TRUE(app.Manager().GetDocuments().empty());
        EXPECT_EQ(frame.GetClientWindow(), nullptr);
    });
}

// --- The pieces on their own ---------------------------------------------------------------------

TEST(DocTemplates, StaticTemplatesJoinTheStaticListAndAManagerBorrowsThem) {
    const auto inStaticList = [] {
        const std::vector<TDocTemplate*> list = StaticTemplateList().Templates();
        return std::find(list.begin(), list.end(), &gStaticTemplate) != list.end();
    };
    EXPECT_TRUE(inStaticList());
    {
        TDocManager manager(SingleDocumentMode);
        EXPECT_EQ(manager.GetTemplates(), (std::vector<TDocTemplate*>{&gStaticTemplate}));
        EXPECT_FALSE(inStaticList());
        EXPECT_EQ(gStaticTemplate.GetDocManager(), &manager);
        EXPECT_EQ(manager.GetMode(), SingleDocumentMode);
    }
    EXPECT_TRUE(inStaticList());
    EXPECT_EQ(gStaticTemplate.GetDocManager(), nullptr);
    EXPECT_EQ(gStaticTemplate.GetDirectory(), "/start");
    EXPECT_EQ(gStaticTemplate.GetDefaultExt(), "ST");
    EXPECT_EQ(gStaticTemplate.GetFlags(), TplAutoOpen);
}

TEST(DocTemplates, KindTestsAskForTheExactClassAndTheTemplateMakesBoth) {
    class DerivedDocument : public TestDocument {
    public:
        using TestDocument::TestDocument;
    };
    TDocTemplateList list;
    TestTemplate tpl("Wave files (*.wav)", "*.wav", nullptr, "WAV", kWaveTemplateFlags, list);
    EXPECT_STREQ(tpl.GetViewName(), "Window View");

    ResetTestDocuments();
    const std::unique_ptr<TDocument> parent(tpl.ConstructDocument(nullptr));
    TDocument* child = tpl.ConstructDocument(parent.get());
    EXPECT_EQ(child->GetParentDoc(), parent.get());
    EXPECT_EQ(parent->GetChildDocs(), (std::vector<TDocument*>{child}));
    TView* view = tpl.ConstructView(*parent);
    EXPECT_EQ(view->GetDocument(), parent.get());
    EXPECT_EQ(parent->GetViews(), (std::vector<TView*>{view}));

    OtherDocument other(nullptr);
    DerivedDocument derived(nullptr);
    EXPECT_TRUE(tpl.IsMyKindOfDoc(*parent));
    EXPECT_FALSE(tpl.IsMyKindOfDoc(other));
    EXPECT_FALSE(tpl.IsMyKindOfDoc(derived));
    EXPECT_TRUE(tpl.IsMyKindOfView(*view));
    TestView otherKind(derived);
    EXPECT_TRUE(tpl.IsMyKindOfView(otherKind)) << "the view's class, whatever its document's";
}

TEST(Documents, TitleIsTheFileTitleOrDokument) {
    TFileDocument doc;
    doc.SetDocPath("/music/set 1/Flöte a.wav");
    EXPECT_EQ(doc.GetTitle(), "Flöte a.wav");
    doc.SetDocPath("song.wav");
    EXPECT_EQ(doc.GetTitle(), "song.wav");
    doc.SetDocPath("/music/");
    EXPECT_EQ(doc.GetTitle(), "Dokument");
    doc.SetDocPath("");
    EXPECT_EQ(doc.GetTitle(), "Dokument");
}

TEST(Documents, FileDocumentsOpenWithAPathAndKeepTheModeUntilClosed) {
    TFileDocument doc;
    EXPECT_FALSE(doc.Open(DocOpenRead)) << "no path";
    EXPECT_FALSE(doc.IsOpen());
    EXPECT_TRUE(doc.Open(DocOpenRead, "/music/a.wav"));
    EXPECT_EQ(doc.GetTitle(), "a.wav");
    EXPECT_TRUE(doc.IsOpen());
    EXPECT_EQ(doc.GetOpenMode(), DocOpenRead);
    EXPECT_TRUE(doc.Close());
    EXPECT_FALSE(doc.IsOpen());

    auto* child = new TFileDocument(&doc);
    EXPECT_TRUE(child->Open(DocOpenRead, "/music/b.wav"));
    EXPECT_TRUE(doc.IsOpen()) << "an open child keeps its parent open";
    EXPECT_TRUE(doc.Close());
    EXPECT_FALSE(child->IsOpen());
}

TEST(Documents, CommitAndRevertNotifyEveryViewOfTheFamilyAndClearTheModifiedFlag) {
    ResetTestDocuments();
    TestDocument parent(nullptr);
    auto* child = new TestDocument(&parent);
    auto* parentView = new TestView(parent);
    auto* childView = new TestView(*child);

    parent.SetDirty();
    EXPECT_TRUE(parent.Commit(true));
    EXPECT_FALSE(parent.IsDirty());
    child->SetDirty();
    EXPECT_TRUE(parent.Revert(false));
    EXPECT_FALSE(child->IsDirty());
    using Notices = std::vector<std::pair<unsigned, std::uintptr_t>>;
    EXPECT_EQ(parentView->Notices, (Notices{{DocCommitNotice, 1}, {DocRevertNotice, 0}}));
    EXPECT_EQ(childView->Notices, (Notices{{DocCommitNotice, 1}, {DocRevertNotice, 0}}));

    gTestScript.ViewRefusesRevert = true;
    parent.SetDirty();
    EXPECT_FALSE(parent.Revert(true));
    EXPECT_TRUE(parent.IsDirty()) << "a refused revert leaves the flag";

    gTestLog.clear();
    delete child;
    EXPECT_EQ(gTestLog, (Log{"delete ", "view gone"}));
    EXPECT_TRUE(parent.GetChildDocs().empty());
    EXPECT_EQ(parentView->GetDocument(), &parent);
}

}  // namespace
