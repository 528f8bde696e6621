#include "cli/PitchAnalysis.h"

#include "cli/CommandLineStart.h"
#include "cli/FundamentalPicker.h"
#include "cli/RetunedCopy.h"
#include "cli/SoundFileReader.h"
#include "cli/SoundFileSignal.h"
#include "cli/TuningEstimate.h"
#include "cli/WaveHeader.h"

#include "document/SampleRateRewrite.h"
#include "document/WaveData.h"
#include "document/WaveTexts.h"
#include "platform/SampleFormat.h"

#include "analysis/AnalysisTexts.h"
#include "analysis/NoteNaming.h"
#include "analysis/PeakReport.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace {

// The bin the climb starts from, as the options choose it; no bin after
// noting that --auto found no pitch. With --auto, `fundamental` is the
// picker's F in Hz, where the tuning estimate starts.
std::optional<std::int64_t> ChooseStartBin(const FrequencyAnalysis& analysis, const PitchOptions& options,
                                           std::span<const double> stretch, PitchResult& result, double& fundamental) {
    const std::span<const double> magnitude = analysis.Magnitude.span();
    switch (options.StartBin) {
    case StartBinChoice::GivenBin: return options.GivenBin;
    case StartBinChoice::NearestToHz: {
        // Beyond the last bin any bin is as far outside as another; clamping
        // keeps the rounding within range for any frequency.
        const double bin = options.NearHz * analysis.TransformSize / analysis.SampleRate;
        return std::llround(std::min(bin, static_cast<double>(analysis.BinCount)));
    }
    case StartBinChoice::Strongest: return StrongestBin(magnitude);
    case StartBinChoice::Fundamental: break;
    }
    const LastingTones lasting(stretch, analysis.SampleRate);
    const FundamentalChoice choice =
        PickFundamental(magnitude, analysis.TransformSize, analysis.SampleRate,
                        [&lasting](double frequency) { return lasting.IsLasting(frequency); });
    fundamental = choice.Fundamental;
    if (choice.Verdict != PitchVerdict::Pitched) {
        result.NoPitch = choice.Verdict == PitchVerdict::Silent ? "silent" : "no harmonic series";
        result.Messages.AddFailure("no pitch found: " + result.NoPitch);
        return std::nullopt;
    }
    return choice.Bin;
}

// The value of each frame: the mean of its channels, as byte - 128 (8 bits)
// or signed 16-bit values, the units the analysis reads; `count` frames from
// frame `first` on.
std::vector<double> MixedFrames(std::span<const std::uint8_t> data, std::uint32_t bitsPerSample, std::uint16_t channels,
                                std::int64_t first, std::int64_t count) {
    const std::size_t bytes = bitsPerSample / 8;
    const std::size_t frameBytes = bytes * channels;
    std::vector<double> frames(static_cast<std::size_t>(count));
    const std::uint8_t* frame = data.data() + static_cast<std::size_t>(first) * frameBytes;
    for (double& value : frames) {
        double sum = 0.0;
        for (std::size_t c = 0; c < channels; ++c) {
            const std::uint8_t* at = frame + c * bytes;
            sum += platform::SampleValue(at, bitsPerSample);
        }
        value = sum / channels;
        frame += frameBytes;
    }
    return frames;
}

std::string PastTheEndText(std::int32_t milliseconds, std::int64_t startSample, std::int64_t count, const char* unit) {
    return "start time " + std::to_string(milliseconds) + " ms (" + unit + " " + std::to_string(startSample) +
           ") lies past the end of the recording (" + std::to_string(count) + " " + unit + "s)";
}

std::string OutsideSpectrumText(std::int64_t bin, std::int32_t binCount) {
    return "bin " + std::to_string(bin) + " lies outside the spectrum (bins 0 to " + std::to_string(binCount - 1) + ")";
}

std::string TooLowText(double frequency) {
    return "the peak at " + FormatFrequencyText(frequency) + " lies below the lowest note: no result";
}

// The climb, the note and the texts, into `result`; false after noting why
// there is no result.
bool LocateAndName(const FrequencyAnalysis& analysis, std::int64_t startBin, double a4, PitchResult& result) {
    result.StartBin = startBin;
    const PeakLocation peak = analysis.LocatePeak(startBin);
    switch (peak.Outcome) {
    case PeakOutcome::Found: break;
    case PeakOutcome::NoLocalMaximum: result.Messages.Report(kNoLocalMaximumText, nullptr); return false;
    case PeakOutcome::OutsideSpectrum:
        result.Messages.AddFailure(OutsideSpectrumText(startBin, analysis.BinCount));
        return false;
    }
    std::optional<PeakDescription> description = DescribePeak(peak.Frequency, analysis.SampleRate, a4);
    if (!description) {
        // korvani's click ends silently here; a command line has to say why.
        result.Messages.AddFailure(TooLowText(peak.Frequency));
        return false;
    }
    result.Frequency = peak.Frequency;
    result.PeakBin = peak.Frequency * analysis.TransformSize / analysis.SampleRate;
    result.NoteFrequency = description->Note.Frequency;
    // Rounded to the tenth written, and never -0.0.
    result.Cents = std::round(CentsFrom(result.NoteFrequency, peak.Frequency) * 10.0) / 10.0 + 0.0;
    result.A4 = a4;
    result.Rate = description->ProposedRate;
    result.FrequencyText = std::move(description->FrequencyText);
    result.NoteText = std::move(description->NoteText);
    result.RateText = std::move(description->RateText);
    return true;
}

void WriteSmplCopy(const std::string& path, const std::string& target, double frequency, double a4,
                   std::uint32_t sampleRate, PitchResult& result) {
    const std::optional<SamplerTuning> tuning = TuningOf(frequency, a4);
    if (!tuning) {
        result.Messages.AddFailure(target + ": the pitch lies outside MIDI notes 0 to 127: no \"smpl\" chunk");
    } else if (WriteSamplerCopy(path, target, *tuning, sampleRate, result.Messages)) {
        result.SmplTuning = tuning;
        result.SmplFile = target;
    }
}

// Whether the note, cents, rate and sampler tuning follow the tuning
// estimate: with --auto as a file is heard; a chosen bin and the window's
// reading keep the click's.
bool NamesByThePitch(const PitchOptions& options) {
    return options.StartBin == StartBinChoice::Fundamental && !options.AsWindow;
}

// The tuning estimate of the series from `seed` Hz and its clarity, into
// `result`; with --auto the note, cents and rate follow it ("local maximum
// at" stays the click's). False after noting why there is no result.
bool Tune(std::span<const double> stretch, double seed, const PitchOptions& options, PitchResult& result) {
    const TuningEstimate tuning = EstimateTuning(stretch, result.SampleRate, seed);
    result.Pitch = tuning.Found ? tuning.Pitch : seed;
    result.Clarity = tuning.Clarity;
    result.Doubtful = tuning.Clarity < kDoubtfulClarity;
    if (!NamesByThePitch(options)) {
        return true;
    }
    std::optional<PeakDescription> description = DescribePeak(result.Pitch, result.SampleRate, options.A4);
    if (!description) {
        result.Messages.AddFailure(TooLowText(result.Pitch));
        return false;
    }
    result.NoteFrequency = description->Note.Frequency;
    result.Cents = std::round(CentsFrom(result.NoteFrequency, result.Pitch) * 10.0) / 10.0 + 0.0;
    result.Rate = description->ProposedRate;
    result.NoteText = std::move(description->NoteText);
    result.RateText = std::move(description->RateText);
    return true;
}

// The frames a file starts with, as the analysis reads them: byte - 128 for
// 8 bits, 16-bit values otherwise (see MixedFrames).
struct FirstFrames {
    std::function<std::vector<double>()> Read;  ///< at least half a transform of them, when the file has them
    std::uint32_t BitsPerSample = 16;
};

// A note that starts the file and dies away within half a window (a muted
// string, a high xylophone bar) lies under the window's taper when the
// analysis starts at the first frame: the stretch reads as silence although
// the file is not silent. So --auto from the first frame reads such a
// stretch again with the first half window of frames at the window's centre
// and silence before them, as if the recording had begun earlier.
bool ShouldCentreOnTheStart(const FrequencyAnalysis& analysis, const PitchOptions& options) {
    return options.StartBin == StartBinChoice::Fundamental && options.StartMilliseconds == 0 && !options.AsWindow &&
           IsSilentSpectrum(analysis.Magnitude.span());
}

// The spectrum of N values: N / 2 of silence, then the first frames (`values`).
bool AnalyseCentredOnTheStart(const FrequencyAnalysis& fromStart, const FirstFrames& first, FrequencyAnalysis& centred,
                              std::vector<double>& values) {
    const auto half = static_cast<std::size_t>(fromStart.TransformSize / 2);
    values.assign(2 * half, 0.0);
    const std::vector<double> frames = first.Read();
    std::copy_n(frames.begin(), std::min(half, frames.size()), values.begin() + static_cast<std::ptrdiff_t>(half));
    const auto bytes = static_cast<std::uint32_t>(values.size() * (first.BitsPerSample / 8));
    if (centred.Prepare(fromStart.SampleRate, first.BitsPerSample, bytes) != SetupResult::Ready) {
        return false;
    }
    centred.ComputeSpectrumOfValues(values, 0);
    return true;
}

// The climb, the naming, the tuning, the spectrum and, with --retune, the
// copy `retune` writes at the rate chosen (answering true once written); with
// --smpl, the sampler's copy. `stretch`: the values the spectrum is of.
void Conclude(const std::string& path, const FrequencyAnalysis& fromStart, std::span<const double> stretch,
              const FirstFrames& first, const PitchOptions& options, PitchResult& result,
              const std::function<bool(std::uint32_t)>& retune) {
    FrequencyAnalysis centred;
    std::vector<double> centredValues;
    result.Centred = ShouldCentreOnTheStart(fromStart, options) &&
                     AnalyseCentredOnTheStart(fromStart, first, centred, centredValues);
    const FrequencyAnalysis& analysis = result.Centred ? centred : fromStart;
    const std::span<const double> values = result.Centred ? std::span<const double>(centredValues) : stretch;
    double fundamental = 0.0;
    const std::optional<std::int64_t> startBin = ChooseStartBin(analysis, options, values, result, fundamental);
    if (!startBin || !LocateAndName(analysis, *startBin, options.A4, result)) {
        return;
    }
    const bool automatic = options.StartBin == StartBinChoice::Fundamental;
    if (!Tune(values, automatic && fundamental > 0.0 ? fundamental : result.Frequency, options, result)) {
        return;
    }
    if (options.Spectrum) {
        const std::span<const double> magnitude = analysis.Magnitude.span();
        result.Spectrum.assign(magnitude.begin(), magnitude.end());
    }
    if (options.RetuneTarget) {
        const std::uint32_t requested = options.RetuneRate.value_or(static_cast<std::uint32_t>(result.Rate));
        const std::uint32_t rate = RetunedRate(requested, result.SampleRate, options.NoHigher);
        if (retune(rate)) {
            result.WrittenRate = rate;
            result.WrittenFile = *options.RetuneTarget;
        }
    }
    if (options.SmplTarget) {
        WriteSmplCopy(path, *options.SmplTarget, NamesByThePitch(options) ? result.Pitch : result.Frequency, options.A4,
                      result.SampleRate, result);
    }
}

// A file korvani's engine does not read, through libsndfile: its frames mixed
// and scaled to 16-bit values, analysed as a mixed WAV file is.
PitchResult AnalyseSoundFile(const std::string& path, const PitchOptions& options) {
    PitchResult result;
    result.File = path;
    result.Reader = "libsndfile";
    const std::optional<SoundFileSignal> signal = ReadSoundFileSignal(path, options.StartMilliseconds, result.Messages);
    if (!signal) {
        return result;
    }
    result.Format = signal->FormatText;
    result.SampleRate = signal->SampleRate;
    result.BitsPerSample = signal->BitsPerSample;
    result.Channels = signal->Channels;
    result.Mixed = signal->Channels > 1;
    result.StartSample = signal->StartSample;
    if (signal->Channels != 1) {
        result.Messages.Report(std::to_string(signal->Channels), kChannelCountCaption);
    }
    result.Messages.Report(RateAndResolutionText(signal->SampleRate, signal->BitsPerSample), kSamplingFrequencyCaption);
    if (signal->PastTheEnd) {
        result.Messages.AddFailure(
            PastTheEndText(options.StartMilliseconds, signal->StartSample, signal->Frames, "frame"));
        return result;
    }
    FrequencyAnalysis analysis;
    if (analysis.Prepare(signal->SampleRate, 16, static_cast<std::uint32_t>(signal->Values.size() * 2)) !=
        SetupResult::Ready) {
        result.Messages.Report(kMemoryAllocationImpossibleText, nullptr);
        return result;
    }
    analysis.ComputeSpectrumOfValues(signal->Values, 0);
    result.TransformSize = analysis.TransformSize;
    const FirstFrames first{[&] { return signal->Values; }, 16};
    Conclude(path, analysis, signal->Values, first, options, result, [&](std::uint32_t rate) {
        return WriteRetunedSoundFile(path, *signal, *options.RetuneTarget, rate, result.Messages);
    });
    return result;
}

}  // namespace

PitchResult AnalyseFile(const std::string& path, const PitchOptions& options) {
    if (!KorvaniReads(path)) {
        return AnalyseSoundFile(path, options);
    }
    PitchResult result;
    result.File = path;
    result.Reader = "korvani";
    TWaveData wave;
    CommandLineStart start(options.StartMilliseconds);
    if (!wave.Open(path, start, result.Messages)) {
        return result;
    }
    result.SampleRate = wave.SampleRate();
    result.BitsPerSample = wave.BitsPerSample();
    result.Format = KorvaniWavFormatText(wave.BitsPerSample());
    result.Channels = wave.Channels();
    result.Mixed = result.Channels > 1 && !options.AsWindow;
    result.StartSample = start.StartSample();
    const FrequencyAnalysis* analysis = &wave.Analysis();
    FrequencyAnalysis mixed;
    std::vector<double> stretch;  // the frames the spectrum is of, for the tuning
    if (result.Mixed) {
        // The window wraps to the start when fewer than N frames follow it, so
        // the frames from the start to N on are all it reads.
        const std::int64_t frameCount = wave.Analysis().SampleCount / result.Channels;
        if (result.StartSample >= frameCount) {
            result.Messages.AddFailure(
                PastTheEndText(options.StartMilliseconds, result.StartSample, frameCount, "frame"));
            return result;
        }
        const std::int64_t count =
            std::min<std::int64_t>(frameCount - result.StartSample, wave.Analysis().TransformSize);
        stretch = MixedFrames(wave.Samples(), wave.BitsPerSample(), result.Channels, result.StartSample, count);
        const auto mixedBytes = static_cast<std::uint32_t>(count * (wave.BitsPerSample() / 8));
        if (mixed.Prepare(wave.SampleRate(), wave.BitsPerSample(), mixedBytes) != SetupResult::Ready) {
            result.Messages.Report(kMemoryAllocationImpossibleText, nullptr);
            return result;
        }
        mixed.ComputeSpectrumOfValues(stretch, 0);
        analysis = &mixed;
    } else if (start.PastTheEnd()) {
        result.Messages.AddFailure(
            PastTheEndText(options.StartMilliseconds, start.StartSample(), analysis->SampleCount, "sample value"));
        return result;
    }
    if (stretch.empty()) {
        // Mono, or several channels read as the window reads them: the values
        // one after another from the start.
        const std::int64_t count =
            std::min<std::int64_t>(analysis->SampleCount - result.StartSample, analysis->TransformSize);
        stretch = MixedFrames(wave.Samples(), wave.BitsPerSample(), 1, result.StartSample, count);
    }
    result.TransformSize = analysis->TransformSize;
    const FirstFrames first{[&] {
                                const std::int64_t frames = wave.Analysis().SampleCount / result.Channels;
                                return MixedFrames(wave.Samples(), wave.BitsPerSample(), result.Channels, 0,
                                                   std::min<std::int64_t>(frames, analysis->TransformSize / 2));
                            },
                            wave.BitsPerSample()};
    Conclude(path, *analysis, stretch, first, options, result,
             [&](std::uint32_t rate) { return WriteRetunedCopy(path, *options.RetuneTarget, rate, result.Messages); });
    wave.Close(result.Messages);
    return result;
}
