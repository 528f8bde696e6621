// Writes the one-note MIDI files of the instrument corpus into a folder:
// p<program>_n<note>.mid for every instrument and note of InstrumentCorpus.h.
// timidity renders them to WAV files beside them (render-corpus.sh).

#include "InstrumentCorpus.h"

#include <cstdint>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// A MIDI variable-length quantity: seven bits a byte, high bit set on all but the last.
void AppendVariableLength(Bytes& bytes, std::uint32_t value)
{
    Bytes reversed{static_cast<std::uint8_t>(value & 0x7F)};
    while ((value >>= 7) != 0) {
        reversed.push_back(static_cast<std::uint8_t>(0x80 | (value & 0x7F)));
    }
    bytes.insert(bytes.end(), reversed.rbegin(), reversed.rend());
}

void AppendBigEndian(Bytes& bytes, std::uint32_t value, int byteCount)
{
    for (int shift = 8 * (byteCount - 1); shift >= 0; shift -= 8) {
        bytes.push_back(static_cast<std::uint8_t>((value >> shift) & 0xFF));
    }
}

// A format-0 file at 480 ticks a quarter note (default tempo 120: 480 ticks
// are half a second): the program, then the note held 1.5 s at velocity 100,
// then half a second for the release.
Bytes OneNoteFile(int program, int note)
{
    constexpr std::uint32_t kHeldTicks = 1440;
    constexpr std::uint32_t kReleaseTicks = 480;
    Bytes track;
    AppendVariableLength(track, 0);
    track.insert(track.end(), {0xC0, static_cast<std::uint8_t>(program)});
    AppendVariableLength(track, 0);
    track.insert(track.end(), {0x90, static_cast<std::uint8_t>(note), 100});
    AppendVariableLength(track, kHeldTicks);
    track.insert(track.end(), {0x80, static_cast<std::uint8_t>(note), 0});
    AppendVariableLength(track, kReleaseTicks);
    track.insert(track.end(), {0xFF, 0x2F, 0x00});

    Bytes file{'M', 'T', 'h', 'd'};
    AppendBigEndian(file, 6, 4);
    AppendBigEndian(file, 0, 2);    // format 0
    AppendBigEndian(file, 1, 2);    // one track
    AppendBigEndian(file, 480, 2);  // ticks per quarter note
    file.insert(file.end(), {'M', 'T', 'r', 'k'});
    AppendBigEndian(file, static_cast<std::uint32_t>(track.size()), 4);
    file.insert(file.end(), track.begin(), track.end());
    return file;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: " << argv[0] << " FOLDER\n";
        return 2;
    }
    for (const clitest::Instrument& instrument : clitest::kInstruments) {
        for (int note = clitest::kLowestNote; note <= clitest::kHighestNote; ++note) {
            const std::string path = std::string(argv[1]) + "/p" + std::to_string(instrument.Program) + "_n" +
                                     std::to_string(note) + ".mid";
            const Bytes bytes = OneNoteFile(instrument.Program, note);
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
            if (!out) {
                std::cerr << "cannot write " << path << '\n';
                return 1;
            }
        }
    }
    return 0;
}
