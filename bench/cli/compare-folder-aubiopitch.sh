#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Times korvani-pitch on a folder of 1000 one-second 44100 Hz 16-bit mono WAV
# files (one process, --csv, the folder walked) against a shell loop running
# aubiopitch (Debian aubio-tools, default method) on each file, side by side,
# whole processes, wall time by date +%s%N. korvani-pitch runs with -j 1 and
# then with each job count up to the processors, to show the time falling with
# the cores. The goal is at most 5 % of the loop's time (with the default -j).
#
# Usage: bench/cli/compare-folder-aubiopitch.sh [KORVANI_PITCH [FILES]]
#   KORVANI_PITCH  the program to time (default: build/cli/korvani-pitch)
#   FILES          how many files the folder holds (default: 1000)
set -eu

pitch=${1:-build/cli/korvani-pitch}
count=${2:-1000}
. "$(dirname "$0")/aubiopitch-common.sh"
require_programs "$pitch" && make_work_folder
write_tone_folder "$work/folder" "$count"
echo "folder: $count files, 1 s each, 44100 Hz, 16 bit, mono"

# Wall time of one run of a command, in seconds.
seconds() {
  start=$(date +%s%N)
  "$@" >/dev/null 2>&1 || true
  end=$(date +%s%N)
  echo "$end $start" | awk '{ printf "%.3f", ($1 - $2) / 1e9 }'
}
aubio_loop() {
  find "$work/folder" -name '*.wav' | sort | while read -r file; do aubiopitch -i "$file" >/dev/null; done
}

cat "$work"/folder/*/*.wav >/dev/null  # both read from the page cache
aubio=$(seconds aubio_loop)
echo "aubiopitch, shell loop:        $aubio s"
cores=$(nproc)
jobs=1
while [ "$jobs" -le "$cores" ]; do
  korvani=$(seconds "$pitch" --csv -j "$jobs" "$work/folder")
  echo "korvani-pitch --csv -j $jobs:     $korvani s"
  jobs=$((jobs * 2))
done
korvani=$(seconds "$pitch" --csv "$work/folder")
echo "korvani-pitch --csv (default): $korvani s"

judge_share "$korvani" "$aubio" 0.05 "the loop's"
