// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/PitchAnalysis.h"

#include "analysis/FundamentalPicker.h"
#include "cli/MemoryBudget.h"
#include "cli/RetunedCopy.h"
#include "engine/SoundFileReader.h"
#include "cli/SoundFileSignal.h"
#include "cli/SourceFile.h"
#include "analysis/TuningEstimate.h"
#include "engine/WaveHeader.h"

#include "engine/FormatChunk.h"
#include "platform/RegularFile.h"
#include "engine/SampleRateRewrite.h"
#include "engine/WaveData.h"
#include "engine/WaveTexts.h"

#include "analysis/AnalysisTexts.h"
#include "analysis/MixedFrames.h"
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
        result.Messages.AddFailure(FailureCode::NoPitch, "no pitch found: " + result.NoPitch);
        return std::nullopt;
    }
    return choice.Bin;
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
        result.Messages.AddFailure(FailureCode::NoResult, OutsideSpectrumText(startBin, analysis.BinCount));
        return false;
    }
    std::optional<PeakDescription> description = DescribePeak(peak.Frequency, analysis.SampleRate, a4);
    if (!description) {
        // korvani's click ends silently here; a command line has to say why.
        result.Messages.AddFailure(FailureCode::NoResult, TooLowText(peak.Frequency));
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
        result.Messages.AddFailure(FailureCode::NoResult,
                                   target + ": the pitch lies outside MIDI notes 0 to 127: no \"smpl\" chunk");
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
// 8 bits, 16-bit values otherwise (see MixFrames).
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

// The spectrum of N values: N / 2 of silence, then the first frames, in
// `analysis` itself: its buffers are released before the new ones are
// allocated, so a file's road never holds two analyses at once. `values`:
// the values the spectrum is of, for the tuning.
bool AnalyseCentredOnTheStart(FrequencyAnalysis& analysis, const FirstFrames& first, std::vector<double>& values) {
    const auto half = static_cast<std::size_t>(analysis.TransformSize / 2);
    values.assign(2 * half, 0.0);
    const std::vector<double> frames = first.Read();
    std::copy_n(frames.begin(), std::min(half, frames.size()), values.begin() + static_cast<std::ptrdiff_t>(half));
    const auto bytes = static_cast<std::uint32_t>(values.size() * (first.BitsPerSample / 8));
    if (analysis.Prepare(analysis.SampleRate, first.BitsPerSample, bytes) != SetupResult::Ready) {
        return false;
    }
    analysis.ComputeSpectrumOfValues(values, 0);
    return true;
}

// A copy written over the file analysed would replace the very file it is a
// copy of: refused, with the reason, before anything is written.
bool RefusesTheSourceAsTarget(const std::string& source, const std::string& target, PitchResult& result) {
    if (!platform::NameTheSameFile(source.c_str(), target.c_str())) {
        return false;
    }
    result.Messages.AddFailure(FailureCode::SameFile, "the target is the source");
    return true;
}

// The climb, the naming, the tuning, the spectrum and, with --retune, the
// copy `retune` writes at the rate chosen (answering true once written); with
// --smpl, the sampler's copy of `source`. `analysis` holds the spectrum of
// `stretch` from the start, or after the centring (see ShouldCentreOnTheStart)
// the centred one.
void Conclude(const std::string& source, FrequencyAnalysis& analysis, std::span<const double> stretch,
              const FirstFrames& first, const PitchOptions& options, PitchResult& result,
              const std::function<bool(std::uint32_t)>& retune) {
    std::vector<double> centredValues;
    if (ShouldCentreOnTheStart(analysis, options)) {
        if (!AnalyseCentredOnTheStart(analysis, first, centredValues)) {
            result.Messages.Report(kMemoryAllocationImpossibleText, nullptr);
            return;
        }
        result.Centred = true;
        stretch = centredValues;
    }
    double fundamental = 0.0;
    const std::optional<std::int64_t> startBin = ChooseStartBin(analysis, options, stretch, result, fundamental);
    if (!startBin || !LocateAndName(analysis, *startBin, options.A4, result)) {
        return;
    }
    const bool automatic = options.StartBin == StartBinChoice::Fundamental;
    if (!Tune(stretch, automatic && fundamental > 0.0 ? fundamental : result.Frequency, options, result)) {
        return;
    }
    if (options.Spectrum) {
        const std::span<const double> magnitude = analysis.Magnitude.span();
        result.Spectrum.assign(magnitude.begin(), magnitude.end());
    }
    if (options.RetuneTarget && !RefusesTheSourceAsTarget(source, *options.RetuneTarget, result)) {
        const std::uint32_t requested = options.RetuneRate.value_or(static_cast<std::uint32_t>(result.Rate));
        const std::uint32_t rate = RetunedRate(requested, result.SampleRate, options.NoHigher);
        if (!IsOpenableSampleRate(rate)) {
            result.Messages.Report(UnopenableRateText(rate), kUnsupportedSampleRateCaption);
        } else if (retune(rate)) {
            result.WrittenRate = rate;
            result.WrittenFile = *options.RetuneTarget;
        }
    }
    if (options.SmplTarget && !RefusesTheSourceAsTarget(source, *options.SmplTarget, result)) {
        WriteSmplCopy(source, *options.SmplTarget, NamesByThePitch(options) ? result.Pitch : result.Frequency,
                      options.A4, result.SampleRate, result);
    }
}

// The rate a WAV file's "fmt " chunk names; 0 when the chunk is too short to name one.
std::uint32_t FormatRate(const WaveHeader& header) {
    return header.HasFormat && header.FormatSize >= platform::kSampleRateOffset + 4
               ? platform::ReadLittleEndian32(header.FormatBytes.data() + platform::kSampleRateOffset)
               : 0;
}

// The rate rule, before any reader sizes anything from the rate; libsndfile's
// files are judged once it has read their rate.
bool RefusesTheRate(const WaveHeader& header, PitchResult& result) {
    if (!header.HasFormat || header.FormatSize < platform::kSampleRateOffset + 4 ||
        IsOpenableSampleRate(FormatRate(header))) {
        return false;
    }
    result.Messages.AddFailure(FailureCode::InvalidRate, InvalidRateText(FormatRate(header)));
    return true;
}

// Holds the process's memory for the one analysis a file's road keeps at a
// time (the mixed and centred readings set it up again in place). Waits
// while other files hold the memory; nothing, after noting why, when it
// could never fit.
std::optional<MemoryBudget::Reservation> ReserveAnalysis(std::uint32_t sampleRate, PitchResult& result) {
    const std::size_t bytes = AnalysisBytes(sampleRate);
    MemoryBudget::Reservation reservation = MemoryBudget::Process().Reserve(bytes);
    if (!reservation) {
        result.Messages.AddFailure(FailureCode::NoMemory,
                                   std::string(kMemoryAllocationImpossibleText) + ": the analysis at " +
                                       std::to_string(sampleRate) + " Hz needs " + std::to_string(bytes >> 20) +
                                       " MiB, korvani-pitch's budget is " +
                                       std::to_string(MemoryBudget::kProcessBytes >> 20) + " MiB");
        return std::nullopt;
    }
    return reservation;
}

// A file korvani's engine does not read, through libsndfile: its frames mixed
// and scaled to 16-bit values, analysed as a mixed WAV file is.
void AnalyseSoundFile(const std::string& readPath, const PitchOptions& options, PitchResult& result) {
    result.Reader = "libsndfile";
    const std::optional<SoundFileSignal> signal =
        ReadSoundFileSignal(readPath, options.StartMilliseconds, result.Messages);
    if (!signal) {
        return;
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
    // A compressed file stores no resolution: its rate alone.
    result.Messages.Report(signal->BitsPerSample != 0 ? RateAndResolutionText(signal->SampleRate, signal->BitsPerSample)
                                                      : std::to_string(signal->SampleRate) + " Hz",
                           kSamplingFrequencyCaption);
    if (signal->PastTheEnd) {
        result.Messages.AddFailure(
            FailureCode::PastTheEnd,
            PastTheEndText(options.StartMilliseconds, signal->StartSample, signal->Frames, "frame"));
        return;
    }
    const std::optional<MemoryBudget::Reservation> memory = ReserveAnalysis(signal->SampleRate, result);
    if (!memory) {
        return;
    }
    FrequencyAnalysis analysis;
    if (analysis.Prepare(signal->SampleRate, 16, static_cast<std::uint32_t>(signal->Values.size() * 2)) !=
        SetupResult::Ready) {
        result.Messages.Report(kMemoryAllocationImpossibleText, nullptr);
        return;
    }
    analysis.ComputeSpectrumOfValues(signal->Values, 0);
    result.TransformSize = analysis.TransformSize;
    const FirstFrames first{[&] { return signal->Values; }, 16};
    // The copies read the very file analysed, by its descriptor's name.
    Conclude(readPath, analysis, signal->Values, first, options, result, [&](std::uint32_t rate) {
        return WriteRetunedSoundFile(readPath, *signal, *options.RetuneTarget, rate, result.Messages);
    });
}

void AnalyseKorvaniWav(const std::string& readPath, const WaveHeader& header, const PitchOptions& options,
                       PitchResult& result) {
    result.Reader = "korvani";
    const std::optional<MemoryBudget::Reservation> memory = ReserveAnalysis(FormatRate(header), result);
    if (!memory) {
        return;
    }
    TWaveData wave;
    wave.SetChannelReading(options.Interleaved ? ChannelReading::Interleaved : ChannelReading::Mixed);
    TGivenStartTime start(options.StartMilliseconds);
    if (!wave.Open(readPath, start, result.Messages)) {
        return;
    }
    result.SampleRate = wave.SampleRate();
    result.BitsPerSample = wave.BitsPerSample();
    result.Format = KorvaniWavFormatText(wave.BitsPerSample());
    result.Channels = wave.Channels();
    result.Mixed = wave.ValuesPerFrame() > 1;
    result.StartSample = start.StartSample();
    FrequencyAnalysis& analysis = wave.Analysis();
    if (start.PastTheEnd()) {
        result.Messages.AddFailure(FailureCode::PastTheEnd,
                                   PastTheEndText(options.StartMilliseconds, start.StartSample(), analysis.SampleCount,
                                                  result.Mixed ? "frame" : "sample value"));
        return;
    }
    result.TransformSize = analysis.TransformSize;
    const FirstFrames first{[&] {
                                return MixFrames(
                                    wave.Samples(), wave.BitsPerSample(), wave.ValuesPerFrame(), 0,
                                    std::min<std::int64_t>(analysis.SampleCount, analysis.TransformSize / 2));
                            },
                            wave.BitsPerSample()};
    // The frames the spectrum is of, for the tuning.
    const std::vector<double> stretch =
        MixFrames(wave.Samples(), wave.BitsPerSample(), wave.ValuesPerFrame(), result.StartSample,
                  std::min<std::int64_t>(analysis.SampleCount - result.StartSample, analysis.TransformSize));
    // The copies read the very file analysed, by its descriptor's name.
    Conclude(readPath, analysis, stretch, first, options, result, [&](std::uint32_t rate) {
        return WriteRetunedCopy(readPath, *options.RetuneTarget, rate, result.Messages);
    });
    wave.Close(result.Messages);
}

}  // namespace

PitchResult AnalyseFile(const std::string& path, const PitchOptions& options) {
    PitchResult result;
    result.File = path;
    // Opened once and checked; every reader reads the file checked, by ReadPath.
    const std::optional<SourceFile> source = SourceFile::Open(path, result.Messages);
    if (!source) {
        return result;
    }
    const std::optional<WaveHeader> header = ReadWaveHeader(source->ReadPath());
    if (header && RefusesTheRate(*header, result)) {
        return result;
    }
    if (!header || !header->ReadByKorvani()) {
        AnalyseSoundFile(source->ReadPath(), options, result);
        return result;
    }
    AnalyseKorvaniWav(source->ReadPath(), *header, options, result);
    return result;
}
