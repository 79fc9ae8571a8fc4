#!/usr/bin/env bash
# Installs what is missing, checks the formatting, builds, and runs every test: the `ci`
# build (release, warnings are errors) with clang-tidy over the program's sources, the whole
# suite again under AddressSanitizer + UndefinedBehaviorSanitizer (`ci-asan`), and the Windows
# cross build of the plain layers under Wine (`windows-cross`), then the whole program for
# Windows with its installer under Wine where Qt for Windows was built (scripts/windows.sh).
# The CI presets keep their own build folders, so the release and asan builds of a developer
# keep their own settings.
# ORLOMAT_SKIP_ASAN=1, ORLOMAT_SKIP_TIDY=1 and ORLOMAT_SKIP_WINDOWS=1 skip those steps.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

export QT_QPA_PLATFORM=offscreen
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/ccache}"

times=()
step() { # step NAME COMMAND...: runs it and notes how long it took
  local name=$1 start=$SECONDS
  shift
  echo "=== $name ==="
  "$@"
  times+=("$name: $((SECONDS - start)) s")
}

sources() {
  git ls-files -- '*.cpp' '*.h' 2>/dev/null ||
    find core analysis files contest device ui app tools tests bench -name '*.cpp' -o -name '*.h'
}

suite() { # suite PRESET
  cmake --preset "$1"
  cmake --build --preset "$1"
  ctest --preset "$1" -j2
}

# clang-tidy over the program's own sources (the headers they include come along through
# .clang-tidy). Tests and benchmarks are left out: they would double the time of the check.
# Sign changes stay out as in the g++ build, whose -Wconversion leaves them out (clang's does not).
tidy() {
  git ls-files -- 'core/*.cpp' 'analysis/*.cpp' 'files/*.cpp' 'contest/*.cpp' 'device/*.cpp' 'ui/*.cpp' \
    'app/*.cpp' 'tools/*.cpp' | xargs -P2 -n4 clang-tidy -p build/ci --quiet --extra-arg=-Wno-sign-conversion
}

step format bash -c "$(declare -f sources); sources | xargs clang-format --dry-run -Werror"
step ci suite ci
if [ "${ORLOMAT_SKIP_TIDY:-0}" != "1" ]; then
  step clang-tidy tidy
fi
if [ "${ORLOMAT_SKIP_ASAN:-0}" != "1" ]; then
  step ci-asan suite ci-asan
fi
windows_note=""
if [ "${ORLOMAT_SKIP_WINDOWS:-0}" != "1" ]; then
  step windows-cross suite windows-cross
  # The whole program for Windows needs Qt built for it once (scripts/windows.sh deps): a
  # fresh machine without that cache passes the rest and says so.
  if bash scripts/windows.sh ready; then
    step windows-build bash scripts/windows.sh build
    step windows-test bash scripts/windows.sh test
  else
    windows_note="WINDOWS: NOT BUILT — run \`bash scripts/windows.sh deps\` once, about 90 min"
  fi
fi
printf '%s\n' "${times[@]}"
if [ -n "$windows_note" ]; then
  echo
  echo "$windows_note"
fi
