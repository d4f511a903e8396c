#!/usr/bin/env bash
# Gaps in the sound on a fully loaded machine: the headless player and paplay
# each play the same steady tone into a PulseAudio null sink while
# `stress --cpu N` keeps every core busy; the sink's monitor is recorded and
# every run of at least 5 ms of exact silence inside the tone counts as a gap.
# Then, under the same load, how soon pause, stop, seek and volume sent over
# MPRIS are heard (bench/sound_commands.py).
# Starts its own PulseAudio server and session bus (as the current user, in a
# temporary runtime folder), so it needs nothing running and leaves nothing behind.
set -euo pipefail
build=${1:-build}
build=$(cd "$build" && pwd)
seconds=${GAPS_SECONDS:-20}
cpus=${GAPS_STRESS_CPUS:-$(nproc)}
work=$(mktemp -d)
pulse_pid="" stress_pid="" bus_pid=""
cleanup() {
  [ -n "$stress_pid" ] && kill "$stress_pid" 2>/dev/null
  [ -n "$pulse_pid" ] && kill "$pulse_pid" 2>/dev/null
  [ -n "$bus_pid" ] && kill "$bus_pid" 2>/dev/null
  wait 2>/dev/null || true
  [ -n "${GAPS_KEEP:-}" ] && cp "$work"/*.raw "$GAPS_KEEP"/ 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
pulseaudio --daemonize=no --exit-idle-time=-1 -n --load="module-null-sink sink_name=gaps" \
  --load=module-native-protocol-unix > "$work/pulse.log" 2>&1 &
pulse_pid=$!
for _ in $(seq 50); do pactl info > /dev/null 2>&1 && break; sleep 0.1; done
pactl set-default-sink gaps

tone="$work/tone.wav"
sox -n -r 44100 -c 2 -b 16 "$tone" synth "$seconds" sine 440 vol 0.5

mkdir -p "$work/config/Sonvaro"
printf '[Preferences]\nBASS_QutputDevice=1\nBASS_FadeOut=0\nBASS_FadeIn=0\n' > "$work/config/Sonvaro/Sonvaro.ini"

# Frames of the recording inside the tone that belong to runs of >= 5 ms of
# digital silence: prints "gaps longest_ms".
count_gaps() {
  od -An -v -td2 -w4 "$1" | awk -v min=221 '
    { silent = ($1 == 0 && $2 == 0) }
    !silent { if (started && run >= min) { gaps++; if (run > longest) longest = run } started = 1; run = 0; next }
    started { run++ }
    END { printf "%d %.1f\n", gaps, longest * 1000 / 44100 }'
}

# Records the sink while "$@" plays the tone under full load.
record() {
  local out=$1
  shift
  stress --cpu "$cpus" > /dev/null 2>&1 &
  stress_pid=$!
  sleep 1
  parec -d gaps.monitor --raw --format=s16le --rate=44100 --channels=2 > "$out" &
  local rec=$!
  "$@" &
  local player=$!
  sleep $((seconds + 2))
  kill "$player" 2>/dev/null || true
  kill "$rec" 2>/dev/null || true
  wait "$player" "$rec" 2>/dev/null || true
  kill "$stress_pid" 2>/dev/null || true
  wait "$stress_pid" 2>/dev/null || true
  stress_pid=""
}

record "$work/player.raw" env XDG_CONFIG_HOME="$work/config" SDL_AUDIODRIVER=pulseaudio \
  "$build/src/app/sonvaro" --headless "$tone" < /dev/null > /dev/null 2>&1
record "$work/paplay.raw" paplay "$tone"

read -r pg pl < <(count_gaps "$work/player.raw")
read -r ag al < <(count_gaps "$work/paplay.raw")
echo "$seconds s tone into a null sink under stress --cpu $cpus: gaps of >= 5 ms of silence inside the tone"
echo "  player (headless, default device): $pg gaps, longest $pl ms"
echo "  paplay of the same WAV:            $ag gaps, longest $al ms"

# Command-to-sound latency: a tone with a silent stretch to seek into.
sox -n -r 44100 -c 2 -b 16 "$work/steps.wav" synth 8 sine 440 vol 0.5 pad 0 12
eval "$(dbus-daemon --session --fork --print-address=1 --print-pid=1 | {
  read -r address
  read -r pid
  echo "export DBUS_SESSION_BUS_ADDRESS='$address'; bus_pid=$pid"
})"
stress --cpu "$cpus" > /dev/null 2>&1 &
stress_pid=$!
sleep 1
# The recorder and dbus-send run raised where allowed: their own waits under
# the load are not the player's.
echo "command to sound under stress --cpu $cpus (MPRIS call sent to the level crossing recorded; median / worst of ${GAPS_REPEATS:-5}, ms)"
nice -n -15 python3 "$(dirname "$0")/sound_commands.py" gaps.monitor "${GAPS_REPEATS:-5}" 8 -- \
  env XDG_CONFIG_HOME="$work/config" SDL_AUDIODRIVER=pulseaudio "$build/src/app/sonvaro" --headless --stay \
  "$work/steps.wav" | awk '{ worst = $NF; median = $(NF - 1); $NF = ""; $(NF - 1) = "";
    printf "  %-20s %4d / %4d\n", $0, median, worst }'
