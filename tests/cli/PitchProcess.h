// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace clitest {

/// What one run of a program printed and how it ended.
struct ProcessOutcome {
    int ExitStatus = -1;  ///< the exit status, or -1 when it did not exit normally
    std::string Out;      ///< everything written to standard output
    std::string Err;      ///< everything written to standard error
};

/// Starts `program` with `arguments` under `actions`; answers the child's
/// process id, or -1 when it could not be started.
inline pid_t Spawn(const std::string& program, const std::vector<std::string>& arguments,
                   const posix_spawn_file_actions_t& actions) {
    std::vector<std::string> all{program};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : all) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    pid_t child = 0;
    return ::posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ) == 0 ? child : -1;
}

/// Reads both `ends` (a descriptor below 0: none) to their end, each into its
/// sink, and closes each as it ends (a terminal whose other side is gone
/// answers EIO: its end as well).
inline void ReadToTheEnd(std::array<pollfd, 2>& ends, const std::array<std::string*, 2>& sinks) {
    std::array<char, 65536> buffer{};
    while ((ends[0].fd >= 0 || ends[1].fd >= 0) && ::poll(ends.data(), ends.size(), -1) >= 0) {
        for (std::size_t i = 0; i < ends.size(); ++i) {
            if (ends[i].fd < 0 || (ends[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
                continue;
            }
            const ssize_t got = ::read(ends[i].fd, buffer.data(), buffer.size());
            if (got > 0) {
                sinks[i]->append(buffer.data(), static_cast<std::size_t>(got));
            } else {
                ::close(ends[i].fd);
                ends[i].fd = -1;
            }
        }
    }
}

/// Runs `program` with `arguments` as a child process, with no standard input,
/// and collects both of its outputs to the end.
inline ProcessOutcome RunProcess(const std::string& program, const std::vector<std::string>& arguments) {
    std::array<int, 2> outPipe{};
    std::array<int, 2> errPipe{};
    if (::pipe(outPipe.data()) != 0 || ::pipe(errPipe.data()) != 0) {
        throw std::runtime_error("cannot make pipes");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    for (const int end : {outPipe[0], outPipe[1], errPipe[0], errPipe[1]}) {
        posix_spawn_file_actions_addclose(&actions, end);
    }
    const pid_t child = Spawn(program, arguments, actions);
    posix_spawn_file_actions_destroy(&actions);
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    if (child < 0) {
        ::close(outPipe[0]);
        ::close(errPipe[0]);
        throw std::runtime_error("cannot start " + program);
    }

    ProcessOutcome outcome;
    std::array<pollfd, 2> ends{pollfd{outPipe[0], POLLIN, 0}, pollfd{errPipe[0], POLLIN, 0}};
    ReadToTheEnd(ends, {&outcome.Out, &outcome.Err});
    int status = 0;
    ::waitpid(child, &status, 0);
    outcome.ExitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

/// Starts `program` with `arguments` as a child process whose input and
/// outputs are /dev/null, and answers its process id without waiting.
inline pid_t StartProcess(const std::string& program, const std::vector<std::string>& arguments) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const pid_t child = Spawn(program, arguments, actions);
    posix_spawn_file_actions_destroy(&actions);
    if (child < 0) {
        throw std::runtime_error("cannot start " + program);
    }
    return child;
}

/// Runs korvani-pitch, the program these tests are about.
inline ProcessOutcome RunPitch(const std::vector<std::string>& arguments) {
    return RunProcess(KORVANI_PITCH_PATH, arguments);
}

/// The lines of `text`, without their line ends.
inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::string::size_type begin = 0;
    while (begin < text.size()) {
        const auto end = text.find('\n', begin);
        lines.push_back(text.substr(begin, end == std::string::npos ? std::string::npos : end - begin));
        if (end == std::string::npos) {
            break;
        }
        begin = end + 1;
    }
    return lines;
}

}  // namespace clitest
