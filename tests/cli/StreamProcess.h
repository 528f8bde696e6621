// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tests/cli/PitchProcess.h"

#include <pty.h>
#include <termios.h>

#include <optional>

namespace clitest {

/// Where one of korvani-pitch's outputs goes in RunWithStreams.
enum class Stream {
    Pipe,      ///< a pipe the test reads
    Closed,    ///< closed before the program starts
    Full,      ///< /dev/full: every write fails for want of space
    Terminal,  ///< a pseudo-terminal the test reads (no line-end translation)
};

/// What one run printed (on the streams the test reads) and how it ended.
struct StreamOutcome {
    int ExitStatus = -1;  ///< the exit status, or -1 when it did not exit normally
    int Signal = 0;       ///< the signal that ended it, or 0
    std::string Out;
    std::string Err;
};

namespace detail {

// The test's end of one output, and what the child gets.
struct StreamEnds {
    int Read = -1;
    int Child = -1;
};

inline StreamEnds OpenEnds(Stream stream) {
    StreamEnds ends;
    if (stream == Stream::Pipe) {
        std::array<int, 2> pipeEnds{};
        if (::pipe(pipeEnds.data()) != 0) {
            throw std::runtime_error("cannot make a pipe");
        }
        ends = {pipeEnds[0], pipeEnds[1]};
    } else if (stream == Stream::Terminal) {
        termios raw{};
        ::cfmakeraw(&raw);
        if (::openpty(&ends.Read, &ends.Child, nullptr, &raw, nullptr) != 0) {
            throw std::runtime_error("cannot open a pseudo-terminal");
        }
    }
    return ends;
}

}  // namespace detail

/// Runs korvani-pitch with `arguments`, its input /dev/null and each output
/// as asked; reads the outputs that are pipes or terminals to the end.
inline StreamOutcome RunWithStreams(const std::vector<std::string>& arguments, Stream out, Stream err) {
    const std::array<Stream, 2> streams{out, err};
    std::array<detail::StreamEnds, 2> ends{detail::OpenEnds(out), detail::OpenEnds(err)};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    for (int i = 0; i < 2; ++i) {
        const int descriptor = i + 1;
        if (streams[i] == Stream::Closed) {
            posix_spawn_file_actions_addclose(&actions, descriptor);
        } else if (streams[i] == Stream::Full) {
            posix_spawn_file_actions_addopen(&actions, descriptor, "/dev/full", O_WRONLY, 0);
        } else {
            posix_spawn_file_actions_adddup2(&actions, ends[i].Child, descriptor);
        }
    }
    for (const detail::StreamEnds& end : ends) {
        for (const int descriptor : {end.Read, end.Child}) {
            if (descriptor > 2) {
                posix_spawn_file_actions_addclose(&actions, descriptor);
            }
        }
    }
    const pid_t child = Spawn(KORVANI_PITCH_PATH, arguments, actions);
    posix_spawn_file_actions_destroy(&actions);
    std::array<pollfd, 2> polled{};
    for (int i = 0; i < 2; ++i) {
        if (ends[i].Child >= 0) {
            ::close(ends[i].Child);
        }
        polled[i] = pollfd{ends[i].Read, POLLIN, 0};
    }
    if (child < 0) {
        throw std::runtime_error("cannot start korvani-pitch");
    }
    StreamOutcome outcome;
    ReadToTheEnd(polled, {&outcome.Out, &outcome.Err});
    int status = 0;
    ::waitpid(child, &status, 0);
    outcome.ExitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    outcome.Signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return outcome;
}

}  // namespace clitest
