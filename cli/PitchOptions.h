// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

/// Where the climb of each analysis starts.
enum class StartBinChoice {
    Fundamental,  ///< --auto, the default: the fundamental's bin
    GivenBin,     ///< --bin K
    NearestToHz,  ///< --near HZ
    Strongest,    ///< --strongest: the strongest bin above bin 1
};

/// What one run of korvani-pitch is asked to do, as read from its command
/// line. Holds values only; PitchAnalysis and the result writers act on them.
struct PitchOptions {
    std::int32_t StartMilliseconds = 0;  ///< --start MS
    StartBinChoice StartBin = StartBinChoice::Fundamental;
    std::int64_t GivenBin = 0;                ///< --bin K
    double NearHz = 0.0;                      ///< --near HZ
    std::optional<std::string> RetuneTarget;  ///< --retune OUT.wav
    std::optional<std::uint32_t> RetuneRate;  ///< --rate R, instead of the proposed rate
    std::optional<std::string> SmplTarget;    ///< --smpl OUT.wav: a copy with the sampler's tuning chunk
    double A4 = 440.0;                        ///< --a4 HZ: the reference of the note names
    bool Csv = false;                         ///< --csv
    unsigned Jobs = 0;                        ///< -j N: files analysed at once; 0: one per processor
    bool NoHigher = false;                    ///< --no-higher
    bool Json = false;                        ///< --json
    bool Spectrum = false;                    ///< --spectrum
    bool AsWindow = false;                    ///< --as-window: the window's reading of every file
    bool Quiet = false;                       ///< --quiet: no progress line
    bool Progress = false;                    ///< --progress: the progress line, wherever standard error goes
    bool Interleaved = false;                 ///< --interleaved: several channels read value after value
    bool Help = false;                        ///< --help: print HelpText and nothing else
    bool Version = false;                     ///< --version: print the version and nothing else
    std::vector<std::string> Files;           ///< the files and folders, in order
    std::vector<std::string> Extensions;      ///< --ext LIST: the endings a walk takes, lower case; empty: all known
    std::optional<std::string> FilesFrom;     ///< --files-from FILE ("-": standard input): more names, after Files
    bool NulSeparated = false;                ///< -0, --null: the list's names end in NUL, not in a line break
};

/// The options read from a command line, or why they could not be.
struct ParsedOptions {
    PitchOptions Options;
    std::string UsageError;  ///< empty when the command line is valid
};

/// Reads the arguments after the program name. Options may come before,
/// between and after the files, as "--name VALUE" or "--name=VALUE"; "--"
/// makes every later argument a file. A command line is refused (UsageError
/// says why) for an unknown option, a missing or malformed value (a --rate
/// korvani cannot open, IsOpenableSampleRate, among them), more than
/// one of --auto, --bin, --near and --strongest, --rate or --no-higher without
/// --retune, --retune or --smpl with other than one file (or with a list)
/// unless its target is an existing directory, -0 without --files-from, more than one of --json, --csv and --spectrum,
/// and no file at all (unless --help or --version is given, which makes every other check moot).
ParsedOptions ParsePitchOptions(std::span<const char* const> arguments);

/// The one-line synopsis printed after a usage error.
std::string UsageText();

/// The full explanation of every option, printed by --help.
std::string HelpText();
