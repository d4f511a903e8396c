#!/usr/bin/env bash
# A 100,000-line M3U over 300 real tagged files (MP3, FLAC, Ogg), made once and reused.
set -euo pipefail
build=${1:-build}
fixtures="$(realpath -m "$build/fixtures/bench-import")"
list="$fixtures/long.m3u"
if [ ! -s "$list" ]; then
  mkdir -p "$fixtures"
  for i in $(seq 1 300); do
    wav="$fixtures/tmp.wav"
    sox -n -r 44100 -c 2 -b 16 "$wav" synth 2 sine $((100 + i * 7)) vol 0.3 2>/dev/null
    case $((i % 20)) in
      0|1|2|3|4) flac -s -f -T "TITLE=Titel $i" -T "ARTIST=Band $((i / 12))" -T "ALBUM=Album $((i / 12))" \
                   -T "TRACKNUMBER=$((i % 12 + 1))" "$wav" -o "$fixtures/t$i.flac" ;;
      5|6|7) oggenc -Q -t "Titel $i" -a "Band $((i / 12))" -l "Album $((i / 12))" -N $((i % 12 + 1)) \
               "$wav" -o "$fixtures/t$i.ogg" ;;
      *) lame --quiet -b 192 --tt "Titel $i" --ta "Band $((i / 12))" --tl "Album $((i / 12))" \
           --tn $((i % 12 + 1)) --ty 2001 --tg Rock "$wav" "$fixtures/t$i.mp3" ;;
    esac
  done
  rm -f "$fixtures/tmp.wav"
  files=("$fixtures"/t*.*)
  { echo "#EXTM3U"; for i in $(seq 0 99999); do echo "${files[$((i % ${#files[@]}))]}"; done; } > "$list.tmp"
  mv "$list.tmp" "$list"
fi
"$build/bench/playlist_import/playlist_import_bench" "$list"
