#!/usr/bin/env bash
# make-template-prefix.sh <folder>
# The Wine prefix that the end-to-end cases copy: a 64-bit prefix with no crash dialog and a
# temporary folder whose name has blanks ("C:\temp with blanks"), so that every path the setup
# builds from it must survive quoting.
set -euo pipefail
template=$1
wine=/usr/lib/wine/wine64
export WINEPREFIX=$template WINEARCH=win64 WINEDEBUG=-all
WINEDLLOVERRIDES="mscoree,mshtml=" timeout 120 "$wine" wineboot -i >/dev/null 2>&1
timeout 60 "$wine" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null
timeout 60 "$wine" reg add 'HKCU\Environment' /v TEMP /d 'C:\temp with blanks' /f >/dev/null
timeout 60 "$wine" reg add 'HKCU\Environment' /v TMP /d 'C:\temp with blanks' /f >/dev/null
mkdir -p "$template/drive_c/temp with blanks"
timeout 60 /usr/lib/wine/wineserver -w
