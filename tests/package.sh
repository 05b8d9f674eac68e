#!/usr/bin/env bash
# Builds the Debian package from a built tree and checks what it holds.
# Usage: package.sh <build folder> <source folder>
set -euo pipefail
build=$1 source=$2

desktop-file-validate "$source"/packaging/*.desktop

cd "$build"
rm -f lichtpult_*.deb
cpack -G DEB >/dev/null
deb=$(ls lichtpult_*.deb)
contents=$(dpkg-deb -c "$deb")
echo "$contents"
for path in ./usr/bin/lichtpult ./usr/bin/lichtpult-demo ./usr/bin/lichtpult-sim \
            ./usr/share/applications/lichtpult.desktop ./usr/share/applications/lichtpult-demo.desktop \
            ./usr/share/icons/hicolor/scalable/apps/lichtpult.svg; do
  grep -q " $path\$" <<<"$contents" || { echo "missing from $deb: $path"; exit 1; }
done
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
grep -q 'libqt6widgets6' <<<"$depends" || { echo "no Qt runtime in Depends"; exit 1; }
echo "1 passed, 0 failed"
