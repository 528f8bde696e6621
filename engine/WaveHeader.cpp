// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/WaveHeader.h"

#include "engine/FormatChunk.h"
#include "platform/RegularFile.h"
#include "platform/SampleFormat.h"

#include <fcntl.h>
#include <sys/stat.h>

bool WaveHeader::ReadByKorvani() const {
    if (Container != WaveContainer::Riff) {
        return false;
    }
    if (!HasFormat || !HasData || !IsUsableFormatChunk(FormatBytes.data(), FormatSize, kLoadedFormatBytes)) {
        return true;
    }
    const platform::FormatFacts format = Format();
    const std::uint32_t bits = ResolutionFromByteRate(format.byteRate, format.sampleRate, format.channels);
    return format.IsPcm() && platform::IsSupportedResolution(bits);
}

std::optional<WaveHeader> ReadWaveHeader(const std::string& path) {
    const platform::FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat status {};
    if (!file.IsOpen() || ::fstat(file.Get(), &status) != 0) {
        return std::nullopt;
    }
    const auto layout =
        platform::ReadWaveLayout(platform::ReadAtDescriptor(file.Get()), static_cast<std::uint64_t>(status.st_size));
    if (!layout) {
        return std::nullopt;
    }
    return WaveHeader{*layout};
}
