// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tests/support/RiffBuilder.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace fixtures {

/// A fresh folder for one test's files, removed with everything in it when
/// dropped. Readable and searchable by every user, so that a test acting as an
/// ordinary user (ScopedOrdinaryUser) still reaches the files in it.
class TempDir {
public:
    TempDir() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/korvani-test-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot make a temporary folder from " + pattern);
        }
        path_ = pattern;
        ::chmod(path_.c_str(), 0755);
    }

    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }

    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    /// Answers the folder's path.
    const std::string& Path() const { return path_; }

    /// Answers the path of `name` in the folder (the file need not exist).
    std::string PathOf(std::string_view name) const { return path_ + "/" + std::string(name); }

    /// Writes `bytes` to the file `name` in the folder and answers its path.
    std::string Write(std::string_view name, const Bytes& bytes) const {
        const std::string path = PathOf(name);
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            throw std::runtime_error("cannot write " + path);
        }
        return path;
    }

private:
    std::string path_;
};

/// The names in `folder`, sorted: what a test compares before and after to
/// see that nothing was added or left behind.
inline std::vector<std::string> Listing(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

/// Answers the whole contents of the file at `path`; empty when it cannot be read.
inline Bytes ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace fixtures
