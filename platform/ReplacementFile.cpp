// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ReplacementFile.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <pthread.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <memory>
#include <mutex>
#include <random>
#include <set>
#include <thread>

namespace platform {
namespace {

// The temporary files that exist and are not yet committed, for the removal
// on a signal. Never destroyed: a signal may come while the process exits.
struct PendingFiles {
    std::mutex mutex;
    std::set<std::string> paths;
};

PendingFiles& Pending() {
    static auto* pending = new PendingFiles;
    return *pending;
}

// The process's file-creation mask, read without changing it (umask() would
// change it for every thread for a moment).
mode_t CurrentUmask() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "Umask:") {
            unsigned mask = 022;
            status >> std::oct >> mask;
            return static_cast<mode_t>(mask & 0777);
        }
        status.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
    }
    return 022;
}

// The target as the rename has to meet it: a symbolic link stays a link and
// the file it names is replaced.
std::string ResolvedTarget(const std::string& target) {
    struct stat status {};
    if (::lstat(target.c_str(), &status) == 0 && S_ISLNK(status.st_mode)) {
        const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(target.c_str(), nullptr), &std::free);
        if (resolved != nullptr) {
            return resolved.get();
        }
    }
    return target;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

ReplacementFile::~ReplacementFile() {
    if (!path_.empty()) {
        const std::lock_guard lock(Pending().mutex);
        ::unlink(path_.c_str());
        Pending().paths.erase(path_);
    }
}

int ReplacementFile::Create(const std::string& target) {
    target_ = ResolvedTarget(target);
    const std::string folder = FolderOf(target_);
    static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device seed;
    std::mt19937 random(seed());
    std::uniform_int_distribution<std::size_t> letter(0, sizeof kLetters - 2);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = (folder == "/" ? "" : folder) + "/.korvani-";
        for (int i = 0; i < 6; ++i) {
            name += kLetters[letter(random)];
        }
        // Recorded and made under one lock: the removal on a signal sees
        // every file that exists.
        const std::lock_guard lock(Pending().mutex);
        const auto [recorded, inserted] = Pending().paths.insert(name);
        const int descriptor = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600);
        if (descriptor >= 0) {
            path_ = name;
            descriptor_ = FileDescriptor(descriptor);
            return 0;
        }
        const int failure = errno;
        if (inserted) {
            Pending().paths.erase(recorded);
        }
        if (failure != EEXIST) {
            return failure;
        }
    }
    return EEXIST;
}

std::string ReplacementFile::ShortPath() const {
    if (path_.size() <= kMaxPathBytes) {
        return path_;
    }
    const std::string entry = "/proc/self/fd/" + std::to_string(descriptor_.Get());
    struct stat status {};
    return ::stat(entry.c_str(), &status) == 0 ? entry : path_;
}

int ReplacementFile::Commit() {
    struct stat existing {};
    const mode_t mode = ::stat(target_.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : (0666 & ~CurrentUmask());
    if (::fchmod(descriptor_.Get(), mode) != 0 || ::fsync(descriptor_.Get()) != 0) {
        return errno;
    }
    if (!descriptor_.Close()) {
        return errno != 0 ? errno : EIO;
    }
    {
        const std::lock_guard lock(Pending().mutex);
        if (::rename(path_.c_str(), target_.c_str()) != 0) {
            return errno;
        }
        Pending().paths.erase(path_);
        path_.clear();
    }
    // The new name itself lives in the folder: flush it too (best effort; not
    // every file system lets a folder be synced).
    const FileDescriptor folder(::open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.IsOpen()) {
        ::fsync(folder.Get());
    }
    return 0;
}

namespace {

// Waits for one of `signals` (blocked in every thread), removes the pending
// files and ends the process by that signal. Keeps the lock: no file is made
// or renamed any more.
void RemoveFilesOnSignal(sigset_t signals) {
    int signal = 0;
    while (::sigwait(&signals, &signal) != 0) {
    }
    Pending().mutex.lock();
    for (const std::string& path : Pending().paths) {
        ::unlink(path.c_str());
    }
    // The default action ends the process with the status a caller expects.
    ::signal(signal, SIG_DFL);
    ::raise(signal);
    sigset_t raised;
    sigemptyset(&raised);
    sigaddset(&raised, signal);
    ::pthread_sigmask(SIG_UNBLOCK, &raised, nullptr);
    ::_exit(128 + signal);
}

}  // namespace

void RemoveReplacementFilesOnInterrupt() {
    sigset_t signals;
    sigemptyset(&signals);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        // A signal the caller ignores (nohup, a background job) stays ignored.
        struct sigaction current {};
        if (::sigaction(signal, nullptr, &current) == 0 && current.sa_handler != SIG_IGN) {
            sigaddset(&signals, signal);
        }
    }
    ::pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::thread(RemoveFilesOnSignal, signals).detach();
}

}  // namespace platform
