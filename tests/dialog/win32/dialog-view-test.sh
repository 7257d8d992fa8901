#!/usr/bin/env bash
# dialog-view-test.sh <KORVOSkelvSetup.exe> <dialog_driver.exe> <scratch folder>
# Runs the real program under Wine (on the X display xvfb-run gives it) four times: once with every
# start-up check passed, where the driver finds the licence step, ticks the check box and cancels; once
# on a Windows version the setup refuses, where it finds the reason with the help link and only Cancel;
# and twice with messages posted from outside: a forged status message and Enter in the licence step,
# then a success message after a failed run. Each run must end as cancelled. Pictures of the dialog
# are left in the scratch folder as PNG.
set -euo pipefail
exe=$1 driver=$2 scratch=$3
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
mkdir -p "$scratch"
export LANG=C.UTF-8 LC_ALL=C.UTF-8

fail() { echo "FAIL: $*" >&2; exit 1; }

# One run of the program with the driver at its dialog; the run's log must end with the cancel, and
# the program's exit code tell how the dialog ended (2 cancelled or closed, 3 failed).
run_with_driver() {
  local mode=$1 expected_exit=$2
  "$root/scripts/wine-run.sh" "$exe" &
  local program=$!
  local verdict=0 exit_code=0
  "$root/scripts/wine-run.sh" "$driver" "$mode" "$scratch/$mode" || verdict=$?
  wait "$program" || exit_code=$?
  [ "$verdict" -eq 0 ] || fail "the $mode dialog is not as expected"
  [ "$exit_code" -eq "$expected_exit" ] || fail "the $mode run exited with $exit_code, not $expected_exit"
  local log
  log=$(find "$WINEPREFIX/drive_c/users" -path '*/Temp/KORVOSkelvInstall.log' | head -n 1)
  [ -n "$log" ] || fail "no log written"
  tr -d '\r' <"$log" | grep -q ': IDCANCEL$' || fail "the $mode run did not end as cancelled"
}

# The Windows version Wine reports: its own default, then Windows NT 4.0, which the operating system
# check refuses. The prefix stays from one test run to the next, so the default is set back first.
wine_version() {
  if [ -n "$1" ]; then
    "$root/scripts/wine-run.sh" reg add 'HKCU\Software\Wine' /v Version /d "$1" /f >/dev/null
  else
    "$root/scripts/wine-run.sh" reg delete 'HKCU\Software\Wine' /v Version /f >/dev/null 2>&1 || true
  fi
  /usr/lib/wine/wineserver -w
}

# Each run in a subshell of its own, so that one failing run does not hide the others.
failures=0
wine_version ""
(run_with_driver ready 2) || failures=$((failures + 1))
# A crash must end the program rather than wait for a click on Wine's crash dialog.
"$root/scripts/wine-run.sh" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null
(run_with_driver foreign 2) || failures=$((failures + 1))
# The run fails at once on a port where nothing listens (one just found free); a failed run ends
# with exit code 3.
free_port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
(KORVOSkelv_Server=127.0.0.1:$free_port run_with_driver late-end 3) || failures=$((failures + 1))
wine_version nt40
(run_with_driver blocked 2) || failures=$((failures + 1))
[ "$failures" -eq 0 ] || fail "$failures of the dialog's runs failed"

python3 "$here/bmp_to_png.py" "$scratch"/*.bmp
echo "dialog OK: licence step and refusal, pictures in $scratch"
