#!/usr/bin/env bash
# Reading the 2,000 tagged files of bench/library.sh as a folder handed to the
# player: `sonvaro --headless TREE` on "No sound", from the process start to
# the line showing the first title, net of the same for one file of the tree
# (`sonvaro --headless FILE`: start-up, engine and the first sound). Beside a
# TagLib C loop over the same files in the same run; interleaved rounds,
# medians. The library scan with MediaLib_CPU 0 reads the files the same way
# (bench/library.sh times it in-process).
set -euo pipefail
build=${1:?usage: tag_reading.sh BUILD_DIR}
build=$(cd "$build" && pwd)
rounds=${TAG_READING_ROUNDS:-7}
tree="$build/fixtures/bench-library/tree"
[ -f "$build/fixtures/bench-library/done" ] || bash "$(dirname "$0")/library.sh" "$build" > /dev/null
# The first file in name order, whose title is the first one shown.
first="$tree/Artist 0/Album 0/1 Track 0.mp3"
[ -s "$first" ] || { echo "the tree has no '$first'" >&2; exit 1; }
title="Song number 0 of the night"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Milliseconds from the start of COMMAND... to its first output line holding TEXT.
until_line() {
  python3 - "$@" <<'PY'
import os, subprocess, sys, time
text, env_home, cmd = sys.argv[1], sys.argv[2], sys.argv[3:]
env = dict(os.environ)
env["XDG_CONFIG_HOME"] = env_home
# A socket of its own: another player of this user would take the files over.
env["XDG_RUNTIME_DIR"] = env_home
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

config() { # FOLDER: a data folder with "No sound"
  rm -rf "$1"
  mkdir -p -m 0700 "$1"
  mkdir -p "$1/Sonvaro"
  printf '[Preferences]\nBASS_QutputDevice=0\n' > "$1/Sonvaro/Sonvaro.ini"
}

median() { sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

: > "$work/one"
: > "$work/tree"
: > "$work/net"
: > "$work/peer"
# A first pass that is not counted brings the files into the page cache for all.
"$build/bench/library/library_bench" taglib-loop "$tree" > /dev/null
for r in $(seq "$rounds"); do
  config "$work/c"
  one=$(until_line "$title" "$work/c" "$build/src/app/sonvaro" --headless "$first")
  config "$work/c"
  all=$(until_line "$title" "$work/c" "$build/src/app/sonvaro" --headless "$tree")
  echo "$one" >> "$work/one"
  echo "$all" >> "$work/tree"
  echo $((all - one)) >> "$work/net"
  "$build/bench/library/library_bench" taglib-loop "$tree" >> "$work/peer"
done
files=$(find "$tree" -type f | wc -l)
net=$(median < "$work/net")
peer=$(median < "$work/peer")
echo "== reading $files tagged files handed over as a folder, to the first title (headless, \"No sound\"), median of $rounds"
echo "  the folder: $(median < "$work/tree") ms; one file of it: $(median < "$work/one") ms"
echo "  net of the one-file start: $net ms; TagLib C loop over the same files: $peer ms; ratio $(awk -v a="$net" -v b="$peer" 'BEGIN { printf "%.2f", a / b }') (target <= 1.0)"
echo "  rounds (net, peer): $(paste -d/ "$work/net" "$work/peer" | tr '\n' ' ')"
exit 0
