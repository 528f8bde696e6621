// SPDX-License-Identifier: GPL-3.0-or-later
// TWindow on its own: the retained client image (erase, paint hook,
// drawings that stay until the next repaint), the family of windows and who
// deletes whom, creation failures, and the message box service.

#include "tests/framework/TestFrameApp.h"

#include "framework/Exceptions.h"
#include "framework/qt/WindowAccess.h"
#include "framework/qt/WindowWidget.h"
#include "framework/testing/Harness.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

namespace {

using harness::ScriptedUser;

// Paints a red 10 x 10 square at (5, 5) on dark blue and counts its paints.
class SquareWindow : public TWindow {
public:
    explicit SquareWindow(TWindow* parent) : TWindow(parent) { SetBkgndColor(TColor{0, 0, 128}); }
    int Paints = 0;

protected:
    void EvPaint() override {
        ++Paints;
        QPainter painter(&TWindowAccess::RetainedImage(*this));
        painter.fillRect(5, 5, 10, 10, Qt::red);
    }
};

using Painting = ClientWindowTest<SquareWindow>;

TEST_F(Painting, RepaintErasesWithTheBackgroundThenCallsThePaintHook) {
    harness::RunApplication(app, [&] {
        EXPECT_EQ(harness::Pixel(*client, 0, 0), (TColor{0, 0, 128}));
        EXPECT_EQ(harness::Pixel(*client, 5, 5), (TColor{255, 0, 0}));
        EXPECT_EQ(harness::Pixel(*client, 14, 14), (TColor{255, 0, 0}));
        EXPECT_EQ(harness::Pixel(*client, 15, 15), (TColor{0, 0, 128}));
        EXPECT_GE(client->Paints, 1);
    });
}

TEST_F(Painting, DrawingsOutsidePaintingStayUntilTheAreaIsRepainted) {
    harness::RunApplication(app, [&] {
        harness::ProcessEvents();
        const int paints = client->Paints;
        {
            QPainter painter(&TWindowAccess::RetainedImage(*client));
            painter.fillRect(40, 40, 3, 3, Qt::green);
        }
        harness::ProcessEvents();
        EXPECT_EQ(harness::Pixel(*client, 41, 41), (TColor{0, 255, 0}));
        EXPECT_EQ(harness::Grab(*client).pixelColor(41, 41), QColor(0, 255, 0)) << "the screen shows the image";
        EXPECT_EQ(client->Paints, paints);

        client->Invalidate();
        client->UpdateWindow();
        EXPECT_EQ(harness::Pixel(*client, 41, 41), (TColor{0, 0, 128})) << "erased by the repaint";
        EXPECT_EQ(client->Paints, paints + 1);
    });
}

TEST_F(Painting, ResizingRepaintsTheWholeImageAtItsNewSize) {
    harness::RunApplication(app, [&] {
        harness::Resize(*app.Frame, 500, 400);
        const TRect rect = client->GetClientRect();
        EXPECT_EQ(rect.Width(), 500);
        EXPECT_EQ(harness::ClientImage(*client).width(), 500);
        EXPECT_EQ(harness::Pixel(*client, 499, rect.Height() - 1), (TColor{0, 0, 128}));
        EXPECT_EQ(harness::Pixel(*client, 6, 6), (TColor{255, 0, 0}));
    });
}

TEST(WindowFamily, ParentsDeleteTheirChildrenAndChildrenLeaveFirst) {
    auto* parent = new TWindow(nullptr, "parent");
    auto* kept = new TWindow(parent, "kept");
    auto* early = new TWindow(parent, "early");
    early->Attr.Id = 7;
    kept->Attr.Id = 8;
    EXPECT_EQ(parent->ChildWithId(7), early);
    EXPECT_EQ(parent->ChildWithId(8), kept);
    EXPECT_EQ(parent->ChildWithId(9), nullptr);
    delete early;
    EXPECT_EQ(parent->GetChildren(), (std::vector<TWindow*>{kept}));

    // A child that someone else owns must leave before its parent goes.
    struct Watched : TWindow {
        Watched(TWindow* p, bool& gone) : TWindow(p), Gone(gone) {}
        ~Watched() override { Gone = true; }
        bool& Gone;
    };
    bool gone = false;
    new Watched(parent, gone);
    delete parent;
    EXPECT_TRUE(gone);
}

TEST(WindowFamily, ReparentingMovesTheChildAndItsWidget) {
    TWindow first(nullptr, "first");
    TWindow second(nullptr, "second");
    first.Create();
    second.Create();
    auto* child = new TWindow(&first, "child");
    child->Create();
    EXPECT_EQ(TWindowAccess::TopWidget(*child)->parentWidget(),
              static_cast<QWidget*>(TWindowAccess::ClientWidget(first)));
    child->SetParent(&second);
    EXPECT_EQ(child->GetParent(), &second);
    EXPECT_TRUE(first.GetChildren().empty());
    EXPECT_EQ(TWindowAccess::TopWidget(*child)->parentWidget(),
              static_cast<QWidget*>(TWindowAccess::ClientWidget(second)));
}

TEST(WindowCreation, AChildOfAnUncreatedParentFailsWithTheChildWindowText) {
    TWindow parent(nullptr, "Eltern");
    TWindow* child = new TWindow(&parent, "Kind");
    try {
        child->Create();
        FAIL() << "created without a parent window";
    } catch (const xmsg& x) {
        EXPECT_EQ(x.why(), "Fehler bei Erzeugung eines untergeordneten Fensters für Kind");
    }
    parent.Create();
    EXPECT_TRUE(child->IsWindow()) << "created with its parent";
    parent.Destroy();
    EXPECT_FALSE(child->IsWindow());
}

class MessageBoxes : public testing::Test {
protected:
    harness::FakeLockKeys keys;
    TestFrameApp app;
};

TEST_F(MessageBoxes, AnswerWithThePlatformIdsAndShowTheirButtonsAndIcons) {
    ScriptedUser user;
    user.Press(IDOK).Press(IDNO).Press(IDCANCEL).Press(IDRETRY).Press(IDIGNORE);
    harness::RunApplication(app, [&] {
        TWindow& owner = *app.Frame;
        EXPECT_EQ(owner.MessageBox("one", "Titel", MB_OK), IDOK);
        EXPECT_EQ(owner.MessageBox("two", "Titel", MB_YESNO | MB_ICONQUESTION), IDNO);
        EXPECT_EQ(owner.MessageBox("three", "Titel", MB_YESNOCANCEL | MB_ICONEXCLAMATION), IDCANCEL);
        EXPECT_EQ(owner.MessageBox("four", "Titel", MB_RETRYCANCEL | MB_ICONINFORMATION), IDRETRY);
        EXPECT_EQ(owner.MessageBox("five", "Titel", MB_ABORTRETRYIGNORE | MB_ICONSTOP), IDIGNORE);
    });
    ASSERT_EQ(user.Shown().size(), 5u);
    EXPECT_EQ(user.Shown()[0].Buttons, (std::vector<std::string>{"OK"}));
    EXPECT_EQ(user.Shown()[0].Icon, 0u);
    EXPECT_EQ(user.Shown()[0].Owner, app.Frame);
    EXPECT_EQ(user.Shown()[1].Buttons, (std::vector<std::string>{"&Yes", "&No"}));
    EXPECT_EQ(user.Shown()[1].Icon, MB_ICONQUESTION);
    EXPECT_EQ(user.Shown()[2].Buttons.size(), 3u);
    EXPECT_EQ(user.Shown()[2].Icon, MB_ICONEXCLAMATION);
    EXPECT_EQ(user.Shown()[3].Icon, MB_ICONINFORMATION);
    EXPECT_EQ(user.Shown()[4].Icon, MB_ICONSTOP);
}

TEST_F(MessageBoxes, NoCaptionShowsErrorWhileAnEmptyCaptionStaysEmpty) {
    ScriptedUser user;
    user.Press(IDOK).Press(IDOK);
    harness::RunApplication(app, [&] {
        app.Frame->MessageBox("Failed to open file   :- (");
        app.Frame->MessageBox("x", "");
    });
    ASSERT_EQ(user.Shown().size(), 2u);
    EXPECT_EQ(user.Shown()[0].Caption, "Error");
    EXPECT_EQ(user.Shown()[0].Text, "Failed to open file   :- (");
    EXPECT_EQ(user.Shown()[1].Caption, "");
}

TEST_F(MessageBoxes, EscapeAnswersCancelOrOkAndIsIgnoredOnYesNo) {
    ScriptedUser user;
    user.PressKey(Qt::Key_Escape).PressKey(Qt::Key_Escape).Then([](QWidget& modal) {
        QTest::keyClick(&modal, Qt::Key_Escape);  // no effect on Yes/No
        QTest::qWait(20);
        EXPECT_TRUE(modal.isVisible());
        QTest::keyClick(&modal, Qt::Key_N, Qt::AltModifier);
    });
    harness::RunApplication(app, [&] {
        EXPECT_EQ(app.Frame->MessageBox("a", nullptr, MB_YESNOCANCEL), IDCANCEL);
        EXPECT_EQ(app.Frame->MessageBox("b", nullptr, MB_OK), IDOK);
        EXPECT_EQ(app.Frame->MessageBox("c", nullptr, MB_YESNO), IDNO);
    });
}

TEST_F(MessageBoxes, ShowTheirWholeCaptionAndCloseAsTheOnlyTitleButton) {
    struct Row {
        const char* caption;
        const char* text;
        unsigned flags;
        bool closeButton;  // only a box that Escape may end
    };
    const Row rows[] = {
        {"unsupported resolution (bits/sample)", "24", MB_OK, true},
        {"number of channels", "2", MB_OK, true},
        {"Nicht behandelte Exception", "Fortfahren?", MB_YESNO | MB_ICONSTOP, false},
    };
    // A bold title font, and room for at least three buttons as wide as the bar is high.
    QFont titleFont = QApplication::font();
    titleFont.setBold(true);
    const QFontMetrics title(titleFont);
    ScriptedUser user;
    for (const Row& row : rows) {
        user.Then([&, row](QWidget& box) {
            EXPECT_GE(box.width(), title.horizontalAdvance(QString::fromUtf8(row.caption)) + 3 * title.height())
                << row.caption;
            const Qt::WindowFlags flags = box.windowFlags();
            EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Dialog) << row.caption;
            EXPECT_TRUE(flags & Qt::CustomizeWindowHint) << row.caption;
            EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)) << row.caption;
            EXPECT_EQ(bool(flags & Qt::WindowCloseButtonHint), row.closeButton) << row.caption;
            ASSERT_NE(box.windowHandle(), nullptr);
            EXPECT_EQ(box.windowHandle()->transientParent(), TWindowAccess::TopWidget(*app.Frame)->windowHandle());
            harness::ForceClose(box);
        });
    }
    harness::RunApplication(app, [&] {
        for (const Row& row : rows) {
            app.Frame->MessageBox(row.text, row.caption, row.flags);
        }
    });
    EXPECT_EQ(user.Shown().size(), std::size(rows));
}

TEST_F(MessageBoxes, ABoxWithoutOwnerHasNone) {
    ScriptedUser user;
    user.Press(IDOK);
    harness::RunApplication(app, [&] { EXPECT_EQ(MessageBoxEx(nullptr, "frei", "Exception", MB_OK), IDOK); });
    EXPECT_EQ(user.Last().Owner, nullptr);
    EXPECT_EQ(user.Last().Caption, "Exception");
}

}  // namespace
