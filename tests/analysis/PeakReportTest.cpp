#include "AnalysisTestSupport.h"

#include "AnalysisTexts.h"
#include "NoteNaming.h"
#include "PeakReport.h"

#include <limits>
#include <string>

namespace {

TEST(PeakReport, ProposesTheRateThatPutsThePeakOnItsNote)
{
    // A peak at 438.2 Hz in a 44100 Hz file: a1 at 440 Hz, at 44281 Hz it would be in tune.
    const double frequency = 438.2;
    const NamedNote note = NameNote(frequency);
    ASSERT_EQ(note.Text, "a1");
    const long rate = ProposeSampleRate(44100, note.Frequency, frequency);
    EXPECT_EQ(rate, 44281);
    EXPECT_EQ(FormatFrequencyText(frequency), "438.2 Hz");
    EXPECT_EQ(FormatNoteText(note.Text, note.Frequency), "a1 (440.0 Hz)");
    EXPECT_EQ(FormatRateText(rate), "44281");
}

TEST(PeakReport, TruncatesTheProposedRateTowardZero)
{
    EXPECT_EQ(ProposeSampleRate(11025, 440.0, 440.0), 11025);
    EXPECT_EQ(ProposeSampleRate(44100, 440.0, 440.0001), 44099);  // 44099.99
    EXPECT_EQ(ProposeSampleRate(44100, 466.1637615180899, 453.09), 45372);
}

TEST(PeakReport, ProposesNothingForAnUnrepresentableRate)
{
    EXPECT_EQ(ProposeSampleRate(44100, 440.0, 0.0), 0);
    EXPECT_EQ(ProposeSampleRate(44100, std::numeric_limits<double>::infinity(), 440.0), 0);
    EXPECT_EQ(ProposeSampleRate(4000000000u, 440.0, 400.0), 0);
    EXPECT_EQ(ProposeSampleRate(44100, std::numeric_limits<double>::quiet_NaN(), 440.0), 0);
}

TEST(PeakReport, FormatsTheResultTexts)
{
    EXPECT_EQ(FormatFrequencyText(5.0), "  5.0 Hz");
    EXPECT_EQ(FormatFrequencyText(134.80683), "134.8 Hz");
    EXPECT_EQ(FormatNoteText("C2", 16.3516), "C2 ( 16.4 Hz)");
    EXPECT_EQ(FormatNoteText(kTooHighText, 8372.0181), "too high! (8372.0 Hz)");
    EXPECT_EQ(FormatRateText(-5), "-5");
    EXPECT_EQ(FormatBitsPerSampleText(24), "24  bits/sample");
    EXPECT_EQ(FormatBitCountText(24), "24");
}

TEST(PeakReport, KeepsEveryTextWithin31Characters)
{
    const std::string huge = FormatFrequencyText(1e40);
    EXPECT_EQ(huge.size(), 31u);
    EXPECT_EQ(huge.substr(0, 5), "10000");
    EXPECT_EQ(FormatNoteText(std::string(40, 'x'), 1.0).size(), 31u);
}

}  // namespace
