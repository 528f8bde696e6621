// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/NoteNaming.h"

#include "analysis/AnalysisTexts.h"

#include <array>
#include <cmath>
#include <cstdio>

namespace {

constexpr int kSemitones = 12;
// A = 440 Hz five octaves down; three semitones above it lies the lowest C.
constexpr long double kLowestA = 13.75L;

constexpr std::array<const char*, kSemitones> kUpperNames = {"C",  "C#", "D",  "D#", "E",  "F",
                                                             "F#", "G",  "G#", "A",  "A#", "B"};
constexpr std::array<const char*, kSemitones> kLowerNames = {"c",  "c#", "d",  "d#", "e",  "f",
                                                             "f#", "g",  "g#", "a",  "a#", "b"};
constexpr int kFirstLowerCaseOctave = 3;
constexpr int kOctaveCount = 9;
// The octave mark written after the name; 0 writes the name alone.
constexpr std::array<int, kOctaveCount> kOctaveDigits = {2, 1, 0, 0, 1, 2, 3, 4, 5};

std::string NoteText(int octave, int semitone) {
    if (octave >= kOctaveCount) {
        return kTooHighText;
    }
    const char* name = (octave < kFirstLowerCaseOctave ? kUpperNames : kLowerNames)[static_cast<std::size_t>(semitone)];
    const int digit = kOctaveDigits[static_cast<std::size_t>(octave)];
    if (digit == 0) {
        return name;
    }
    char text[16];
    std::snprintf(text, sizeof text, "%s%d", name, digit);
    return text;
}

}  // namespace

NamedNote NameNote(double frequency) {
    const double ratio = std::pow(2.0, 1.0 / kSemitones);
    const auto lowestC = static_cast<double>(kLowestA * ratio * ratio * ratio);

    if (std::isinf(frequency) && frequency > 0.0) {
        return {kTooHighText, 0.0};
    }
    double quotient = frequency / lowestC;
    if (!(quotient >= 1.0)) {
        return {kTooLowText, 0.0};
    }
    int octave = -1;
    while (quotient >= 1.0) {
        quotient *= 0.5;
        ++octave;
    }

    // The first note at or above the frequency, counted in semitones above C of the octave.
    double upper = std::ldexp(lowestC, octave);
    int semitone = 0;
    do {
        upper *= ratio;
        ++semitone;
    } while (upper < frequency);
    const double lower = upper / ratio;
    if (upper - frequency > frequency - lower) {
        --semitone;
    }
    if (semitone == kSemitones) {
        semitone = 0;
        ++octave;
    }

    const long double exponent = octave + semitone * (1.0L / kSemitones);
    const double noteFrequency = std::pow(2.0, static_cast<double>(exponent)) * lowestC;
    return {NoteText(octave, semitone), noteFrequency};
}

NamedNote NameNoteAt(double frequency, double a4) {
    if (a4 == kStandardA4) {
        return NameNote(frequency);
    }
    NamedNote note = NameNote(frequency * (kStandardA4 / a4));
    note.Frequency *= a4 / kStandardA4;
    return note;
}

double CentsFrom(double noteFrequency, double frequency) {
    return 1200.0 * std::log2(frequency / noteFrequency);
}
