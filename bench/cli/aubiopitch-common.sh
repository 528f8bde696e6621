# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by the scripts that time korvani-pitch against aubiopitch; sourced,
# never run. $0 names the script in its messages.

# Stops the script unless $1 is a program and aubiopitch is installed.
require_programs() {
  if [ ! -x "$1" ]; then
    echo "$(basename "$0" .sh): no program at $1 (build korvani-pitch first)" >&2
    exit 1
  fi
  if ! command -v aubiopitch >/dev/null 2>&1; then
    echo "$(basename "$0" .sh): aubiopitch is missing (tools/install-deps bench installs aubio-tools)" >&2
    exit 1
  fi
}

# Sets $work to a new temporary folder, removed when the script ends.
make_work_folder() {
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
}

# Writes to standard output, byte by byte, a 44100 Hz 16-bit mono WAV file of
# $1 seconds of a $2 Hz tone with its octave and twelfth: the 44-byte PCM
# header, then the little-endian samples.
write_tone() {
  LC_ALL=C awk -v seconds="$1" -v f="$2" 'function le(value, bytes,   k) {
                for (k = 0; k < bytes; k++) { printf "%c", value % 256; value = int(value / 256) }
              }
              BEGIN {
                rate = 44100; n = seconds * rate; size = 2 * n; pi = atan2(0, -1)
                printf "RIFF"; le(36 + size, 4); printf "WAVEfmt "; le(16, 4)
                le(1, 2); le(1, 2); le(rate, 4); le(2 * rate, 4); le(2, 2); le(16, 2)
                printf "data"; le(size, 4)
                for (s = 0; s < n; s++) {
                  t = 2 * pi * f * s / rate
                  v = int(8000 * sin(t) + 6000 * sin(2 * t) + 3000 * sin(3 * t))
                  if (v < 0) v += 65536
                  le(v, 2)
                }
              }'
}

# Makes the folder $1 of $2 one-second tones: twelve a semitone apart from
# 220 Hz, written once beside it and copied round-robin, a hundred files to a
# subfolder.
write_tone_folder() {
  i=0
  while [ "$i" -lt 12 ]; do
    write_tone 1 "$(awk -v i="$i" 'BEGIN { print 220 * 2 ^ (i / 12) }')" >"$1.tone-$i.wav"
    i=$((i + 1))
  done
  i=0
  while [ "$i" -lt "$2" ]; do
    mkdir -p "$1/set-$((i / 100))"
    cp "$1.tone-$((i % 12)).wav" "$1/set-$((i / 100))/sample-$i.wav"
    i=$((i + 1))
  done
}

# Prints korvani-pitch's share of aubiopitch's time ($1 and $2, seconds)
# against the goal $3 (a fraction, named $4), and exits 3 when it is missed.
judge_share() {
  echo "$1 $2 $3" | awk -v what="$4" '{
    share = $1 / $2
    printf "korvani-pitch takes %.1f %% of %s time (goal: at most %g %%): %s\n",
           100 * share, what, 100 * $3, share <= $3 ? "met" : "NOT met"
    exit share <= $3 ? 0 : 3
  }'
}
