#!/bin/sh
# Renders the instrument corpus of korvani-pitch's tests: writes the one-note
# MIDI files with MIDI_WRITER into FOLDER/<rate>/ and has timidity render each
# to a 16-bit mono WAV file beside it with the freepats instruments.
# Usage: render-corpus.sh MIDI_WRITER FOLDER RATE...
set -eu
writer=$1
folder=$2
shift 2

config=/etc/timidity/freepats.cfg
if ! command -v timidity >/dev/null 2>&1 || [ ! -r "$config" ]; then
  echo "render-corpus: timidity and freepats are needed (tools/install-deps installs them)" >&2
  exit 1
fi

for rate in "$@"; do
  rm -rf "$folder/$rate"
  mkdir -p "$folder/$rate"
  "$writer" "$folder/$rate"
  # One timidity for all files: each is written as <name>.wav beside its MIDI file.
  # Its chatter (a missing default sound font among it) is shown only on failure.
  if ! timidity -c "$config" -idqq -Ow --output-16bit --output-mono -s "$rate" "$folder/$rate"/*.mid \
      >"$folder/timidity-$rate.log" 2>&1; then
    cat "$folder/timidity-$rate.log" >&2
    exit 1
  fi
  midi=$(ls "$folder/$rate"/*.mid | wc -l)
  wav=$(ls "$folder/$rate"/*.wav | wc -l)
  if [ "$midi" -ne "$wav" ]; then
    echo "render-corpus: $wav of $midi notes rendered at $rate Hz" >&2
    exit 1
  fi
done
echo "render-corpus: rendered $midi notes at each of $* Hz into $folder"
