#!/usr/bin/env bash
# make-install-prefix.sh <wine prefix> <out.msi>
# A fresh Wine prefix of its own for the installation tests, whose temporary folder has blanks in
# its name ("C:\temp with blanks"), and a product package to install in it.
set -euo pipefail
prefix=$1 msi=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
rm -rf "$prefix" "$prefix.lock"
export WINEPREFIX=$prefix
run() { bash "$root/scripts/wine-run.sh" "$@" >/dev/null; }
run reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f
run reg add 'HKCU\Environment' /v TEMP /d 'C:\temp with blanks' /f
run reg add 'HKCU\Environment' /v TMP /d 'C:\temp with blanks' /f
mkdir -p "$prefix/drive_c/temp with blanks"
# The programs started next read the environment as the registry now has it.
WINEPREFIX=$prefix /usr/lib/wine/wineserver -w
bash "$root/tools/packages/make-product-msi.sh" "$msi" 3.1.0
