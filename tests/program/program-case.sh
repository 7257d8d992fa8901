#!/usr/bin/env bash
# program-case.sh <case>
# One case of the real setup program under Wine (run-program-cases.sh prepares the packages, the
# locales and the template prefix and passes them in PROGRAM_*). The case gets a copy of the template
# prefix and a download server of its own, starts the setup, lets the driver play the user, and checks
# the setup's exit code, the texts its dialog got (recorded inside the dialog's thread), its log, what
# the product's programs received and what is installed. Leaves PASS, or FAIL with the reason, in its
# folder, and the pictures of the dialog in its "pictures" folder.
set -euo pipefail
name=$1
dir=$PROGRAM_CASES/$name
prefix=$dir/prefix
www=$dir/www/downloads/skelv/skelv_v31
wine=/usr/lib/wine/wine64
root=$(cd "$(dirname "$0")/../.." && pwd)
export WINEPREFIX=$prefix WINEDEBUG=-all WINEARCH=win64
rm -rf "$dir" && mkdir -p "$www" "$dir/pictures"
cp -a "$PROGRAM_TEMPLATE" "$prefix"

temp_dir="$prefix/drive_c/temp with blanks"
log_path='C:\temp with blanks\KORVOSkelvInstall.log'
records="$prefix/drive_c/korvo-e2e"
bin='C:\Program Files\Halvorsk\KORVO Skelv\intel_a\code\bin'
launch_id=42

source "$root/tests/support/wine-case.sh"
cleanup() {
  stop_case_processes
  python3 "$root/tests/dialog/win32/bmp_to_png.py" "$dir"/pictures/*.bmp 2>/dev/null && rm -f "$dir"/pictures/*.bmp
  [ -n "${PROGRAM_KEEP_PREFIX:-}" ] || rm -rf "$prefix"
}
trap cleanup EXIT
trap 'exit 1' TERM

offer() { cp "$PROGRAM_PACKAGES/$1" "$www/$2"; }
offer_all() {
  offer runtime.msi InstallHVSoftwarePrerequisites_x86_x64.msi
  offer msxml.msi msxml6_x64.msi
  offer product-3.1.0.msi KORVOSkelv.msi
}

# language <code> <locale or C>: the user interface language of the setup and the texts it must show.
# Only the setup and the driver get the locale (this script's shell cannot load a compiled one).
locale_env=(LANG=C LC_ALL=C)
language() {
  if [ "$2" != C ]; then locale_env=(LOCPATH="$PROGRAM_LOCALES" LANG="$2" LC_ALL="$2"); fi
  python3 "$(dirname "$0")/catalogue_texts.py" "$1" "$log_path" >"$dir/texts.txt"
}

# run_setup <expected exit code> <driver scenario> [driver arguments...]: the setup (the program
# `setup` names; the build's by default) with the driver at its dialog, both bounded in time.
setup=$PROGRAM_SETUP
run_setup() {
  local expected=$1 scenario=$2 code=0 verdict=0
  shift 2
  export KORVOSkelv_Server=127.0.0.1:$(cat "$dir/port")
  env "${locale_env[@]}" timeout 100 "$wine" "$setup" >"$dir/setup-output.txt" 2>&1 &
  local setup=$!
  env "${locale_env[@]}" timeout 100 "$wine" "$PROGRAM_DRIVER" "$scenario" "$(host_path "$dir/texts.txt")" \
    "$(host_path "$dir/pictures")" "$@" >"$dir/driver-output.txt" 2>&1 || verdict=$?
  wait "$setup" || code=$?
  [ -f "$records/dialog.txt" ] && cp "$records/dialog.txt" "$dir/dialog.txt"
  local log="$temp_dir/KORVOSkelvInstall.log"
  [ -f "$log" ] && sed -e 's/\r$//' -e 's/^[0-9][0-9]\/[0-9][0-9]\/[0-9][0-9] - [0-9:]*: //' "$log" |
    iconv -f LATIN1 -t UTF-8 >"$dir/log.txt"
  [ "$verdict" -eq 0 ] || fail "the driver found the dialog not as expected: $(grep FAIL "$dir/driver-output.txt" | paste -sd '|')"
  [ -f "$dir/log.txt" ] || fail "no setup log"
  [ "$code" -eq "$expected" ] || fail "the setup ended with exit code $code, expected $expected"
}

# The texts the dialog's status text (-1) or end message (1017) got, in order, as catalogue numbers
# ("?" for a text that is not in the catalogue).
texts_got() {
  awk -F'\t' -v control="$1" '
    FNR == NR { id[$2] = $1; next }
    $0 ~ "^text " control " " { text = substr($0, length("text " control " ") + 1); print (text in id) ? id[text] : "?" text }
  ' "$dir/texts.txt" "$dir/dialog.txt" | paste -sd ' '
}
expect_texts() {
  [ -f "$dir/dialog.txt" ] || fail "nothing was recorded in the dialog"
  local got
  got=$(texts_got "$1")
  [ "$got" = "$2" ] || fail "control $1 got the texts [$got], expected [$2]"
}
expect_progress() {
  grep -qE '^progress [1-9]' "$dir/dialog.txt" || fail "the progress bar was never moved"
}

log_has() { grep -qxF -- "$1" "$dir/log.txt" || fail "the log lacks [$1]"; }
log_lacks() { ! grep -qF -- "$1" "$dir/log.txt" || fail "the log holds [$1]"; }

# The status texts of a whole successful run: the prerequisites the start-up scan found missing
# (the log says which), then the product, the texture tool's notice and the optimizer.
prerequisite_texts() {
  local texts=""
  if grep -qxF "VC8 prerequisites are not installed" "$dir/log.txt"; then texts+="120 121 "; fi
  if ! grep -qxF " Prereqs MSXML OK" "$dir/log.txt"; then texts+="122 123 "; fi
  echo "$texts"
}
successful_run_texts() { echo "$(prerequisite_texts)124 125 131 134 142 130"; }

product_installed() {
  timeout 60 "$wine" reg query 'HKLM\SOFTWARE\Halvorsk\KORVOSkelv' >/dev/null 2>&1
}

install_case() {
  offer_all
  # Slices held back a little, so that the product's download shows long enough for its picture.
  start_server --slice-delay 0.2
  Appli_LaunchId=$launch_id run_setup 0 install
  expect_texts -1 "$(successful_run_texts)"
  expect_texts 1017 ""
  expect_progress
  log_has "IDOK"
  log_has "OUT->ThreadDownloadInstall () OK "
  # The application is started and not waited for.
  for _ in $(seq 50); do [ -s "$records/app.txt" ] && break; sleep 0.2; done
  [ "$(cat "$records/app.txt" 2>/dev/null)" = "\"$bin\\SkelvApp.exe\" -open  $launch_id  -mode 0" ] ||
    fail "the application was not started as expected: [$(cat "$records/app.txt" 2>/dev/null)]"
}

case $name in
  install-en)
    language en C
    # MSXML 6 switched off for the setup (and what it starts), so that both prerequisites are needed.
    WINEDLLOVERRIDES="msxml6=" install_case
    [ "$(prerequisite_texts)" = "120 121 122 123 " ] || fail "not both prerequisites were needed"
    ;;
  install-de)
    language de de_AT.UTF-8
    install_case
    ;;
  install-ja)
    language ja ja_JP.UTF-8
    install_case
    ;;
  fail-download)
    language en C
    # The product's package is missing from the server.
    offer runtime.msi InstallHVSoftwarePrerequisites_x86_x64.msi
    start_server
    run_setup 3 fail
    expect_texts -1 "$(prerequisite_texts)124"
    expect_texts 1017 137
    log_has "IDCANCEL"
    log_has "OUT->ThreadDownloadInstall () KO "
    grep -q '^/downloads/skelv/skelv_v31/KORVOSkelv.msi ' "$dir/requests.txt" || fail "the product was never asked for"
    product_installed && fail "the product is installed"
    ;;
  cancel-no-then-yes)
    language en C
    offer_all
    # Slow slices, so that the product's download spans both questions with seconds to spare on a
    # busy machine: the driver needs about three slices from the first question to the second.
    start_server --slice-delay 1.0
    run_setup 2 cancel
    expect_texts -1 "$(prerequisite_texts)124"
    expect_texts 1017 140
    log_has "IDCANCEL"
    log_has "OUT->DownloadPrereqs () CANCEL"
    [ "$(grep -c '^CANCEL APPLI$' "$dir/log.txt")" -eq 2 ] || fail "the log does not hold two cancel requests"
    product_installed && fail "the product is installed"
    ;;
  blocked)
    language en C
    timeout 60 "$wine" reg add 'HKCU\Software\Wine' /v Version /d nt40 /f >/dev/null
    timeout 60 /usr/lib/wine/wineserver -w
    start_server
    run_setup 2 blocked
    log_has "IDCANCEL"
    log_lacks "IN->ThreadDownloadInstall"
    ;;
  planted-dlls)
    language en C
    # The setup started from a Downloads folder that holds DLLs named like those it loads itself and
    # like those the system's DLLs load by name once it runs, each looked for there first (as Windows
    # does for DLLs that are not known DLLs): a whole installation, and none of them loaded.
    # Not planted: the DLLs the program imports and those they import in turn (kernel32, user32,
    # advapi32, version, ...). Wine loads all of them before the program's first instruction and,
    # unlike Windows, takes even known DLLs from the program's folder when told to; planting them
    # would test Wine, not the setup (tools/imports keeps the program's imports to known DLLs). Nor
    # the DLLs Wine's own DLLs load through delay-loads (uxtheme, msimg32, iphlpapi, dnsapi, nsi):
    # Wine resolves those without the program's restricted DLL search, where Windows applies it.
    planted_dlls="msi wininet wintrust ws2_32 crypt32 urlmon cabinet bcrypt dbghelp imagehlp mspatcha odbccp32
      sxs mpr msisip rsaenh cryptsp propsys windowscodecs"
    mkdir -p "$dir/Downloads"
    cp "$PROGRAM_SETUP" "$dir/Downloads/"
    setup=$dir/Downloads/$(basename "$PROGRAM_SETUP")
    for name in $planted_dlls; do cp "$(dirname "$PROGRAM_DRIVER")/planted_dll.dll" "$dir/Downloads/$name.dll"; done
    planted_loads() { iconv -f UTF-16LE -t UTF-8 "$records/planted-dlls.txt" 2>/dev/null | tr '\r\n' ' '; }
    # The install's own verdict comes second: a planted DLL that ran may well have broken it.
    (WINEDLLOVERRIDES="$(echo $planted_dlls | tr ' ' ,)=n,b" install_case) || true
    if [ -f "$records/planted-dlls.txt" ]; then fail "planted DLLs were loaded: $(planted_loads)"; fi
    if [ -f "$dir/FAIL" ]; then exit 1; fi
    ;;
  second-copy)
    language en C
    start_server
    run_setup 2 second "$(host_path "$PROGRAM_SETUP")"
    # The first copy's lines up to its dialog, then the second copy's begin line and administrator
    # test appended, then the first copy's end.
    begin="Begin bootstrap setup for KORVO Skelv installation"
    [ "$(grep -cxF "$begin" "$dir/log.txt")" -eq 2 ] || fail "the log does not hold both copies' begin lines"
    order=$(grep -nxF -e "$begin" -e "Version 06-11-2009.20.00" -e "IDCANCEL" "$dir/log.txt" | cut -d: -f2- | paste -sd '|')
    [ "$order" = "$begin|Version 06-11-2009.20.00|$begin|IDCANCEL" ] || fail "log order: [$order]"
    ;;
  *)
    fail "no such case"
    ;;
esac
echo "$SECONDS s" >"$dir/PASS"
