#!/usr/bin/env bash
# Runs a Windows executable under 64-bit Wine. Used as CMake's cross-compiling emulator, so ctest runs
# the MinGW test executables here. WINEPREFIX (set per build folder by CMake) is created on first use,
# under a lock, because ctest may start several tests at once.
set -euo pipefail
: "${WINEPREFIX:=${KORVO_WINEPREFIX:-$HOME/.wine-korvo}}"
export WINEPREFIX WINEDEBUG=-all WINEARCH=win64
wine=/usr/lib/wine/wine64
mkdir -p "$(dirname "$WINEPREFIX")"
(
  flock 9
  if [ ! -f "$WINEPREFIX/.korvo-ready" ]; then
    # No Mono or Gecko installer prompts in a headless prefix.
    WINEDLLOVERRIDES="mscoree,mshtml=" "$wine" wineboot -i >/dev/null 2>&1 || true
    /usr/lib/wine/wineserver -w || true
    touch "$WINEPREFIX/.korvo-ready"
  fi
) 9>"$WINEPREFIX.lock"
exec "$wine" "$@"
