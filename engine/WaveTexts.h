// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The texts the WAV document shows while it loads, closes and rewrites a file:
// message texts, captions and formats, each once. The analysis text the load
// also shows (memory) lives in analysis/AnalysisTexts.h.

#include <cstdint>
#include <string>

// Load: no path, open failure.

/// Text of the box shown when the document has no path to open.
inline constexpr char kNoValidPathText[] = "no valid path specified";
/// Caption of that box.
inline constexpr char kFileOpenCaption[] = "file open";
/// Caption of the box shown when a file cannot be opened (load and rewrite).
inline constexpr char kFailedToOpenCaption[] = "Failed to open file   :- (";
/// Put between the path and the reason in the open-failure text of the load.
inline constexpr char kMmioErrorSeparator[] = "  -  mmio error :  ";

// Load and rewrite: chunks and memory.

/// Text when the file has no RIFF chunk of form "WAVE".
inline constexpr char kNotAWavFileText[] = "This is not a WAV file.";
/// Text when the RIFF chunk holds no "fmt " chunk.
inline constexpr char kNoFmtChunkText[] = "WAVE file has no \"fmt\" chunk";
/// Text when the "fmt " chunk is too short for the fields read, names no
/// channel, or names a sample rate no transform size exists for.
inline constexpr char kInvalidFmtChunkText[] = "WAVE file has an invalid \"fmt\" chunk";
/// Text when the block for the "fmt " chunk cannot be allocated.
inline constexpr char kNoMemoryForFmtText[] = "Not enough memory for fmt";
/// Text when the block for the "fmt " chunk cannot be locked.
inline constexpr char kCannotLockHeaderText[] = "Failed to lock memory for header";
/// Text when the "fmt " chunk cannot be read whole.
inline constexpr char kCannotReadFmtText[] = "Failed to read format chunk";

// Load: "data" chunk, resolution, analysis hand-over.

/// Text when no "data" chunk follows the "fmt " chunk.
inline constexpr char kNoDataChunkText[] = "The WAVE file has no data chunk.";
/// Text when the "data" chunk holds not even one sample value.
inline constexpr char kEmptyDataChunkText[] = "The data chunk contains no data.";
/// Text when the block for the "data" chunk cannot be allocated.
inline constexpr char kOutOfMemoryText[] = "Out of memory";
/// Text when the block for the "data" chunk cannot be locked.
inline constexpr char kCannotLockDataText[] = "Failed to lock memory for data chunk";
/// Text when the "data" chunk cannot be read whole.
inline constexpr char kCannotReadDataText[] = "Failed to read data chunk";
/// Caption of the box that shows a channel count other than 1.
inline constexpr char kChannelCountCaption[] = "number of channels";
/// Format of the sample rate and resolution box (one blank before the comma, two after).
inline constexpr char kRateAndResolutionFormat[] = "%d Hz ,  %d bit";
/// Caption of the sample rate and resolution box.
inline constexpr char kSamplingFrequencyCaption[] = "sampling frequency";
/// Caption of the box shown for a resolution the analysis cannot read (load
/// and waveform preview).
inline constexpr char kUnsupportedResolutionCaption[] = "unsupported resolution";
/// Text of that box, filled with the bit count (two blanks before "bits").
inline constexpr char kBitsPerSampleFormat[] = "%d  bits/sample";
/// Text of the box shown when the analysis set-up fails.
inline constexpr char kSetupFailedText[] = "Failed";
/// Caption of that box.
inline constexpr char kSetupFailedCaption[] = "init";

/// Every way a load can be refused once its file is open, each shown as one
/// box with its text and no caption; the rewrite shares the first six.
enum class LoadFailure {
    NotAWavFile,       ///< kNotAWavFileText
    NoFmtChunk,        ///< kNoFmtChunkText
    CannotReadFmt,     ///< kCannotReadFmtText
    NoMemoryForFmt,    ///< kNoMemoryForFmtText
    CannotLockHeader,  ///< kCannotLockHeaderText
    InvalidFmtChunk,   ///< kInvalidFmtChunkText
    NoDataChunk,       ///< kNoDataChunkText
    EmptyDataChunk,    ///< kEmptyDataChunkText
    CannotReadData,    ///< kCannotReadDataText
    OutOfMemory,       ///< kOutOfMemoryText
    CannotLockData,    ///< kCannotLockDataText
};

/// The text of the box shown for `failure`.
const char* LoadFailureText(LoadFailure failure);

// Close.

/// Text when closing the file reports that written bytes could not be stored.
inline constexpr char kCannotWriteCloseText[] = "MMIOERR_CANNOTWRITE";
/// Text when closing the file reports a failed close.
inline constexpr char kCannotCloseText[] = "MMIOERR_CANNOTCLOSE";
/// Caption of both close boxes.
inline constexpr char kCloseCaption[] = "mmioClose";

// Rewrite.

/// Caption of the box shown when the patched "fmt " chunk cannot be written;
/// the marks around fmt are acute accents (U+00B4).
inline constexpr char kCannotWriteFmtCaption[] = "cannot write \u00b4fmt\u00b4 chunk";
/// Caption of the box shown when the copy cannot be made or put in place.
inline constexpr char kFailedToWriteCaption[] = "Failed to write file   :- (";

/// Caption of the box shown when a copy would carry a sample rate korvani
/// cannot open (see IsOpenableSampleRate); nothing is written then.
inline constexpr char kUnsupportedSampleRateCaption[] = "unsupported sample rate";

/// The text of that box: "0 Hz lies outside 2 to 768000 Hz: file not written",
/// the range being the one IsOpenableSampleRate accepts.
std::string UnopenableRateText(std::uint32_t rate);

/// The reason appended to the open-failure text for an MMIOERR code (257-266),
/// or "" for any other code.
const char* MmioErrorText(std::uint32_t code);

/// The open-failure text of the load: the path, uncut, kMmioErrorSeparator and
/// the reason for `code`.
std::string OpenFailureText(const std::string& path, std::uint32_t code);

/// The text of a failed copy: the target path, uncut, then "  -  " and the
/// system's reason for `error` ("out.wav  -  No space left on device").
std::string WriteFailureText(const std::string& target, int error);

/// kRateAndResolutionFormat filled in: each value printed as the signed 32-bit
/// number it is taken for ("44100 Hz ,  16 bit").
std::string RateAndResolutionText(std::uint32_t sampleRate, std::uint32_t bitsPerSample);

/// kBitsPerSampleFormat filled in, the value taken as
/// a signed 32-bit number ("24  bits/sample").
std::string BitsPerSampleText(std::uint32_t bitsPerSample);
