#!/usr/bin/env bash
# Installs the build into a scratch DESTDIR with prefix /usr and compares the
# tree with the list a package of the player should hold.
set -euo pipefail
build=$1
cmake=${2:-cmake}
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT
DESTDIR="$dest" "$cmake" --install "$build" --prefix /usr >/dev/null
actual=$(cd "$dest" && find . -type f | LC_ALL=C sort)
expected='./usr/bin/sonvaro
./usr/share/applications/sonvaro.desktop
./usr/share/doc/sonvaro/changelog.gz
./usr/share/doc/sonvaro/copyright
./usr/share/icons/hicolor/128x128/apps/sonvaro.png
./usr/share/icons/hicolor/16x16/apps/sonvaro.png
./usr/share/icons/hicolor/22x22/apps/sonvaro.png
./usr/share/icons/hicolor/24x24/apps/sonvaro.png
./usr/share/icons/hicolor/256x256/apps/sonvaro.png
./usr/share/icons/hicolor/32x32/apps/sonvaro.png
./usr/share/icons/hicolor/48x48/apps/sonvaro.png
./usr/share/icons/hicolor/64x64/apps/sonvaro.png
./usr/share/icons/hicolor/scalable/apps/sonvaro.svg
./usr/share/man/man1/sonvaro.1.gz
./usr/share/metainfo/org.sonvaro.Sonvaro.metainfo.xml
./usr/share/mime/packages/sonvaro.xml
./usr/share/sonvaro/help/index.html'
if [ "$actual" != "$expected" ]; then
  echo "install tree differs:"; diff <(echo "$expected") <(echo "$actual") || true
  exit 1
fi
# Each rendered icon has the size its folder names (a PNG's width and height
# are the big-endian words at bytes 16 and 20).
for png in "$dest"/usr/share/icons/hicolor/*x*/apps/sonvaro.png; do
  size=$(basename "$(dirname "$(dirname "$png")")")
  read -r w1 w2 w3 w4 h1 h2 h3 h4 < <(od -An -tu1 -j16 -N8 "$png")
  got="$(( (w1 << 24) | (w2 << 16) | (w3 << 8) | w4 ))x$(( (h1 << 24) | (h2 << 16) | (h3 << 8) | h4 ))"
  [ "$got" = "$size" ] || { echo "$png is $got"; exit 1; }
done
# Nothing may land outside DESTDIR's /usr, and the binary answers.
"$dest/usr/bin/sonvaro" --version | grep -qx 'Sonvaro 1.09'
# The man page formats without warnings.
warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$dest/usr/share/man/man1/sonvaro.1.gz" 2>&1 >/dev/null || true)
[ -z "$warnings" ] || { echo "man page: $warnings"; exit 1; }
echo "install tree ok"
