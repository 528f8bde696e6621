// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/AnalysisStart.h"
#include "engine/WaveData.h"
#include "engine/WaveReporter.h"

#include "analysis/NoteNaming.h"
#include "analysis/PeakReport.h"

#include <gtest/gtest.h>

#include <string>

namespace clitest {

// korvani's own road for a click at `bin` on the file analysed from its first
// sample, its channels read as `reading` says: the texts its result dialog shows. The window program and
// korvani-pitch must agree on them.
struct DialogTexts {
    std::string Frequency;
    std::string Note;
    std::string Rate;
    double PeakFrequency = 0.0;
};

class IgnoredBoxes final : public TWaveReporter {
public:
    void Report(std::string_view, const char*) override {}
};

inline DialogTexts ClickInKorvani(const std::string& path, std::int64_t bin,
                                  ChannelReading reading = ChannelReading::Mixed) {
    IgnoredBoxes boxes;
    TFirstSampleStart firstSample;
    TWaveData wave;
    wave.SetChannelReading(reading);
    EXPECT_TRUE(wave.Open(path, firstSample, boxes));
    const PeakLocation peak = wave.Analysis().LocatePeak(bin);
    EXPECT_EQ(peak.Outcome, PeakOutcome::Found);
    const NamedNote note = NameNote(peak.Frequency);
    return {FormatFrequencyText(peak.Frequency), FormatNoteText(note.Text, note.Frequency),
            FormatRateText(ProposeSampleRate(wave.SampleRate(), note.Frequency, peak.Frequency)), peak.Frequency};
}

}  // namespace clitest
