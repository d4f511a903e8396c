#!/usr/bin/env bash
# Window-side benchmark figures (offscreen Qt, no display needed).
set -euo pipefail
build=${1:-build}
fixtures="$build/fixtures/bench"
mkdir -p "$fixtures"
wav="$fixtures/short-0.2s.wav"
[ -s "$wav" ] || sox -n -r 44100 -c 2 -b 16 "$wav" synth 0.2 sine 440 vol 0.5
# The scan measurement reuses the tagged tree of the library benchmark.
tree="$build/fixtures/bench-library/tree"
[ -f "$build/fixtures/bench-library/done" ] || bash "$(dirname "$0")/library.sh" "$build" >/dev/null
QT_QPA_PLATFORM=offscreen "$build/bench/ui/ui_bench" "$wav" "$(realpath "$tree")"
