#pragma once

#include "PitchAnalysis.h"

#include <ostream>
#include <string>
#include <string_view>

// How korvani-pitch prints one file's result: a text block or a JSON line on
// standard output, and the failure messages on standard error. Formats only;
// the texts themselves come from the analysis and the WAV engine.

/// The block of a successful result, one item a line: the file, the
/// channel-count box when there was one, the sampling-frequency box, the
/// transform size, the start sample, the frequency, note and rate texts, and
/// with `withSpectrum` "bin<TAB>Hz<TAB>magnitude" for every bin.
void WriteTextBlock(std::ostream& out, const PitchResult& result, bool withSpectrum);

/// One JSON object on one line: every key of a successful result, or "file"
/// and "errors" ([caption or null, text] pairs) for a failed one. Numbers are
/// written unrounded (the shortest text that reads back as the same double).
void WriteJsonLine(std::ostream& out, const PitchResult& result);

/// Each failure message on a line of its own, "CAPTION: TEXT" or "TEXT".
void WriteFailureLines(std::ostream& err, const PitchResult& result);

/// `text` as a JSON string, quotes included.
std::string JsonString(std::string_view text);

/// `value` as the shortest decimal text that reads back as the same double.
std::string ShortestNumber(double value);
