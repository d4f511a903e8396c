#!/usr/bin/env bash
# Engine benchmark: CPU time to decode and mix a 10-minute MP3 and FLAC to the
# offline output (no effects, and EQ + reverb + echo + flanger), beside ffmpeg
# and mpg123 decoding the same files in the same run; tag-reader open cost;
# CPU share of real-time playback on the "No sound" device.
set -euo pipefail
build=${1:?usage: engine.sh BUILD_DIR}
build=$(cd "$build" && pwd)
bench="$build/bench/engine/engine_bench"
fixtures="$build/fixtures"
mkdir -p "$fixtures"
[ -x "$bench" ] || { echo "engine.sh: build engine_bench first" >&2; exit 1; }

mp3="$fixtures/bench_10min_192k.mp3"
flac="$fixtures/bench_10min.flac"
if [ ! -s "$mp3" ] || [ ! -s "$flac" ]; then
  wav="$fixtures/bench_10min.wav"
  # Pink noise: the encoders and decoders work about as hard as on music.
  sox -n -r 44100 -c 2 -b 16 "$wav" synth 600 pinknoise vol 0.3
  lame --quiet -b 192 "$wav" "$mp3"
  flac -s -f "$wav" -o "$flac"
  rm -f "$wav"
fi

cpu() { # CPU seconds (user + system) of a command
  local t
  t=$( { TIMEFORMAT='%U %S'; time "$@" >/dev/null 2>&1; } 2>&1 | tail -1)
  awk -v t="$t" 'BEGIN { split(t, a, " "); printf "%.3f", a[1] + a[2] }'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

echo "== audio engine: decode + mix to the offline output (CPU seconds, 10-minute files)"
for f in "$mp3" "$flac"; do
  name=$(basename "$f")
  ff=$(cpu ffmpeg -v error -threads 1 -i "$f" -f null -)
  plain=$("$bench" decode "$f" 2>/dev/null)
  fx=$("$bench" decode "$f" fx 2>/dev/null)
  line="$name: ffmpeg ${ff}s"
  if [ "${f##*.}" = mp3 ]; then
    mp=$(cpu mpg123 -q -t "$f")
    line="$line, mpg123 ${mp}s"
  fi
  echo "$line"
  vs_mp=""
  [ -n "${mp:-}" ] && vs_mp=", $(ratio "$plain" "$mp") x mpg123"
  echo "  engine, no effects: ${plain}s = $(ratio "$plain" "$ff") x ffmpeg (target <= 1.3)$vs_mp"
  [ -n "${mp:-}" ] && vs_mp=", $(ratio "$fx" "$mp") x mpg123"
  echo "  engine, EQ+reverb+echo+flanger: ${fx}s = $(ratio "$fx" "$ff") x ffmpeg (target <= 1.5)$vs_mp"
  mp=""
done

echo "== tag-reader open (flags 0) + info + length + free, microseconds CPU per file"
for f in "$mp3" "$flac"; do
  echo "  $(basename "$f"): $("$bench" open "$f" 200)"
done

echo "== real-time playback of the MP3 on device 0 for 10 s: % of one core"
echo "  $("$bench" realtime "$mp3" 10) (target <= 2)"
