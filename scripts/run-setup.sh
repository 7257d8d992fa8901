#!/usr/bin/env bash
# Builds the setup program and runs it under Wine (in a virtual X display when none is open), then
# prints the log it wrote. Set LANG (e.g. LANG=de_DE.UTF-8) to see another language.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

cmake --preset mingw64 >/dev/null
cmake --build --preset mingw64 --target KORVOSkelvSetup
exe=build/mingw64/setup/KORVOSkelvSetup.exe

# Wine takes the user's interface language from the host locale, which must exist: compile it if
# the system does not have it (LANG=de_DE.UTF-8 gives the German texts).
locale_name=${LANG:-C.UTF-8}
locale_name=${locale_name%%.*}
if [ "$locale_name" != C ] && [ "$locale_name" != POSIX ] &&
   ! locale -a 2>/dev/null | grep -qix "$locale_name.utf-\?8"; then
  export LOCPATH="$PWD/build/locales"
  if [ ! -d "$LOCPATH/$locale_name.UTF-8" ]; then
    mkdir -p "$LOCPATH"
    localedef -i "$locale_name" -f UTF-8 "$LOCPATH/$locale_name.UTF-8" || [ $? -le 1 ]
  fi
  export LANG="$locale_name.UTF-8" LC_ALL="$locale_name.UTF-8"
fi

export WINEPREFIX="$PWD/build/mingw64/wineprefix-demo"
run=(bash scripts/wine-run.sh "$exe")
if [ -z "${DISPLAY:-}" ]; then run=(xvfb-run -a "${run[@]}"); fi
echo "Running $exe under Wine (prefix $WINEPREFIX)..."
"${run[@]}" || true

log=$(find "$WINEPREFIX/drive_c/users" -path '*/Temp/KORVOSkelvInstall.log' 2>/dev/null | head -n 1)
if [ -z "$log" ]; then
  echo "No log was written." >&2
  exit 1
fi
echo "--- $log"
iconv -f LATIN1 -t UTF-8 "$log" | tr -d '\r'
