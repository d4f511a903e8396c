#!/usr/bin/env bash
# The library watch over a 100,000-file tree (100 artist folders of 20 albums of
# 50 files; the first 300 files are tagged MP3s, the rest one-byte stand-ins),
# made once and reused: the watch's set-up time and the kernel watches it holds
# beside one walk of the same tree, then how soon new files show in the library.
set -euo pipefail
build=${1:-build}
fixtures="$(realpath -m "$build/fixtures/bench-watch")"
tree="$fixtures/tree"
if [ ! -f "$fixtures/done" ]; then
  rm -rf "$fixtures"
  mkdir -p "$fixtures/seeds"
  wav="$fixtures/seeds/tone.wav"
  sox -n -r 44100 -c 2 -b 16 "$wav" synth 5 sine 440 vol 0.3 2>/dev/null
  lame --quiet -b 128 "$wav" "$fixtures/seeds/seed.mp3"
  "$build/bench/library_watch/library_watch_bench" make "$fixtures/seeds/seed.mp3" "$tree"
  touch "$fixtures/done"
fi
echo "fs.inotify.max_user_watches: $(cat /proc/sys/fs/inotify/max_user_watches)"
"$build/bench/library_watch/library_watch_bench" "$tree" "$fixtures/seeds/seed.mp3"
