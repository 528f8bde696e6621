#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The shift test, side by side: each note of the rendered instrument corpus
# named below is resampled by sox to sound 13 cents higher and 29 cents
# lower; korvani-pitch --auto's pitch and Praat's median f0 (To Pitch (ac),
# 25-4500 Hz, run headless) must move by exactly that much. Prints each
# note's errors and, per register and program, the worst and the median
# error in cents of both.
#
# Usage: bench/cli/shift-test.sh [KORVANI_PITCH [CORPUS [STEP]]]
#   KORVANI_PITCH  the program (default: build/cli/korvani-pitch)
#   CORPUS         a rendered corpus (default: build/tests/cli/full-corpus,
#                  as bench/cli/instrument-corpus.sh renders it)
#   STEP           every STEP-th key of each register (default: 2)
# The voices: RENDERING:PROGRAM, bass keys MIDI 36-47 (piano, bass, organ,
# cello, contrabass; the piano's and organ's lowest octave), treble keys
# MIDI 84-96 (piano, flute, violin, organ). Override with BASS and TREBLE.
# A third register, vibrato, is synthetic: 1.5 s treble tones of six partials
# whose pitch swings by DEPTH cents either way RATE times a second (the swing
# fading in over 0.2 s), F0:RATE:DEPTH each; override with VIBRATO.
set -eu

pitch=${1:-build/cli/korvani-pitch}
corpus=${2:-build/tests/cli/full-corpus}
step=${3:-2}
bass=${BASS:-"freepats-44100:0 musescore-44100:0 timgm6mb-48000:0 musescore-44100:33 timgm6mb-48000:33
  musescore-44100:19 timgm6mb-48000:16 freepats-44100:42 musescore-44100:42 musescore-44100:43"}
treble=${TREBLE:-"freepats-44100:0 musescore-44100:0 timgm6mb-48000:0 musescore-44100:73 freepats-44100:40
  musescore-44100:40 timgm6mb-48000:19"}
vibrato=${VIBRATO:-"1046.5:5.5:30 1318.5:4.5:30 1760:6.5:30 2093:5.5:30 1046.5:5.5:60 1318.5:4.5:60 1760:6.5:60
  2093:5.5:60"}

for tool in sox praat; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "shift-test: $tool is missing (tools/install-deps bench installs it)" >&2
    exit 1
  fi
done
if [ ! -x "$pitch" ] || [ ! -d "$corpus" ]; then
  echo "shift-test: needs $pitch and a rendered corpus in $corpus (bench/cli/instrument-corpus.sh)" >&2
  exit 1
fi

# Praat reads a relative name from its script's folder.
corpus=$(cd "$corpus" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat >"$work/median.praat" <<'EOF'
form Median f0
  sentence File
  real Floor 25
  real Ceiling 4500
endform
Read from file: file$
To Pitch (ac): 0, floor, 15, "no", 0.03, 0.45, 0.01, 0.35, 0.14, ceiling
f0 = Get quantile: 0, 0, 0.5, "Hertz"
writeInfoLine: fixed$(f0, 6)
EOF

# A 44100 Hz 16-bit mono WAV file of $1 seconds, f0 $2 Hz, vibrato $3 Hz of
# $4 cents either way, to standard output.
write_vibrato() {
  LC_ALL=C awk -v seconds="$1" -v f="$2" -v vr="$3" -v depth="$4" 'function le(value, bytes,   k) {
      for (k = 0; k < bytes; k++) { printf "%c", value % 256; value = int(value / 256) }
    }
    BEGIN {
      rate = 44100; n = int(seconds * rate); size = 2 * n; pi = atan2(0, -1); phase = 0
      printf "RIFF"; le(36 + size, 4); printf "WAVEfmt "; le(16, 4)
      le(1, 2); le(1, 2); le(rate, 4); le(2 * rate, 4); le(2, 2); le(16, 2)
      printf "data"; le(size, 4)
      for (s = 0; s < n; s++) {
        swing = depth * sin(2 * pi * vr * s / rate + 1.3) * (s < 0.2 * rate ? s / (0.2 * rate) : 1)
        phase += 2 * pi * f * exp(log(2) * swing / 1200) / rate
        level = (s < 0.05 * rate ? s / (0.05 * rate) : 1) * exp(-s / rate / 3)
        v = 0
        for (k = 1; k <= 6 && k * f < rate / 2.2; k++) v += sin(k * phase + k) / k
        v = int(11000 * level * v)
        if (v < 0) v += 65536
        le(v, 2)
      }
    }'
}

korvani() { "$pitch" --json "$1" | sed -n 's/.*"pitch":\([-0-9.e+]*\).*/\1/p'; }
praat_f0() { praat --run "$work/median.praat" "$1" 25 4500 2>/dev/null | head -1; }

# One line a note and tool: REGISTER VOICE NOTE TOOL ERROR+13 ERROR-29.
measure() {
  register=$1 voice=$2 note=$3 file=$4
  sox "$file" -b 16 "$work/up.wav" speed 13c
  sox "$file" -b 16 "$work/down.wav" speed -29c
  for tool in korvani praat_f0; do
    a=$($tool "$file") b=$($tool "$work/up.wav") c=$($tool "$work/down.wav")
    echo "$register $voice $note ${tool%_f0} $a $b $c" | awk '{
      if ($5 <= 0 || $6 <= 0 || $7 <= 0 || $5 == "--undefined--") { print $1, $2, $3, $4, "nan", "nan"; next }
      up = 1200 * log($6 / $5) / log(2) - 13; down = 1200 * log($7 / $5) / log(2) + 29
      printf "%s %s %s %s %+.3f %+.3f\n", $1, $2, $3, $4, up, down }'
  done
}

for register in bass treble; do
  if [ "$register" = bass ]; then voices=$bass first=36 last=47; else voices=$treble first=84 last=96; fi
  for voice in $voices; do
    key=$first
    while [ "$key" -le "$last" ]; do
      file="$corpus/${voice%%:*}/p${voice##*:}_n$key.wav"
      [ -f "$file" ] && measure "$register" "$voice" "$key" "$file"
      key=$((key + step))
    done
  done
done >"$work/errors"
for tone in $vibrato; do
  write_vibrato 1.5 $(echo "$tone" | tr ':' ' ') >"$work/vibrato.wav"
  measure vibrato "synthetic:${tone#*:}" "${tone%%:*}" "$work/vibrato.wav"
done >>"$work/errors"

cat "$work/errors"
echo
echo "register tool       notes  worst(c)  median(c)  (error = measured shift - sox's shift, both shifts)"
for register in bass treble vibrato; do
  for tool in korvani praat; do
    awk -v r="$register" -v t="$tool" '$1 == r && $4 == t { print $5; print $6 }' "$work/errors" | sort -g |
      awk -v r="$register" -v t="$tool" '
        $1 == "nan" { failed++; next }
        { v[n++] = $1; a = $1 < 0 ? -$1 : $1; if (a > worst) worst = a }
        END { median = n % 2 ? v[int(n / 2)] : (v[n / 2 - 1] + v[n / 2]) / 2
              printf "%-8s %-9s %6d  %8.3f  %+9.3f%s\n", r, t, n / 2, worst, median,
                     failed ? "  (" failed / 2 " without a pitch)" : "" }'
  done
done
