// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace clitest {

// The instrument notes korvani-pitch --auto is measured on, one note a file,
// named as the key played (the note whose frequency the MIDI number gives):
//
// - timidity with Debian's freepats, 16-bit mono, every semitone from C (MIDI
//   36, 65.4 Hz) to c4 (MIDI 96, 2093 Hz) at 44100 and 22050 Hz, one file a
//   note (render-corpus.sh);
// - fluidsynth with the General MIDI banks TimGM6mb (48000 Hz) and MuseScore
//   General Lite (44100 Hz), 16-bit stereo as fluidsynth renders, reverb and
//   chorus as it sets them, each instrument over its usual range: all notes
//   of one bank rendered as one sequence, one slot each, and cut into files.
//
// freepats' Church Organ (19) is left out on purpose: its samples sound a
// 16-foot register, a complete harmonic series on half the key's frequency
// whose own fundamental is often weak, so whether a key sounds at its own
// note or an octave below is more than a level measurement can say. The
// General MIDI banks' organs are kept; their samples add ranks an octave or
// two below the key on some keys and not on others, so the note an organ key
// sounds is measured on its file (InstrumentCorpusTest.cpp).

struct Instrument {
    int Program;         ///< General MIDI program, 0-based
    const char* Name;    ///< letters, digits and underscores
    const char* Family;  ///< organ, piano, plucked, bowed, brass, reed, flute, mallet, voice
    int Lowest;          ///< lowest MIDI note played
    int Highest;         ///< highest MIDI note played
};

inline constexpr std::array<Instrument, 14> kFreepatsInstruments = {{
    {0, "AcousticGrandPiano", "piano", 36, 96},
    {16, "HammondOrgan", "organ", 36, 96},
    {21, "Accordion", "reed", 36, 96},
    {24, "NylonGuitar", "plucked", 36, 96},
    {25, "SteelGuitar", "plucked", 36, 96},
    {40, "Violin", "bowed", 36, 96},
    {42, "Cello", "bowed", 36, 96},
    {46, "Harp", "plucked", 36, 96},
    {48, "StringEnsemble", "bowed", 36, 96},
    {56, "Trumpet", "brass", 36, 96},
    {65, "AltoSax", "reed", 36, 96},
    {68, "Oboe", "reed", 36, 96},
    {71, "Clarinet", "reed", 36, 96},
    {73, "Flute", "flute", 36, 96},
}};

// Usual ranges, within the notes korvani names (C, 65.4 Hz, and up).
inline constexpr std::array<Instrument, 40> kGeneralMidiInstruments = {{
    {16, "DrawbarOrgan", "organ", 36, 96},
    {17, "PercussiveOrgan", "organ", 36, 96},
    {18, "RockOrgan", "organ", 36, 96},
    {19, "ChurchOrgan", "organ", 36, 96},
    {20, "ReedOrgan", "organ", 36, 96},
    {0, "AcousticGrandPiano", "piano", 36, 96},
    {1, "BrightPiano", "piano", 36, 96},
    {4, "ElectricPiano", "piano", 36, 96},
    {6, "Harpsichord", "piano", 36, 89},
    {24, "NylonGuitar", "plucked", 40, 84},
    {25, "SteelGuitar", "plucked", 40, 84},
    {27, "CleanGuitar", "plucked", 40, 86},
    {33, "FingeredBass", "plucked", 36, 60},
    {46, "Harp", "plucked", 36, 96},
    {105, "Banjo", "plucked", 48, 84},
    {40, "Violin", "bowed", 55, 96},
    {41, "Viola", "bowed", 48, 88},
    {42, "Cello", "bowed", 36, 76},
    {43, "Contrabass", "bowed", 36, 60},
    {48, "StringEnsemble", "bowed", 36, 96},
    {56, "Trumpet", "brass", 54, 86},
    {57, "Trombone", "brass", 40, 72},
    {58, "Tuba", "brass", 36, 58},
    {60, "FrenchHorn", "brass", 36, 77},
    {21, "Accordion", "reed", 41, 89},
    {64, "SopranoSax", "reed", 56, 87},
    {65, "AltoSax", "reed", 49, 81},
    {66, "TenorSax", "reed", 44, 76},
    {68, "Oboe", "reed", 58, 91},
    {70, "Bassoon", "reed", 36, 72},
    {71, "Clarinet", "reed", 50, 91},
    {73, "Flute", "flute", 60, 96},
    {74, "Recorder", "flute", 60, 96},
    {75, "PanFlute", "flute", 60, 96},
    {11, "Vibraphone", "mallet", 53, 89},
    {12, "Marimba", "mallet", 45, 96},
    {13, "Xylophone", "mallet", 65, 96},
    {8, "Celesta", "mallet", 60, 96},
    {52, "ChoirAahs", "voice", 48, 79},
    {53, "VoiceOohs", "voice", 48, 79},
}};

/// One rendering of a set of instruments: where its files lie under the
/// corpus folder and at which rate.
struct Rendering {
    const char* Name;  ///< the folder below the corpus folder
    std::uint32_t Rate;
    std::span<const Instrument> Instruments;
};

inline const std::array<Rendering, 4> kRenderings = {{
    {"freepats-44100", 44100, kFreepatsInstruments},
    {"freepats-22050", 22050, kFreepatsInstruments},
    {"timgm6mb-48000", 48000, kGeneralMidiInstruments},
    {"musescore-44100", 44100, kGeneralMidiInstruments},
}};

// The fluidsynth renderings: one slot of kSlotSeconds per note, the key held
// for the first kHeldSeconds; each note's file keeps the first kCutSeconds of
// its slot, more than the analysis takes at any rate.
inline constexpr double kHeldSeconds = 1.5;
inline constexpr double kSlotSeconds = 2.5;
inline constexpr double kCutSeconds = 1.2;

/// The file a note is rendered to, relative to the corpus folder.
inline std::string CorpusFile(const Rendering& rendering, int program, int note) {
    return std::string(rendering.Name) + "/p" + std::to_string(program) + "_n" + std::to_string(note) + ".wav";
}

/// True for the notes of a sample of the corpus: every `step`-th note of the
/// whole sequence of instruments and notes (step 1: all).
inline bool InSample(int sequenceIndex, int step) {
    return sequenceIndex % step == 0;
}

}  // namespace clitest
