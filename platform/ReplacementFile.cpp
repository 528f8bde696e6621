#include "platform/ReplacementFile.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <memory>
#include <random>

namespace platform {
namespace {

// The temporary files a signal handler has to remove. A slot is free, being
// filled or being emptied (kBusy), or holds a pending path (kPending); the
// handler reads only pending slots.
constexpr int kFree = 0;
constexpr int kBusy = 1;
constexpr int kPending = 2;

struct PendingSlot {
    std::atomic<int> state{kFree};
    std::array<char, PATH_MAX> path{};
};

std::array<PendingSlot, 64> pendingSlots;

int ClaimSlot(const std::string& path) {
    if (path.size() >= PATH_MAX) {
        return -1;
    }
    for (std::size_t i = 0; i < pendingSlots.size(); ++i) {
        int expected = kFree;
        if (pendingSlots[i].state.compare_exchange_strong(expected, kBusy)) {
            std::memcpy(pendingSlots[i].path.data(), path.c_str(), path.size() + 1);
            pendingSlots[i].state.store(kPending);
            return static_cast<int>(i);
        }
    }
    return -1;  // more files at once than slots: these are not removed on a signal
}

void ReleaseSlot(int slot) {
    if (slot >= 0) {
        pendingSlots[static_cast<std::size_t>(slot)].state.store(kFree);
    }
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
        ::unlink(path_.c_str());
        Forget();
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
        // The name is pending before the file exists, so that no moment passes
        // in which a signal would leave the file behind.
        slot_ = ClaimSlot(name);
        const int descriptor = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600);
        if (descriptor >= 0) {
            path_ = name;
            descriptor_ = FileDescriptor(descriptor);
            return 0;
        }
        const int failure = errno;
        ReleaseSlot(slot_);
        slot_ = -1;
        if (failure != EEXIST) {
            return failure;
        }
    }
    return EEXIST;
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
    if (::rename(path_.c_str(), target_.c_str()) != 0) {
        return errno;
    }
    // The new name itself lives in the folder: flush it too (best effort; not
    // every file system lets a folder be synced).
    const FileDescriptor folder(::open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.IsOpen()) {
        ::fsync(folder.Get());
    }
    Forget();
    return 0;
}

void ReplacementFile::Forget() {
    path_.clear();
    ReleaseSlot(slot_);
    slot_ = -1;
}

void RemovePendingReplacementFiles() noexcept {
    for (PendingSlot& slot : pendingSlots) {
        if (slot.state.load() == kPending) {
            ::unlink(slot.path.data());
        }
    }
}

namespace {

extern "C" void RemoveFilesAndEnd(int signal) {
    RemovePendingReplacementFiles();
    // SA_RESETHAND restored the default action: the signal now ends the
    // process as it would have, with the status a caller expects.
    ::raise(signal);
}

}  // namespace

void RemoveReplacementFilesOnInterrupt() {
    struct sigaction action {};
    action.sa_handler = RemoveFilesAndEnd;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        ::sigaction(signal, &action, nullptr);
    }
}

}  // namespace platform
