// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/PitchAnalysis.h"

#include <ostream>
#include <string>
#include <string_view>

// How korvani-pitch prints one file's result: a text block or a JSON line on
// standard output, and the failure messages on standard error. Formats only;
// the texts themselves come from the analysis and the WAV engine. No name can
// break the output: text shows control characters escaped, JSON is valid
// UTF-8 whatever bytes a name holds.

/// The block of a successful result, one item a line: the file, the
/// channel-count box when there was one, the sampling-frequency box, the
/// mixing of the channels when they were mixed, the transform size, the
/// start sample, the frequency, the pitch and its clarity ("(doubtful)" below
/// kDoubtfulClarity), the note, cents and rate texts, the retuned copy
/// and the sampler copy when written, and with `withSpectrum` "bin<TAB>Hz<TAB>magnitude" for
/// every bin.
void WriteTextBlock(std::ostream& out, const PitchResult& result, bool withSpectrum);

/// One JSON object on one line: every key of a successful result, or "file"
/// and "errors" ([caption or null, text] pairs) for a failed one, with
/// "no_pitch" when --auto found none. Numbers are written unrounded (text that
/// reads back as the same double). Bytes of names that are not UTF-8 become
/// U+FFFD.
void WriteJsonLine(std::ostream& out, const PitchResult& result);

/// The header row of --csv: the JSON keys, "object_key" for those of an
/// object inside, errors and no_pitch last; fields quoted as RFC 4180 says,
/// rows ended by CR LF.
void WriteCsvHeader(std::ostream& out);

/// One CSV row under WriteCsvHeader: the values WriteJsonLine writes, empty
/// where a result has none; the errors as "CAPTION: TEXT", "; " between them.
/// A text cell beginning with =, +, -, @, TAB or CR gets a ' before it, so
/// that no spreadsheet takes it for a formula; numbers stay as they are.
void WriteCsvRow(std::ostream& out, const PitchResult& result);

/// What each line korvani-pitch writes to standard error begins with.
inline constexpr char kErrorLinePrefix[] = "korvani-pitch: ";

/// Each failure message on a line of its own, naming the file:
/// "korvani-pitch: FILE: CAPTION: TEXT" or "korvani-pitch: FILE: TEXT".
void WriteFailureLines(std::ostream& err, const PitchResult& result);

/// "korvani-pitch: FILE: TEXT", control characters escaped: a failure of the
/// tool itself.
std::string FailureLine(std::string_view file, std::string_view text);

/// `text` with each character that could end its line or command a terminal
/// shown as an escape: C0 controls and DEL ("\n", "\t", "\r", "\x1b"), C1
/// controls, U+2028 and U+2029 ("\u0085"), bytes that are not UTF-8 ("\xff"),
/// and the backslash itself ("\\"), so that no two texts look alike.
std::string EscapeControls(std::string_view text);

/// `value` as the shortest decimal text that reads back as the same double.
std::string ShortestNumber(double value);
