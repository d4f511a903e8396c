#!/usr/bin/env bash
# Start-up to the first sound: `sonvaro --headless FILE` on "No sound", timed
# from the start of the process to the line that shows the playing title,
# with empty data files and with a 100,000-entry library and a 10,000-row
# playlist (the data files benchmark's), and with that library's files on
# disk under a reachable library folder, so that the start-up check looks at
# 100,000 files; beside mpv on its null output to its first audio output in
# the same run. Medians of interleaved rounds.
set -euo pipefail
build=${1:?usage: startup.sh BUILD_DIR}
build=$(cd "$build" && pwd)
rounds=${STARTUP_ROUNDS:-5}
data="$build/fixtures/bench-data"
[ -s "$data/MediaLibary.dat" ] && [ -s "$data/PlayList.dat" ] ||
  "$build/bench/data_files/data_files_bench" "$build/fixtures" > /dev/null
mp3="$build/fixtures/bench/startup.mp3"
mkdir -p "$(dirname "$mp3")"
[ -s "$mp3" ] || sox -n -r 44100 -c 2 -b 16 -t wav - synth 30 sine 440 vol 0.5 2>/dev/null |
  lame --quiet -b 192 --tt "Startklang" - "$mp3"

# The library's files, one byte each (made once), and the library pointing at them.
music="$build/fixtures/bench-music"
if [ ! -s "$music.dat" ]; then
  python3 - "$data/MediaLibary.dat" "$music" <<'PY'
import os, sys
source, music = sys.argv[1], sys.argv[2]
out = []
with open(source, "rb") as f:
    for line in f:
        if line.startswith(b"ETY:/home/benutzer/Musik/"):
            line = line.replace(b"/home/benutzer/Musik/", music.encode() + b"/", 1)
            path = line[4:line.index(b"|")]
            os.makedirs(os.path.dirname(path), exist_ok=True)
            if not os.path.exists(path):
                with open(path, "wb") as g:
                    g.write(b"x")
        out.append(line)
with open(music + ".dat", "wb") as f:
    f.writelines(out)
PY
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Milliseconds from the start of COMMAND... to its first output line holding TEXT.
until_line() {
  python3 - "$@" <<'PY'
import os, subprocess, sys, time
text, env_home, cmd = sys.argv[1], sys.argv[2], sys.argv[3:]
env = dict(os.environ)
if env_home:
    env["XDG_CONFIG_HOME"] = env_home
    env["XDG_RUNTIME_DIR"] = env_home  # its own instance, not one the user runs
start = time.monotonic()
p = subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, env=env)
took = -1
for line in p.stdout:
    if text.encode() in line:
        took = (time.monotonic() - start) * 1000
        break
p.terminate()
try:
    p.wait(5)
except subprocess.TimeoutExpired:
    p.kill()
print("%.0f" % took)
PY
}

config() { # FOLDER [full|checked]: a data folder with "No sound", empty, with the big files, or with the files on disk
  rm -rf "$1"
  mkdir -p "$1/Sonvaro"
  printf '[Preferences]\nBASS_QutputDevice=0\n' > "$1/Sonvaro/Sonvaro.ini"
  if [ "${2:-}" = full ]; then cp "$data/MediaLibary.dat" "$data/PlayList.dat" "$1/Sonvaro/"; fi
  if [ "${2:-}" = checked ]; then
    cp "$music.dat" "$1/Sonvaro/MediaLibary.dat"
    cp "$data/PlayList.dat" "$1/Sonvaro/"
    printf 'MediaLib_StartCheck=1\nMediaLib_Path=%s/\n' "$music" >> "$1/Sonvaro/Sonvaro.ini"
  fi
}

median() { sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

: > "$work/empty"
: > "$work/full"
: > "$work/checked"
: > "$work/mpv"
for r in $(seq "$rounds"); do
  config "$work/c1"
  until_line Startklang "$work/c1" "$build/src/app/sonvaro" --headless "$mp3" >> "$work/empty"
  config "$work/c2" full
  until_line Startklang "$work/c2" "$build/src/app/sonvaro" --headless "$mp3" >> "$work/full"
  config "$work/c3" checked
  until_line Startklang "$work/c3" "$build/src/app/sonvaro" --headless "$mp3" >> "$work/checked"
  if command -v mpv > /dev/null; then
    until_line "AO:" "" mpv --no-config --no-video --ao=null --term-playing-msg= "$mp3" >> "$work/mpv"
  fi
done
echo "== start-up to the first sound (headless, \"No sound\"), median of $rounds"
echo "  empty data files: $(median < "$work/empty") ms"
echo "  100,000-entry library and 10,000-row playlist: $(median < "$work/full") ms (target <= 300 ms)"
echo "  the same with the library's files on disk and the start-up check on: $(median < "$work/checked") ms (target <= 300 ms)"
[ -s "$work/mpv" ] && echo "  mpv --ao=null to its audio output: $(median < "$work/mpv") ms"
exit 0
