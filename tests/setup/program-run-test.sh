#!/usr/bin/env bash
# program-run-test.sh <KORVOSkelvSetup.exe> <dialog_driver.exe> <scratch folder>
# Runs the real program twice under Wine with an Austrian German user interface and reads the log it
# leaves in %TEMP%: German texts in Latin-1 bytes, the line format, CR LF, and a second run that
# replaces the first run's lines. Each run's dialog is cancelled by the driver (on the X display
# that xvfb-run gives this script).
set -euo pipefail
exe=$1 driver=$2 scratch=$3
root=$(cd "$(dirname "$0")/../.." && pwd)
mkdir -p "$scratch"

# Wine takes the user's language from the host locale, which must exist.
locales=$scratch/locales
mkdir -p "$locales"
if [ ! -f "$locales/de_AT.UTF-8/LC_MESSAGES/SYS_LC_MESSAGES" ]; then
  localedef -i de_AT -f UTF-8 "$locales/de_AT.UTF-8" || [ $? -le 1 ]
fi
export LOCPATH=$locales LANG=de_AT.UTF-8 LC_ALL=de_AT.UTF-8

fail() { echo "FAIL: $*" >&2; exit 1; }

log_of_run() {
  "$root/scripts/wine-run.sh" "$exe" &
  local program=$!
  "$root/scripts/wine-run.sh" "$driver" cancel "$scratch/cancelled" >&2 || fail "the dialog could not be cancelled"
  wait "$program" || true
  local log
  log=$(find "$WINEPREFIX/drive_c/users" -path '*/Temp/KORVOSkelvInstall.log' | head -n 1)
  [ -n "$log" ] || fail "no log written"
  cat "$log"
}

first=$(log_of_run | od -An -c | tr -s ' ')
second_raw=$scratch/second.log
log_of_run >"$second_raw"

export LC_ALL=C
[ "$(wc -l <"$second_raw")" -eq 27 ] || fail "expected 27 lines (the second run only), got $(wc -l <"$second_raw")"
stamp='[0-9][0-9]/[0-9][0-9]/[0-9][0-9] - [0-2][0-9]:[0-5][0-9]:[0-5][0-9]'
expected=(
  "Beginn des Bootstrap-Setups f"$'\xfc'"r die Installation von KORVO Skelv"
  "IN-> IsUserAdmin()"
  "OUT-> IsUserAdmin()"
  "IN-> IsOSAuthorized()"
  ""
  "OUT-> IsOSAuthorized() - OK "
  "IN-> IsVideoCardOK()"
  "Name der Grafikkarte = Wine Adapter"
  "Grafikspeicher = 0  MB"
  "OUT-> IsVideoCardOK() - OK "
  "IN->CheckNeedInstall ()"
  "KORVO Skelv is not installed"
  "OUT->CheckNeedInstall  returns true"
  "IN-> IsEnoughDiskSpace()"
  "<free> Byte"
  "OUT-> IsEnoughDiskSpace() - OK "
  "Version 06-11-2009.20.00"
  "IN->CheckAllPrereqs ()"
  "IN->IsPrereqVC8 ()"
  "VC8 prerequisites are not installed"
  "OUT->IsPrereqVC8  VC8 Prerequistes need to be installed"
  "IN->IsPrereqMSXML ()"
  " Prereqs MSXML OK"
  "OUT->IsPrereqMSXML ()"
  "OUT->CheckAllPrereqs ()"
  "IDCANCEL"
  "Ende des Bootstrap-Setups f"$'\xfc'"r die Installation von KORVO Skelv"
)
i=0
while IFS= read -r line; do
  [[ $line == *$'\r' ]] || fail "line $((i + 1)) does not end with CR LF"
  line=${line%$'\r'}
  [[ $line =~ ^$stamp:\  ]] || fail "line $((i + 1)) has no time stamp: $line"
  text=${line#*: }
  [[ $text =~ ^[0-9]+\ Byte$ ]] && text="<free> Byte"  # the prefix volume's free space varies
  [ "$text" = "${expected[$i]}" ] || fail "line $((i + 1)): got '$text', expected '${expected[$i]}'"
  i=$((i + 1))
done <"$second_raw"
[ -n "$first" ] || fail "the first run wrote nothing"
echo "program log OK: 27 lines, Latin-1, CR LF, second run replaced the first"
