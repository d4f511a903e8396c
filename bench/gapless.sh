#!/usr/bin/env bash
# Playback without gaps on the "No sound" device: a list of five tagged files
# (MP3 CBR and VBR, FLAC at 44.1 and 48 kHz, Ogg Vorbis; 12 s each, different
# music-like content) played with each next file opened and decoded 5 s ahead
# ("gapless"), and as before, each started once the last has ended ("apart").
# Prints the CPU share of a core of each (interleaved rounds), and the longest
# block the mixing thread took in steady playback and while the next file was
# set up (a device waits for no block longer than its period); beside mpv
# playing the same list gaplessly on its null output in the same run.
set -euo pipefail
build=${1:?usage: gapless.sh BUILD_DIR}
build=$(cd "$build" && pwd)
bench="$build/bench/engine/engine_bench"
rounds=${GAPLESS_ROUNDS:-2}
dir="$build/fixtures/bench-gapless"
mkdir -p "$dir"
[ -x "$bench" ] || { echo "gapless.sh: build engine_bench first" >&2; exit 1; }

track() { # NAME SOX-SYNTH...: 12 s of stereo audio
  local name=$1; shift
  [ -s "$dir/$name.wav" ] || sox -R -n -r 44100 -c 2 -b 16 "$dir/$name.wav" synth 12 "$@" 2>/dev/null
}
if [ ! -s "$dir/5.ogg" ]; then
  track 1 pinknoise vol 0.3
  track 2 sine 330-660 sine 440-220 vol 0.5
  track 3 pinknoise vol 0.4 tremolo 3 60
  track 4 brownnoise vol 0.4
  track 5 square 110 sine 165 vol 0.3
  lame --quiet -b 192 --tt "Eins" --ta "Band" --tl "Platte" --tn 1 "$dir/1.wav" "$dir/1.mp3"
  flac -s -f -T TITLE=Zwei -T ARTIST=Band -T ALBUM=Platte -T TRACKNUMBER=2 "$dir/2.wav" -o "$dir/2.flac"
  lame --quiet -V 2 --tt "Drei" --ta "Band" --tl "Platte" --tn 3 "$dir/3.wav" "$dir/3.mp3"
  sox "$dir/4.wav" -r 48000 "$dir/4-48k.wav"
  flac -s -f -T TITLE=Vier -T ARTIST=Band "$dir/4-48k.wav" -o "$dir/4.flac"
  oggenc -Q -q 5 -t "Fünf" -a "Band" -l "Platte" -N 5 "$dir/5.wav" -o "$dir/5.ogg"
  rm -f "$dir"/*.wav
fi
list=("$dir/1.mp3" "$dir/2.flac" "$dir/3.mp3" "$dir/4.flac" "$dir/5.ogg")

# mpv's CPU share over the list: user + system time of the whole run over its length.
mpv_share() {
  command -v mpv >/dev/null || { echo "-"; return; }
  local t0 t1 c
  t0=$(date +%s.%N)
  c=$( { TIMEFORMAT='%U %S'; time mpv --no-config --really-quiet --no-video --ao=null --gapless-audio=yes \
         "${list[@]}" >/dev/null 2>&1; } 2>&1 | tail -1)
  t1=$(date +%s.%N)
  awk -v c="$c" -v a="$t0" -v b="$t1" 'BEGIN { split(c, x, " "); printf "%.2f", (x[1] + x[2]) / (b - a) * 100 }'
}

echo "== gapless playback of 5 tagged files (60 s) on the \"No sound\" device, $rounds interleaved rounds"
for r in $(seq "$rounds"); do
  read -r acpu asteady _ < <("$bench" chain apart "${list[@]}")
  read -r gcpu gsteady gprep < <("$bench" chain gapless "${list[@]}")
  m=$(mpv_share)
  echo "  round $r: apart ${acpu} % of a core (longest block ${asteady} ms);" \
       "gapless ${gcpu} % (longest block ${gsteady} ms, while the next file is set up ${gprep} ms);" \
       "mpv --gapless-audio ${m} %"
done
echo "  targets: longest block while setting up < 5 ms; gapless CPU within 5 % of apart"
