// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tests/support/RiffBuilder.h"

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>

namespace bench {

/// A benchmark's WAV file in the temporary folder ($TMPDIR, else /tmp): a
/// canonical PCM header for `dataBytes` bytes of samples, which the caller
/// appends to Stream(). Removed when it ends.
class TemporaryWave {
public:
    TemporaryWave(const char* stem, const fixtures::FmtFields& format, std::uint32_t dataBytes) {
        const char* base = std::getenv("TMPDIR");
        path_ = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/" + stem + "-XXXXXX.wav";
        const int descriptor = ::mkstemps(path_.data(), 4);
        if (descriptor < 0) {
            throw std::runtime_error("cannot create " + path_);
        }
        ::close(descriptor);
        const fixtures::Bytes header = fixtures::RiffBuilder()
                                           .Fmt(format)
                                           .ChunkClaiming("data", {}, dataBytes)
                                           .ClaimRiffSize(4 + 24 + 8 + dataBytes)
                                           .Build();
        out_.open(path_, std::ios::binary | std::ios::trunc);
        out_.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
        size_ = header.size() + std::uint64_t{dataBytes};
    }
    ~TemporaryWave() { ::unlink(path_.c_str()); }
    TemporaryWave(const TemporaryWave&) = delete;
    TemporaryWave& operator=(const TemporaryWave&) = delete;

    /// Where the samples go, after the header.
    std::ofstream& Stream() { return out_; }

    /// Closes the file once the samples are written; throws when a write failed.
    void Finish() {
        out_.close();
        if (!out_) {
            throw std::runtime_error("cannot write " + path_);
        }
    }

    const std::string& Path() const { return path_; }
    std::uint64_t Size() const { return size_; }

private:
    std::string path_;
    std::ofstream out_;
    std::uint64_t size_ = 0;
};

}  // namespace bench
