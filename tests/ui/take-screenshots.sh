#!/usr/bin/env bash
# Pictures of the three main-window layouts, the splash and the tool windows, for review.
# Usage: tests/ui/take-screenshots.sh [BUILD_DIR]   (default: build)
set -euo pipefail
build=${1:-build}
out="$build/screenshots"
cmake --build "$build" --target ui_screenshots
mkdir -p "$out"
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" "$build/tests/ui/ui_screenshots" "$out"
