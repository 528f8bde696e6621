#include "PitchAnalysis.h"

#include "CommandLineStart.h"
#include "FundamentalPicker.h"
#include "RetunedCopy.h"

#include "document/FormatChunk.h"
#include "document/WaveData.h"

#include "AnalysisTexts.h"
#include "NoteNaming.h"
#include "PeakReport.h"

#include <algorithm>
#include <cmath>

namespace {

// The bin the climb starts from, as the options choose it.
std::int64_t ChooseStartBin(const FrequencyAnalysis& analysis, const PitchOptions& options)
{
    const std::span<const double> magnitude = analysis.Magnitude.span();
    switch (options.StartBin) {
    case StartBinChoice::GivenBin:
        return options.GivenBin;
    case StartBinChoice::NearestToHz: {
        // Beyond the last bin any bin is as far outside as another; clamping
        // keeps the rounding within range for any frequency.
        const double bin = options.NearHz * analysis.TransformSize / analysis.SampleRate;
        return std::llround(std::min(bin, static_cast<double>(analysis.BinCount)));
    }
    case StartBinChoice::Strongest:
        return StrongestBin(magnitude);
    case StartBinChoice::Fundamental:
        break;
    }
    return PickFundamentalBin(magnitude, analysis.TransformSize, analysis.SampleRate);
}

std::string PastTheEndText(std::int32_t milliseconds, std::int64_t startSample, std::int64_t sampleCount)
{
    return "start time " + std::to_string(milliseconds) + " ms (sample " + std::to_string(startSample) +
           ") lies past the end of the recording (" + std::to_string(sampleCount) + " sample values)";
}

std::string OutsideSpectrumText(std::int64_t bin, std::int32_t binCount)
{
    return "bin " + std::to_string(bin) + " lies outside the spectrum (bins 0 to " + std::to_string(binCount - 1) +
           ")";
}

std::string TooLowText(double frequency)
{
    return "the peak at " + FormatFrequencyText(frequency) + " lies below the lowest note: no result";
}

// The climb, the note and the texts, into `result`; false after noting why
// there is no result.
bool LocateAndName(const FrequencyAnalysis& analysis, std::int64_t startBin, PitchResult& result)
{
    result.StartBin = startBin;
    const PeakLocation peak = analysis.LocatePeak(startBin);
    switch (peak.Outcome) {
    case PeakOutcome::Found:
        break;
    case PeakOutcome::NoLocalMaximum:
        result.Messages.Report(kNoLocalMaximumText, nullptr);
        return false;
    case PeakOutcome::OutsideSpectrum:
        result.Messages.AddFailure(OutsideSpectrumText(startBin, analysis.BinCount));
        return false;
    }
    const NamedNote note = NameNote(peak.Frequency);
    if (note.Frequency == 0.0) {
        // korvani's click ends silently here; a command line has to say why.
        result.Messages.AddFailure(TooLowText(peak.Frequency));
        return false;
    }
    result.Frequency = peak.Frequency;
    result.PeakBin = peak.Frequency * analysis.TransformSize / analysis.SampleRate;
    result.NoteFrequency = note.Frequency;
    result.Rate = ProposeSampleRate(analysis.SampleRate, note.Frequency, peak.Frequency);
    result.FrequencyText = FormatFrequencyText(peak.Frequency);
    result.NoteText = FormatNoteText(note.Text, note.Frequency);
    result.RateText = FormatRateText(result.Rate);
    return true;
}

}  // namespace

PitchResult AnalyseFile(const std::string& path, const PitchOptions& options)
{
    PitchResult result;
    result.File = path;
    TWaveData wave;
    CommandLineStart start(options.StartMilliseconds);
    if (!wave.Open(path, start, result.Messages)) {
        return result;
    }
    const FrequencyAnalysis& analysis = wave.Analysis;
    result.SampleRate = wave.SampleRate;
    result.BitsPerSample = wave.BitsPerSample;
    result.Channels = ReadLittleEndian16(wave.FormatBytes + kChannelsOffset);
    result.TransformSize = analysis.TransformSize;
    result.StartSample = start.StartSample();
    if (start.PastTheEnd()) {
        result.Messages.AddFailure(
            PastTheEndText(options.StartMilliseconds, start.StartSample(), analysis.SampleCount));
        return result;
    }
    if (!LocateAndName(analysis, ChooseStartBin(analysis, options), result)) {
        return result;
    }
    if (options.Spectrum) {
        const std::span<const double> magnitude = analysis.Magnitude.span();
        result.Spectrum.assign(magnitude.begin(), magnitude.end());
    }
    if (options.RetuneTarget) {
        const std::uint32_t requested = options.RetuneRate.value_or(static_cast<std::uint32_t>(result.Rate));
        WriteRetunedCopy(path, *options.RetuneTarget, RateToWrite(requested, wave.SampleRate, options.NoHigher),
                         result.Messages);
    }
    wave.Close(result.Messages);
    return result;
}
