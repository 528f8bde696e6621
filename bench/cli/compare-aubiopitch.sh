#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
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
. "$(dirname "$0")/aubiopitch-common.sh"
require_programs "$pitch" && make_work_folder
wav=$work/tone-60s.wav

write_tone 60 220 >"$wav"

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

judge_share "$korvani" "$aubio" 0.25 "aubiopitch's"
