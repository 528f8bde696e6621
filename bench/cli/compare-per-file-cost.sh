#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The cost of one file, side by side: two builds of korvani-pitch run
# interleaved over the same folder of one-second 44100 Hz tones (--csv, -j 1),
# several rounds, and each one's processor time (user + system, which a
# machine busy with other work disturbs less than the wall time) per file.
# Prints every round and the least of each; the second build's share of the
# first's is what a goal such as "at most 1.5 x" is judged by.
#
# Usage: bench/cli/compare-per-file-cost.sh BEFORE AFTER [ROUNDS [FILES]]
#   BEFORE, AFTER  two korvani-pitch programs
#   ROUNDS         rounds of both (default: 5)
#   FILES          files in the folder (default: 1000)
set -eu

before=$1
after=$2
rounds=${3:-5}
count=${4:-1000}
. "$(dirname "$0")/aubiopitch-common.sh"
for program in "$before" "$after"; do
  [ -x "$program" ] || { echo "compare-per-file-cost: no program at $program" >&2; exit 1; }
done

make_work_folder
write_tone_folder "$work/folder" "$count"

# Processor milliseconds per file of one run of $1: the shell's `times`
# gives a subshell's children's user and system time on its second line.
cost() {
  (
    "$1" --csv -j 1 "$work/folder" >/dev/null 2>&1 || true
    times
  ) | sed -n 2p | tr 'ms' '  ' | awk -v n="$count" '{ printf "%.3f", (60 * ($1 + $3) + $2 + $4) * 1000 / n }'
}

round=1
while [ "$round" -le "$rounds" ]; do
  echo "round $round: before $(cost "$before") ms, after $(cost "$after") ms"
  round=$((round + 1))
done | tee "$work/rounds"
awk '{ b = $4; a = $7; if (NR == 1 || b < mb) mb = b; if (NR == 1 || a < ma) ma = a }
     END { printf "least: before %.3f ms, after %.3f ms a file: %.2f x\n", mb, ma, ma / mb }' "$work/rounds"
