#!/usr/bin/env bash
# Idle cost of the hotkey polling on a private Xvfb, beside a bare XQueryKeymap loop.
set -euo pipefail
build=${1:-build}
seconds=${SECONDS_PER_RUN:-20}
tmp=$(mktemp -d)
Xvfb -displayfd 3 -nolisten tcp -screen 0 640x480x24 3>"$tmp/display" 2>/dev/null &
xpid=$!
trap 'kill $xpid 2>/dev/null || true; wait $xpid 2>/dev/null || true; rm -rf "$tmp"' EXIT
for _ in $(seq 200); do [ -s "$tmp/display" ] && break; sleep 0.05; done
DISPLAY=":$(head -1 "$tmp/display")" "$build/bench/hotkeys/hotkeys_bench" "$seconds" "$xpid"
