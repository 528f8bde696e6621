// SPDX-License-Identifier: GPL-3.0-or-later
// A disk that fails as real ones do, for a program run with this library in
// LD_PRELOAD. KORVANI_FAULTY_DISK chooses the fault:
//   fsync       every fsync of a regular file fails with EIO (a device that
//               refuses the write-back of what the cache took)
//   short-copy  copy_file_range reports the source's end one byte early (a
//               file system whose kernel copy stops short)
// Anything else, or nothing, leaves both calls as the C library has them.
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

bool Armed(const char* fault) {
    const char* chosen = std::getenv("KORVANI_FAULTY_DISK");
    return chosen != nullptr && std::strcmp(chosen, fault) == 0;
}

template <typename Function>
Function Real(const char* name) {
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" int fsync(int descriptor) {
    struct stat status {};
    if (Armed("fsync") && ::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode)) {
        errno = EIO;
        return -1;
    }
    static const auto real = Real<int (*)(int)>("fsync");
    return real(descriptor);
}

extern "C" ssize_t copy_file_range(int in, off64_t* inOffset, int out, off64_t* outOffset, size_t length,
                                   unsigned flags) {
    static const auto real = Real<ssize_t (*)(int, off64_t*, int, off64_t*, size_t, unsigned)>("copy_file_range");
    struct stat status {};
    if (Armed("short-copy") && inOffset != nullptr && ::fstat(in, &status) == 0) {
        const off64_t stop = status.st_size - 1;
        if (*inOffset >= stop) {
            return 0;
        }
        length = std::min<size_t>(length, static_cast<size_t>(stop - *inOffset));
    }
    return real(in, inOffset, out, outOffset, length, flags);
}
