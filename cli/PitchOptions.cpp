// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/PitchOptions.h"

#include "cli/InputWalk.h"
#include "cli/OptionTable.h"

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace {

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
    // One option and its value, as the table's row for it reads them.
    void ReadOption(std::string_view argument) {
        std::string_view name = argument;
        std::optional<std::string_view> inlineValue;
        if (const OptionRow* shortOption = FindOption(argument.substr(0, 2));
            shortOption && !shortOption->Value.empty() && argument.size() > 2 && argument[2] != '=') {
            name = argument.substr(0, 2);  // "-j4"
            inlineValue = argument.substr(2);
        } else if (const auto equals = argument.find('='); equals != std::string_view::npos) {
            name = argument.substr(0, equals);
            inlineValue = argument.substr(equals + 1);
        }
        const OptionRow* const row = FindOption(name);
        if (row == nullptr) {
            Fail("unknown option " + std::string(argument));
            return;
        }
        if (row->Start) {
            ChooseStart(*row->Start, name);
        }
        if (row->Value.empty()) {
            if (row->Read) {
                Fail(row->Read(parsed_.Options, name, {}));
            }
            if (inlineValue) {
                Fail(std::string(name) + " takes no value");
            }
        } else if (const auto value = Value(name, inlineValue)) {
            Fail(row->Read(parsed_.Options, name, *value));
        }
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

    // Keeps the first reason a command line is refused for; an empty one is none.
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
           "Options:\n" +
           HelpOptionList() +
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
