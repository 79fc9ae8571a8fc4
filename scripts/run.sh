#!/usr/bin/env bash
# Installs what is missing, builds, and starts OrlomatBMP on a synthetic demo flight.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release --target OrlomatBMP orlomat-synth

demo="build/release/demo-flight.dat"
build/release/tools/orlomat-synth --code 2 --competitor 12 --serial 345 -o "$demo"
exec build/release/app/OrlomatBMP "$demo"
