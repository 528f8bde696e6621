// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/analysis/AnalysisTestSupport.h"

#include "analysis/AnalysisTexts.h"
#include "analysis/NoteNaming.h"
#include "analysis/PeakReport.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

namespace {

struct DescriptionRow {
    double Frequency;
    std::uint32_t SampleRate;
    double A4;
    const char* FrequencyText;  // nullptr: no description
    const char* NoteText;
    const char* RateText;
};

TEST(PeakReport, DescribesAPeakByItsNoteTextsAndRate) {
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    const DescriptionRow rows[] = {
        // 438.2 Hz in a 44100 Hz file: a1 at 440 Hz, in tune at 44281 Hz.
        {438.2, 44100, 440.0, "438.2 Hz", "a1 (440.0 Hz)", "44281"},
        {440.0, 22050, 443.0, "440.0 Hz", "a1 (443.0 Hz)", "22200"},
        {8400.0, 44100, 440.0, "8400.0 Hz", "too high! (8372.0 Hz)", "43953"},
        {16.0, 44100, 440.0, nullptr, nullptr, nullptr},  // below the lowest C
        {kInfinity, 44100, 440.0, nullptr, nullptr, nullptr},
    };
    for (const DescriptionRow& row : rows) {
        SCOPED_TRACE(row.Frequency);
        const std::optional<PeakDescription> description = DescribePeak(row.Frequency, row.SampleRate, row.A4);
        if (row.FrequencyText == nullptr) {
            EXPECT_FALSE(description.has_value());
            continue;
        }
        ASSERT_TRUE(description.has_value());
        const NamedNote note = NameNoteAt(row.Frequency, row.A4);
        EXPECT_EQ(description->Frequency, row.Frequency);
        EXPECT_EQ(description->Note.Text, note.Text);
        EXPECT_EQ(description->Note.Frequency, note.Frequency);
        EXPECT_EQ(description->ProposedRate, ProposeSampleRate(row.SampleRate, note.Frequency, row.Frequency));
        EXPECT_EQ(description->FrequencyText, row.FrequencyText);
        EXPECT_EQ(description->NoteText, row.NoteText);
        EXPECT_EQ(description->RateText, row.RateText);
    }
}

TEST(PeakReport, TruncatesTheProposedRateTowardZero) {
    EXPECT_EQ(ProposeSampleRate(11025, 440.0, 440.0), 11025);
    EXPECT_EQ(ProposeSampleRate(44100, 440.0, 440.0001), 44099);  // 44099.99
    EXPECT_EQ(ProposeSampleRate(44100, 466.1637615180899, 453.09), 45372);
}

TEST(PeakReport, ProposesNothingForAnUnrepresentableRate) {
    EXPECT_EQ(ProposeSampleRate(44100, 440.0, 0.0), 0);
    EXPECT_EQ(ProposeSampleRate(44100, std::numeric_limits<double>::infinity(), 440.0), 0);
    EXPECT_EQ(ProposeSampleRate(4000000000u, 440.0, 400.0), 0);
    EXPECT_EQ(ProposeSampleRate(44100, std::numeric_limits<double>::quiet_NaN(), 440.0), 0);
}

TEST(PeakReport, FormatsTheResultTexts) {
    EXPECT_EQ(FormatFrequencyText(5.0), "  5.0 Hz");
    EXPECT_EQ(FormatFrequencyText(134.80683), "134.8 Hz");
    EXPECT_EQ(FormatNoteText("C2", 16.3516), "C2 ( 16.4 Hz)");
    EXPECT_EQ(FormatNoteText(kTooHighText, 8372.0181), "too high! (8372.0 Hz)");
    EXPECT_EQ(FormatRateText(-5), "-5");
}

TEST(PeakReport, KeepsEveryTextWithin31Characters) {
    const std::string huge = FormatFrequencyText(1e40);
    EXPECT_EQ(huge.size(), 31u);
    EXPECT_EQ(huge.substr(0, 5), "10000");
    EXPECT_EQ(FormatNoteText(std::string(40, 'x'), 1.0).size(), 31u);
}

}  // namespace
