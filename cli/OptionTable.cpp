// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/OptionTable.h"

#include "engine/FormatChunk.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <system_error>
#include <vector>

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

// A file name: any text but the empty one.
std::optional<std::string> ReadFileName(std::string_view text) {
    return text.empty() ? std::nullopt : std::optional<std::string>(text);
}

// "wav,.FLAC, aiff" as {"wav", "flac", "aiff"}.
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

// Stores a value that was read, or says what `name` needs instead.
template <typename Target, typename Value>
std::string Store(Target& target, const std::optional<Value>& value, std::string_view name, std::string_view expected) {
    if (!value) {
        return std::string(name) + " needs " + std::string(expected);
    }
    target = *value;
    return {};
}

// The reading of a switch: it sets its flag.
template <bool PitchOptions::*Flag>
std::string Switch(PitchOptions& options, std::string_view, std::string_view) {
    options.*Flag = true;
    return {};
}

// korvani-pitch's options. A table of our own rather than CLI11: the usage
// errors, their order and the --help layout are korvani-pitch's own words, to
// the byte, and CLI11 would bring its own. --help lists the rows in this order;
// the manual page's OPTIONS section (ManualOptions.cpp) does too.
const OptionRow kOptions[] = {
    {.Names = {"--start"},
     .Value = "MS",
     .Read =
         [](PitchOptions& options, std::string_view name, std::string_view value) {
             return Store(options.StartMilliseconds,
                          ReadInteger<std::int32_t>(value, 0, std::numeric_limits<std::int32_t>::max()), name,
                          "a whole number of milliseconds from 0");
         },
     .Help = "start the analysis MS milliseconds into the file (default 0);\n"
             "a start at or past the end is an error, not a new prompt",
     .Manual = R"roff(Start the analysis
.I MS
milliseconds into the file (default 0).)roff"},
    {.Names = {"--auto"},
     .Start = StartBinChoice::Fundamental,
     .Help = "climb from the bin of the fundamental, the note a listener hears\n"
             "rather than its strongest harmonic (the default); silence (the\n"
             "strongest bin 80 dB or more below full scale) and sounds without\n"
             "a harmonic series (noise) give \"no pitch found\"; from the\n"
             "first frame, a stretch that reads as silent is read again with\n"
             "the first half window of frames at the window's centre (a short\n"
             "note at the file's start lies under the window's taper); the\n"
             "note, cents, proposed rate, --retune and --smpl then follow the\n"
             "pitch (see below), not the one bin of the local maximum",
     .Manual = R"roff(Climb from the bin of the fundamental, the note a listener hears (the default):
the lowest frequency whose harmonic series explains the strong partials, so that
an organ sample with a loud 16-foot rank is named an octave below its key, and a
struck bar by its own tone rather than its inharmonic overtones.
Silence and sounds without a harmonic series give
.BR "no pitch found" .
From the first frame, a stretch that reads as silent is read again with the
first half window of frames at the window's centre, since a short note at the
file's start lies under the window's taper; the output then says
.BR "window: centred on the start" .
The note, the cents, the proposed rate,
.B \-\-retune
and
.B \-\-smpl
follow the pitch (see
.BR "PITCH AND CLARITY" ),
not the one bin of the local maximum.)roff"},
    {.Names = {"--bin"},
     .Value = "K",
     .Start = StartBinChoice::GivenBin,
     .Read =
         [](PitchOptions& options, std::string_view name, std::string_view value) {
             return Store(options.GivenBin,
                          ReadInteger<std::int64_t>(value, 0, std::numeric_limits<std::int32_t>::max()), name,
                          "a bin number from 0");
         },
     .Help = "climb from bin K, as a click at that bin of the spectrum would",
     .Manual = R"roff(Climb from bin
.IR K .)roff"},
    {.Names = {"--near"},
     .Value = "HZ",
     .Start = StartBinChoice::NearestToHz,
     .Read =
         [](PitchOptions& options, std::string_view name, std::string_view value) {
             return Store(options.NearHz, ReadFrequency(value), name, "a frequency in Hz from 0");
         },
     .Help = "climb from the bin nearest HZ",
     .Manual = R"roff(Climb from the bin nearest
.IR HZ .)roff"},
    {.Names = {"--strongest"},
     .Start = StartBinChoice::Strongest,
     .Help = "climb from the strongest bin above bin 1",
     .Manual = "Climb from the strongest bin above bin 1."},
    {.Names = {"--as-window"},
     .Read = Switch<&PitchOptions::AsWindow>,
     .Help = "read every file as korvani's window does: no reading again at\n"
             "the window's centre (see --auto); channels mixed as by default",
     .Manual = R"roff(Read every file as the window does: channels mixed, as by default, and a silent
stretch from the first frame not read again at the window's centre.)roff"},
    {.Names = {"--interleaved"},
     .Read =
         [](PitchOptions& options, std::string_view, std::string_view) {
             // The reading korvani's window had before it mixed channels.
             options.Interleaved = true;
             options.AsWindow = true;
             return std::string();
         },
     .Help = "read the values of an 8- or 16-bit WAV file one after another\n"
             "as one signal at the file's rate, whatever the channel count,\n"
             "as korvani's window did before it mixed channels (a stereo\n"
             "file then shows an octave below its pitch); implies --as-window",
     .Manual = R"roff(Read the values of an 8- or 16-bit WAV file one after another as one signal at
the file's rate, whatever the channel count, as the window did before it mixed
channels (a stereo file then shows an octave below its pitch).
Implies
.BR \-\-as\-window .)roff"},
    {.Names = {"--retune"},
     .Value = "OUT.wav",
     .Read =
         [](PitchOptions& options, std::string_view name, std::string_view value) {
             return Store(options.RetuneTarget, ReadFileName(value), name, "a file name");
         },
     .Help = "write a copy of the file whose header carries the proposed\n"
             "sample rate, as korvani's \"Modify...\" does (one file only);\n"
             "OUT.wav is left untouched when anything fails",
     .Manual = R"roff(Write a copy of the file whose header carries the proposed sample rate.
.I OUT.wav
is left untouched when anything fails.)roff"},
    {.Names = {"--rate"},
     .Value = "R",
     .Read =
         [](PitchOptions& options, std::string_view name, std::string_view value) {
             // Only a rate korvani can open is ever written.
             const auto rate = ReadInteger<std::uint32_t>(value, 0, std::numeric_limits<std::uint32_t>::max());
             return Store(options.RetuneRate, rate && IsOpenableSampleRate(*rate) ? rate : std::nullopt, name,
                          "a sample rate from " + std::to_string(kLowestSampleRate) + " to " +
                              std::to_string(kHighestSampleRate) + " Hz");
         },
     .Help = "write R instead of the proposed rate (with --retune), from 2\n"
             "to 768000 Hz, the rates korvani opens; a proposed rate outside\n"
             "them writes no copy",
     .Manual = R"roff(Write
.I R
instead of the proposed rate (with
.BR \-\-retune ),
from 2 to 768000 Hz, the rates korvani opens.
A proposed rate outside them writes no copy.)roff"},
    {.Names = {"--no-higher"},
     .Read = Switch<&PitchOptions::NoHigher>,
     .Help = "halve the written rate once when it exceeds the file's own\n"
             "rate, as korvani's \"no higher frequency\" box (with --retune)",
     .Manual = R"roff(Halve the written rate once when it exceeds the file's own (with
.BR \-\-retune ).)roff"},
    {.Names = {"--a4"},
     .Value = "HZ",
     .Read =
         [](PitchOptions& options, std::string_view name, std::string_view value) {
             const auto hz = ReadFrequency(value);
             return Store(options.A4, hz && *hz >= 400.0 && *hz <= 480.0 ? hz : std::nullopt, name,
                          "a frequency from 400 to 480 Hz");
         },
     .Help = "the reference A for the note, the cents and the proposed rate,\n"
             "from 400 to 480 (default 440)",
     .Manual = R"roff(The reference A for the note, the cents and the proposed rate, from 400 to 480
(default 440).)roff"},
    {.Names = {"--smpl"},
     .Value = "OUT.wav",
     .Read = [](PitchOptions& options, std::string_view name,
                std::string_view value) { return Store(options.SmplTarget, ReadFileName(value), name, "a file name"); },
     .Help = "write a copy whose \"smpl\" chunk gives the MIDI unity note\n"
             "(at or below the pitch) and the pitch fraction above it; an\n"
             "existing chunk keeps its loops, every other byte stays",
     .Manual = R"roff(Write a copy whose
.B smpl
chunk tells a sampler where the sample sounds at its own rate: the MIDI unity
note at or below the pitch and the pitch fraction, the rest of the semitone
upward.
An existing chunk keeps its loops and other fields; a missing one is added
after the last chunk.
Every other byte, the sample rate included, stays as it is.)roff"},
    {.Names = {"--json"},
     .Read = Switch<&PitchOptions::Json>,
     .Help = "print one JSON object per file, one a line, instead of text",
     .Manual = "Print one JSON object per file, one a line."},
    {.Names = {"--csv"},
     .Read = Switch<&PitchOptions::Csv>,
     .Help = "print a header row and one row per file (RFC 4180)",
     .Manual = R"roff(Print a header row and one row per file, as RFC 4180 says; a failed file's row
carries its errors.
A text cell (a file name, a message, a note) that begins with
.BR = ,
.BR + ,
.BR \- ,
.BR @ ,
a tab or a carriage return is written with a
.B \(aq
before it, so that no spreadsheet runs it as a formula; number cells, a
negative number of cents among them, are written as they are.)roff"},
    {.Names = {"-j"},
     .Alias = "--jobs",
     .Value = "N",
     .Read =
         [](PitchOptions& options, std::string_view name, std::string_view value) {
             return Store(options.Jobs, ReadInteger<unsigned>(value, 1, 1024), name,
                          "a number of files from 1 to 1024");
         },
     .Help = "analyse N files at once (default: one per processor); the\n"
             "output keeps the order of the arguments",
     .Manual = R"roff(Analyse
.I N
files at once (default: one per processor).)roff"},
    {.Names = {"--spectrum"},
     .Read = Switch<&PitchOptions::Spectrum>,
     .Help = "also print \"bin<TAB>Hz<TAB>magnitude\" for every bin",
     .Manual = "Also print the bin, its frequency and its magnitude for every bin."},
    {.Names = {"-q", "--quiet"},
     .Read = Switch<&PitchOptions::Quiet>,
     .Help = "no progress line",
     .Manual = "Show no progress line."},
    {.Names = {"--progress"},
     .Read = Switch<&PitchOptions::Progress>,
     .Help = "the progress line even when standard error is not a terminal",
     .Manual = "Show the progress line even when standard error is not a terminal."},
    {.Names = {"--ext"},
     .Value = "LIST",
     .Read =
         [](PitchOptions& options, std::string_view, std::string_view value) {
             options.Extensions = ReadExtensions(value);
             return std::string(options.Extensions.empty() ? "--ext needs a list of name endings, such as wav,flac"
                                                           : "");
         },
     .Help = "walk folders for these name endings only (such as wav,flac)",
     .Manual = R"roff(Take only the name endings of the comma-separated
.I LIST
(such as
.BR wav,flac )
in a walk.)roff"},
    {.Names = {"--files-from"},
     .Value = "LIST",
     .Read = [](PitchOptions& options, std::string_view name,
                std::string_view value) { return Store(options.FilesFrom, ReadFileName(value), name, "a file name"); },
     .Help = "also analyse the files and folders named in LIST, one a line\n"
             "(\"-\": standard input), after the arguments",
     .Manual = R"roff(Also analyse the files and folders named in the file
.IR LIST ,
one a line (or standard input for
.BR \- ),
after those given as arguments.)roff"},
    {.Names = {"-0", "--null"},
     .Read = Switch<&PitchOptions::NulSeparated>,
     .Help = "the names of --files-from end in NUL (find -print0)",
     .Manual = R"roff(The names of
.B \-\-files\-from
end in a NUL byte, as
.B find \-print0
writes them, instead of a line break.)roff"},
    {.Names = {"--help"},
     .Alias = "-h",
     .Read = Switch<&PitchOptions::Help>,
     .Help = "print this text",
     .Manual = "Print every option and the output formats."},
    {.Names = {"--version"},
     .Read = Switch<&PitchOptions::Version>,
     .Help = "print the program's version",
     .Manual = "Print the program's version."},
};

// The spellings of a row as its texts list them: "-q, --quiet".
std::string ListedNames(const OptionRow& row) {
    std::string names(row.Names[0]);
    if (!row.Names[1].empty()) {
        names += ", " + std::string(row.Names[1]);
    }
    return names;
}

// `text` with each '-' as roff's minus sign, so that it can be searched and copied.
std::string RoffMinus(std::string_view text) {
    std::string escaped;
    for (const char c : text) {
        escaped += c == '-' ? std::string("\\-") : std::string(1, c);
    }
    return escaped;
}

// The bold names and italic value that head a row's paragraph in the manual page.
std::string ManualTag(const OptionRow& row) {
    const std::string first = RoffMinus(row.Names[0]);
    const std::string second = RoffMinus(row.Names[1]);
    const std::string value(row.Value);
    if (second.empty()) {
        return value.empty() ? ".B " + first : ".BI " + first + " \" " + value + "\"";
    }
    return value.empty() ? ".BR " + first + " \", \" " + second
                         : "\\fB" + first + "\\fR, \\fB" + second + "\\fR \\fI" + value + "\\fR";
}

}  // namespace

const OptionRow* FindOption(std::string_view name) {
    const auto spelled = [name](const OptionRow& row) {
        return !name.empty() && (row.Names[0] == name || row.Names[1] == name || row.Alias == name);
    };
    const auto* const row = std::find_if(std::begin(kOptions), std::end(kOptions), spelled);
    return row == std::end(kOptions) ? nullptr : row;
}

std::string HelpOptionList() {
    constexpr std::size_t kNameColumn = 17;  // "--files-from LIST", the longest
    const std::string indent(2 + kNameColumn + 1, ' ');
    std::string list;
    for (const OptionRow& row : kOptions) {
        std::string label = ListedNames(row);
        label += row.Value.empty() ? "" : " " + std::string(row.Value);
        label.resize(std::max(label.size(), kNameColumn), ' ');
        std::string text(row.Help);
        for (std::size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', end + 1)) {
            text.insert(end + 1, indent);
        }
        list += "  " + label + " " + text + "\n";
    }
    return list;
}

std::string ManualOptionList() {
    std::string list;
    for (const OptionRow& row : kOptions) {
        list += ".TP\n" + ManualTag(row) + "\n" + std::string(row.Manual) + "\n";
    }
    return list;
}
