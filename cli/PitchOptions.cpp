// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/PitchOptions.h"

#include "cli/InputWalk.h"
#include "engine/FormatChunk.h"

#include <algorithm>
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

// "wav,.FLAC, aiff" as {"wav", "flac", "aiff"}.
// A file name: any text but the empty one.
std::optional<std::string> ReadFileName(std::string_view text) {
    return text.empty() ? std::nullopt : std::optional<std::string>(text);
}

std::vector<std::string> ReadExtensions(std::string_view list) {
    std::vector<std::string> extensions;
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        std::string_view item = list.substr(0, comma);
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
        while (!item.empty() && (item.front() == ' ' || item.front() == '.')) {
            item.remove_prefix(1);
        }
        std::string extension;
        for (const char c : item) {
            if (c != ' ') {
                extension += static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
            }
        }
        if (!extension.empty()) {
            extensions.push_back(std::move(extension));
        }
    }
    return extensions;
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
        } else if (name == "--interleaved") {
            // The reading korvani's window had before it mixed channels.
            options.Interleaved = true;
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
        } else if (name == "--quiet" || name == "-q") {
            options.Quiet = true;
        } else if (name == "--progress") {
            options.Progress = true;
        } else if (name == "-0" || name == "--null") {
            options.NulSeparated = true;
        } else if (name == "--files-from") {
            if (const auto value = Value(name, inlineValue)) {
                Store(options.FilesFrom, ReadFileName(*value), name, "a file name");
            }
        } else if (name == "--ext") {
            if (const auto value = Value(name, inlineValue)) {
                options.Extensions = ReadExtensions(*value);
                if (options.Extensions.empty()) {
                    Fail("--ext needs a list of name endings, such as wav,flac");
                }
            }
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
                Store(options.SmplTarget, ReadFileName(*value), name, "a file name");
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
                Store(options.RetuneTarget, ReadFileName(*value), name, "a file name");
            }
        } else if (name == "--rate") {
            if (const auto value = Value(name, inlineValue)) {
                // Only a rate korvani can open is ever written.
                const auto rate = ReadInteger<std::uint32_t>(*value, 0, std::numeric_limits<std::uint32_t>::max());
                Store(options.RetuneRate, rate && IsOpenableSampleRate(*rate) ? rate : std::nullopt, name,
                      "a sample rate from " + std::to_string(kLowestSampleRate) + " to " +
                          std::to_string(kHighestSampleRate) + " Hz");
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
               name == "--smpl" || name == "--a4" || name == "-j" || name == "--jobs" || name == "--files-from" ||
               name == "--ext";
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
        if (options.Files.empty() && !options.FilesFrom) {
            Fail("no file given");
        } else if (options.NulSeparated && !options.FilesFrom) {
            Fail("-0 needs --files-from");
        } else if ((options.RetuneRate || options.NoHigher) && !options.RetuneTarget) {
            Fail(options.RetuneRate ? "--rate needs --retune" : "--no-higher needs --retune");
        } else if (options.RetuneTarget && !OneFileOrFolder(*options.RetuneTarget)) {
            Fail("--retune takes exactly one WAV file");
        } else if (options.SmplTarget && !OneFileOrFolder(*options.SmplTarget)) {
            Fail("--smpl takes exactly one WAV file");
        } else if (options.Spectrum && options.Json) {
            Fail("--spectrum and --json exclude each other");
        } else if (options.Quiet && options.Progress) {
            Fail("--quiet and --progress exclude each other");
        } else if (options.Csv && (options.Json || options.Spectrum)) {
            Fail(options.Json ? "--csv and --json exclude each other" : "--spectrum and --csv exclude each other");
        }
    }

    // Several files, a list's or a folder's, can only be copied into a
    // folder; a folder named like a sound file ("x.wav") is taken as the one
    // file meant, and refused as a folder when it is opened.
    bool OneFileOrFolder(const std::string& target) const {
        const PitchOptions& options = parsed_.Options;
        std::error_code error;
        if (std::filesystem::is_directory(target, error)) {
            return true;
        }
        if (options.Files.size() != 1 || options.FilesFrom) {
            return false;
        }
        const std::filesystem::path file(options.Files[0]);
        return !std::filesystem::is_directory(file, error) || HasSoundFileName(file);
    }

    static bool HasSoundFileName(const std::filesystem::path& file) {
        const std::vector<std::string> known = KnownExtensions();
        std::string extension = file.extension().string();
        for (char& c : extension) {
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
        }
        return extension.size() > 1 && std::find(known.begin(), known.end(), extension.substr(1)) != known.end();
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
           "                     [--interleaved]\n"
           "                     [--a4 HZ] [--retune OUT.wav [--rate R] [--no-higher]] [--smpl OUT.wav]\n"
           "                     [--json | --csv | --spectrum] [-j N] [--quiet | --progress]\n"
           "                     [--ext LIST] [--files-from LIST [-0]] FILE|FOLDER...\n"
           "       korvani-pitch --help | --version\n";
}

std::string HelpText() {
    return UsageText() +
           "\n"
           "Names the pitch of each sound file with korvani's analysis,\n"
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
           "  --as-window       read every file as korvani's window does: no reading again at\n"
           "                    the window's centre (see --auto); channels mixed as by default\n"
           "  --interleaved     read the values of an 8- or 16-bit WAV file one after another\n"
           "                    as one signal at the file's rate, whatever the channel count,\n"
           "                    as korvani's window did before it mixed channels (a stereo\n"
           "                    file then shows an octave below its pitch); implies --as-window\n"
           "  --retune OUT.wav  write a copy of the file whose header carries the proposed\n"
           "                    sample rate, as korvani's \"Modify...\" does (one file only);\n"
           "                    OUT.wav is left untouched when anything fails\n"
           "  --rate R          write R instead of the proposed rate (with --retune), from 2\n"
           "                    to 768000 Hz, the rates korvani opens; a proposed rate outside\n"
           "                    them writes no copy\n"
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
           "  -q, --quiet       no progress line\n"
           "  --progress        the progress line even when standard error is not a terminal\n"
           "  --ext LIST        walk folders for these name endings only (such as wav,flac)\n"
           "  --files-from LIST also analyse the files and folders named in LIST, one a line\n"
           "                    (\"-\": standard input), after the arguments\n"
           "  -0, --null        the names of --files-from end in NUL (find -print0)\n"
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
           "unity_note, pitch_fraction}) after --smpl; for a file that failed: file, errors\n"
           "(a list of [null, reason] pairs), error_code (the first failure's, see below)\n"
           "and no_pitch (\"silent\" or \"no harmonic series\") when none was found.\n"
           "In text and in messages, control characters (C0, DEL and C1), U+2028, U+2029,\n"
           "bytes that are not UTF-8 and the backslash itself are shown escaped (\"\\n\",\n"
           "\"\\x1b\", \"\\u0085\", \"\\\\\"), so that each stays on its line and reads back as\n"
           "it was; JSON is valid UTF-8. A CSV text cell (a name, a message, a note) that\n"
           "begins with =, +, -, @, TAB or CR is written with a ' before it, so that no\n"
           "spreadsheet runs it as a formula; number cells (cents -5.2) stay numbers.\n"
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
           "Formats read: 8- and 16-bit PCM WAV by korvani's own reader (the window's\n"
           "answers); WAV of any PCM or float resolution, extensible WAV, RF64, AIFF,\n"
           "AIFF-C, FLAC, OGG Vorbis, Opus, MP3 and the rest of libsndfile's formats\n"
           "through libsndfile, streams of estimated length read to their end. Retuned:\n"
           "WAV and RF64 only. A rate outside 2 to 768000 Hz, infinite or NaN is refused.\n"
           "The analyses of all jobs share one memory budget: a file waits while others\n"
           "hold it, and one that could never fit is refused.\n"
           "\n"
           "A FOLDER stands for every file under it whose name ends as a format read does\n"
           "(.wav .wave .rf64 .aif .aiff .aifc .flac .ogg .oga .opus .mp3 and libsndfile's\n"
           "others, in any case), walked recursively in sorted order; a folder holding none\n"
           "is an error, and each folder or entry that cannot be read (or is a FIFO, a\n"
           "device, a dangling link) gets its own line. With several files, --retune and\n"
           "--smpl need an existing folder: each copy goes in it under the file's name (its\n"
           "path within a walked folder).\n"
           "\n"
           "With more than one file and standard error a terminal, one line there counts\n"
           "the files done and failed and the time left (\"312/1000 files, 4 failed, 0:04\n"
           "left\"), updated in place and cleared at the end (--quiet: never; --progress:\n"
           "always). Two files whose copies would have one name (a name in two walked\n"
           "folders) stop the run before anything is written.\n"
           "\n"
           "A file that fails prints nothing on standard output (with --json or --csv: its\n"
           "file and errors); each message goes to standard error, one a line, as\n"
           "\"korvani-pitch: FILE: REASON\": the system's words for a system error (\"No such\n"
           "file or directory\"), a short plain reason otherwise (\"not an audio file\").\n"
           "JSON and CSV give the reason in errors and a stable word in error_code:\n"
           "not_found, permission, is_directory, not_regular (FIFO, device, socket),\n"
           "system_error, not_audio, unsupported, invalid_rate, damaged, invalid_samples,\n"
           "no_memory, no_pitch, no_result, past_end, same_file, write_failed, no_files\n"
           "(a folder or list with no sound file) or failed.\n"
           "\n"
           "Exit status: 0 when every file was analysed, 1 when any file was refused, had no\n"
           "pitch or failed its analysis or its copy, or when standard output or standard\n"
           "error could not be written (\"korvani-pitch: write error: REASON\"), 2 for a\n"
           "usage error or copies that would collide.\n";
}
