#!/bin/sh
# wine-run.sh PREFIX PROGRAM [ARGS...]: runs a Windows program under Wine in the prefix
# PREFIX. The prefix is created once, under a lock, because test discovery and parallel
# tests all start here and a half-made prefix would fail them all.
set -eu
WINEPREFIX="$1"
shift
WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko download prompts: the test programs need neither.
WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES
# Folders of the DLLs the programs load (Qt, the C++ runtime), ':'-separated Linux paths.
if [ -n "${ORLOMAT_WINE_DLL_DIRS:-}" ]; then
  WINEPATH=$(printf '%s' "$ORLOMAT_WINE_DLL_DIRS" | sed 's|:/|;Z:/|g; s|^|Z:|; s|/|\\|g')
  export WINEPATH
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      wineboot --init >/dev/null 2>&1 || true
      wineserver --wait || true
    fi
  ) 9>"$WINEPREFIX.lock"
fi
exec wine "$@"
