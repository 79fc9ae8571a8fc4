#!/usr/bin/env bash
# Installs, with apt-get, the Debian packages the build and the tests need that are missing,
# after saying which. ORLOMAT_NO_INSTALL=1: only say which are missing, install nothing.
set -euo pipefail

packages=(
  # the build and the tests
  g++ cmake ninja-build ccache pkg-config python3
  libgtest-dev libgmock-dev libbenchmark-dev python3-xlib
  qt6-base-dev qt6-serialport-dev libqcustomplot-dev poppler-utils
  qt6-translations-l10n locales xvfb xdotool
  # what a screen reader reads (tests/gui/atspi_names.py, station_day.py)
  python3-pyatspi at-spi2-core dbus-daemon
  # the checks: formatting and clang-tidy
  clang-format clang-tidy
  # the Windows cross build of the plain layers, and Wine to run its tests
  g++-mingw-w64-x86-64-posix googletest wine wine64
  # the download log's JSON reader (header-only, also for the Windows build)
  nlohmann-json3-dev
  # the results page printed on one A4 sheet (tests/app/contest_ranking.py)
  chromium
  # the whole program for Windows (scripts/windows.sh): Qt's sources, the installer, the zip,
  # and Wine's own fonts (Tahoma, which the window takes on Windows) for its test
  dpkg-dev xz-utils nsis zip imagemagick fonts-wine
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "${ORLOMAT_NO_INSTALL:-0}" = "1" ]; then
  echo "Missing Debian packages (not installed, ORLOMAT_NO_INSTALL=1): ${missing[*]}"
  exit 0
fi

echo "Installing these missing Debian packages with apt-get (ORLOMAT_NO_INSTALL=1 skips this): ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
