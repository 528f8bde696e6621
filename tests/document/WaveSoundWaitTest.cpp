// SPDX-License-Identifier: GPL-3.0-or-later
// Opening a WAV file through the menu while its sound plays slowly: the
// windows stay painted, input queued meanwhile is dropped, a close of the
// main window waits until the open has finished (boxes and view included),
// and the sound has still ended before the first box appears.

#include "document/WaveDocument.h"

#include "framework/DocTemplate.h"
#include "framework/FrameWindow.h"
#include "framework/WindowView.h"
#include "framework/qt/WindowAccess.h"
#include "framework/qt/WindowWidget.h"
#include "framework/testing/FileOpenAnswers.h"
#include "framework/testing/Harness.h"
#include "platform/Sound.h"
#include "resources/ResourceIds.h"
#include "tests/support/RiffBuilder.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaveTestApp.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMouseEvent>
#include <QWindow>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

using harness::ScriptedUser;
using namespace std::chrono_literals;

class PlainWaveView : public TWindowView {
public:
    explicit PlainWaveView(TWaveDocument& document) : TWindowView(document) {}
    static const char* StaticName() { return "Plain Wave View"; }
    const char* GetViewName() const override { return StaticName(); }
};

// A slow sound device: the first piece of each sound plays for as long as
// the test's During runs, on the player's thread. Whether the sound has ended
// may be asked from any thread.
class SlowSound final : public platform::SoundOutput {
public:
    std::function<void()> During;  // set before the sound starts
    std::atomic<bool> Ended{false};

    OpenResult Open(const platform::SoundSource&, const platform::PcmFormat&) override {
        Ended = false;
        FirstPiece = true;
        return OpenResult::Opened;
    }
    bool Write(std::span<const std::byte>) override {
        if (FirstPiece && During) {
            During();
        }
        FirstPiece = false;
        return true;
    }
    void Close() override { Ended = true; }

private:
    bool FirstPiece = false;
};

// Waits on the player's thread until `done` holds, 5 s at most; answers `done()`.
bool AwaitOnPlayer(const std::function<bool()>& done) {
    const auto until = std::chrono::steady_clock::now() + 5s;
    while (!done() && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(1ms);
    }
    return done();
}

// Lives on the main thread and notes when an event posted to it arrives,
// which is after every event posted before it has been dispatched.
class Marker : public QObject {
public:
    std::atomic<bool> Arrived{false};
    /// Posts the marker (from any thread).
    void Post() { QCoreApplication::postEvent(this, new QEvent(QEvent::User)); }

protected:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::User) {
            Arrived = true;
            return true;
        }
        return QObject::event(event);
    }
};

// A window inside the main window's client area that counts its paints, the
// left clicks into it and the find-next command (F3 in its accelerator
// table). Owned by the frame.
class ProbeWindow : public TWindow {
public:
    explicit ProbeWindow(TWindow* parent) : TWindow(parent) {
        Attr.X = 0;
        Attr.Y = 0;
        Attr.W = 120;
        Attr.H = 80;
        Attr.AccelTable = resid::MainAccelerators;
    }
    DECLARE_EVENT_TABLE

    std::atomic<int> Paints{0};
    std::atomic<int> PaintsWhenUncovered{0};
    int Clicks = 0;
    int Commands = 0;

    void OnLeftButtonDown(unsigned, const TPoint&) { ++Clicks; }
    void CmFindNext() { ++Commands; }

protected:
    void OnPaint(TDC&, bool, TRect&) override { ++Paints; }
};

const TEventTable& ProbeWindow::ClassEventTable() {
    static const TEventTable table(TWindow::ClassEventTable(),
                                   {
                                       EvMouse(WM_LBUTTONDOWN, &ProbeWindow::OnLeftButtonDown),
                                       EvCommand(CmdEditFindNext, &ProbeWindow::CmFindNext),
                                   });
    return table;
}

// The file-open dialog, answered by the test, leaves the probe window to be
// repainted when it closes, just before the document plays the file.
class DialogOverProbe : public harness::FileOpenAnswers {
public:
    ProbeWindow* Covered = nullptr;

    bool Run(TWindow* owner, TFileOpenDialog::TData& data) override {
        const bool chosen = FileOpenAnswers::Run(owner, data);
        if (Covered != nullptr) {
            Covered->PaintsWhenUncovered = Covered->Paints.load();
            Covered->Invalidate();
        }
        return chosen;
    }
};

// What a person does meanwhile: a left click into `probe`, F3 in it, and a
// click on the menu bar's "&file", which would open its popup and lead to a
// second "open...". Made on the main thread (input events need its input
// devices), posted from any thread.
class QueuedInput {
public:
    QueuedInput(QWidget& probe, QMenuBar& bar) {
        const QPointF at(10, 10);
        const QPointF fileEntry = bar.actionGeometry(bar.actions().front()).center();
        Add(probe, new QMouseEvent(QEvent::MouseButtonPress, at, at, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
        Add(probe, new QMouseEvent(QEvent::MouseButtonRelease, at, at, Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
        Add(probe, new QKeyEvent(QEvent::KeyPress, Qt::Key_F3, Qt::NoModifier));
        Add(probe, new QKeyEvent(QEvent::KeyRelease, Qt::Key_F3, Qt::NoModifier));
        Add(bar, new QMouseEvent(QEvent::MouseButtonPress, fileEntry, fileEntry, Qt::LeftButton, Qt::LeftButton,
                                 Qt::NoModifier));
    }

    /// Posts every event to its receiver, in order; the queue owns them then.
    void Post() {
        for (auto& [receiver, event] : Events) {
            QCoreApplication::postEvent(receiver, event.release());
        }
        Events.clear();
    }

private:
    void Add(QObject& receiver, QEvent* event) { Events.emplace_back(&receiver, std::unique_ptr<QEvent>(event)); }

    std::vector<std::pair<QObject*, std::unique_ptr<QEvent>>> Events;
};

constexpr unsigned kWaveFlags = TplAutoDelete | TplAutoOpen | TplRememberDirectory;

class SoundWait : public testing::Test {
protected:
    // Runs a fresh application with a probe window in its frame; calls
    // `body` once the loop runs; answers the run's exit code.
    int Run(const std::function<void(TFrameWindow&, ProbeWindow&)>& body) {
        fixtures::WaveTestApp app(templates, 640, 480);
        running = &app;
        const int code = harness::RunApplication(app, [&] {
            auto* probe = new ProbeWindow(app.Frame);
            probe->Create();
            files.Covered = probe;
            harness::ProcessEvents();
            body(*app.Frame, *probe);
        });
        files.Covered = nullptr;
        running = nullptr;
        return code;
    }

    TWaveDocument* OpenDocument() const { return running->OpenDocument(); }

    std::string ToneFile() const {
        return folder.Write("tone.wav", fixtures::PcmWave(1, 44100, 16, fixtures::Pattern(4000)));
    }

    TDocTemplateList templates;
    TDocTemplateT<TWaveDocument, PlainWaveView> waveTemplate{"Wave files (*.wav)", "*.wav",  nullptr, "WAV",
                                                             kWaveFlags,           templates};
    fixtures::WaveTestApp* running = nullptr;
    fixtures::TempDir folder;
    SlowSound sound;
    TScopedSeam<platform::SoundOutput> soundInstalled{sound};
    DialogOverProbe files;
    Marker marker;
};

TEST_F(SoundWait, AWindowLeftToRepaintIsRepaintedWhileTheSoundPlaysAndTheSoundEndsBeforeTheFirstBox) {
    const std::string path = ToneFile();
    ProbeWindow* probe = nullptr;
    bool repaintedWhilePlaying = false;
    bool endedBeforeTheBox = false;
    ScriptedUser user;
    user.Then([&](QWidget& box) {
        endedBeforeTheBox = sound.Ended;
        harness::ForceClose(box);
    });
    sound.During = [&] {
        repaintedWhilePlaying = AwaitOnPlayer([&] { return probe->Paints > probe->PaintsWhenUncovered; });
    };
    Run([&](TFrameWindow& frame, ProbeWindow& shownProbe) {
        probe = &shownProbe;
        files.Choose(path);
        fixtures::ClickOpen(frame);

        ASSERT_EQ(user.Shown().size(), 1U);
        EXPECT_EQ(user.Shown()[0].Text, "44100 Hz ,  16 bit");
        ASSERT_NE(OpenDocument(), nullptr);
        EXPECT_TRUE(OpenDocument()->Wave().Analysis().HasSpectrum());
    });
    EXPECT_TRUE(repaintedWhilePlaying) << "the window the dialog uncovered was repainted before the sound ended";
    EXPECT_TRUE(endedBeforeTheBox);
}

TEST_F(SoundWait, ClicksKeysAndMenuClicksQueuedWhileTheSoundPlaysAreDropped) {
    const std::string path = ToneFile();
    bool dispatchedWhilePlaying = false;
    ScriptedUser user;
    user.Press(IDOK);
    Run([&](TFrameWindow& frame, ProbeWindow& probe) {
        QWidget* probeWidget = TWindowAccess::ClientWidget(probe);
        QMenuBar* bar = harness::MenuBarOf(frame);
        ASSERT_NE(bar, nullptr);
        QueuedInput duringTheSound(*probeWidget, *bar);
        sound.During = [&] {
            duringTheSound.Post();
            marker.Post();
            dispatchedWhilePlaying = AwaitOnPlayer([&] { return marker.Arrived.load(); });
        };
        files.Choose(path);
        fixtures::ClickOpen(frame);
        harness::ProcessEvents(50ms);

        EXPECT_TRUE(dispatchedWhilePlaying);
        EXPECT_EQ(probe.Clicks, 0);
        EXPECT_EQ(probe.Commands, 0);
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
        EXPECT_EQ(files.Shown().size(), 1U) << "no second open...";
        EXPECT_EQ(user.Shown().size(), 1U);
        ASSERT_NE(OpenDocument(), nullptr);
        EXPECT_EQ(OpenDocument()->GetViews().size(), 1U);

        // Once the open is over, the same input is handled.
        QueuedInput afterTheOpen(*probeWidget, *bar);
        afterTheOpen.Post();
        harness::ProcessEvents(50ms);
        EXPECT_EQ(probe.Clicks, 1);
        EXPECT_EQ(probe.Commands, 1);
        EXPECT_NE(QApplication::activePopupWidget(), nullptr);
        harness::CloseMenus();
    });
}

TEST_F(SoundWait, ACloseOfTheMainWindowWhileTheSoundPlaysIsHandledOnceTheOpenHasFinished) {
    const std::string path = ToneFile();
    bool dispatchedWhilePlaying = false;
    bool openAtTheBox = false;
    bool loadedWithItsView = false;
    bool openAfterTheOpen = false;
    bool closedLater = false;
    ScriptedUser user;
    user.Then([&](QWidget& box) {
        openAtTheBox = running->Frame->IsWindow();
        harness::ForceClose(box);
    });
    const int code = Run([&](TFrameWindow& frame, ProbeWindow&) {
        QWindow* frameWindow = TWindowAccess::TopWidget(frame)->windowHandle();
        ASSERT_NE(frameWindow, nullptr);
        sound.During = [&] {
            // The window manager's close button, pressed while the sound plays.
            QCoreApplication::postEvent(frameWindow, new QCloseEvent);
            marker.Post();
            dispatchedWhilePlaying = AwaitOnPlayer([&] { return marker.Arrived.load(); });
        };
        files.Choose(path);
        fixtures::ClickOpen(frame);
        TWaveDocument* document = OpenDocument();
        loadedWithItsView = document != nullptr && document->IsOpen() && document->GetViews().size() == 1;
        openAfterTheOpen = frame.IsWindow();

        harness::ProcessEvents();
        closedLater = !frame.IsWindow();
    });
    EXPECT_TRUE(dispatchedWhilePlaying);
    EXPECT_TRUE(openAtTheBox);
    EXPECT_TRUE(loadedWithItsView);
    EXPECT_TRUE(openAfterTheOpen);
    EXPECT_TRUE(closedLater) << "the close was handled after the open, through the frame's close path";
    EXPECT_EQ(user.Shown().size(), 1U);
    EXPECT_EQ(code, 0);
}

}  // namespace
