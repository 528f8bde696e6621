// SPDX-License-Identifier: GPL-3.0-or-later
// Event tables and routing: a class's rows before its base's, notifications
// with their arguments, the application's fall-through to the document
// manager, the main window's fall-through to the application; menu
// descriptions with their groups.

#include "framework/Application.h"
#include "framework/Exceptions.h"
#include "framework/FrameWindow.h"
#include "framework/MenuDescr.h"
#include "framework/Module.h"
#include "resources/ResourceIds.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr unsigned kShared = 100;
constexpr unsigned kBaseOnly = 101;
constexpr unsigned kDocCommand = 102;

struct Journal {
    std::vector<std::string> Entries;
};

class BaseHandler : public TEventHandler {
public:
    explicit BaseHandler(Journal& journal) : Log(journal) {}
    DECLARE_EVENT_TABLE
    void CmShared() { Log.Entries.push_back("base shared"); }
    void CmBaseOnly() { Log.Entries.push_back("base only"); }
    Journal& Log;
};

const TEventTable& BaseHandler::ClassEventTable() {
    static const TEventTable table(TEventHandler::ClassEventTable(), {
                                                                         EvCommand(kShared, &BaseHandler::CmShared),
                                                                         EvCommand(kBaseOnly, &BaseHandler::CmBaseOnly),
                                                                     });
    return table;
}

class DerivedHandler : public BaseHandler {
public:
    using BaseHandler::BaseHandler;
    DECLARE_EVENT_TABLE
    void CmShared() { Log.Entries.push_back("derived shared"); }
    void OnSize(unsigned kind, const TSize& size) {
        Log.Entries.push_back("size " + std::to_string(kind) + " " + std::to_string(size.Cx) + "x" +
                              std::to_string(size.Cy));
    }
    void OnClick(unsigned keys, const TPoint& at) {
        Log.Entries.push_back("click " + std::to_string(keys) + " " + std::to_string(at.X) + "," +
                              std::to_string(at.Y));
    }
    bool OnNotice(std::string* text) {
        Log.Entries.push_back("notice " + *text);
        return true;
    }
};

const TEventTable& DerivedHandler::ClassEventTable() {
    static const TEventTable table(BaseHandler::ClassEventTable(),
                                   {
                                       EvCommand(kShared, &DerivedHandler::CmShared),
                                       EvSize(&DerivedHandler::OnSize),
                                       EvMouse(WM_LBUTTONDOWN, &DerivedHandler::OnClick),
                                       EvNotify(ViewNotify, 7, &DerivedHandler::OnNotice),
                                   });
    return table;
}

TEST(EventTable, SearchesTheClassBeforeItsBase) {
    Journal journal;
    DerivedHandler handler(journal);
    TMessage shared{WM_COMMAND, kShared};
    TMessage baseOnly{WM_COMMAND, kBaseOnly};
    TMessage unknown{WM_COMMAND, 4711};
    EXPECT_TRUE(handler.Dispatch(shared));
    EXPECT_TRUE(handler.Dispatch(baseOnly));
    EXPECT_FALSE(handler.Dispatch(unknown));
    EXPECT_EQ(journal.Entries, (std::vector<std::string>{"derived shared", "base only"}));

    BaseHandler base(journal);
    journal.Entries.clear();
    EXPECT_TRUE(base.Dispatch(shared));
    EXPECT_EQ(journal.Entries, (std::vector<std::string>{"base shared"}));
}

TEST(EventTable, UnpacksWindowMessagesAndNotificationArguments) {
    Journal journal;
    DerivedHandler handler(journal);
    TMessage size{WM_SIZE, 0, SIZE_MAXIMIZED, MakeLParam(1004, 640)};
    TMessage click{WM_LBUTTONDOWN, 0, MK_LBUTTON | MK_SHIFT, MakeLParam(-3, 40)};
    std::string text = "hello";
    TMessage notice{ViewNotify, 7, 0, reinterpret_cast<std::intptr_t>(&text)};
    TMessage otherCode{ViewNotify, 8, 0, reinterpret_cast<std::intptr_t>(&text)};
    EXPECT_TRUE(handler.Dispatch(size));
    EXPECT_TRUE(handler.Dispatch(click));
    EXPECT_TRUE(handler.Dispatch(notice));
    EXPECT_FALSE(handler.Dispatch(otherCode));
    EXPECT_EQ(notice.Result, 1);
    EXPECT_EQ(journal.Entries, (std::vector<std::string>{"size 2 1004x640", "click 5 -3,40", "notice hello"}));
}

class FakeDocManager : public TDocManagerBase {
public:
    explicit FakeDocManager(Journal& journal) : Log(journal) {}
    DECLARE_EVENT_TABLE
    bool CanClose() override {
        Log.Entries.push_back("doc manager can close");
        return Answer;
    }
    void CmDoc() { Log.Entries.push_back("doc command"); }
    void CmShared() { Log.Entries.push_back("doc shared"); }
    Journal& Log;
    bool Answer = true;
};

const TEventTable& FakeDocManager::ClassEventTable() {
    static const TEventTable table(TEventHandler::ClassEventTable(), {
                                                                         EvCommand(kDocCommand, &FakeDocManager::CmDoc),
                                                                         EvCommand(kShared, &FakeDocManager::CmShared),
                                                                     });
    return table;
}

class RoutingApp : public TApplication {
public:
    explicit RoutingApp(Journal& journal) : TApplication("routing", gModule), Log(journal) {}
    DECLARE_EVENT_TABLE
    void CmShared() { Log.Entries.push_back("app shared"); }
    void OnViewNotify(TWindow*) { Log.Entries.push_back("app view notify"); }
    Journal& Log;
};

const TEventTable& RoutingApp::ClassEventTable() {
    static const TEventTable table(TApplication::ClassEventTable(),
                                   {
                                       EvCommand(kShared, &RoutingApp::CmShared),
                                       EvNotify(ViewNotify, ViewCreated, &RoutingApp::OnViewNotify),
                                   });
    return table;
}

TEST(ApplicationRouting, FallsThroughToTheDocumentManager) {
    Journal journal;
    RoutingApp app(journal);
    TMessage doc{WM_COMMAND, kDocCommand};
    EXPECT_FALSE(app.Dispatch(doc)) << "no document manager yet";

    app.SetDocManager(std::make_unique<FakeDocManager>(journal));
    TMessage shared{WM_COMMAND, kShared};
    EXPECT_TRUE(app.Dispatch(doc));
    EXPECT_TRUE(app.Dispatch(shared));
    EXPECT_EQ(journal.Entries, (std::vector<std::string>{"doc command", "app shared"}));
}

TEST(ApplicationRouting, MainWindowPassesUnhandledMessagesToTheApplication) {
    Journal journal;
    RoutingApp app(journal);
    app.SetMainWindow(std::make_unique<TFrameWindow>(nullptr, "main"));
    TFrameWindow other(nullptr, "other");

    app.GetMainWindow()->SendMessage(ViewNotify, ViewCreated);
    other.SendMessage(ViewNotify, ViewCreated);
    EXPECT_EQ(journal.Entries, (std::vector<std::string>{"app view notify"}))
        << "only the main window forwards to the application";
}

TEST(ApplicationRouting, CanCloseAsksTheMainWindowThenTheDocumentManager) {
    Journal journal;
    RoutingApp app(journal);
    auto docManager = std::make_unique<FakeDocManager>(journal);
    FakeDocManager* manager = docManager.get();
    app.SetDocManager(std::move(docManager));
    EXPECT_TRUE(app.CanClose());
    manager->Answer = false;
    EXPECT_FALSE(app.CanClose());
    EXPECT_EQ(journal.Entries.size(), 2u);
}

TEST(ApplicationModule, IsTheGlobalModuleWhileItLives) {
    TModule* before = gModule;
    {
        Journal journal;
        RoutingApp app(journal);
        EXPECT_EQ(gModule, &app);
        EXPECT_EQ(TApplication::Current(), &app);
        EXPECT_EQ(app.GetName(), "routing");
    }
    EXPECT_EQ(gModule, before);
    EXPECT_EQ(TApplication::Current(), nullptr);
}

TEST(MenuDescription, CountsGroupsFromTopLevelSeparatorsAndDropsThem) {
    TModule module("test");
    const TMenuDescr descr(resid::MainMenu, &module);
    EXPECT_EQ(descr.GetId(), resid::MainMenu);
    ASSERT_EQ(descr.GetItems().size(), 2u);
    EXPECT_EQ(descr.GetItems()[0].text, "&file");
    EXPECT_EQ(descr.GetItems()[1].text, "&help");
    EXPECT_EQ(descr.GetGroupCount(TMenuDescr::FileGroup), 1);
    EXPECT_EQ(descr.GetGroupCount(TMenuDescr::EditGroup), 1);
    for (int group = TMenuDescr::ContainerGroup; group < TMenuDescr::NumGroups; ++group) {
        EXPECT_EQ(descr.GetGroupCount(group), 0);
    }
    EXPECT_THROW(TMenuDescr(4711, &module), xmsg);
}

TEST(MenuDescription, MergingReplacesTheGroupsTheOtherFills) {
    TModule module("test");
    const TMenuDescr own(resid::MainMenu, &module);
    const TMenuDescr empty;
    const TMenuDescr same = own.Merged(empty);
    ASSERT_EQ(same.GetItems().size(), 2u);
    EXPECT_EQ(same.GetItems()[1].text, "&help");

    const TMenuDescr merged = empty.Merged(own);
    EXPECT_EQ(merged.GetGroupCount(TMenuDescr::FileGroup), 1);
    EXPECT_EQ(merged.GetGroupCount(TMenuDescr::EditGroup), 1);
    EXPECT_EQ(merged.GetItems().size(), 2u);
}

TEST(Exceptions, XallocIsAKindOfXmsg) {
    try {
        throw xalloc("Zuwenig Speicherplatz", 4096);
    } catch (const xmsg& x) {
        EXPECT_EQ(x.why(), "Zuwenig Speicherplatz");
        EXPECT_EQ(dynamic_cast<const xalloc&>(x).requested(), 4096u);
    }
    EXPECT_TRUE(xmsg("").why().empty());
}

}  // namespace
