// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the seed corpus of fuzz_wave into the folder given as the only
// argument: small WAV files of each kind the loader meets, good and bad, so
// that the fuzzer starts from every branch of the load.

#include "tests/support/RiffBuilder.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using fixtures::Bytes;
using fixtures::FmtFields;
using fixtures::Pattern;
using fixtures::PcmWave;
using fixtures::RiffBuilder;

std::vector<std::pair<const char*, Bytes>> Seeds() {
    Bytes extensible = FmtFields::Pcm(2, 48000, 16).Encode();
    extensible.insert(extensible.end(), {22, 0});
    extensible.insert(extensible.end(), 22, 0);
    FmtFields wrapped = FmtFields::Pcm(1, 44100, 16);
    wrapped.byteRate = 0x40000001U;
    FmtFields deep = FmtFields::Pcm(1, 44100, 16);
    deep.byteRate = 44100 * 3;
    return {
        {"mono-44100-16.wav", PcmWave(1, 44100, 16, Pattern(400, 1))},
        {"mono-11025-8.wav", PcmWave(1, 11025, 8, Pattern(300, 2))},
        {"stereo-22050-16.wav", PcmWave(2, 22050, 16, Pattern(256, 3))},
        {"mono-8000-8-odd.wav", PcmWave(1, 8000, 8, Pattern(77, 4))},
        {"extensible-48000.wav", RiffBuilder().Chunk("fmt ", extensible).Data(Pattern(128, 5)).Build()},
        {"chunks-around.wav", RiffBuilder()
                                  .Chunk("JUNK", Bytes(3, 0))
                                  .Fmt(FmtFields::Pcm(1, 16000, 16))
                                  .Chunk("LIST", Bytes(9, 'x'))
                                  .Data(Pattern(64, 6))
                                  .Build()},
        {"data-before-fmt.wav", RiffBuilder().Data(Pattern(32, 7)).Fmt(FmtFields::Pcm(1, 44100, 16)).Build()},
        {"empty-data.wav", PcmWave(1, 44100, 16, Bytes{})},
        {"riff-size-all-ones.wav",
         RiffBuilder().Fmt(FmtFields::Pcm(1, 44100, 16)).Data(Pattern(40, 8)).ClaimRiffSize(0xFFFFFFFFU).Build()},
        {"data-claims-more.wav",
         RiffBuilder().Fmt(FmtFields::Pcm(1, 44100, 16)).ChunkClaiming("data", Pattern(20, 9), 0x80000000U).Build()},
        {"short-fmt.wav", RiffBuilder().Chunk("fmt ", Bytes(10, 1)).Data(Pattern(16, 10)).Build()},
        {"resolution-0.wav", RiffBuilder().Fmt(wrapped).Data(Pattern(16, 11)).Build()},
        {"resolution-24.wav", RiffBuilder().Fmt(deep).Data(Pattern(48, 12)).Build()},
        {"other-form.wav", RiffBuilder("AVI ").Fmt(FmtFields::Pcm(1, 44100, 16)).Data(Pattern(8, 13)).Build()},
    };
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    for (const auto& [name, bytes] : Seeds()) {
        std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::fprintf(stderr, "cannot write %s\n", (folder / name).c_str());
            return 1;
        }
    }
    return 0;
}
