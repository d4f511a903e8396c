#!/usr/bin/env bash
# Player tick cost, and the headless player playing an MP3 on "No sound" for 60 s: CPU and memory.
set -euo pipefail
build=${1:-build}
seconds=${PLAYER_BENCH_SECONDS:-60}
fixtures="$build/fixtures/bench"
mkdir -p "$fixtures"
mp3="$fixtures/player-3min.mp3"
if [ ! -s "$mp3" ]; then
  sox -n -r 44100 -c 2 -b 16 -t wav - synth 180 sine 220:880 vol 0.5 2>/dev/null | lame --quiet -b 192 - "$mp3"
fi
"$build/bench/player/player_tick_bench" "$mp3"

config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
mkdir -p "$config/Sonvaro"
printf '[Preferences]\nBASS_QutputDevice=0\n' > "$config/Sonvaro/Sonvaro.ini"
XDG_CONFIG_HOME="$config" "$build/src/app/sonvaro" --headless "$mp3" > /dev/null 2>&1 &
pid=$!
sleep 3  # start-up and the first decoding out of the measurement
ticks=$(getconf CLK_TCK)
read -r u0 s0 < <(awk '{print $14, $15}' /proc/$pid/stat)
sleep "$seconds"
read -r u1 s1 < <(awk '{print $14, $15}' /proc/$pid/stat)
rss=$(awk '/VmRSS/ {print $2}' /proc/$pid/status)
kill -TERM $pid
wait $pid || true
awk -v u="$((u1 - u0))" -v s="$((s1 - s0))" -v t="$ticks" -v secs="$seconds" -v rss="$rss" 'BEGIN {
  cpu = (u + s) / t;
  printf "headless MP3 playback on device 0 for %d s: CPU %.2f s = %.2f %% of one core (target <= 3 %%), resident %.1f MB\n",
         secs, cpu, 100 * cpu / secs, rss / 1024 }'
