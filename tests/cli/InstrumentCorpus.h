#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace clitest {

// The instrument notes korvani-pitch --auto is measured on: one note per file,
// every semitone from C (MIDI 36, 65.4 Hz) to c4 (MIDI 96, 2093 Hz), played by
// General MIDI programs that Debian's freepats set provides, rendered by
// timidity at two sample rates. The program numbers are those of freepats.cfg.
//
// freepats' Church Organ (19) is left out on purpose: its samples sound a
// 16-foot register, a complete harmonic series on half the key's frequency
// (partials 1, 3, 5 ... of that series at -8 to -15 dB), so the key's note is
// not the fundamental of what sounds; which octave a listener names is a
// matter of taste. The Hammond organ (16) stands for the organs.

struct Instrument {
    int Program;       ///< General MIDI program, 0-based
    const char* Name;  ///< a test name: letters, digits and underscores
};

inline constexpr std::array<Instrument, 14> kInstruments = {{
    {0, "AcousticGrandPiano"},
    {16, "HammondOrgan"},
    {21, "Accordion"},
    {24, "NylonGuitar"},
    {25, "SteelGuitar"},
    {40, "Violin"},
    {42, "Cello"},
    {46, "Harp"},
    {48, "StringEnsemble"},
    {56, "Trumpet"},
    {65, "AltoSax"},
    {68, "Oboe"},
    {71, "Clarinet"},
    {73, "Flute"},
}};

inline constexpr int kLowestNote = 36;   ///< C, 65.4 Hz
inline constexpr int kHighestNote = 96;  ///< c4, 2093 Hz

inline constexpr std::array<std::uint32_t, 2> kCorpusRates = {44100, 22050};

/// The file a note is rendered to, relative to the corpus folder.
inline std::string CorpusFile(std::uint32_t rate, int program, int note)
{
    return std::to_string(rate) + "/p" + std::to_string(program) + "_n" + std::to_string(note) + ".wav";
}

}  // namespace clitest
