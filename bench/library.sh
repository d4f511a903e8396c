#!/usr/bin/env bash
# The media library over a 2,000-file tagged tree (60 % MP3, 25 % FLAC, 15 % Ogg,
# distinct tags, 50 albums in 20 artist folders), made once and reused.
set -euo pipefail
build=${1:-build}
fixtures="$(realpath -m "$build/fixtures/bench-library")"
tree="$fixtures/tree"
if [ ! -f "$fixtures/done" ]; then
  rm -rf "$fixtures"
  mkdir -p "$fixtures/seeds"
  wav="$fixtures/seeds/tone.wav"
  sox -n -r 44100 -c 2 -b 16 "$wav" synth 30 sine 440 vol 0.3 2>/dev/null
  lame --quiet -b 192 "$wav" "$fixtures/seeds/seed.mp3"
  flac -s -f "$wav" -o "$fixtures/seeds/seed.flac"
  oggenc -Q "$wav" -o "$fixtures/seeds/seed.ogg"
  "$build/bench/library/library_bench" make "$fixtures/seeds" "$tree"
  touch "$fixtures/done"
fi
"$build/bench/library/library_bench" "$tree"
