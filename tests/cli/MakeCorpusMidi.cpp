// SPDX-License-Identifier: GPL-3.0-or-later
// The MIDI side of the instrument corpus (InstrumentCorpus.h, render-corpus.sh):
// writes one-note MIDI files p<program>_n<note>.mid for timidity, or one MIDI
// file of all notes in slots for fluidsynth, and cuts fluidsynth's rendering
// of it into one WAV file a note.

#include "tests/cli/InstrumentCorpus.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// A MIDI variable-length quantity: seven bits a byte, high bit set on all but the last.
void AppendVariableLength(Bytes& bytes, std::uint32_t value) {
    Bytes reversed{static_cast<std::uint8_t>(value & 0x7F)};
    while ((value >>= 7) != 0) {
        reversed.push_back(static_cast<std::uint8_t>(0x80 | (value & 0x7F)));
    }
    bytes.insert(bytes.end(), reversed.rbegin(), reversed.rend());
}

void AppendBigEndian(Bytes& bytes, std::uint32_t value, int byteCount) {
    for (int shift = 8 * (byteCount - 1); shift >= 0; shift -= 8) {
        bytes.push_back(static_cast<std::uint8_t>((value >> shift) & 0xFF));
    }
}

// A format-0 file at 480 ticks a quarter note (default tempo 120: 960 ticks
// a second) of `notes` (program, note) one after another, each in its own
// slot of `slotTicks`: the program, then the key held `heldTicks` at velocity
// 100, then silence to the end of the slot.
Bytes NoteSequenceFile(const std::vector<std::pair<int, int>>& notes, std::uint32_t heldTicks,
                       std::uint32_t slotTicks) {
    Bytes track;
    for (const auto& [program, note] : notes) {
        AppendVariableLength(track, 0);
        track.insert(track.end(), {0xC0, static_cast<std::uint8_t>(program)});
        AppendVariableLength(track, 0);
        track.insert(track.end(), {0x90, static_cast<std::uint8_t>(note), 100});
        AppendVariableLength(track, heldTicks);
        track.insert(track.end(), {0x80, static_cast<std::uint8_t>(note), 0});
        // An empty text event ends the slot: it only keeps the time.
        AppendVariableLength(track, slotTicks - heldTicks);
        track.insert(track.end(), {0xFF, 0x01, 0x00});
    }
    AppendVariableLength(track, 0);
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

constexpr double kTicksPerSecond = 960.0;

bool WriteFile(const std::string& path, const char* bytes, std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes, static_cast<std::streamsize>(size));
    if (!out) {
        std::cerr << "cannot write " << path << '\n';
    }
    return static_cast<bool>(out);
}

// The (program, note) pairs of a rendering's sample, in sequence order.
std::vector<std::pair<int, int>> SampledNotes(const clitest::Rendering& rendering, int step) {
    std::vector<std::pair<int, int>> notes;
    int index = 0;
    for (const clitest::Instrument& instrument : rendering.Instruments) {
        for (int note = instrument.Lowest; note <= instrument.Highest; ++note) {
            if (clitest::InSample(index++, step)) {
                notes.emplace_back(instrument.Program, note);
            }
        }
    }
    return notes;
}

const clitest::Rendering* FindRendering(const std::string& name) {
    for (const clitest::Rendering& rendering : clitest::kRenderings) {
        if (name == rendering.Name) {
            return &rendering;
        }
    }
    std::cerr << "no rendering " << name << '\n';
    return nullptr;
}

std::uint32_t ReadLe(const std::vector<char>& bytes, std::size_t at, int count) {
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) {
        value = value << 8 | static_cast<std::uint8_t>(bytes[at + static_cast<std::size_t>(i)]);
    }
    return value;
}

void AppendLe(std::vector<char>& bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

// Cuts the rendered sequence `wav` into one file a note in `folder`, the
// first kCutSeconds of each slot, with the sequence's own "fmt " chunk.
int CutSequence(const clitest::Rendering& rendering, const std::string& wav, const std::string& folder, int step) {
    std::ifstream in(wav, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<char> format;
    std::size_t dataAt = 0;
    std::size_t dataSize = 0;
    for (std::size_t at = 12; at + 8 <= bytes.size();) {
        const std::string id(bytes.data() + at, 4);
        const std::size_t size = ReadLe(bytes, at + 4, 4);
        if (id == "fmt ") {
            format.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                          bytes.begin() + static_cast<std::ptrdiff_t>(at + 8 + size));
        } else if (id == "data") {
            dataAt = at + 8;
            dataSize = std::min(size, bytes.size() - dataAt);
            break;
        }
        at += 8 + size + size % 2;
    }
    if (format.size() < 24 || dataAt == 0) {
        std::cerr << wav << ": no PCM WAV file\n";
        return 1;
    }
    const std::size_t frameBytes = ReadLe(format, 8 + 12, 2);
    const auto slotFrames = static_cast<std::size_t>(clitest::kSlotSeconds * rendering.Rate);
    const auto cutFrames = static_cast<std::size_t>(clitest::kCutSeconds * rendering.Rate);
    std::size_t slot = 0;
    for (const auto& [program, note] : SampledNotes(rendering, step)) {
        const std::size_t from = slot++ * slotFrames * frameBytes;
        if (from + cutFrames * frameBytes > dataSize) {
            std::cerr << wav << ": the sequence ends before note " << note << " of program " << program << '\n';
            return 1;
        }
        std::vector<char> file{'R', 'I', 'F', 'F'};
        AppendLe(file, static_cast<std::uint32_t>(4 + format.size() + 8 + cutFrames * frameBytes));
        file.insert(file.end(), {'W', 'A', 'V', 'E'});
        file.insert(file.end(), format.begin(), format.end());
        file.insert(file.end(), {'d', 'a', 't', 'a'});
        AppendLe(file, static_cast<std::uint32_t>(cutFrames * frameBytes));
        const auto first = bytes.begin() + static_cast<std::ptrdiff_t>(dataAt + from);
        file.insert(file.end(), first, first + static_cast<std::ptrdiff_t>(cutFrames * frameBytes));
        const std::string path = folder + "/p" + std::to_string(program) + "_n" + std::to_string(note) + ".wav";
        if (!WriteFile(path, file.data(), file.size())) {
            return 1;
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const auto usage = [&argv] {
        std::cerr << "usage: " << argv[0] << " notes RENDERING FOLDER STEP\n"
                  << "       " << argv[0] << " sequence RENDERING FILE.mid STEP\n"
                  << "       " << argv[0] << " cut RENDERING SEQUENCE.wav FOLDER STEP\n";
        return 2;
    };
    if (arguments.size() < 4) {
        return usage();
    }
    const clitest::Rendering* rendering = FindRendering(arguments[1]);
    const int step = std::max(1, std::atoi(arguments.back().c_str()));
    if (rendering == nullptr) {
        return 2;
    }
    const auto held = static_cast<std::uint32_t>(clitest::kHeldSeconds * kTicksPerSecond);
    if (arguments[0] == "notes" && arguments.size() == 4) {
        // One file a note: 1.5 s held, then half a second for the release.
        for (const auto& note : SampledNotes(*rendering, step)) {
            const Bytes bytes = NoteSequenceFile({note}, held, held + 480);
            const std::string path =
                arguments[2] + "/p" + std::to_string(note.first) + "_n" + std::to_string(note.second) + ".mid";
            if (!WriteFile(path, reinterpret_cast<const char*>(bytes.data()), bytes.size())) {
                return 1;
            }
        }
        return 0;
    }
    if (arguments[0] == "sequence" && arguments.size() == 4) {
        const Bytes bytes = NoteSequenceFile(SampledNotes(*rendering, step), held,
                                             static_cast<std::uint32_t>(clitest::kSlotSeconds * kTicksPerSecond));
        return WriteFile(arguments[2], reinterpret_cast<const char*>(bytes.data()), bytes.size()) ? 0 : 1;
    }
    if (arguments[0] == "cut" && arguments.size() == 5) {
        return CutSequence(*rendering, arguments[2], arguments[3], step);
    }
    return usage();
}
