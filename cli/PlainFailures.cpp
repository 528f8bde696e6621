// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/PlainFailures.h"

#include "engine/WaveTexts.h"

#include "analysis/AnalysisTexts.h"

#include <cstdio>

namespace {

// Between a file and the system's reason in the rewrite's failure texts.
constexpr char kReasonSeparator[] = "  -  ";

struct Translation {
    const char* WindowText;
    FailureCode Code;
    const char* Reason;
};

// The engine's boxes without a caption, each with the command line's words.
constexpr Translation kTranslations[] = {
    {kNotAWavFileText, FailureCode::NotAudio, "not a WAV file"},
    {kNoFmtChunkText, FailureCode::Damaged, "no \"fmt \" chunk"},
    {kInvalidFmtChunkText, FailureCode::Damaged, "invalid \"fmt \" chunk"},
    {kCannotReadFmtText, FailureCode::Damaged, "the \"fmt \" chunk is cut short"},
    {kNoDataChunkText, FailureCode::Damaged, "no \"data\" chunk"},
    {kEmptyDataChunkText, FailureCode::Damaged, "no samples"},
    {kCannotReadDataText, FailureCode::Damaged, "the file ends before its \"data\" chunk does"},
    {kNoMemoryForFmtText, FailureCode::NoMemory, "memory allocation impossible"},
    {kCannotLockHeaderText, FailureCode::NoMemory, "memory allocation impossible"},
    {kOutOfMemoryText, FailureCode::NoMemory, "memory allocation impossible"},
    {kCannotLockDataText, FailureCode::NoMemory, "memory allocation impossible"},
    {kMemoryAllocationImpossibleText, FailureCode::NoMemory, "memory allocation impossible"},
    {kNoLocalMaximumText, FailureCode::NoResult, "no local maximum"},
};

std::string_view CaptionOf(const char* caption) {
    return caption != nullptr ? std::string_view(caption) : std::string_view();
}

}  // namespace

PlainFailure PlainFailureOf(std::string_view text, const char* caption) {
    const std::string_view captionText = CaptionOf(caption);
    if (captionText == kUnsupportedResolutionCaption) {
        int bits = 0;
        std::sscanf(std::string(text).c_str(), "%d", &bits);
        return {FailureCode::Unsupported, "unsupported resolution: " + std::to_string(bits) + " bits per sample"};
    }
    if (captionText == kSetupFailedCaption) {
        return {FailureCode::NoMemory, "memory allocation impossible"};
    }
    if (captionText == kCloseCaption) {
        return {FailureCode::SystemError, "the file cannot be closed"};
    }
    // The load's open failure ("PATH  -  mmio error :  REASON"); korvani-pitch
    // opens each file itself first, so only a file that changed in between
    // meets it.
    if (captionText == kFailedToOpenCaption && text.find(kMmioErrorSeparator) != std::string_view::npos) {
        return {FailureCode::SystemError,
                "cannot open the file: " + std::string(text.substr(text.rfind(kMmioErrorSeparator) +
                                                                   std::string_view(kMmioErrorSeparator).size()))};
    }
    // The copies' boxes name the file they failed on.
    if (captionText == kFailedToOpenCaption) {
        return {FailureCode::WriteFailed, "cannot open " + std::string(text)};
    }
    if (captionText == kFailedToWriteCaption || captionText == kCannotWriteFmtCaption) {
        // "TARGET  -  REASON", the rewrite's text, as "cannot write TARGET: REASON".
        std::string target(text);
        if (const std::size_t dash = target.rfind(kReasonSeparator); dash != std::string::npos) {
            target.replace(dash, std::string_view(kReasonSeparator).size(), ": ");
        }
        return {FailureCode::WriteFailed, "cannot write " + target};
    }
    if (captionText.empty()) {
        for (const Translation& translation : kTranslations) {
            if (text == translation.WindowText) {
                return {translation.Code, translation.Reason};
            }
        }
    }
    return {FailureCode::Failed,
            captionText.empty() ? std::string(text) : std::string(captionText) + ": " + std::string(text)};
}
