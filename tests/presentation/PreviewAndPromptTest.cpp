// SPDX-License-Identifier: GPL-3.0-or-later
// The waveform preview and the start-time prompt as a person meets them:
// "open..." on a generated WAV file, the sampling-frequency box answered,
// the preview read pixel by pixel while the prompt is open, and the start
// the prompt chose read back from the spectrum it gave.

#include "tests/engine/WaveTestSupport.h"

#include "presentation/StartTimePrompt.h"
#include "presentation/WaveformPreview.h"

#include "analysis/FrequencyAnalysis.h"
#include "document/WaveDocTemplate.h"
#include "document/WaveDocument.h"
#include "framework/Dc.h"
#include "framework/DocTemplate.h"
#include "framework/FrameWindow.h"
#include "framework/MessageBox.h"
#include "framework/WindowView.h"
#include "framework/testing/DialogDriver.h"
#include "framework/testing/FileOpenAnswers.h"
#include "framework/testing/Harness.h"
#include "resources/ResourceIds.h"
#include "tests/support/WaveTestApp.h"

#include <QImage>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Colours in failure messages.
void PrintTo(const TColor& color, std::ostream* out) {
    *out << '(' << int{color.R} << ", " << int{color.G} << ", " << int{color.B} << ')';
}

namespace {

using fixtures::Bytes;
using fixtures::PcmWave;
using harness::ScriptedUser;
using wavetest::Box;

constexpr char kPromptCaption[] = "You can specify a start point for the analysis.";
constexpr char kPromptText[] = "start time in milli seconds :";
constexpr TColor kWhite{255, 255, 255};

// The view the template makes once a file is open: it shows nothing.
class BlankWaveView : public TWindowView {
public:
    explicit BlankWaveView(TWaveDocument& document) : TWindowView(document) {}
    static const char* StaticName() { return "Blank Wave View"; }
    const char* GetViewName() const override { return StaticName(); }
};

// 16-bit little-endian bytes of `samples`.
Bytes Samples16(const std::vector<std::int16_t>& samples) {
    Bytes bytes;
    for (const std::int16_t sample : samples) {
        fixtures::AppendLe16(bytes, static_cast<std::uint16_t>(sample));
    }
    return bytes;
}

// The spectrum of `wave`'s file analysed from `startSample`, computed apart
// from the document: the oracle for the start the prompt chose.
std::vector<double> SpectrumFrom(const TWaveData& wave, std::int64_t startSample) {
    FrequencyAnalysis analysis;
    EXPECT_EQ(analysis.Prepare(wave.SampleRate(), wave.BitsPerSample(), wave.DataSize()), SetupResult::Ready);
    analysis.ComputeSpectrum(wave.Samples(), startSample);
    return {analysis.Magnitude.data(), analysis.Magnitude.data() + analysis.Magnitude.size()};
}

std::vector<double> SpectrumOf(const TWaveData& wave) {
    const FrequencyAnalysis& analysis = wave.Analysis();
    return {analysis.Magnitude.data(), analysis.Magnitude.data() + analysis.Magnitude.size()};
}

TColor ColorAt(const QImage& image, int x, int y) {
    const QRgb rgb = image.pixel(x, y);
    return TColor{static_cast<std::uint8_t>(qRed(rgb)), static_cast<std::uint8_t>(qGreen(rgb)),
                  static_cast<std::uint8_t>(qBlue(rgb))};
}

class PreviewAndPrompt : public wavetest::WaveFileTest {
protected:
    // Runs a fresh application whose main window has a client area of
    // clientWidth x clientHeight pixels, and calls `body` with its frame.
    void Run(const std::function<void(TFrameWindow&)>& body) {
        fixtures::WaveTestApp app(templates, 640, 480);
        running = &app;
        harness::RunApplication(app, [&] {
            TFrameWindow& frame = *app.Frame;
            harness::Resize(frame, clientWidth, clientHeight);
            const TRect client = frame.GetClientRect();
            harness::Resize(frame, 2 * clientWidth - client.Width(), 2 * clientHeight - client.Height());
            ASSERT_EQ(frame.GetClientRect().Width(), clientWidth);
            ASSERT_EQ(frame.GetClientRect().Height(), clientHeight);
            body(frame);
        });
        running = nullptr;
    }

    // "open..." on `path`.
    void Open(TFrameWindow& frame, const std::string& path) {
        files.Choose(path);
        fixtures::ClickOpen(frame);
    }

    // Opens `path`, answers the sampling-frequency box, and answers the
    // start-time prompt with `answer`.
    void OpenAnswering(TFrameWindow& frame, const std::string& path, const ScriptedUser::Answer& answer) {
        user.Press(IDOK).Then(answer);
        Open(frame, path);
    }

    // Opens `path` and answers the sampling-frequency box; answers the client
    // area as drawn while the start-time prompt is open, then closes the prompt.
    QImage PreviewWhilePrompting(const std::string& path) {
        QImage preview;
        Run([&](TFrameWindow& frame) {
            OpenAnswering(frame, path, [&](QWidget& prompt) {
                preview = harness::ClientImage(frame);
                harness::ForceClose(prompt);
            });
        });
        return preview;
    }

    // The one open document, or nullptr.
    TWaveDocument* OpenDocument() const { return running->OpenDocument(); }

    // Asserts that the open document analysed its file from `startSample`.
    void ExpectAnalysedFrom(std::int64_t startSample) const {
        const TWaveDocument* document = OpenDocument();
        ASSERT_NE(document, nullptr);
        const TWaveData& wave = document->Wave();
        EXPECT_EQ(SpectrumOf(wave), SpectrumFrom(wave, startSample)) << "start sample " << startSample;
        const std::int64_t neighbour =
            startSample + 1 < wave.Analysis().SampleCount ? startSample + 1 : startSample - 1;
        EXPECT_NE(SpectrumOf(wave), SpectrumFrom(wave, neighbour)) << "the file tells starts apart";
    }

    int clientWidth = 600;
    int clientHeight = 400;
    TDocTemplateList templates;
    TWaveDocTemplate<BlankWaveView> waveTemplate{
        MakeStartTimePrompt, "Wave files (*.wav)", "*.wav", nullptr, "WAV", TplAutoDelete | TplAutoOpen, templates};
    fixtures::WaveTestApp* running = nullptr;
    harness::FileOpenAnswers files;
    ScriptedUser user;
};

// --- The preview ------------------------------------------------------------------------

TEST_F(PreviewAndPrompt, EightBitSamplesRepeatAcrossTheWindowWithTheirHeightsAndColours) {
    // Three samples for 600 columns: 255 is drawn 127 above the middle, 0 128 below, 128 on it.
    const Bytes samples = {255, 0, 128};
    const QImage preview = PreviewWhilePrompting(WriteFile("short8.wav", PcmWave(1, 11025, 8, samples)));
    ASSERT_EQ(preview.size(), QSize(600, 400));
    EXPECT_EQ(ColorAt(preview, 0, 200 - 127), (TColor{150, 0, 200}));
    EXPECT_EQ(ColorAt(preview, 1, 200 + 128), (TColor{150, 0, 200 - 200 / 600}));
    EXPECT_EQ(ColorAt(preview, 2, 200), (TColor{150, 0, 200 - 400 / 600}));
    EXPECT_EQ(ColorAt(preview, 599, 200), (TColor{150, 130 * 599 / 600, 200 - 200 * 599 / 600}));
    const int heights[] = {127, -128, 0};
    for (int x = 0; x < 600; ++x) {
        const int y = 200 - heights[x % 3];
        const TColor expected{150, static_cast<std::uint8_t>(130 * x / 600),
                              static_cast<std::uint8_t>(200 - 200 * x / 600)};
        ASSERT_EQ(ColorAt(preview, x, y), expected) << "column " << x;
        ASSERT_EQ(ColorAt(preview, x, y - 1), kWhite) << "column " << x;
        ASSERT_EQ(ColorAt(preview, x, y + 1), kWhite) << "column " << x;
    }
}

TEST_F(PreviewAndPrompt, SixteenBitSamplesAreDividedBy256TowardZero) {
    // -255 / 256 is 0, not -1; 32767 is 127 above the middle, -32768 128 below.
    const std::vector<std::int16_t> values = {32767, -32768, -255, 255, 256, -256, -257, 0};
    const int heights[] = {127, -128, 0, 0, 1, -1, -1, 0};
    const QImage preview = PreviewWhilePrompting(WriteFile("short16.wav", PcmWave(1, 22050, 16, Samples16(values))));
    ASSERT_EQ(preview.size(), QSize(600, 400));
    for (int x = 0; x < 600; ++x) {
        const int y = 200 - heights[x % 8];
        const TColor expected{130, static_cast<std::uint8_t>(150 * x / 600),
                              static_cast<std::uint8_t>(200 - 200 * x / 600)};
        ASSERT_EQ(ColorAt(preview, x, y), expected) << "column " << x;
    }
}

// The channels of each frame are drawn as one value, their mean truncated
// toward zero: the signal the analysis reads. Reading the first channel, the
// sum, or the values one after another draws other heights.
TEST_F(PreviewAndPrompt, SeveralChannelsAreDrawnMixedAsTheyAreHeard) {
    struct Case {
        const char* name;
        std::uint16_t channels;
        std::uint16_t bits;
        std::vector<int> values;   // sample values, frame after frame
        std::vector<int> heights;  // above the middle line, one per frame
    };
    const Case cases[] = {
        {"8-bit stereo", 2, 8, {127, -127, 100, 50, -3, 0}, {0, 75, -1}},
        {"16-bit stereo", 2, 16, {25600, -25600, 12800, 0, -768, -256}, {0, 25, -2}},
        {"16-bit four channels", 4, 16, {1000, -1000, 25600, 0, 32767, 32767, 32767, 32767}, {25, 127}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes data;
        for (const int value : c.values) {
            if (c.bits == 8) {
                data.push_back(static_cast<std::uint8_t>(value + 128));
            } else {
                fixtures::AppendLe16(data, static_cast<std::uint16_t>(static_cast<std::int16_t>(value)));
            }
        }
        user.Press(IDOK);  // the number of channels
        const QImage preview = PreviewWhilePrompting(WriteFile("frames.wav", PcmWave(c.channels, 8000, c.bits, data)));
        ASSERT_EQ(preview.size(), QSize(600, 400));
        const std::uint8_t red = c.bits == 8 ? 150 : 130;
        const int greenSpan = c.bits == 8 ? 130 : 150;
        for (int x = 0; x < 600; ++x) {
            const int y = 200 - c.heights[static_cast<std::size_t>(x) % c.heights.size()];
            const TColor expected{red, static_cast<std::uint8_t>(greenSpan * x / 600),
                                  static_cast<std::uint8_t>(200 - 200 * x / 600)};
            ASSERT_EQ(ColorAt(preview, x, y), expected) << "column " << x;
        }
    }
}

// The preview of the file opened before is wiped before the next is drawn.
TEST_F(PreviewAndPrompt, ASecondFileIsDrawnOnAClearedWindow) {
    const std::string loud = WriteFile("loud.wav", PcmWave(1, 11025, 8, Bytes(64, 255)));
    const std::string quiet = WriteFile("quiet.wav", PcmWave(1, 11025, 8, Bytes(64, 128)));
    QImage second;
    Run([&](TFrameWindow& frame) {
        OpenAnswering(frame, loud, [](QWidget& prompt) { harness::ForceClose(prompt); });
        ASSERT_EQ(ColorAt(harness::ClientImage(frame), 0, 200 - 127), (TColor{150, 0, 200}));
        OpenAnswering(frame, quiet, [&](QWidget& prompt) {
            second = harness::ClientImage(frame);
            harness::ForceClose(prompt);
        });
    });
    ASSERT_EQ(second.size(), QSize(600, 400));
    for (int x = 0; x < 600; ++x) {
        ASSERT_EQ(ColorAt(second, x, 200 - 127), kWhite) << "the first file's column " << x;
        ASSERT_NE(ColorAt(second, x, 200), kWhite) << "the second file's column " << x;
    }
}

TEST_F(PreviewAndPrompt, TextSaysTwentyTwoMillisecondsFor1000PixelsAt44100Hz) {
    clientWidth = 1000;
    const std::string path = WriteFile("silence.wav", PcmWave(1, 44100, 16, Bytes(4000, 0)));
    Run([&](TFrameWindow& frame) {
        OpenAnswering(frame, path, [&](QWidget& prompt) {
            // The same texts drawn by a fresh surface (top-left, default
            // colours) below the preview's line, away from the waveform.
            TTextMetric metric;
            {
                TClientDC dc(frame);
                dc.GetTextMetrics(metric);
                dc.TextOut(20, 80, "You can see the first 22 ms of the recording.");
                dc.TextOut(20, 120, "You can see the first 23 ms of the recording.");
            }
            const QImage image = harness::ClientImage(frame);
            const int lineHeight = metric.tmHeight;
            const QImage line = image.copy(0, 20, 1000, lineHeight);
            EXPECT_EQ(line, image.copy(0, 80, 1000, lineHeight)) << "the preview's line, at (20, 20)";
            EXPECT_NE(line, image.copy(0, 120, 1000, lineHeight));
            QImage white(1000, 20, image.format());
            white.fill(Qt::white);
            EXPECT_EQ(image.copy(0, 0, 1000, 20), white) << "nothing above the line";
            harness::ForceClose(prompt);
        });
    });
}

TEST_F(PreviewAndPrompt, TwentyFourBitFileIsRefusedOnceWithNothingDrawn) {
    fixtures::FmtFields fields = fixtures::FmtFields::Pcm(1, 44100, 16);
    fields.byteRate = 44100 * 3;  // 24 bits per sample
    const std::string path =
        WriteFile("deep.wav", fixtures::RiffBuilder().Fmt(fields).Data(fixtures::Pattern(3000)).Build());
    bool blankWhenRefused = false;
    Run([&](TFrameWindow& frame) {
        user.Press(IDOK)
            .Then([&](QWidget& box) {
                const QImage image = harness::ClientImage(frame);
                blankWhenRefused = std::all_of(image.constBits(), image.constBits() + image.sizeInBytes(),
                                               [](uchar byte) { return byte == 0xFF; });
                harness::ForceClose(box);
            })
            .Press(IDOK)
            .Press(IDOK);
        Open(frame, path);
        EXPECT_EQ(OpenDocument(), nullptr);
    });
    std::vector<wavetest::Message> boxes;
    for (const harness::ShownModal& shown : user.Shown()) {
        boxes.push_back(Box(shown.Text, shown.Caption));
    }
    EXPECT_EQ(boxes, (std::vector<wavetest::Message>{
                         Box("44100 Hz ,  24 bit", "sampling frequency"),
                         Box("24  bits/sample", "unsupported resolution"),
                         Box("Failed", "init"),
                         Box("Document can't be opened.", "deep.wav"),
                     }));
    EXPECT_TRUE(blankWhenRefused);
}

TEST_F(PreviewAndPrompt, ARefusedFileLeavesNoPreviewBehind) {
    const std::string shown = WriteFile("shown.wav", PcmWave(1, 11025, 8, Bytes{255, 0, 128}));
    fixtures::FmtFields fields = fixtures::FmtFields::Pcm(1, 44100, 16);
    fields.byteRate = 44100 * 3;  // 24 bits per sample
    const std::string deep =
        WriteFile("deep.wav", fixtures::RiffBuilder().Fmt(fields).Data(fixtures::Pattern(3000)).Build());
    Run([&](TFrameWindow& frame) {
        OpenAnswering(frame, shown, [](QWidget& prompt) { harness::ForceClose(prompt); });
        ASSERT_NE(OpenDocument(), nullptr);
        user.Press(IDOK).Press(IDOK).Press(IDOK).Press(IDOK);
        Open(frame, deep);
        ASSERT_EQ(OpenDocument(), nullptr);
        const QImage image = harness::ClientImage(frame);
        EXPECT_TRUE(std::all_of(image.constBits(), image.constBits() + image.sizeInBytes(), [](uchar byte) {
            return byte == 0xFF;
        })) << "the main window is blank again";
    });
}

TEST_F(PreviewAndPrompt, PreviewCalledForAnUnsupportedResolutionRefusesWithItsOwnBox) {
    fixtures::FmtFields fields = fixtures::FmtFields::Pcm(1, 44100, 16);
    fields.byteRate = 44100 * 12 / 8;  // 12 bits per sample
    const std::string path =
        WriteFile("twelve.wav", fixtures::RiffBuilder().Fmt(fields).Data(fixtures::Pattern(3000)).Build());
    TWaveData wave;
    ASSERT_TRUE(wave.Load(path, reporter));
    Run([&](TFrameWindow& frame) {
        user.Press(IDOK);
        EXPECT_FALSE(DrawWaveformPreview(&frame, wave));
        const QImage image = harness::ClientImage(frame);
        EXPECT_TRUE(std::all_of(image.constBits(), image.constBits() + image.sizeInBytes(),
                                [](uchar byte) { return byte == 0xFF; }));
    });
    ASSERT_EQ(user.Shown().size(), 1U);
    EXPECT_EQ(user.Last().Text, "12  bits/sample");
    EXPECT_EQ(user.Last().Caption, "unsupported resolution");
    EXPECT_EQ(user.Last().Buttons, std::vector<std::string>{"OK"});
}

// --- The prompt ---------------------------------------------------------------------------

TEST_F(PreviewAndPrompt, PromptShowsItsCaptionAndZeroAndTakesSevenCharacters) {
    const std::string path = WriteFile("tone.wav", PcmWave(1, 11025, 16, fixtures::Pattern(4000)));
    std::string fieldAtStart;
    std::string typed;
    TWindow* mainWindow = nullptr;
    Run([&](TFrameWindow& frame) {
        mainWindow = &frame;
        OpenAnswering(frame, path, [&](QWidget& modal) {
            TDialog& prompt = *harness::DialogOf(modal);
            fieldAtStart = harness::ControlText(prompt, resid::InputEdit);
            QTest::keyClicks(harness::ControlOf(prompt, resid::InputEdit), QStringLiteral("12345678"));
            typed = harness::ControlText(prompt, resid::InputEdit);
            harness::ClickControl(prompt, IDCANCEL);
        });
        ExpectAnalysedFrom(0);
    });
    const harness::ShownModal& shown = user.Shown().at(1);
    EXPECT_EQ(shown.Caption, kPromptCaption);
    EXPECT_NE(shown.Text.find(kPromptText), std::string::npos) << shown.Text;
    EXPECT_FALSE(shown.IsMessageBox);
    EXPECT_EQ(shown.Owner, mainWindow);
    EXPECT_EQ(fieldAtStart, "0");
    EXPECT_EQ(typed, "1234567");
}

struct PromptCase {
    const char* name;
    std::uint32_t sampleRate;
    std::uint16_t bitsPerSample;
    std::size_t dataBytes;
    std::string entry;
    std::int64_t startSample;
};

class PromptEntry : public PreviewAndPrompt, public testing::WithParamInterface<PromptCase> {};

TEST_P(PromptEntry, StartsTheAnalysisAtItsSample) {
    const PromptCase& c = GetParam();
    const std::string path =
        WriteFile("tone.wav", PcmWave(1, c.sampleRate, c.bitsPerSample, fixtures::Pattern(c.dataBytes)));
    Run([&](TFrameWindow& frame) {
        user.Press(IDOK).TypeAndPress(c.entry, "OK");
        Open(frame, path);
        ExpectAnalysedFrom(c.startSample);
    });
    EXPECT_EQ(user.Shown().size(), 2U) << "asked once";
}

INSTANTIATE_TEST_SUITE_P(Entries, PromptEntry,
                         testing::Values(PromptCase{"Hundred_ms_at_11025", 11025, 16, 8000, "100", 1102},
                                         PromptCase{"Hundred45_ms_at_48000", 48000, 8, 16000, "145", 6960},
                                         PromptCase{"Twelve_then_letters", 1000, 8, 2000, "12abc", 12},
                                         PromptCase{"Letters_only", 8000, 16, 4000, "abc", 0},
                                         PromptCase{"Blanks_and_plus", 8000, 16, 4000, "  +25", 200}),
                         [](const testing::TestParamInfo<PromptCase>& param) { return std::string(param.param.name); });

TEST_F(PreviewAndPrompt, CancelStartsAtTheFirstSample) {
    const std::string path = WriteFile("tone.wav", PcmWave(1, 8000, 16, fixtures::Pattern(4000)));
    Run([&](TFrameWindow& frame) {
        OpenAnswering(frame, path, [](QWidget& modal) {
            TDialog& prompt = *harness::DialogOf(modal);
            harness::TypeInto(prompt, resid::InputEdit, "50");
            harness::ClickControl(prompt, IDCANCEL);
        });
        ExpectAnalysedFrom(0);
    });
}

TEST_F(PreviewAndPrompt, StartsOutsideTheRecordingAskAgainWithZero) {
    // 1000 samples at 1000 Hz: 1000 ms lies at the end, -5 before the start;
    // 999 ms is the last sample.
    const std::string path = WriteFile("second.wav", PcmWave(1, 1000, 8, fixtures::Pattern(1000)));
    std::vector<std::string> fields;
    const auto answerWith = [&](const std::string& entry) {
        return [&fields, entry](QWidget& modal) {
            TDialog& prompt = *harness::DialogOf(modal);
            fields.push_back(harness::ControlText(prompt, resid::InputEdit));
            auto* edit = harness::ControlOf(prompt, resid::InputEdit);
            QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(edit, QString::fromStdString(entry));
            harness::ClickControl(prompt, IDOK);
        };
    };
    Run([&](TFrameWindow& frame) {
        user.Press(IDOK).Then(answerWith("1000")).Then(answerWith("-5")).Then(answerWith("999"));
        Open(frame, path);
        ExpectAnalysedFrom(999);
    });
    EXPECT_EQ(fields, (std::vector<std::string>{"0", "0", "0"}));
    EXPECT_EQ(user.Shown().size(), 4U) << "no message between the prompts";
}

}  // namespace
