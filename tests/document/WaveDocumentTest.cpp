// SPDX-License-Identifier: GPL-3.0-or-later
// TWaveDocument driven through the document manager as a person drives it:
// "open..." and "close" from the menu, the file-open dialog and every message
// box answered by the harness, on WAV files the tests generate.

#include "tests/engine/WaveTestSupport.h"

#include "document/WaveDocTemplate.h"
#include "document/WaveDocument.h"

#include "framework/DocTemplate.h"
#include "framework/FrameWindow.h"
#include "framework/MessageBox.h"
#include "framework/WindowView.h"
#include "framework/testing/FileOpenAnswers.h"
#include "framework/testing/Harness.h"
#include "tests/support/WaveTestApp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using fixtures::ClickClose;
using fixtures::ClickOpen;
using fixtures::PcmWave;
using harness::ScriptedUser;
using harness::ShownModal;

// A view that shows nothing, or marks itself unusable when asked to.
class PlainWaveView : public TWindowView {
public:
    explicit PlainWaveView(TWaveDocument& document) : TWindowView(document) {
        if (unusable) {
            MarkUnusable();
        }
    }
    static const char* StaticName() { return "Plain Wave View"; }
    const char* GetViewName() const override { return StaticName(); }

    static inline bool unusable = false;
};

// A chooser that remembers its owner and starts at a fixed sample.
class FixedStart final : public TAnalysisStartChooser {
public:
    FixedStart(std::int64_t start, std::vector<TWindow*>& owners, TWindow* owner) : Start(start) {
        owners.push_back(owner);
    }
    bool ShowPreview(const TWaveData&) override { return true; }
    std::int64_t AskStartSample(const TWaveData&) override { return Start; }

private:
    std::int64_t Start;
};

constexpr unsigned kWaveFlags = TplAutoDelete | TplAutoOpen | TplRememberDirectory;

class WaveDocumentTest : public wavetest::WaveFileTest {
protected:
    void SetUp() override { PlainWaveView::unusable = false; }

    // Runs a fresh application, calls `body` with its frame once the loop
    // runs, and ends the application (its manager deletes every document).
    void Run(const std::function<void(TFrameWindow&)>& body) {
        fixtures::WaveTestApp app(templates, 640, 480);
        running = &app;
        harness::RunApplication(app, [&] { body(*app.Frame); });
        running = nullptr;
    }

    // The one open document of the running application, or nullptr.
    TWaveDocument* OpenDocument() const { return running->OpenDocument(); }

    // The (text, caption) of every box shown, in order.
    static std::vector<wavetest::Message> Boxes(const ScriptedUser& user) {
        std::vector<wavetest::Message> boxes;
        for (const ShownModal& shown : user.Shown()) {
            boxes.push_back(wavetest::Box(shown.Text, shown.Caption));
        }
        return boxes;
    }

    TDocTemplateList templates;
    // The documents' analysis start, when a test sets one.
    TAnalysisStartFactory analysisStart;
    TWaveDocTemplate<PlainWaveView> waveTemplate{[this](TWindow* owner, const TWaveDocument& document) {
                                                     return analysisStart ? analysisStart(owner, document) : nullptr;
                                                 },
                                                 "Wave files (*.wav)",
                                                 "*.wav",
                                                 nullptr,
                                                 "WAV",
                                                 kWaveFlags,
                                                 templates};
    fixtures::WaveTestApp* running = nullptr;
    harness::FileOpenAnswers files;
    const std::string noCaption{DefaultMessageBoxCaption};
};

TEST_F(WaveDocumentTest, OpenPlaysThenShowsTheRateOnTheMainWindowAndKeepsTheFileLoaded) {
    const std::string path = WriteFile("tone.wav", PcmWave(1, 44100, 16, fixtures::Pattern(4000)));
    bool soundEndedFirst = false;
    ScriptedUser user;
    user.Then([&](QWidget& box) {
        soundEndedFirst = sound.Sounds().size() == 1 && sound.Sounds()[0].closed;
        harness::ForceClose(box);
    });
    Run([&](TFrameWindow& frame) {
        files.Choose(path);
        ClickOpen(frame);

        ASSERT_EQ(user.Shown().size(), 1U);
        const ShownModal& box = user.Shown()[0];
        EXPECT_EQ(box.Owner, &frame);
        EXPECT_EQ(box.Text, "44100 Hz ,  16 bit");
        EXPECT_EQ(box.Caption, "sampling frequency");
        EXPECT_EQ(box.Buttons, std::vector<std::string>{"OK"});
        EXPECT_EQ(box.Icon, 0U);
        EXPECT_TRUE(soundEndedFirst);

        TWaveDocument* document = OpenDocument();
        ASSERT_NE(document, nullptr);
        EXPECT_EQ(document->MessageOwner, &frame);
        EXPECT_TRUE(document->IsOpen());
        EXPECT_FALSE(document->IsDirty());
        EXPECT_EQ(document->Wave().FileName(), path);
        EXPECT_TRUE(document->Wave().Analysis().HasSpectrum());
        EXPECT_EQ(document->GetViews().size(), 1U);
        EXPECT_EQ(HeldSinceStart(), (wavetest::Holdings{2, 2, 1}));
    });
    EXPECT_EQ(HeldSinceStart(), kNothing);
}

TEST_F(WaveDocumentTest, FailedLoadsShowTheirBoxThenTheManagersReportAndLeaveNothing) {
    const std::string missing = folder.PathOf("missing.wav");
    const std::string riff = WriteFile("video.wav", fixtures::RiffBuilder("AVI ").Data(fixtures::Pattern(8)).Build());
    ScriptedUser user;
    user.Press(IDOK).Press(IDOK).Press(IDOK).Press(IDOK);
    Run([&](TFrameWindow& frame) {
        files.Choose(missing).Choose(riff);
        ClickOpen(frame);
        ClickOpen(frame);

        EXPECT_EQ(Boxes(user),
                  (std::vector<wavetest::Message>{
                      wavetest::Box(missing + "  -  mmio error :  file not found", "Failed to open file   :- ("),
                      wavetest::Box("Document can't be opened.", "missing.wav"),
                      wavetest::Box("This is not a WAV file.", noCaption),
                      wavetest::Box("Document can't be opened.", "video.wav"),
                  }));
        for (const ShownModal& shown : user.Shown()) {
            EXPECT_EQ(shown.Owner, &frame);
        }
        EXPECT_EQ(OpenDocument(), nullptr);
        EXPECT_EQ(HeldSinceStart(), kNothing);
    });
}

TEST_F(WaveDocumentTest, FailedSetUpShowsFailedUnderInitAndTheDocumentGivesEverythingBack) {
    fixtures::FmtFields fields = fixtures::FmtFields::Pcm(1, 44100, 16);
    fields.byteRate = 44100 * 3;  // 24 bits per sample
    const std::string path =
        WriteFile("deep.wav", fixtures::RiffBuilder().Fmt(fields).Data(fixtures::Pattern(300)).Build());
    ScriptedUser user;
    user.Press(IDOK).Press(IDOK).Press(IDOK).Press(IDOK);
    Run([&](TFrameWindow& frame) {
        files.Choose(path);
        ClickOpen(frame);

        EXPECT_EQ(Boxes(user), (std::vector<wavetest::Message>{
                                   wavetest::Box("44100 Hz ,  24 bit", "sampling frequency"),
                                   wavetest::Box("24  bits/sample", "unsupported resolution"),
                                   wavetest::Box("Failed", "init"),
                                   wavetest::Box("Document can't be opened.", "deep.wav"),
                               }));
        EXPECT_EQ(OpenDocument(), nullptr);
        EXPECT_EQ(HeldSinceStart(), kNothing);
    });
}

TEST_F(WaveDocumentTest, CloseFreesTheFileAndAFailedCloseKeepsTheDocument) {
    const std::string path = WriteFile("tone.wav", PcmWave(2, 22050, 8, fixtures::Pattern(3000)));
    ScriptedUser user;
    user.Press(IDOK).Press(IDOK);  // channel count, rate
    Run([&](TFrameWindow& frame) {
        files.Choose(path);
        ClickOpen(frame);
        ASSERT_NE(OpenDocument(), nullptr);
        EXPECT_TRUE(harness::IsMenuItemEnabled(frame, {"&file", "close"}));

        faults.FailMmioClose(platform::MMIOERR_CANNOTCLOSE);
        user.Press(IDOK).Press(IDOK);
        ClickClose(frame);

        const std::vector<wavetest::Message> boxes = Boxes(user);
        ASSERT_EQ(boxes.size(), 4U);
        EXPECT_EQ(boxes[2], wavetest::Box("MMIOERR_CANNOTCLOSE", "mmioClose"));
        EXPECT_EQ(boxes[3], wavetest::Box("Document can't be closed.", "tone.wav"));
        TWaveDocument* kept = OpenDocument();
        ASSERT_NE(kept, nullptr);
        EXPECT_TRUE(kept->IsOpen());
        EXPECT_EQ(kept->Wave().CloseResult(), platform::MMIOERR_CANNOTCLOSE);
        EXPECT_EQ(HeldSinceStart(), (wavetest::Holdings{2, 2, 0}));

        // The file is closed already: the second close succeeds and the blocks go with the document.
        ClickClose(frame);
        EXPECT_EQ(OpenDocument(), nullptr);
        EXPECT_EQ(HeldSinceStart(), kNothing);
    });
}

TEST_F(WaveDocumentTest, RevertLoadsAgainUnlessClearAndCommitWritesNothing) {
    const fixtures::Bytes original = PcmWave(1, 11025, 8, fixtures::Pattern(9000));
    const std::string path = WriteFile("tone.wav", original);
    ScriptedUser user;
    user.Press(IDOK);
    Run([&](TFrameWindow& frame) {
        files.Choose(path);
        ClickOpen(frame);
        TWaveDocument* document = OpenDocument();
        ASSERT_NE(document, nullptr);
        EXPECT_TRUE(document->InitDoc());
        EXPECT_TRUE(document->Commit(true));
        const auto closesBefore = faults.Calls().mmioClose;

        EXPECT_TRUE(document->Revert(true));
        EXPECT_EQ(user.Shown().size(), 1U);
        EXPECT_EQ(faults.Calls().mmioClose, closesBefore);

        user.Press(IDOK);
        document->SetDirty();
        EXPECT_TRUE(document->Revert(false));
        EXPECT_FALSE(document->IsDirty());
        EXPECT_EQ(sound.Sounds().size(), 2U);  // played again
        ASSERT_EQ(user.Shown().size(), 2U);
        EXPECT_EQ(user.Shown()[1].Text, "11025 Hz ,  8 bit");
        EXPECT_EQ(faults.Calls().mmioClose, closesBefore + 1);  // the first load was given back
        EXPECT_EQ(HeldSinceStart(), (wavetest::Holdings{2, 2, 1}));
        EXPECT_TRUE(document->Wave().Analysis().HasSpectrum());
    });
    EXPECT_EQ(fixtures::ReadBytes(path), original);
}

TEST_F(WaveDocumentTest, TheTemplatesAnalysisStartGetsTheMainWindowAndChoosesTheStart) {
    const fixtures::Bytes samples = fixtures::Pattern(2 * 12000, 4);
    const std::string path = WriteFile("tone.wav", PcmWave(1, 44100, 16, samples));
    std::vector<TWindow*> owners;
    analysisStart = [&](TWindow* owner, const TWaveDocument&) {
        return std::make_unique<FixedStart>(321, owners, owner);
    };
    ScriptedUser user;
    user.Press(IDOK);
    Run([&](TFrameWindow& frame) {
        files.Choose(path);
        ClickOpen(frame);

        ASSERT_EQ(owners.size(), 1U);
        EXPECT_EQ(owners[0], &frame);
        TWaveDocument* document = OpenDocument();
        ASSERT_NE(document, nullptr);
        FrequencyAnalysis reference;
        ASSERT_EQ(reference.Prepare(44100, 16, static_cast<std::uint32_t>(samples.size())), SetupResult::Ready);
        reference.ComputeSpectrum(samples, 321);
        const auto magnitude = document->Wave().Analysis().Magnitude.span();
        EXPECT_TRUE(std::equal(magnitude.begin(), magnitude.end(), reference.Magnitude.span().begin()));
    });
}

TEST_F(WaveDocumentTest, DocumentWhoseViewCannotBeMadeIsClosedAndDeleted) {
    const std::string path = WriteFile("tone.wav", PcmWave(1, 44100, 16, fixtures::Pattern(400)));
    PlainWaveView::unusable = true;
    ScriptedUser user;
    user.Press(IDOK);
    Run([&](TFrameWindow& frame) {
        files.Choose(path);
        ClickOpen(frame);

        EXPECT_EQ(OpenDocument(), nullptr);
        EXPECT_EQ(harness::Caption(frame), "korvani");
        EXPECT_EQ(HeldSinceStart(), kNothing);
    });
}

TEST_F(WaveDocumentTest, IsOpenFollowsTheDataChunk) {
    TWaveDocument document;
    EXPECT_FALSE(document.IsOpen());
    EXPECT_TRUE(document.Close());
}

}  // namespace
