// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: any bytes, taken as a WAV file, go through the whole
// engine: the load (chunks, boxes), the analysis set-up and spectrum, the
// close, and the sample-rate rewrite into a copy; and through the sound
// service's reader, which decides what can be played, to its last frame. Whatever the bytes, the
// engine must answer with its messages: no crash, no leak, no access out of
// bounds, no endless loop, no allocation of a size the file merely claims.

#include "engine/SampleRateRewrite.h"
#include "engine/WaveData.h"

#include "platform/WavSource.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Caps the analysis buffers: a header may name a rate whose transform is
// gigabytes large, which is a refusal to test, not memory to spend.
constexpr std::size_t kAnalysisLimitBytes = std::size_t{64} << 20;

// Reads every frame the sound service would play, as playing the file would.
void ReadAsPlayed(const char* path) {
    const std::unique_ptr<platform::WavSource> source = platform::WavSource::Open(path);
    if (source == nullptr) {
        return;
    }
    std::vector<std::byte> piece(source->WholeFrameBytes(4096));
    while (source->ReadFrames(piece) != 0) {
    }
}

// Reads every message as a user would, so that a text built from bad memory shows up.
class ReadingReporter final : public TWaveReporter {
public:
    void Report(std::string_view text, const char* caption) override {
        for (const char c : text) {
            checksum += static_cast<unsigned char>(c);
        }
        if (caption != nullptr) {
            checksum += std::string_view(caption).size();
        }
    }

    std::size_t checksum = 0;
};

// A file in memory with a path that the platform opens like any regular file.
class MemoryFile {
public:
    explicit MemoryFile(const char* name) : descriptor_(::memfd_create(name, MFD_CLOEXEC)) {
        if (descriptor_ < 0) {
            std::abort();
        }
        path_ = "/proc/self/fd/" + std::to_string(descriptor_);
    }

    // Makes the file hold exactly `size` bytes from `data`.
    void Fill(const std::uint8_t* data, std::size_t size) const {
        if (::ftruncate(descriptor_, 0) != 0 ||
            (size != 0 && ::pwrite(descriptor_, data, size, 0) != static_cast<ssize_t>(size))) {
            std::abort();
        }
    }

    const std::string& Path() const { return path_; }

private:
    int descriptor_;
    std::string path_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const MemoryFile source("source.wav");
    static const MemoryFile copy("copy.wav");

    source.Fill(data, size);
    copy.Fill(nullptr, 0);
    ReadAsPlayed(source.Path().c_str());
    ReadingReporter reporter;
    {
        TWaveData wave(kAnalysisLimitBytes);
        TFirstSampleStart fromTheStart;
        if (wave.Open(source.Path(), fromTheStart, reporter)) {
            wave.Close(reporter);
        }
    }
    RewriteSampleRate(
        source.Path(), copy.Path(), [] { return 48000U; }, reporter);
    return 0;
}
