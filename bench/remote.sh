#!/usr/bin/env bash
# Remote commands against a running headless player on "No sound".
set -euo pipefail
build=${1:-build}
home=$(mktemp -d)
trap 'kill $pid 2>/dev/null || true; wait $pid 2>/dev/null || true; rm -rf "$home"' EXIT
mkdir -p "$home/Sonvaro"
printf '[Preferences]\nBASS_QutputDevice=0\n' > "$home/Sonvaro/Sonvaro.ini"
XDG_CONFIG_HOME="$home" XDG_RUNTIME_DIR="$home" "$build/src/app/sonvaro" --headless --stay > /dev/null 2>&1 &
pid=$!
for _ in $(seq 100); do [ -S "$home/sonvaro.sock" ] && break; sleep 0.05; done
"$build/bench/remote/remote_bench" "$home/sonvaro.sock"
