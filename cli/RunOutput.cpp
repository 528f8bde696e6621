// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/RunOutput.h"

#include "cli/ResultWriter.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

void OpenStandardDescriptors() {
    for (const int descriptor : {0, 1, 2}) {
        if (::fcntl(descriptor, F_GETFD) == -1 && errno == EBADF) {
            // open answers the lowest free descriptor: this one.
            const int opened = ::open("/dev/null", descriptor == 0 ? O_WRONLY : O_RDONLY);
            if (opened != descriptor) {
                ::_exit(1);  // nothing can be said, and nothing was done yet
            }
        }
    }
}

int WriteAll(int descriptor, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = ::write(descriptor, text.data(), text.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

std::string ProgressText(std::size_t done, std::size_t total, std::size_t failed, std::chrono::milliseconds elapsed) {
    std::string text =
        std::to_string(done) + "/" + std::to_string(total) + " files, " + std::to_string(failed) + " failed";
    if (done == 0) {
        return text;
    }
    const auto milliseconds = static_cast<unsigned long long>(elapsed.count());
    const auto left = static_cast<long long>((milliseconds * (total - done) / done + 500) / 1000);
    std::array<char, 32> clock{};
    if (left >= 3600) {
        std::snprintf(clock.data(), clock.size(), "%lld:%02lld:%02lld", left / 3600, left / 60 % 60, left % 60);
    } else {
        std::snprintf(clock.data(), clock.size(), "%lld:%02lld", left / 60, left % 60);
    }
    return text + ", " + clock.data() + " left";
}

RunOutput::RunOutput(bool progress, std::size_t total)
    : progress_(progress), resultsOnTerminal_(::isatty(STDOUT_FILENO) == 1), total_(total) {
    Draw();
}

bool RunOutput::Write(int descriptor, std::string_view text) {
    if (failed_) {
        return false;
    }
    if (const int failure = WriteAll(descriptor, text); failure != 0) {
        failed_ = true;
        if (descriptor == STDOUT_FILENO) {
            WriteAll(STDERR_FILENO, std::string(drawn_ ? "\r\x1b[K" : "") + kErrorLinePrefix +
                                        "write error: " + std::strerror(failure) + "\n");
        }
        drawn_ = false;
        return false;
    }
    return true;
}

// The line is on standard error; results on a terminal, likely the same one,
// are written with the line cleared, so that they never run into it.
bool RunOutput::Results(std::string_view text) {
    if (!resultsOnTerminal_) {
        return Write(STDOUT_FILENO, text);
    }
    return Clear() && Write(STDOUT_FILENO, text) && Draw();
}

bool RunOutput::Messages(std::string_view text) {
    return Clear() && Write(STDERR_FILENO, text) && Draw();
}

bool RunOutput::Count(bool failed) {
    ++done_;
    failedFiles_ += failed ? 1 : 0;
    return Draw();
}

bool RunOutput::Finish() {
    return Clear() && !failed_;
}

bool RunOutput::Draw() {
    if (!progress_ || failed_) {
        return !failed_;
    }
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_);
    // Back to the line's start, the text, and the rest of the line erased.
    drawn_ = Write(STDERR_FILENO, "\r" + ProgressText(done_, total_, failedFiles_, elapsed) + "\x1b[K");
    return drawn_;
}

bool RunOutput::Clear() {
    if (!drawn_) {
        return !failed_;
    }
    drawn_ = false;
    return Write(STDERR_FILENO, "\r\x1b[K");
}
