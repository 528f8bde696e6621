#include "cli/PitchOptions.h"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <limits>
#include <string_view>
#include <system_error>

namespace {

// Reads all of `text` as a decimal integer from `lowest` to `highest`.
template <typename Integer>
std::optional<Integer> ReadInteger(std::string_view text, Integer lowest, Integer highest) {
    Integer value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < lowest || value > highest) {
        return std::nullopt;
    }
    return value;
}

// Reads all of `text` as a finite decimal number of at least 0.
std::optional<double> ReadFrequency(std::string_view text) {
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(value) ||
        value < 0.0) {
        return std::nullopt;
    }
    return value;
}

// Walks the arguments one option or file at a time, filling `parsed`; stops at
// the first error.
class OptionReader {
public:
    explicit OptionReader(std::span<const char* const> arguments) : arguments_(arguments) {}

    ParsedOptions Read() {
        bool onlyFiles = false;
        while (next_ < arguments_.size() && parsed_.UsageError.empty()) {
            const std::string_view argument = arguments_[next_++];
            if (onlyFiles || argument == "-" || !argument.starts_with("-")) {
                parsed_.Options.Files.emplace_back(argument);
            } else if (argument == "--") {
                onlyFiles = true;
            } else {
                ReadOption(argument);
            }
        }
        if (parsed_.UsageError.empty() && !parsed_.Options.Help && !parsed_.Options.Version) {
            CheckCombination();
        }
        return parsed_;
    }

private:
    void ReadOption(std::string_view argument) {
        std::string_view name = argument;
        std::optional<std::string_view> inlineValue;
        if (argument.starts_with("-j") && argument.size() > 2 && argument[2] != '=') {
            name = argument.substr(0, 2);
            inlineValue = argument.substr(2);
        } else if (const auto equals = argument.find('='); equals != std::string_view::npos) {
            name = argument.substr(0, equals);
            inlineValue = argument.substr(equals + 1);
        }
        PitchOptions& options = parsed_.Options;
        if (name == "--help" || name == "-h") {
            options.Help = true;
        } else if (name == "--version") {
            options.Version = true;
        } else if (name == "--as-window") {
            options.AsWindow = true;
        } else if (name == "--auto") {
            ChooseStart(StartBinChoice::Fundamental, name);
        } else if (name == "--strongest") {
            ChooseStart(StartBinChoice::Strongest, name);
        } else if (name == "--no-higher") {
            options.NoHigher = true;
        } else if (name == "--json") {
            options.Json = true;
        } else if (name == "--spectrum") {
            options.Spectrum = true;
        } else if (name == "--csv") {
            options.Csv = true;
        } else if (name == "--a4") {
            if (const auto value = Value(name, inlineValue)) {
                const auto hz = ReadFrequency(*value);
                Store(options.A4, hz && *hz >= 400.0 && *hz <= 480.0 ? hz : std::nullopt, name,
                      "a frequency from 400 to 480 Hz");
            }
        } else if (name == "-j" || name == "--jobs") {
            if (const auto value = Value(name, inlineValue)) {
                Store(options.Jobs, ReadInteger<unsigned>(*value, 1, 1024), name, "a number of files from 1 to 1024");
            }
        } else if (name == "--smpl") {
            if (const auto value = Value(name, inlineValue)) {
                if (value->empty()) {
                    Fail("--smpl needs a file name");
                } else {
                    options.SmplTarget = std::string(*value);
                }
            }
        } else if (name == "--start") {
            if (const auto value = Value(name, inlineValue)) {
                Store(options.StartMilliseconds,
                      ReadInteger<std::int32_t>(*value, 0, std::numeric_limits<std::int32_t>::max()), name,
                      "a whole number of milliseconds from 0");
            }
        } else if (name == "--bin") {
            ChooseStart(StartBinChoice::GivenBin, name);
            if (const auto value = Value(name, inlineValue)) {
                Store(options.GivenBin, ReadInteger<std::int64_t>(*value, 0, std::numeric_limits<std::int32_t>::max()),
                      name, "a bin number from 0");
            }
        } else if (name == "--near") {
            ChooseStart(StartBinChoice::NearestToHz, name);
            if (const auto value = Value(name, inlineValue)) {
                Store(options.NearHz, ReadFrequency(*value), name, "a frequency in Hz from 0");
            }
        } else if (name == "--retune") {
            if (const auto value = Value(name, inlineValue)) {
                if (value->empty()) {
                    Fail("--retune needs a file name");
                } else {
                    options.RetuneTarget = std::string(*value);
                }
            }
        } else if (name == "--rate") {
            if (const auto value = Value(name, inlineValue)) {
                Store(options.RetuneRate,
                      ReadInteger<std::uint32_t>(*value, 0, std::numeric_limits<std::uint32_t>::max()), name,
                      "a sample rate from 0 to 4294967295");
            }
        } else {
            Fail("unknown option " + std::string(argument));
            return;
        }
        if (inlineValue && !TakesValue(name) && parsed_.UsageError.empty()) {
            Fail(std::string(name) + " takes no value");
        }
    }

    static bool TakesValue(std::string_view name) {
        return name == "--start" || name == "--bin" || name == "--near" || name == "--retune" || name == "--rate" ||
               name == "--smpl" || name == "--a4" || name == "-j" || name == "--jobs";
    }

    // The option's value: after "=", or the next argument.
    std::optional<std::string_view> Value(std::string_view name, std::optional<std::string_view> inlineValue) {
        if (inlineValue) {
            return inlineValue;
        }
        if (next_ >= arguments_.size()) {
            Fail(std::string(name) + " needs a value");
            return std::nullopt;
        }
        return std::string_view(arguments_[next_++]);
    }

    template <typename Target, typename Value>
    void Store(Target& target, const std::optional<Value>& value, std::string_view name, std::string_view expected) {
        if (value) {
            target = *value;
        } else {
            Fail(std::string(name) + " needs " + std::string(expected));
        }
    }

    void ChooseStart(StartBinChoice choice, std::string_view name) {
        if (startChosenBy_.empty() || startChosenBy_ == name) {
            startChosenBy_ = name;
            parsed_.Options.StartBin = choice;
        } else {
            Fail(std::string(startChosenBy_) + " and " + std::string(name) + " exclude each other");
        }
    }

    void CheckCombination() {
        const PitchOptions& options = parsed_.Options;
        if (options.Files.empty()) {
            Fail("no WAV file given");
        } else if ((options.RetuneRate || options.NoHigher) && !options.RetuneTarget) {
            Fail(options.RetuneRate ? "--rate needs --retune" : "--no-higher needs --retune");
        } else if (options.RetuneTarget && !OneFileOrFolder(*options.RetuneTarget)) {
            Fail("--retune takes exactly one WAV file");
        } else if (options.SmplTarget && !OneFileOrFolder(*options.SmplTarget)) {
            Fail("--smpl takes exactly one WAV file");
        } else if (options.Spectrum && options.Json) {
            Fail("--spectrum and --json exclude each other");
        } else if (options.Csv && (options.Json || options.Spectrum)) {
            Fail(options.Json ? "--csv and --json exclude each other" : "--spectrum and --csv exclude each other");
        }
    }

    // Several files, or a folder's, can only be copied into a folder.
    bool OneFileOrFolder(const std::string& target) const {
        const std::vector<std::string>& files = parsed_.Options.Files;
        return std::filesystem::is_directory(target) || (files.size() == 1 && !std::filesystem::is_directory(files[0]));
    }

    void Fail(std::string reason) {
        if (parsed_.UsageError.empty()) {
            parsed_.UsageError = std::move(reason);
        }
    }

    std::span<const char* const> arguments_;
    std::size_t next_ = 0;
    std::string_view startChosenBy_;
    ParsedOptions parsed_;
};

}  // namespace

ParsedOptions ParsePitchOptions(std::span<const char* const> arguments) {
    return OptionReader(arguments).Read();
}

std::string UsageText() {
    return "usage: korvani-pitch [--start MS] [--auto | --bin K | --near HZ | --strongest] [--as-window]\n"
           "                     [--a4 HZ] [--retune OUT.wav [--rate R] [--no-higher]] [--smpl OUT.wav]\n"
           "                     [--json | --csv | --spectrum] [-j N] FILE.wav|FOLDER...\n"
           "       korvani-pitch --help | --version\n";
}

std::string HelpText() {
    return UsageText() +
           "\n"
           "Names the pitch of each WAV file (8- or 16-bit PCM) with korvani's analysis,\n"
           "without a window and without playing it: from the start time it takes N samples\n"
           "(N from the sample rate), windows them, transforms them, climbs from a starting\n"
           "bin to the nearest local maximum of the magnitude spectrum, refines it between\n"
           "bins and names the nearest note (A = 440 Hz, or --a4), its distance in cents and\n"
           "the sample rate at which the peak would sound exactly on that note. A file of\n"
           "several channels is analysed as it is heard: the channels of each frame mixed\n"
           "into one signal at the file's rate.\n"
           "\n"
           "Options:\n"
           "  --start MS        start the analysis MS milliseconds into the file (default 0);\n"
           "                    a start at or past the end is an error, not a new prompt\n"
           "  --auto            climb from the bin of the fundamental, the note a listener hears\n"
           "                    rather than its strongest harmonic (the default); silence (the\n"
           "                    strongest bin 80 dB or more below full scale) and sounds without\n"
           "                    a harmonic series (noise) give \"no pitch found\"; from the\n"
           "                    first frame, a stretch that reads as silent is read again with\n"
           "                    the first half window of frames at the window's centre (a short\n"
           "                    note at the file's start lies under the window's taper); the\n"
           "                    note, cents, proposed rate, --retune and --smpl then follow the\n"
           "                    pitch (see below), not the one bin of the local maximum\n"
           "  --bin K           climb from bin K, as a click at that bin of the spectrum would\n"
           "  --near HZ         climb from the bin nearest HZ\n"
           "  --strongest       climb from the strongest bin above bin 1\n"
           "  --as-window       read every file as korvani's window does: the values one after\n"
           "                    another, whatever the channel count (a stereo file then shows\n"
           "                    an octave below its pitch)\n"
           "  --retune OUT.wav  write a copy of the file whose header carries the proposed\n"
           "                    sample rate, as korvani's \"Modify...\" does (one file only);\n"
           "                    OUT.wav is left untouched when anything fails\n"
           "  --rate R          write R instead of the proposed rate (with --retune)\n"
           "  --no-higher       halve the written rate once when it exceeds the file's own\n"
           "                    rate, as korvani's \"no higher frequency\" box (with --retune)\n"
           "  --a4 HZ           the reference A for the note, the cents and the proposed rate,\n"
           "                    from 400 to 480 (default 440)\n"
           "  --smpl OUT.wav    write a copy whose \"smpl\" chunk gives the MIDI unity note\n"
           "                    (at or below the pitch) and the pitch fraction above it; an\n"
           "                    existing chunk keeps its loops, every other byte stays\n"
           "  --json            print one JSON object per file, one a line, instead of text\n"
           "  --csv             print a header row and one row per file (RFC 4180)\n"
           "  -j N              analyse N files at once (default: one per processor); the\n"
           "                    output keeps the order of the arguments\n"
           "  --spectrum        also print \"bin<TAB>Hz<TAB>magnitude\" for every bin\n"
           "  --help            print this text\n"
           "  --version         print the program's version\n"
           "\n"
           "Text output, one block per file: the file, the channel count when it is not 1,\n"
           "the sample rate and resolution (\"44100 Hz , 16 bit\"), \"channels: C, mixed for\n"
           "the analysis\" when they were, the transform size N, the start sample (a frame\n"
           "when mixed), \"window: centred on the start (the stretch from it is silent)\" when\n"
           "it was, the frequency (\"%5.1f Hz\"), the pitch (\"pitch: %.2f Hz\"), the clarity\n"
           "(\"clarity: %.2f\", with \" (doubtful)\" below 0.50), the note\n"
           "(\"%s (%5.1f Hz)\"), the cents (\"%+.1f\"), the proposed sample rate (\"%ld\"),\n"
           "after --retune \"retuned copy: OUT (R Hz)\" with the rate written and after\n"
           "--smpl \"sampler copy: OUT (unity note U, fraction F)\"; with --csv a row of the\n"
           "JSON values. JSON keys: file, sample_rate, bits_per_sample, channels, mixed,\n"
           "transform_size, start_sample, centred, start_bin (where the climb started),\n"
           "peak_bin (the refined peak position in bins), frequency, frequency_text,\n"
           "note_text, note_frequency, cents, a4, rate, rate_text, pitch, clarity, doubtful\n"
           "(true below 0.50), written ({file, rate}) after --retune and smpl ({file,\n"
           "unity_note, pitch_fraction}) after --smpl; for a file that failed: file and\n"
           "errors, a list of [caption or null, text], and no_pitch (\"silent\" or \"no\n"
           "harmonic series\") when none was found.\n"
           "Control characters in names are shown escaped (\"\\n\"); JSON is valid UTF-8.\n"
           "\n"
           "Pitch: every partial of the series from the chosen bin (the fundamental with\n"
           "--auto) is measured over windows across the stretch (the advance of its phase\n"
           "from one window to the next) and the partials are fitted to k x f0 x sqrt(1 +\n"
           "B k^2), the stretched series of a stiff string, weighted by level; the pitch is\n"
           "f0. Clarity, from 0 to 1: the share of the spectral energy from f0 / 2 to the\n"
           "highest partial measured that lies on the series' partials, over the windows\n"
           "where the sound lasts; noise, other notes, inharmonic overtones and a wide\n"
           "vibrato lower it.\n"
           "Below 0.50 the result is doubtful (text \"(doubtful)\", JSON and CSV doubtful).\n"
           "\n"
           "A FOLDER stands for every file under it ending in .wav (in any case), walked\n"
           "recursively in sorted order. With several files, --retune and --smpl need an\n"
           "existing folder: each copy goes in it under the file's name (its path within\n"
           "a walked folder).\n"
           "\n"
           "A file that fails prints nothing on standard output (with --json or --csv: its\n"
           "file and errors); each message goes to standard error, one a line, as\n"
           "\"korvani-pitch: FILE: CAPTION: TEXT\" or \"korvani-pitch: FILE: TEXT\".\n"
           "\n"
           "Exit status: 0 when every file was analysed, 1 when any file was refused, had no\n"
           "pitch or failed its analysis or its copy, 2 for a usage error.\n";
}
