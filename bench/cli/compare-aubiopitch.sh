#!/bin/sh
# Times the whole korvani-pitch process (start, load, analysis, output) against
# aubiopitch (Debian aubio-tools, default method) on the same 60-second
# 44100 Hz 16-bit mono WAV file, side by side: with hyperfine when it is
# installed, else with a loop of runs timed by date +%s%N. The goal is that
# korvani-pitch takes at most a quarter of aubiopitch's time.
#
# Usage: bench/cli/compare-aubiopitch.sh [KORVANI_PITCH [RUNS]]
#   KORVANI_PITCH  the program to time (default: build/cli/korvani-pitch)
#   RUNS           timed runs of each program without hyperfine (default: 20)
set -eu

pitch=${1:-build/cli/korvani-pitch}
runs=${2:-20}
if [ ! -x "$pitch" ]; then
  echo "compare-aubiopitch: no program at $pitch (build korvani-pitch first)" >&2
  exit 1
fi
if ! command -v aubiopitch >/dev/null 2>&1; then
  echo "compare-aubiopitch: aubiopitch is missing (tools/install-deps installs aubio-tools)" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
wav=$work/tone-60s.wav

# 60 s of a 220 Hz tone with its octave and twelfth, written byte by byte:
# the 44-byte PCM header, then 2 646 000 little-endian 16-bit samples.
LC_ALL=C awk 'function le(value, bytes,   i) {
                for (i = 0; i < bytes; i++) { printf "%c", value % 256; value = int(value / 256) }
              }
              BEGIN {
                rate = 44100; count = 60 * rate; size = 2 * count; pi = atan2(0, -1)
                printf "RIFF"; le(36 + size, 4); printf "WAVEfmt "; le(16, 4)
                le(1, 2); le(1, 2); le(rate, 4); le(2 * rate, 4); le(2, 2); le(16, 2)
                printf "data"; le(size, 4)
                for (n = 0; n < count; n++) {
                  t = 2 * pi * 220 * n / rate
                  v = int(8000 * sin(t) + 6000 * sin(2 * t) + 3000 * sin(3 * t))
                  if (v < 0) v += 65536
                  le(v, 2)
                }
              }' >"$wav"

echo "file: 60 s, 44100 Hz, 16 bit, mono ($(wc -c <"$wav") bytes)"
echo "korvani-pitch says: $("$pitch" "$wav" | grep 'corresponding note')"

if command -v hyperfine >/dev/null 2>&1; then
  hyperfine --warmup 3 --min-runs "$runs" --export-json "$work/times.json" \
    -n korvani-pitch "$pitch $wav" \
    -n aubiopitch "aubiopitch -i $wav"
  mean() { grep -A3 "\"command\": \"$1\"" "$work/times.json" | sed -n 's/.*"mean": \([0-9.e+-]*\).*/\1/p'; }
  korvani=$(mean korvani-pitch)
  aubio=$(mean aubiopitch)
else
  # Mean wall time of $runs runs of a command, in seconds, after one warm-up.
  timed() {
    "$@" >/dev/null 2>&1
    start=$(date +%s%N)
    i=0
    while [ "$i" -lt "$runs" ]; do "$@" >/dev/null 2>&1; i=$((i + 1)); done
    end=$(date +%s%N)
    echo "$end $start $runs" | awk '{ printf "%.6f", ($1 - $2) / 1e9 / $3 }'
  }
  korvani=$(timed "$pitch" "$wav")
  aubio=$(timed aubiopitch -i "$wav")
  echo "korvani-pitch: mean $korvani s over $runs runs"
  echo "aubiopitch:    mean $aubio s over $runs runs"
fi

echo "$korvani $aubio" | awk '{
  share = $1 / $2
  printf "korvani-pitch takes %.1f %% of aubiopitch'"'"'s time (goal: at most 25 %%): %s\n",
         100 * share, share <= 0.25 ? "met" : "NOT met"
  exit share <= 0.25 ? 0 : 3
}'
