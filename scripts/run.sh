#!/usr/bin/env bash
# Installs what is missing, builds, and starts OrlomatBMP on a synthetic demo flight. When
# the configured altimeter port is not present, the bundled altimeter emulator stands in for
# this run, so "Odczyt Orlomatu" / "Read Altimeter" reads a flight from it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release --target OrlomatBMP orlomat-synth orlomat-emulator

bin=build/release
demo="$bin/demo-flight.dat"
"$bin/tools/orlomat-synth" --code 2 --competitor 12 --serial 345 -o "$demo"

# The stored port (first 8 bytes of the settings file beside the program), "COM5" by default.
port="COM5"
par="$bin/app/OrlomatBMP.par"
if [ -f "$par" ]; then
  port=$(head -c 8 "$par" | tr -d '\0')
fi
case "$port" in
  /*) device="$port" ;;
  *) device="/dev/$port" ;;
esac

args=()
if [ ! -e "$device" ]; then
  emulator_out=$(mktemp)
  "$bin/tools/orlomat-emulator" --blocks --competitor 7 --serial 2016 --code 1 >"$emulator_out" &
  emulator=$!
  trap 'kill $emulator 2>/dev/null; rm -f "$emulator_out"' EXIT INT TERM HUP
  for _ in $(seq 50); do
    [ -s "$emulator_out" ] && break
    sleep 0.1
  done
  emulated=$(head -n 1 "$emulator_out")
  echo "No altimeter at $port: the emulator answers on $emulated for this run."
  args+=(--port "$emulated")
fi

"$bin/app/OrlomatBMP" "${args[@]}" "$demo"
