// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ExecutablePath.h"

#include <unistd.h>

#include <vector>

namespace platform {

std::string GetModuleFileName() {
    // readlink does not say how long the path is: grow until it fits.
    for (std::size_t capacity = 256; capacity <= (std::size_t{1} << 16); capacity *= 2) {
        std::vector<char> buffer(capacity);
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) {
            return {};
        }
        if (static_cast<std::size_t>(length) < buffer.size()) {
            return std::string(buffer.data(), static_cast<std::size_t>(length));
        }
    }
    return {};
}

}  // namespace platform
