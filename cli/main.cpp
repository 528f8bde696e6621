// SPDX-License-Identifier: GPL-3.0-or-later
// korvani-pitch: korvani's pitch analysis from the command line. Reads the
// options, analyses the files (those of folders walked) on several threads
// with the program's own engine, prints each result in the order of the
// arguments and answers 0, 1 (a file failed, or an output could not be
// written) or 2 (a usage error).

#include "cli/InputWalk.h"
#include "cli/OrderedRun.h"
#include "cli/PitchAnalysis.h"
#include "cli/PitchOptions.h"
#include "cli/ResultWriter.h"
#include "cli/RunOutput.h"
#include "cli/SourceFile.h"

#include "KorvaniVersion.h"

#include "platform/ReplacementFile.h"

#include <malloc.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <exception>
#include <filesystem>
#include <map>
#include <span>
#include <sstream>
#include <thread>

namespace {

// One file's road; a failure of the tool itself becomes the file's failure.
PitchResult Analyse(const InputFile& input, const PitchOptions& shared) {
    if (!input.Failure.empty()) {
        PitchResult result;
        result.File = input.Path;
        result.Messages.AddFailure(input.Code, input.Failure);
        return result;
    }
    try {
        PitchOptions options = shared;
        // With a folder as the target, each copy goes in it under the input's name.
        for (std::optional<std::string>* target : {&options.RetuneTarget, &options.SmplTarget}) {
            std::error_code error;
            if (*target && std::filesystem::is_directory(**target, error)) {
                *target = CopyPathIn(**target, input);
            }
        }
        return AnalyseFile(input.Path, options);
    } catch (const std::exception& failure) {
        PitchResult result;
        result.File = input.Path;
        result.Messages.AddFailure(failure.what());
        return result;
    }
}

// One error line for each copy two inputs would both write (the same name
// in two walked folders, a file given twice, --retune and --smpl into one
// folder); none when every copy has a name of its own.
std::string CollidingCopies(const std::vector<InputFile>& inputs, const PitchOptions& options) {
    std::map<std::filesystem::path, const InputFile*> writers;
    std::string lines;
    for (const std::optional<std::string>& folder : {options.RetuneTarget, options.SmplTarget}) {
        std::error_code error;
        if (!folder || !std::filesystem::is_directory(*folder, error)) {
            continue;  // one file, one copy
        }
        for (const InputFile& input : inputs) {
            if (!input.Failure.empty()) {
                continue;
            }
            const auto target = (std::filesystem::path(*folder) / input.Relative).lexically_normal();
            const auto [first, added] = writers.emplace(target, &input);
            if (!added) {
                lines += FailureLine(target.string(), "the copies of " + first->second->Path + " and " + input.Path +
                                                          " would both be written here") +
                         '\n';
            }
        }
    }
    return lines;
}

// Prints one result as the options ask; false when an output failed.
bool Report(RunOutput& output, const PitchResult& result, const PitchOptions& options, bool& firstBlock) {
    std::ostringstream errors;
    WriteFailureLines(errors, result);
    if (!errors.str().empty() && !output.Messages(errors.str())) {
        return false;
    }
    std::ostringstream out;
    if (options.Json) {
        WriteJsonLine(out, result);
    } else if (options.Csv) {
        WriteCsvRow(out, result);
    } else if (result.Succeeded()) {
        out << (firstBlock ? "" : "\n");
        WriteTextBlock(out, result, options.Spectrum);
        firstBlock = false;
    }
    return (out.str().empty() || output.Results(out.str())) && output.Count(!result.Succeeded());
}

// --help and --version: `text` on standard output, or why not.
int PrintOnly(const std::string& text) {
    RunOutput output(false, 0);
    return output.Results(text) ? 0 : 1;
}

std::string VersionText() {
    return "korvani-pitch " + std::string(korvani::kVersionText) + '\n';
}

int Run(const std::vector<InputFile>& inputs, PitchOptions options) {
    options.Files.clear();  // each worker copies the options; the files are in `inputs`
    const unsigned jobs = options.Jobs != 0 ? options.Jobs : std::max(std::thread::hardware_concurrency(), 1U);
    const bool progress = options.Progress || (!options.Quiet && inputs.size() > 1 && ::isatty(STDERR_FILENO) == 1);
    RunOutput output(progress, inputs.size());
    int status = 0;
    bool firstBlock = true;
    if (options.Csv) {
        std::ostringstream header;
        WriteCsvHeader(header);
        if (!output.Results(header.str())) {
            return 1;
        }
    }
    RunInOrder<PitchResult>(
        inputs.size(), jobs, [&](std::size_t i) { return Analyse(inputs[i], options); },
        [&](const PitchResult& result) {
            status = result.Succeeded() ? status : 1;
            return !output.Failed() && Report(output, result, options, firstBlock);
        });
    return output.Finish() ? status : 1;
}

// The bytes of the list `list` names (standard input for "-") into `text`:
// 0, or the system's error number, so that a list that cannot be read (a
// folder, a closed standard input) is not taken for an empty one.
int ReadList(const std::string& list, std::string& text) {
    const int fd = list == "-" ? STDIN_FILENO : ::open(list.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    int error = 0;
    char buffer[1 << 16];
    for (ssize_t got = 0; error == 0 && (got = ::read(fd, buffer, sizeof buffer)) != 0;) {
        if (got > 0) {
            text.append(buffer, static_cast<std::size_t>(got));
        } else if (errno != EINTR) {
            error = errno;
        }
    }
    if (fd != STDIN_FILENO) {
        ::close(fd);
    }
    return error;
}

// The names of --files-from; a list that cannot be read, or names nothing,
// is a failure of its own.
std::vector<std::string> ListedNames(const PitchOptions& options, std::vector<InputFile>& failures) {
    const std::string& list = *options.FilesFrom;
    const std::string shownName = list == "-" ? "standard input" : list;
    std::string text;
    if (const int error = ReadList(list, text); error != 0) {
        failures.push_back({shownName, "", SystemErrorText(error), FailureCodeOfErrno(error)});
        return {};
    }
    std::istringstream in(text);
    std::vector<std::string> listed = ReadNameList(in, options.NulSeparated);
    if (listed.empty()) {
        failures.push_back({shownName, "", "the list names no file", FailureCode::NoFiles});
    }
    return listed;
}

// The arguments' files and those of --files-from, folders walked; a copy
// into a file (not a folder) takes its one input as a file, whatever it is.
std::vector<InputFile> CollectInputs(const PitchOptions& options) {
    std::vector<std::string> names = options.Files;
    std::vector<InputFile> listFailures;
    if (options.FilesFrom) {
        const std::vector<std::string> listed = ListedNames(options, listFailures);
        names.insert(names.end(), listed.begin(), listed.end());
    }
    std::error_code error;
    const bool copyIntoFile = (options.RetuneTarget && !std::filesystem::is_directory(*options.RetuneTarget, error)) ||
                              (options.SmplTarget && !std::filesystem::is_directory(*options.SmplTarget, error));
    std::vector<InputFile> inputs =
        ExpandInputs(names, options.Extensions.empty() ? KnownExtensions() : options.Extensions, !copyIntoFile);
    inputs.insert(inputs.begin(), listFailures.begin(), listFailures.end());
    return inputs;
}

}  // namespace

int main(int argc, char** argv) {
    // Before anything is opened: no file may take the place of a closed stream.
    OpenStandardDescriptors();
    // A closed pipe is a failed write like any other, not a silent death.
    std::signal(SIGPIPE, SIG_IGN);
    const ParsedOptions parsed = ParsePitchOptions(std::span<const char* const>(argv + 1, argv + argc));
    if (!parsed.UsageError.empty()) {
        WriteAll(STDERR_FILENO, kErrorLinePrefix + EscapeControls(parsed.UsageError) + '\n' + UsageText());
        return 2;
    }
    if (parsed.Options.Help) {
        return PrintOnly(HelpText());
    }
    if (parsed.Options.Version) {
        return PrintOnly(VersionText());
    }
    const std::vector<InputFile> inputs = CollectInputs(parsed.Options);
    if (const std::string collisions = CollidingCopies(inputs, parsed.Options); !collisions.empty()) {
        WriteAll(STDERR_FILENO, collisions);
        return 2;
    }

    // Each file's analysis allocates the same large buffers again: kept in the
    // heap rather than handed back to the kernel, they are reused instead of
    // being mapped and cleared anew for every file.
    // (32 MiB is the largest threshold the C library accepts; the tables of
    // the usual rates are well below it.)
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
    // One heap for every job: a heap per thread would keep each job's freed
    // arrays apart, outside what the memory budget counts.
    mallopt(M_ARENA_MAX, 1);
    // An interrupted copy leaves no half-written file behind; before any
    // other thread starts, so that every thread leaves the signals to it.
    platform::RemoveReplacementFilesOnInterrupt();
    return Run(inputs, parsed.Options);
}
