#!/usr/bin/env bash
# Covers: the first read of a 3,000 x 3,000 JPEG beside a track and in its ID3v2
# tag, showing a kept cover, memory per kept cover, a 40-megapixel scan. The
# pictures (photograph-like, made by the benchmark) and the tracks are made once
# and reused.
set -euo pipefail
build=${1:-build}
fixtures="$(realpath -m "$build/fixtures/bench-covers")"
export QT_QPA_PLATFORM=offscreen
if [ ! -f "$fixtures/done" ]; then
  rm -rf "$fixtures"
  mkdir -p "$fixtures"
  "$build/bench/covers/covers_bench" make "$fixtures"
  sox -n -r 44100 -c 2 -b 16 "$fixtures/tone.wav" synth 2 sine 440 vol 0.3 2>/dev/null
  for album in "$fixtures"/album*/; do
    cp "$fixtures/tone.wav" "$album/01.wav"
    ffmpeg -v error -y -i "$fixtures/tone.wav" -i "$album/cover.jpg" -map 0 -map 1 -c:a libmp3lame -b:a 128k \
      -c:v copy -id3v2_version 3 -metadata:s:v comment='Cover (front)' "$album/embedded.mp3"
  done
  for folder in "$fixtures"/many/*/; do cp "$fixtures/tone.wav" "$folder/01.wav"; done
  touch "$fixtures/done"
fi
"$build/bench/covers/covers_bench" "$fixtures"
