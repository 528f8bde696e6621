// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

/// The A the window names notes by, in Hz.
inline constexpr double kStandardA4 = 440.0;

/// A frequency named as the nearest note of the equal-tempered scale with
/// A = 440 Hz: the note's text and its exact frequency in Hz.
struct NamedNote {
    std::string Text;  ///< "a1", "C2", "f#", ..., or "too low!" / "too high!"
    double Frequency;  ///< frequency of the named note; 0.0 when "too low!"
};

/// Names the note nearest to `frequency` (Hz). Octaves count from C at
/// 16.3516 Hz; octaves 0 ... 2 are written in capitals ("C2", "C1", "C"),
/// octaves 3 ... 8 in small letters ("c", "c1" ... "c5"). Nearest means the
/// smaller difference in Hz, the upper note on a tie. Below the lowest C the
/// text is "too low!" and the frequency 0.0; from C of octave 9 on the text is
/// "too high!" and the frequency still that of the note. A frequency that is
/// not a number counts as too low, an infinite one as too high with 0.0.
NamedNote NameNote(double frequency);

/// NameNote with A at `a4` Hz instead of 440: the same names, boundaries and
/// tie rule on the scale moved by the ratio a4 / 440, the note's frequency on
/// that scale. With `a4` = 440 the answer is exactly NameNote's.
NamedNote NameNoteAt(double frequency, double a4);

/// How far `frequency` lies from `noteFrequency`, in cents (1/100 semitone),
/// positive when it lies above.
double CentsFrom(double noteFrequency, double frequency);
