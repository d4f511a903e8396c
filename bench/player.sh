#!/usr/bin/env bash
# Player tick cost, and the headless player playing an MP3 on "No sound" for 60 s: CPU and memory,
# beside ffmpeg -re, ffplay on a dummy output, and MPD and mpv on their null outputs (where installed)
# playing the same file in the same run.
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
# CPU seconds a running process spends over the measurement (after 3 s of
# start-up), and its resident kB at the end. Run time is summed over the
# threads' scheduler statistics (nanoseconds): at about 1 % of a core, the
# 10 ms ticks of /proc/PID/stat would make up a tenth of the figure. (A thread
# that ends inside the window would be missed; none does while a file plays.)
runtime() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ t += $1 } END { printf "%d", t }'; }
measure() {
  local pid=$1 t0 t1
  sleep 3
  t0=$(runtime "$pid")
  sleep "$seconds"
  t1=$(runtime "$pid")
  awk -v t="$((t1 - t0))" -v rss="$(awk '/VmRSS/ {print $2}' /proc/$pid/status)" \
    'BEGIN { printf "%.3f %d\n", t / 1e9, rss }'
}

# The player and its two peers run side by side, so all three see the same
# machine: ffmpeg decoding the same file at real-time pace, and ffplay playing
# it to SDL's dummy audio driver (decode, resample and a real-time consumer).
XDG_CONFIG_HOME="$config" XDG_RUNTIME_DIR="$config" "$build/src/app/sonvaro" --headless "$mp3" > /dev/null 2>&1 &
player_pid=$!
ffmpeg -nostdin -v error -re -i "$mp3" -f null - > /dev/null 2>&1 &
ffmpeg_pid=$!
SDL_AUDIODRIVER=dummy ffplay -nodisp -autoexit -loglevel error "$mp3" < /dev/null > /dev/null 2>&1 &
ffplay_pid=$!
# MPD and mpv, where installed: MPD to its null output (in time, as a sound
# card would take it), told to play the file over its socket; mpv to its null
# output.
peers=()
if command -v mpd > /dev/null; then
  printf 'music_directory "%s"\ndb_file "%s/mpd.db"\nbind_to_address "%s/mpd.sock"\naudio_output {\n type "null"\n name "null"\n sync "yes"\n}\n' \
    "$(dirname "$(realpath "$mp3")")" "$config" "$config" > "$config/mpd.conf"
  mpd --no-daemon "$config/mpd.conf" > /dev/null 2>&1 &
  mpd_pid=$!
  python3 - "$config/mpd.sock" "$(realpath "$mp3")" <<'PY'
import socket, sys, time
for _ in range(100):
    try:
        s = socket.socket(socket.AF_UNIX); s.connect(sys.argv[1]); break
    except OSError:
        time.sleep(0.05)
f = s.makefile("rw")
f.readline()
def ask(command):  # the answer's lines up to OK or ACK
    f.write(command + "\n"); f.flush()
    lines = []
    while not (lines and (lines[-1].startswith("OK") or lines[-1].startswith("ACK"))):
        lines.append(f.readline().strip())
    return lines
# A fresh database is filled first; the file is added by its name in it.
while any(l.startswith("updating_db") for l in ask("status")):
    time.sleep(0.05)
ask('add "%s"' % sys.argv[2].rsplit("/", 1)[1])
ask("play")
PY
  peers+=("mpd:$mpd_pid")
fi
if command -v mpv > /dev/null; then
  mpv --no-config --really-quiet --no-video --ao=null "$mp3" < /dev/null > /dev/null 2>&1 &
  peers+=("mpv:$!")
fi
out="$config/measured"
measure $player_pid > "$out.player" &
m1=$!
measure $ffmpeg_pid > "$out.ffmpeg" &
m2=$!
measure $ffplay_pid > "$out.ffplay" &
m3=$!
waits=($m1 $m2 $m3)
for peer in "${peers[@]}"; do
  measure "${peer#*:}" > "$out.${peer%%:*}" &
  waits+=($!)
done
wait "${waits[@]}"
for pid in $player_pid $ffmpeg_pid $ffplay_pid "${peers[@]#*:}"; do kill -TERM $pid 2>/dev/null || true; done
wait $player_pid $ffmpeg_pid $ffplay_pid "${peers[@]#*:}" 2>/dev/null || true
read -r player player_rss < "$out.player"
read -r ffmpeg ffmpeg_rss < "$out.ffmpeg"
read -r ffplay ffplay_rss < "$out.ffplay"

awk -v p="$player" -v f="$ffmpeg" -v d="$ffplay" -v secs="$seconds" -v rss="$player_rss" -v frss="$ffmpeg_rss" -v drss="$ffplay_rss" 'BEGIN {
  printf "headless MP3 playback on device 0 for %d s: CPU %.3f s = %.2f %% of one core (target <= 3 %%), resident %.1f MB\n",
         secs, p, 100 * p / secs, rss / 1024
  printf "ffmpeg -re decoding the same file:          CPU %.3f s = %.2f %% of one core, resident %.1f MB\n",
         f, 100 * f / secs, frss / 1024
  printf "ffplay to SDL dummy audio, same file:       CPU %.3f s = %.2f %% of one core, resident %.1f MB\n",
         d, 100 * d / secs, drss / 1024
  # (Parenthesised: a bare ">" in a printf argument list is an output redirection.)
  best = (f > 0 && (d <= 0 || f <= d)) ? f : d
  printf("player / best peer (%s) = %.2f\n", best == f ? "ffmpeg -re" : "ffplay", best > 0 ? p / best : 0) }'
for peer in "${peers[@]}"; do
  read -r cpu rss < "$out.${peer%%:*}"
  awk -v n="${peer%%:*}" -v c="$cpu" -v r="$rss" -v secs="$seconds" -v p="$player" 'BEGIN {
    printf("%-43s CPU %.3f s = %.2f %% of one core, resident %.1f MB; player / it = %.2f\n",
           n " playing the same file to its null output:", c, 100 * c / secs, r / 1024, c > 0 ? p / c : 0) }'
done
