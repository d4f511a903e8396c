#!/usr/bin/env bash
# A packager's build: with -DSONVARO_TESTS=OFF, and inside another project,
# only the player is configured (no tests, no benchmarks, no test libraries needed).
set -euo pipefail
src=$1
cmake=${2:-cmake}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

check() {
  local targets
  targets=$(ninja -C "$1" -t targets all | sed -n 's/^\([A-Za-z0-9_]*\): phony$/\1/p' | sort -u)
  grep -qx sonvaro <<<"$targets" || { echo "$2: the player is not configured"; exit 1; }
  local extra
  extra=$(grep -E -x '[a-z_]+_(tests|bench)|ui_screenshots' <<<"$targets" || true)
  [ -z "$extra" ] || { echo "$2: configured anyway:" $extra; exit 1; }
}

"$cmake" -S "$src" -B "$work/off" -G Ninja -DSONVARO_TESTS=OFF >/dev/null
check "$work/off" "-DSONVARO_TESTS=OFF"

mkdir "$work/outer"
cat >"$work/outer/CMakeLists.txt" <<END
cmake_minimum_required(VERSION 3.25)
project(outer LANGUAGES C CXX)
add_subdirectory("$src" sonvaro)
END
"$cmake" -S "$work/outer" -B "$work/outer/build" -G Ninja >/dev/null
check "$work/outer/build" "subproject"
echo "configure options ok"
