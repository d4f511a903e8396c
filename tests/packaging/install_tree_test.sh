#!/usr/bin/env bash
# Installs the build into a scratch DESTDIR with prefix /usr and compares the
# tree with the list a package of the player should hold.
set -euo pipefail
build=$1
cmake=${2:-cmake}
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT
DESTDIR="$dest" "$cmake" --install "$build" --prefix /usr >/dev/null
actual=$(cd "$dest" && find . -type f | sort)
expected='./usr/bin/sonvaro
./usr/share/applications/sonvaro.desktop
./usr/share/icons/hicolor/scalable/apps/sonvaro.svg
./usr/share/man/man1/sonvaro.1
./usr/share/metainfo/org.sonvaro.Sonvaro.metainfo.xml
./usr/share/mime/packages/sonvaro.xml
./usr/share/sonvaro/help/index.html'
if [ "$actual" != "$expected" ]; then
  echo "install tree differs:"; diff <(echo "$expected") <(echo "$actual") || true
  exit 1
fi
# Nothing may land outside DESTDIR's /usr, and the binary answers.
"$dest/usr/bin/sonvaro" --version | grep -qx 'Sonvaro 1.09'
# The man page formats without warnings.
warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$dest/usr/share/man/man1/sonvaro.1" 2>&1 >/dev/null || true)
[ -z "$warnings" ] || { echo "man page: $warnings"; exit 1; }
echo "install tree ok"
