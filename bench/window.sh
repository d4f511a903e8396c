#!/usr/bin/env bash
# The window: from the process start to the first window shown (the splash
# screen, which stays a second) and to the main window, and the resident memory
# 3 s after that with nothing playing; empty
# data files, and a 100,000-entry library with a 10,000-row playlist (the data
# files benchmark's). Beside Audacious and Strawberry (where installed) with a
# fresh home in the same run, on a private Xvfb with a window manager.
# Medians of interleaved rounds.
set -euo pipefail
build=${1:?usage: window.sh BUILD_DIR}
build=$(cd "$build" && pwd)
rounds=${WINDOW_ROUNDS:-3}
data="$build/fixtures/bench-data"
[ -s "$data/MediaLibary.dat" ] && [ -s "$data/PlayList.dat" ] ||
  "$build/bench/data_files/data_files_bench" "$build/fixtures" > /dev/null

work=$(mktemp -d)
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp > /dev/null 2>&1 &
xvfb=$!
trap 'kill $wm $xvfb 2> /dev/null; rm -rf "$work"' EXIT
export DISPLAY=$display
for _ in $(seq 100); do xdpyinfo > /dev/null 2>&1 && break; sleep 0.05; done
openbox > /dev/null 2>&1 &
wm=$!
sleep 0.5

# Prints "FIRST_MS MAIN_MS RSS_KB": COMMAND's first shown window, its first that is no splash screen.
measure() {
  python3 - "$@" <<'PY'
import os, subprocess, sys, time
home, cmd = sys.argv[1], sys.argv[2:]
env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=home + "/.config", XDG_RUNTIME_DIR=home,
           XDG_DATA_HOME=home + "/.local/share", XDG_CACHE_HOME=home + "/.cache")
start = time.monotonic()
p = subprocess.Popen(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env)
took = first = -1
while time.monotonic() - start < 20 and p.poll() is None:
    ids = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(p.pid)],
                         capture_output=True, text=True).stdout.split()
    if ids and first < 0:
        first = (time.monotonic() - start) * 1000
    for w in ids:
        kind = subprocess.run(["xprop", "-id", w, "_NET_WM_WINDOW_TYPE"], capture_output=True, text=True).stdout
        if "SPLASH" not in kind:
            took = (time.monotonic() - start) * 1000
            break
    if took >= 0:
        break
    time.sleep(0.002)
time.sleep(3)
rss = 0
try:
    for line in open("/proc/%d/status" % p.pid):
        if line.startswith("VmRSS:"):
            rss = int(line.split()[1])
except OSError:
    pass
p.terminate()
try:
    p.wait(10)
except subprocess.TimeoutExpired:
    p.kill()
print("%.0f %.0f %d" % (first, took, rss))
PY
}

home() { # NAME [full]: a fresh home; for the player "No sound", and the big data files with "full"
  rm -rf "${work:?}/$1"
  mkdir -p "$work/$1/.config/Sonvaro"
  printf '[Preferences]\nBASS_QutputDevice=0\nBASS_FadeOut=0\n' > "$work/$1/.config/Sonvaro/Sonvaro.ini"
  if [ "${2:-}" = full ]; then cp "$data/MediaLibary.dat" "$data/PlayList.dat" "$work/$1/.config/Sonvaro/"; fi
  echo "$work/$1"
}

names=(empty full)
for r in $(seq "$rounds"); do
  measure "$(home empty)" "$build/src/app/sonvaro" >> "$work/empty.txt"
  measure "$(home full full)" "$build/src/app/sonvaro" >> "$work/full.txt"
  if command -v audacious > /dev/null; then
    measure "$(home aud)" audacious >> "$work/audacious.txt"
  fi
  if command -v strawberry > /dev/null; then
    measure "$(home straw)" strawberry >> "$work/strawberry.txt"
  fi
done

median() { sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
show() { # FILE LABEL
  [ -s "$1" ] || return 0
  printf '  %-54s first %5s ms, main %5s ms, resident %5.1f MB\n' "$2" "$(cut -d' ' -f1 "$1" | median)" \
    "$(cut -d' ' -f2 "$1" | median)" "$(cut -d' ' -f3 "$1" | median | awk '{ print $1 / 1024 }')"
}
echo "== a window shown (the splash stays 1 s), the main window, resident memory 3 s later (median of $rounds)"
show "$work/empty.txt" "sonvaro, empty data files:"
show "$work/full.txt" "sonvaro, 100,000-entry library, 10,000-row playlist:"
show "$work/audacious.txt" "audacious, fresh home:"
show "$work/strawberry.txt" "strawberry, fresh home:"
exit 0
