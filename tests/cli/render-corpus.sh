#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the instrument corpus of korvani-pitch's tests (InstrumentCorpus.h)
# into FOLDER/<rendering>/, every STEP-th note (1: all), the renderings side
# by side: freepats with timidity, one 16-bit mono file a note; the General
# MIDI banks with fluidsynth, all notes in one sequence, cut into one 16-bit
# stereo file a note by MIDI_TOOL.
# Usage: render-corpus.sh MIDI_TOOL FOLDER STEP RENDERING...
set -eu
tool=$1
folder=$2
step=$3
shift 3

freepats=/etc/timidity/freepats.cfg
need() {
  if [ ! -r "$1" ] || ! command -v "$2" >/dev/null 2>&1; then
    echo "render-corpus: $2 and $1 are needed (tools/install-deps installs them)" >&2
    exit 1
  fi
}

# Renders one rendering; its chatter is shown only on failure.
render() {
  name=$1
  rate=${name##*-}
  out=$folder/$name
  log=$folder/$name.log
  rm -rf "$out"
  mkdir -p "$out"
  case $name in
    freepats-*)
      "$tool" notes "$name" "$out" "$step"
      timidity -c "$freepats" -idqq -Ow --output-16bit --output-mono -s "$rate" "$out"/*.mid >"$log" 2>&1 ;;
    timgm6mb-* | musescore-*)
      case $name in
        timgm6mb-*) bank=/usr/share/sounds/sf2/TimGM6mb.sf2 ;;
        *) bank=/usr/share/sounds/sf3/MuseScore_General_Lite.sf3 ;;
      esac
      "$tool" sequence "$name" "$out/sequence.mid" "$step"
      fluidsynth -niq -r "$rate" -T wav -O s16 -F "$out/sequence.wav" "$bank" "$out/sequence.mid" >"$log" 2>&1 &&
        "$tool" cut "$name" "$out/sequence.wav" "$out" "$step" >>"$log" 2>&1
      status=$?
      rm -f "$out/sequence.wav"
      return $status ;;
    *) echo "render-corpus: no rendering $name" >&2; return 1 ;;
  esac
}

for name in "$@"; do
  case $name in
    freepats-*) need "$freepats" timidity ;;
    timgm6mb-*) need /usr/share/sounds/sf2/TimGM6mb.sf2 fluidsynth ;;
    musescore-*) need /usr/share/sounds/sf3/MuseScore_General_Lite.sf3 fluidsynth ;;
  esac
done

mkdir -p "$folder"
pids=""
for name in "$@"; do
  render "$name" &
  pids="$pids $!"
done
failed=0
for pid in $pids; do
  if ! wait "$pid"; then
    failed=1
  fi
done
if [ "$failed" -ne 0 ]; then
  cat "$folder"/*.log >&2
  echo "render-corpus: a rendering failed" >&2
  exit 1
fi
for name in "$@"; do
  echo "render-corpus: $(ls "$folder/$name"/*.wav | wc -l) notes in $folder/$name"
done
