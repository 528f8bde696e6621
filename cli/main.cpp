// korvani-pitch: korvani's pitch analysis from the command line. Reads the
// options, analyses the files (those of folders walked) on several threads
// with the program's own engine, prints each result in the order of the
// arguments and answers 0, 1 (a file failed) or 2 (a usage error).

#include "cli/InputWalk.h"
#include "cli/OrderedRun.h"
#include "cli/PitchAnalysis.h"
#include "cli/PitchOptions.h"
#include "cli/ResultWriter.h"
#include "cli/SilentSoundOutput.h"
#include "cli/SourceFile.h"

#include "app/ProjectRCVersion.h"
#include "platform/ReplacementFile.h"

#include <malloc.h>

#include <cerrno>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <span>
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

// The names of --files-from; a list that cannot be read, or names nothing,
// is a failure of its own.
std::vector<std::string> ListedNames(const PitchOptions& options, std::vector<InputFile>& failures) {
    std::vector<std::string> listed;
    const std::string& list = *options.FilesFrom;
    const std::string shownName = list == "-" ? "standard input" : list;
    if (list == "-") {
        listed = ReadNameList(std::cin, options.NulSeparated);
    } else if (std::ifstream in(list, std::ios::binary); in.is_open()) {
        listed = ReadNameList(in, options.NulSeparated);
    } else {
        const int error = errno;
        failures.push_back({list, "", SystemErrorText(error), FailureCodeOfErrno(error)});
        return listed;
    }
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
    const ParsedOptions parsed = ParsePitchOptions(std::span<const char* const>(argv + 1, argv + argc));
    if (!parsed.UsageError.empty()) {
        std::cerr << kErrorLinePrefix << parsed.UsageError << '\n' << UsageText();
        return 2;
    }
    if (parsed.Options.Help) {
        std::cout << HelpText();
        return 0;
    }
    if (parsed.Options.Version) {
        // The version block korvani's about box shows, linked into this program too.
        const ProjectRCVersion version(nullptr);
        const char* text = "unknown";
        version.QueryProductVersion(text);
        std::cout << "korvani-pitch " << text << '\n';
        return 0;
    }
    const std::vector<InputFile> inputs = CollectInputs(parsed.Options);
    PitchOptions options = parsed.Options;
    options.Files.clear();  // each worker copies the options; the files are in `inputs`
    const unsigned jobs = options.Jobs != 0 ? options.Jobs : std::max(std::thread::hardware_concurrency(), 1U);

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
    // An interrupted copy leaves no half-written file behind.
    platform::RemoveReplacementFilesOnInterrupt();
    // It answers "no device" for every sound from any thread and holds nothing.
    SilentSoundOutput silence;
    const TScopedSeam<platform::SoundOutput> noSound(silence);
    int status = 0;
    bool firstBlock = true;
    if (options.Csv) {
        WriteCsvHeader(std::cout);
    }
    RunInOrder<PitchResult>(
        inputs.size(), jobs, [&](std::size_t i) { return Analyse(inputs[i], options); },
        [&](const PitchResult& result) {
            WriteFailureLines(std::cerr, result);
            if (options.Json) {
                WriteJsonLine(std::cout, result);
            } else if (options.Csv) {
                WriteCsvRow(std::cout, result);
            } else if (result.Succeeded()) {
                std::cout << (firstBlock ? "" : "\n");
                WriteTextBlock(std::cout, result, options.Spectrum);
                firstBlock = false;
            }
            if (!result.Succeeded()) {
                status = 1;
            }
            std::cout.flush();
        });
    return status;
}
