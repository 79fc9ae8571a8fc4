#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: first the release build (warnings
# are errors), then the whole suite again under AddressSanitizer + UndefinedBehaviorSanitizer.
# ORLOMAT_SKIP_ASAN=1 skips the second run.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

export QT_QPA_PLATFORM=offscreen
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/ccache}"

presets=(release)
if [ "${ORLOMAT_SKIP_ASAN:-0}" != "1" ]; then
  presets+=(asan)
fi

for preset in "${presets[@]}"; do
  echo "=== $preset ==="
  cmake --preset "$preset" -DORLOMAT_WERROR=ON
  cmake --build --preset "$preset"
  ctest --preset "$preset" -j2
done
