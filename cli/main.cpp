// korvani-pitch: korvani's pitch analysis from the command line. Reads the
// options, analyses each file in order with the program's own engine, prints
// each result and answers 0, 1 (a file failed) or 2 (a usage error).

#include "PitchAnalysis.h"
#include "PitchOptions.h"
#include "ResultWriter.h"
#include "SilentSoundOutput.h"

#include "app/ProjectRCVersion.h"
#include "platform/ReplacementFile.h"

#include <exception>
#include <iostream>
#include <span>

int main(int argc, char** argv)
{
    const ParsedOptions parsed = ParsePitchOptions(std::span<const char* const>(argv + 1, argv + argc));
    if (!parsed.UsageError.empty()) {
        std::cerr << "korvani-pitch: " << parsed.UsageError << '\n' << UsageText();
        return 2;
    }
    const PitchOptions& options = parsed.Options;
    if (options.Help) {
        std::cout << HelpText();
        return 0;
    }
    if (options.Version) {
        // The version block korvani's about box shows, linked into this program too.
        const ProjectRCVersion version(nullptr);
        const char* text = "unknown";
        version.QueryProductVersion(text);
        std::cout << "korvani-pitch " << text << '\n';
        return 0;
    }

    // An interrupted --retune leaves no half-written copy behind.
    platform::RemoveReplacementFilesOnInterrupt();
    SilentSoundOutput silence;
    const platform::ScopedSoundOutput noSound(silence);
    int status = 0;
    bool firstBlock = true;
    for (const std::string& file : options.Files) {
        try {
            const PitchResult result = AnalyseFile(file, options);
            WriteFailureLines(std::cerr, result);
            if (options.Json) {
                WriteJsonLine(std::cout, result);
            } else if (result.Succeeded()) {
                std::cout << (firstBlock ? "" : "\n");
                WriteTextBlock(std::cout, result, options.Spectrum);
                firstBlock = false;
            }
            if (!result.Succeeded()) {
                status = 1;
            }
        } catch (const std::exception& failure) {
            std::cerr << FailureLine(file, failure.what()) << '\n';
            status = 1;
        }
        std::cout.flush();
    }
    return status;
}
