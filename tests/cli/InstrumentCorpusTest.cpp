// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/cli/FlatJson.h"
#include "tests/cli/InstrumentCorpus.h"
#include "tests/cli/PitchProcess.h"
#include "tests/cli/ToneFiles.h"

#include "analysis/FrequencyAnalysis.h"
#include "analysis/NoteNaming.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <array>
#include <complex>
#include <numbers>
#include <optional>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <map>
#include <string>
#include <vector>

namespace {

// korvani-pitch --auto on the rendered instrument notes (render-corpus.sh):
// the share of notes named right, per family and rendering, and overall. A
// note is right when its name is that of the note the key sounds: the key
// played, or for an organ the rank below it that sounds (OrganSoundingNote).
// The folder and the sample step are the build's, or KORVANI_CORPUS_DIR and
// KORVANI_CORPUS_STEP from the environment (bench/cli/instrument-corpus.sh:
// the whole corpus).

// An organ rank this close to the strongest partial is heard as the pitch;
// below kLowestPitchHz a rank is felt rather than heard as one.
constexpr double kRankDecibels = 20.0;
constexpr double kLowestPitchHz = 20.0;

// The note an organ key sounds. The General MIDI banks' organ samples add a
// rank an octave or two below the key (16- and 32-foot stops, nearly pure
// tones) on some keys and not on others; where that rank is loud, it is the
// lowest pitch heard. So the key sounds as the lowest of itself and the two
// octaves below whose partial lies within kRankDecibels of the strongest,
// measured on the file's spectrum (its channels summed, read by libsndfile).
// A file's channels summed, as read by libsndfile; `rate` its sample rate (0
// when the file cannot be read).
std::vector<double> SummedChannels(const std::string& path, std::uint32_t& rate) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    rate = 0;
    if (file == nullptr) {
        return {};
    }
    std::vector<short> frames(static_cast<std::size_t>(info.frames * info.channels));
    sf_readf_short(file, frames.data(), info.frames);
    sf_close(file);
    std::vector<double> values(static_cast<std::size_t>(info.frames), 0.0);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        values[i / static_cast<std::size_t>(info.channels)] += frames[i];
    }
    rate = static_cast<std::uint32_t>(info.samplerate);
    return values;
}

int OrganSoundingNote(const std::string& path, int key) {
    std::uint32_t rate = 0;
    const std::vector<double> values = SummedChannels(path, rate);
    FrequencyAnalysis analysis;
    if (rate == 0) {
        return key;
    }
    if (analysis.Prepare(rate, 16, static_cast<std::uint32_t>(values.size() * 2)) != SetupResult::Ready) {
        return key;
    }
    analysis.ComputeSpectrumOfValues(values, 0);
    const auto magnitude = analysis.Magnitude.span();
    const double binHz = static_cast<double>(rate) / analysis.TransformSize;
    const double strongest = *std::max_element(magnitude.begin() + 2, magnitude.end());
    // The strongest bin within 1.5 % (at least two bins) of `frequency`.
    const auto partial = [&](double frequency) {
        const double reach = std::max(2.0, 0.015 * frequency / binHz);
        const auto from = static_cast<std::ptrdiff_t>(std::max(2.0, frequency / binHz - reach));
        const auto to = std::min(std::ssize(magnitude), static_cast<std::ptrdiff_t>(frequency / binHz + reach) + 1);
        return from < to ? *std::max_element(magnitude.begin() + from, magnitude.begin() + to) : 0.0;
    };
    for (const int octaves : {2, 1}) {
        const double frequency = clitest::NoteHz(key - 12 * octaves);
        if (frequency >= kLowestPitchHz && partial(frequency) >= strongest * std::pow(10.0, -kRankDecibels / 20.0)) {
            return key - 12 * octaves;
        }
    }
    return key;
}

// An independent reading of a file's pitch, for the cents and the start bin
// of each file: the Hann-windowed sum of its channels transformed as if
// zero-padded without end (read at any frequency), over the stretch korvani
// reads (vibrato moves a partial from one stretch to the next), the strongest of the
// first partials near k times the sounding note found, its top refined on a
// grid of one cent by a parabola, divided by k. Low partials only: a
// string's stretch moves them by a cent or two at most.
constexpr double kReachCents = 70.0;        // a sample may be tuned some 55 cents off its key
constexpr int kMeasuredPartials = 4;        // partials 1 to 4
constexpr double kLowerPartialShare = 0.3;  // a lower partial this close (-10 dB) to the strongest is read instead
constexpr double kClearPeakRatio = 4.0;     // the top stands 12 dB above the reach's ends, or no reading
constexpr double kSteadyLobeShare = 0.6;    // a steady partial reads half its top a bin away
constexpr double kCentsTolerance = 10.0;    // korvani's cents against the reading
constexpr double kStartBinTolerance = 1.0;  // the start bin against the fundamental's
constexpr double kMostOffShare = 0.05;      // of the files named right, those off (see the test)

class FileSpectrum {
public:
    // The `count` frames from `first` (all that lie there), as korvani reads them.
    FileSpectrum(const std::string& path, std::size_t first, std::size_t count) {
        values_ = SummedChannels(path, rate_);
        values_.erase(values_.begin(), values_.begin() + static_cast<std::ptrdiff_t>(std::min(first, values_.size())));
        values_.resize(std::min(count, values_.size()));
        const double n = static_cast<double>(values_.size());
        for (std::size_t i = 0; i < values_.size(); ++i) {
            values_[i] *= 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) / n);
        }
    }

    double LevelAt(double frequency) const {
        const std::complex<double> step = std::polar(1.0, -2.0 * std::numbers::pi * frequency / rate_);
        std::complex<double> turn = 1.0;
        std::complex<double> sum = 0.0;
        for (const double value : values_) {
            sum += value * turn;
            turn *= step;
        }
        return std::abs(sum);
    }

    struct Reading {
        double Hz;
        bool Steady;  // the partial read is steady: its top is a pitch to a cent or two
    };

    // The fundamental, or nothing when no partial near the note peaks clearly.
    std::optional<Reading> Fundamental(double soundingHz) const {
        std::array<double, kMeasuredPartials + 1> coarse{};
        for (int k = 1; k <= kMeasuredPartials && k * soundingHz < 0.45 * rate_; ++k) {
            for (double cents = -kReachCents; cents <= kReachCents; cents += 5.0) {
                coarse[k] = std::max(coarse[k], LevelAt(k * soundingHz * std::exp2(cents / 1200.0)));
            }
        }
        const double strongest = *std::max_element(coarse.begin(), coarse.end());
        int k = 1;
        while (coarse[k] < kLowerPartialShare * strongest) {
            ++k;
        }
        std::vector<double> levels;
        for (double cents = -kReachCents; cents <= kReachCents; cents += 1.0) {
            levels.push_back(LevelAt(k * soundingHz * std::exp2(cents / 1200.0)));
        }
        const auto top = std::max_element(levels.begin() + 1, levels.end() - 1);
        if (*top < kClearPeakRatio * std::max(levels.front(), levels.back()) || *top < top[-1] || *top < top[1]) {
            return std::nullopt;
        }
        const double curvature = top[-1] - 2.0 * *top + top[1];
        const double offset = curvature != 0.0 ? 0.5 * (top[-1] - top[1]) / curvature : 0.0;
        const double cents = -kReachCents + static_cast<double>(top - levels.begin()) + offset;
        const double partial = k * soundingHz * std::exp2(cents / 1200.0);
        // A steady partial's Hann lobe falls to half a bin away; vibrato,
        // chorus and an ensemble's voices widen it, and the top is no pitch.
        const double binHz = static_cast<double>(rate_) / static_cast<double>(values_.size());
        const bool steady =
            std::max(LevelAt(partial - binHz), LevelAt(partial + binHz)) <= kSteadyLobeShare * LevelAt(partial);
        return Reading{partial / k, steady};
    }

private:
    std::uint32_t rate_ = 0;
    std::vector<double> values_;
};

// What is off in a file named right: its start bin further than a bin from
// the fundamental's (the reading's, or the sounding key's), or its cents
// further than kCentsTolerance from the reading's. Empty when nothing is.
std::string OffReading(const std::string& path, const clitest::FlatJson& json, int sounding) {
    const auto reading = FileSpectrum(path, static_cast<std::size_t>(json.Number("start_sample")),
                                      static_cast<std::size_t>(json.Number("transform_size")))
                             .Fundamental(clitest::NoteHz(sounding));
    if (!reading) {
        return {};
    }
    const double bin = reading->Hz * json.Number("transform_size") / json.Number("sample_rate");
    const double cents = 1200.0 * std::log2(reading->Hz / json.Number("note_frequency"));
    char text[200];
    if (std::abs(json.Number("start_bin") - bin) > kStartBinTolerance) {
        std::snprintf(text, sizeof text, "start bin %.0f, not %.1f", json.Number("start_bin"), bin);
        return text;
    }
    if (reading->Steady && std::abs(json.Number("cents") - cents) > kCentsTolerance) {
        std::snprintf(text, sizeof text, "%+.1f cents, measured %+.1f", json.Number("cents"), cents);
        return text;
    }
    return {};
}

struct Share {
    int Right = 0;
    int Total = 0;
};

struct InstrumentRun {
    const clitest::Rendering* Rendering;
    const clitest::Instrument* Instrument;
    Share Result;
    std::vector<std::string> Wrong;  // "file: got, not expected"
    std::vector<std::string> Off;    // "file: what is off" (OffReading)
};

std::string Setting(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : fallback;
}

// Runs one korvani-pitch over the sampled notes of one instrument.
void NameNotes(InstrumentRun& run, const std::vector<int>& notes, const std::string& folder) {
    std::vector<std::string> arguments = {"--json"};
    for (const int note : notes) {
        arguments.push_back(folder + "/" + clitest::CorpusFile(*run.Rendering, run.Instrument->Program, note));
    }
    const auto lines = clitest::Lines(clitest::RunPitch(arguments).Out);
    for (std::size_t i = 0; i < notes.size(); ++i) {
        ++run.Result.Total;
        const int sounding =
            std::string(run.Instrument->Family) == "organ" ? OrganSoundingNote(arguments[i + 1], notes[i]) : notes[i];
        const std::string expected = NameNote(clitest::NoteHz(sounding)).Text;
        if (i >= lines.size()) {
            run.Wrong.push_back(arguments[i + 1] + ": no result line");
            continue;
        }
        const clitest::FlatJson json(lines[i]);
        const std::string got = json.Keys().size() > 3 ? json.String("note_text") : "(failed)";
        if (got.substr(0, got.find(' ')) == expected) {
            ++run.Result.Right;
            if (const std::string off = OffReading(arguments[i + 1], json, sounding); !off.empty()) {
                run.Off.push_back(arguments[i + 1] + ": " + off);
            }
        } else {
            run.Wrong.push_back(arguments[i + 1] + ": " + got + ", not " + expected);
        }
    }
}

TEST(InstrumentCorpus, AutoNamesAtLeastNinetyNinePercentOfTheNotesRight) {
    const std::string folder = Setting("KORVANI_CORPUS_DIR", KORVANI_CORPUS_DIR);
    const int step = std::stoi(Setting("KORVANI_CORPUS_STEP", std::to_string(KORVANI_CORPUS_STEP)));

    std::vector<InstrumentRun> runs;
    std::vector<std::vector<int>> notes;
    for (const clitest::Rendering& rendering : clitest::kRenderings) {
        int index = 0;
        for (const clitest::Instrument& instrument : rendering.Instruments) {
            std::vector<int> sampled;
            for (int note = instrument.Lowest; note <= instrument.Highest; ++note) {
                if (clitest::InSample(index++, step)) {
                    sampled.push_back(note);
                }
            }
            if (!sampled.empty()) {
                runs.push_back({&rendering, &instrument, {}, {}, {}});
                notes.push_back(sampled);
            }
        }
    }
    // Two processes at a time, one instrument each.
    for (std::size_t first = 0; first < runs.size(); first += 2) {
        std::vector<std::future<void>> pair;
        for (std::size_t i = first; i < std::min(first + 2, runs.size()); ++i) {
            pair.push_back(
                std::async(std::launch::async, NameNotes, std::ref(runs[i]), std::cref(notes[i]), std::cref(folder)));
        }
    }

    std::map<std::string, std::map<std::string, Share>> table;  // family -> rendering -> share
    Share overall;
    int offFiles = 0;
    for (const InstrumentRun& run : runs) {
        for (const std::string& wrong : run.Wrong) {
            std::printf("  wrong: %s\n", wrong.c_str());
        }
        for (const std::string& off : run.Off) {
            std::printf("  off: %s\n", off.c_str());
        }
        offFiles += static_cast<int>(run.Off.size());
        for (const std::string& family : {std::string(run.Instrument->Family), std::string("all")}) {
            for (const std::string& rendering : {std::string(run.Rendering->Name), std::string("all")}) {
                table[family][rendering].Right += run.Result.Right;
                table[family][rendering].Total += run.Result.Total;
            }
        }
        overall.Right += run.Result.Right;
        overall.Total += run.Result.Total;
    }
    std::printf("%-8s", "family");
    for (const clitest::Rendering& rendering : clitest::kRenderings) {
        std::printf(" %16s", rendering.Name);
    }
    std::printf(" %16s\n", "all");
    for (const auto& [family, shares] : table) {
        std::printf("%-8s", family.c_str());
        for (const clitest::Rendering& rendering : clitest::kRenderings) {
            const auto found = shares.find(rendering.Name);
            const std::string cell =
                found == shares.end() ? "-"
                                      : std::to_string(found->second.Right) + "/" + std::to_string(found->second.Total);
            std::printf(" %16s", cell.c_str());
        }
        const Share& all = shares.at("all");
        std::printf(" %16s\n", (std::to_string(all.Right) + "/" + std::to_string(all.Total)).c_str());
        ::testing::Test::RecordProperty(family, std::to_string(all.Right) + "/" + std::to_string(all.Total));
    }
    const double share = overall.Total > 0 ? static_cast<double>(overall.Right) / overall.Total : 0.0;
    std::printf("overall: %d of %d notes right (%.2f %%), every %d. note\n", overall.Right, overall.Total,
                100.0 * share, step);
    EXPECT_GT(overall.Total, 0);
    // Measured: 99.5 % of the whole corpus; most of what is left is TimGM6mb's
    // accordion, whose upper notes sound 45 to 55 cents flat (Praat's median
    // f0 agrees within a cent), so that the note nearest them is the one below
    // the key.
    EXPECT_GE(share, 0.99);
    // Per file named right, the start bin and the cents against the file's
    // own reading (OffReading). Measured: 25 of 734 files off, nearly all
    // string ensembles, choirs and vibrato, whose several voices or moving
    // partials no single reading pins down; a fault in the picker's count of
    // harmonics moves 112.
    std::printf("start bin or cents off: %d of %d files named right\n", offFiles, overall.Right);
    EXPECT_LE(offFiles, kMostOffShare * overall.Right);
}

}  // namespace
