#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the whole instrument corpus of korvani-pitch (every note of every
# rendering in tests/cli/InstrumentCorpus.h; the test suite takes a sample)
# and prints the share of notes --auto names right, per family and rendering.
# Takes some minutes and about 1 GB in the folder while it renders.
#
# Usage: bench/cli/instrument-corpus.sh [BUILD [FOLDER]]
#   BUILD   the build folder with korvani-pitch and its tests (default: build)
#   FOLDER  where the corpus is rendered (default: BUILD/tests/cli/full-corpus)
set -eu
build=${1:-build}
folder=${2:-$build/tests/cli/full-corpus}
cmake --build "$build" --target korvani-pitch cli_corpus_midi cli_corpus_tests
sh "$(dirname "$0")/../../tests/cli/render-corpus.sh" "$build/tests/cli/cli_corpus_midi" "$folder" 1 \
  freepats-44100 freepats-22050 timgm6mb-48000 musescore-44100
KORVANI_CORPUS_DIR=$folder KORVANI_CORPUS_STEP=1 "$build/tests/cli/cli_corpus_tests"
