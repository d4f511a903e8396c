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
ticks=$(getconf CLK_TCK)
# CPU seconds a running process spends over the measurement (after 3 s of
# start-up), and its resident kB at the end.
measure() {
  local pid=$1 u0 s0 u1 s1
  sleep 3
  read -r u0 s0 < <(awk '{print $14, $15}' /proc/$pid/stat)
  sleep "$seconds"
  read -r u1 s1 < <(awk '{print $14, $15}' /proc/$pid/stat)
  awk -v u="$((u1 - u0))" -v s="$((s1 - s0))" -v t="$ticks" -v rss="$(awk '/VmRSS/ {print $2}' /proc/$pid/status)" \
    'BEGIN { printf "%.3f %d", (u + s) / t, rss }'
}

XDG_CONFIG_HOME="$config" "$build/src/app/sonvaro" --headless "$mp3" > /dev/null 2>&1 &
pid=$!
read -r player player_rss < <(measure $pid)
kill -TERM $pid
wait $pid || true

# The peer in the same conditions: ffmpeg decoding the same file at real-time pace.
ffmpeg -nostdin -v error -re -i "$mp3" -f null - > /dev/null 2>&1 &
pid=$!
read -r peer _ < <(measure $pid)
kill -TERM $pid 2>/dev/null || true
wait $pid 2>/dev/null || true

awk -v p="$player" -v f="$peer" -v secs="$seconds" -v rss="$player_rss" 'BEGIN {
  printf "headless MP3 playback on device 0 for %d s: CPU %.2f s = %.2f %% of one core (target <= 3 %%), resident %.1f MB\n",
         secs, p, 100 * p / secs, rss / 1024
  printf "ffmpeg -re decoding the same file: CPU %.2f s = %.2f %% of one core; player / ffmpeg = %.2f\n",
         f, 100 * f / secs, f > 0 ? p / f : 0 }'
