#!/usr/bin/env bash
# The Debian package as a user gets it: lintian finds no error and no warning,
# apt installs it with what it depends on, the installed program answers
# --version, reads a file with --info and plays it headless in a fresh home,
# and `apt-get purge` leaves nothing of it behind (the MIME database that a
# trigger rebuilt included). It installs into the system, so it runs as root
# (or through sudo) and is not one of ctest's tests: CI calls it after
# `make package`.
#   tests/packaging/deb_package_test.sh build/sonvaro_<version>_amd64.deb
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 PACKAGE.deb (one)" >&2; exit 2; }
deb=$(realpath "$1")
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
work=$(mktemp -d)
ours=0  # set while this run's package is installed: a failing run takes it out again
trap 'if [ $ours = 1 ]; then $SUDO apt-get purge -y -qq sonvaro >/dev/null 2>&1 || true; fi; rm -rf "$work"' EXIT
fail() {
  echo "deb package: $*" >&2
  exit 1
}
installed() { [ "$(dpkg-query -W -f='${db:Status-Status}' sonvaro 2>/dev/null)" = installed ]; }

version=$(dpkg-deb -f "$deb" Version)
[ "$(dpkg-deb -f "$deb" Package)" = sonvaro ] || fail "not the sonvaro package"

# Info tags are allowed; their list is in the lintian output.
lintian --fail-on error,warning --display-info "$deb" >"$work/lintian.txt" 2>&1 || status=$?
grep -v '^running with root privileges' "$work/lintian.txt" || true
[ "${status:-0}" -eq 0 ] || fail "lintian found errors or warnings"

# One left over from an earlier run goes first, so that the purge below is this run's.
if dpkg-query -W sonvaro >/dev/null 2>&1; then $SUDO apt-get purge -y -qq sonvaro >/dev/null; fi
mime_db=/usr/share/mime/audio/x-umx.xml
[ ! -e "$mime_db" ] || fail "$mime_db is there before the package"

$SUDO apt-get install -y -qq "$deb" >"$work/install.log" 2>&1 || { cat "$work/install.log"; fail "apt-get install"; }
ours=1
installed || fail "not installed after apt-get install"
# shared-mime-info's trigger ran over the package's MIME type.
if [ -e /usr/share/mime/packages/freedesktop.org.xml ]; then
  [ -e "$mime_db" ] || fail "the MIME database does not know audio/x-umx"
fi

# The installed program, in a home and runtime folder of its own, without a display.
home="$work/home"
runtime="$work/runtime"
mkdir -p "$home"
mkdir -m 0700 "$runtime"
player() {
  env -i PATH=/usr/bin:/bin LANG=C.UTF-8 HOME="$home" XDG_CONFIG_HOME="$home/.config" \
    XDG_DATA_HOME="$home/.local/share" XDG_CACHE_HOME="$home/.cache" XDG_STATE_HOME="$home/.local/state" \
    XDG_RUNTIME_DIR="$runtime" timeout 60 /usr/bin/sonvaro "$@" </dev/null
}
[ "$(player --version)" = "Sonvaro $version" ] || fail "--version says '$(player --version)'"

sox -n -r 44100 -c 2 -b 16 "$work/probe.wav" synth 1 sine 440
lame --quiet --tt Probeton --ta Sonvaro "$work/probe.wav" "$work/probe.mp3"
player --info "$work/probe.mp3" >"$work/info.txt" || fail "--info failed: $(cat "$work/info.txt")"
for line in title=Probeton artist=Sonvaro channels=2 sampleRate=44100 type=MP3; do
  grep -qx "$line" "$work/info.txt" || fail "--info lacks $line:"$'\n'"$(cat "$work/info.txt")"
done

player --headless "$work/probe.mp3" >"$work/play.out" 2>"$work/play.err" ||
  fail "--headless ended with $?:"$'\n'"$(cat "$work/play.out" "$work/play.err")"
grep -q Gestoppt "$work/play.out" || fail "--headless did not play to the end:"$'\n'"$(cat "$work/play.out")"
[ -s "$home/.config/Sonvaro/Sonvaro.ini" ] || fail "no Sonvaro.ini in the data folder"
# Nothing but the data folder in the home. In the runtime folder only the
# single-instance lock stays: removing a lock file others may be waiting on
# would let two players start.
others=$(find "$home" "$runtime" -mindepth 1 -not -type d |
  grep -v -e "^$home/.config/Sonvaro/" -e "^$runtime/sonvaro.sock.lock\$" || true)
[ -z "$others" ] || fail "the player left files outside its data folder:"$'\n'"$others"

# Everything the package brought, and what the triggers made of it, goes with the purge;
# a folder stays only where another package has it too.
dpkg-query -L sonvaro | grep -vx '/\.' >"$work/files"
$SUDO apt-get purge -y -qq sonvaro >"$work/purge.log" 2>&1 || { cat "$work/purge.log"; fail "apt-get purge"; }
ours=0
! installed || fail "still installed after apt-get purge"
left=()
while IFS= read -r path; do
  [ -e "$path" ] || [ -L "$path" ] || continue
  if [ -d "$path" ] && [ ! -L "$path" ] && dpkg-query -S "$path" >/dev/null 2>&1; then continue; fi
  left+=("$path")
done <"$work/files"
[ ${#left[@]} -eq 0 ] || fail "left after the purge: ${left[*]}"
[ ! -e "$mime_db" ] || fail "$mime_db is still there after the purge"
echo "deb package ok: sonvaro $version"
