#!/usr/bin/env bash
# Internet radio: the headless player's CPU while it plays a 128 kbit/s MP3
# station from a loopback server, and the time from PlayChannel to the first
# audible frame.
set -euo pipefail
build=${1:-build}
seconds=${RADIO_BENCH_SECONDS:-30}
fixtures="$build/fixtures/bench"
mkdir -p "$fixtures"
mp3="$fixtures/radio-10min-128k.mp3"
if [ ! -s "$mp3" ]; then
  sox -n -r 44100 -c 2 -b 16 -t wav - synth 600 sine 220:880 vol 0.5 2>/dev/null | lame --quiet -b 128 - "$mp3"
fi
portfile=$(mktemp)
"$build/bench/radio/radio_station" "$mp3" 16000 > "$portfile" &
station=$!
config=$(mktemp -d)
trap 'kill $station 2>/dev/null || true; rm -rf "$config" "$portfile"' EXIT
for _ in $(seq 50); do
  [ -s "$portfile" ] && break
  sleep 0.1
done
port=$(cat "$portfile")

"$build/bench/radio/radio_start_bench" "http://127.0.0.1:$port/" 10

mkdir -p "$config/Sonvaro"
printf '[Preferences]\nBASS_QutputDevice=0\n' > "$config/Sonvaro/Sonvaro.ini"
XDG_CONFIG_HOME="$config" XDG_RUNTIME_DIR="$config" "$build/src/app/sonvaro" --headless "http://127.0.0.1:$port/" > /dev/null 2>&1 &
pid=$!
sleep 3  # connecting and the station's burst out of the measurement
ticks=$(getconf CLK_TCK)
read -r u0 s0 < <(awk '{print $14, $15}' /proc/$pid/stat)
sleep "$seconds"
read -r u1 s1 < <(awk '{print $14, $15}' /proc/$pid/stat)
kill -TERM $pid
wait $pid || true
awk -v u="$((u1 - u0))" -v s="$((s1 - s0))" -v t="$ticks" -v secs="$seconds" 'BEGIN {
  cpu = (u + s) / t;
  printf "headless radio playback (128 kbit/s MP3 from loopback) on device 0 for %d s: CPU %.2f s = %.2f %% of one core (target <= 3 %%)\n",
         secs, cpu, 100 * cpu / secs }'
