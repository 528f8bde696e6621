// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cerrno>
#include <string_view>

/// Why one file failed, as a word a script can test: korvani-pitch writes it
/// as "error_code" in JSON and CSV beside the plain reason. The words are
/// stable; a new kind of failure gets a new one at the end.
enum class FailureCode {
    Failed,          ///< "failed": nothing more precise applies
    NotFound,        ///< "not_found": no such file or folder (ENOENT, ENOTDIR)
    Permission,      ///< "permission": the system refused access (EACCES, EPERM)
    IsDirectory,     ///< "is_directory": a folder where a file is needed
    NotRegular,      ///< "not_regular": a FIFO, device or socket
    SystemError,     ///< "system_error": any other system error (a link loop, a name too long, EIO)
    NotAudio,        ///< "not_audio": no reader knows the file
    Unsupported,     ///< "unsupported": a known format korvani-pitch cannot analyse
    InvalidRate,     ///< "invalid_rate": 0, above 768,000 Hz, NaN or infinite
    Damaged,         ///< "damaged": the file is cut short or its chunks contradict each other
    InvalidSamples,  ///< "invalid_samples": NaN or infinite sample values
    NoMemory,        ///< "no_memory": the analysis does not fit the memory budget
    NoPitch,         ///< "no_pitch": silence or no harmonic series
    NoResult,        ///< "no_result": the climb or the note found nothing (no local maximum, below the lowest note)
    PastTheEnd,      ///< "past_end": --start lies past the recording
    SameFile,        ///< "same_file": the target of a copy is its source
    WriteFailed,     ///< "write_failed": a copy or the output could not be written
    NoFiles,         ///< "no_files": a folder or a list named no file to analyse
};

/// The word of `code`, e.g. "not_found".
constexpr std::string_view FailureCodeText(FailureCode code) {
    switch (code) {
    case FailureCode::Failed: return "failed";
    case FailureCode::NotFound: return "not_found";
    case FailureCode::Permission: return "permission";
    case FailureCode::IsDirectory: return "is_directory";
    case FailureCode::NotRegular: return "not_regular";
    case FailureCode::SystemError: return "system_error";
    case FailureCode::NotAudio: return "not_audio";
    case FailureCode::Unsupported: return "unsupported";
    case FailureCode::InvalidRate: return "invalid_rate";
    case FailureCode::Damaged: return "damaged";
    case FailureCode::InvalidSamples: return "invalid_samples";
    case FailureCode::NoMemory: return "no_memory";
    case FailureCode::NoPitch: return "no_pitch";
    case FailureCode::NoResult: return "no_result";
    case FailureCode::PastTheEnd: return "past_end";
    case FailureCode::SameFile: return "same_file";
    case FailureCode::WriteFailed: return "write_failed";
    case FailureCode::NoFiles: return "no_files";
    }
    return "failed";
}

/// The code of a system error number (errno): ENOENT and ENOTDIR not_found,
/// EACCES and EPERM permission, EISDIR is_directory, every other
/// system_error.
constexpr FailureCode FailureCodeOfErrno(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR: return FailureCode::NotFound;
    case EACCES:
    case EPERM: return FailureCode::Permission;
    case EISDIR: return FailureCode::IsDirectory;
    default: return FailureCode::SystemError;
    }
}
