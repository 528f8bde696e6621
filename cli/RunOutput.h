// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

/// Opens /dev/null on each of the descriptors 0, 1 and 2 that is closed, so
/// that no file the program opens later takes their place and receives text
/// meant for a stream. Each is opened in the direction it is not used (0 for
/// writing, 1 and 2 for reading): the program's reads and writes on it still
/// fail with EBADF, as they would have on the closed descriptor.
void OpenStandardDescriptors();

/// Writes all of `text` to `descriptor`, again after a short write or an
/// interrupted one; answers 0, or the errno of the failure.
int WriteAll(int descriptor, std::string_view text);

/// "312/1000 files, 4 failed, 0:04 left": the progress line's text after `done`
/// of `total` files, `failed` of them failed, in `elapsed`; no time left before
/// the first file is done.
std::string ProgressText(std::size_t done, std::size_t total, std::size_t failed, std::chrono::milliseconds elapsed);

/// Standard output and standard error of one run, every write checked, and
/// the progress line on standard error. The first failed write ends the run:
/// a failed write of the results is told on standard error ("korvani-pitch:
/// write error: REASON") where it still can be; a failed write to standard
/// error can only be counted.
class RunOutput {
public:
    /// `progress`: keep a progress line over the run's `total` files.
    RunOutput(bool progress, std::size_t total);

    /// Writes `text` to standard output; false once any write failed.
    bool Results(std::string_view text);

    /// Writes `text` (whole lines) to standard error above the progress
    /// line; false once any write failed.
    bool Messages(std::string_view text);

    /// Counts one more file done, failed or not, and redraws the progress line.
    bool Count(bool failed);

    /// Clears the progress line; false once any write failed.
    bool Finish();

    /// Whether a write failed.
    bool Failed() const { return failed_; }

private:
    bool Write(int descriptor, std::string_view text);
    bool Draw();
    bool Clear();

    bool progress_;
    bool resultsOnTerminal_;
    bool drawn_ = false;
    bool failed_ = false;
    std::size_t total_;
    std::size_t done_ = 0;
    std::size_t failedFiles_ = 0;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};
