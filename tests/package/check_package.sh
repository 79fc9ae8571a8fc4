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
# The installed tool runs from the throw-away root.
"$work/root/usr/bin/orlomat" --help >/dev/null
echo "package ok: $(basename "$deb")"
