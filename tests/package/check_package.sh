#!/usr/bin/env bash
# Builds the Debian package from a configured build folder and checks what it installs.
set -euo pipefail
build="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$build" && cpack -G DEB -B "$work/out" >/dev/null)
deb=$(ls "$work"/out/*.deb)
dpkg-deb -f "$deb" Package Version Depends
dpkg -x "$deb" "$work/root"
for f in usr/bin/OrlomatBMP usr/bin/orlomat usr/bin/orlomat-emulator \
         usr/share/doc/orlomatbmp/Orl_HELPA.html usr/share/doc/orlomatbmp/Orl_HELPP.html \
         usr/share/doc/orlomatbmp/screenshot-main-en.png \
         usr/share/applications/orlomatbmp.desktop \
         usr/share/icons/hicolor/scalable/apps/orlomatbmp.svg; do
  if [ ! -e "$work/root/$f" ]; then
    echo "missing from the package: $f"
    exit 1
  fi
done
# Every picture the installed manuals show is installed beside them.
doc="$work/root/usr/share/doc/orlomatbmp"
for img in $(grep -ho 'src="[^"]*"' "$doc"/Orl_HELP?.html | sed 's/src="//; s/"$//' | sort -u); do
  if [ ! -e "$doc/$img" ]; then
    echo "a manual shows a picture the package lacks: $img"
    exit 1
  fi
done
# The installed tool runs from the throw-away root.
"$work/root/usr/bin/orlomat" --help >/dev/null
echo "package ok: $(basename "$deb")"
