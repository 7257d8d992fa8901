#!/usr/bin/env bash
# install-case.sh <case>
# One case of the whole install run under Wine (run-install-cases.sh prepares the packages and the
# template prefix and passes them in E2E_DRIVER, E2E_PACKAGES, E2E_TEMPLATE, E2E_CASES). The case
# gets a copy of the template prefix and a download server of its own, runs the driver, and checks
# the driver's record of the worker's messages, its exit code, what Windows Installer registered,
# the product's registry key, the command lines the product's programs received, the setup log and
# the package folder. Leaves PASS, or FAIL with the reason, in its folder.
set -euo pipefail
name=$1
dir=$E2E_CASES/$name
prefix=$dir/prefix
www=$dir/www/downloads/skelv/skelv_v31
wine=/usr/lib/wine/wine64
export WINEPREFIX=$prefix WINEDEBUG=-all WINEARCH=win64
rm -rf "$dir" && mkdir -p "$www"
cp -a "$E2E_TEMPLATE" "$prefix"

product_code='{5E1A7C42-90B3-4F6E-A2D8-3C71B94E0F15}'
runtime_code='{E8B52D19-C7A0-4F36-B1D4-6A9E03C2F571}'
msxml_code='{4B6E1F3A-8C2D-4E5F-9A7B-1C3D5E7F9A2B}'
temp_dir="$prefix/drive_c/temp with blanks"
records="$prefix/drive_c/korvo-e2e"
install_path='C:\Program Files\Halvorsk\KORVO Skelv\intel_a'
bin="$install_path\\code\\bin"

status_text() {
  case $1 in
    120) echo "Downloading VC8 prerequisites..." ;;
    121) echo "Installing VC8 prerequisites..." ;;
    122) echo "Downloading MSXML 6.0..." ;;
    123) echo "Installing MSXML 6.0..." ;;
    124) echo "Downloading KORVO Skelv installer..." ;;
    125) echo "Installing KORVO Skelv..." ;;
    131) echo "Expanding textures and launching Graphic Optimizer..." ;;
    139) echo "Cancel in progress..." ;;
    141) echo "Setup was canceled. Removing KORVO Skelv..." ;;
    142) echo "Launching Graphic Optimizer..." ;;
    *) echo "no text $1" ;;
  esac
}

# Every end stops the case's programs and server, keeps the installers' logs and, unless
# E2E_KEEP_PREFIX is set, removes the prefix (some 700 MB).
source "$(dirname "$0")/../support/wine-case.sh"
cleanup() {
  stop_case_processes
  mkdir -p "$dir/installer-logs"
  cp "$temp_dir"/*.log "$dir/installer-logs/" 2>/dev/null || true
  [ -n "${E2E_KEEP_PREFIX:-}" ] || rm -rf "$prefix"
}
trap cleanup EXIT
trap 'exit 1' TERM

offer() { cp "$E2E_PACKAGES/$1" "$www/$2"; }
preinstall() {
  timeout 60 "$wine" msiexec /i "$(host_path "$E2E_PACKAGES/$1")" /q || fail "msiexec could not preinstall $1"
}

# run_driver <expected exit code> <driver options...>; environment for the run before the call.
run_driver() {
  local expected=$1 code=0
  shift
  KORVOSkelv_Server=127.0.0.1:$(cat "$dir/port") timeout 170 "$wine" "$E2E_DRIVER" run "$@" \
    >"$dir/driver-output.txt" 2>&1 || code=$?
  [ -f "$records/messages.txt" ] && cp "$records/messages.txt" "$dir/record.txt"
  local log="$temp_dir/KORVOSkelvInstall.log"
  [ -f "$log" ] && sed -e 's/\r$//' -e 's/^[0-9][0-9]\/[0-9][0-9]\/[0-9][0-9] - [0-9:]*: //' "$log" >"$dir/log.txt"
  [ "$code" -eq "$expected" ] || fail "the driver ended with $code, expected $expected"
  [ -f "$dir/record.txt" ] || fail "no record of the worker's messages"
  [ -f "$dir/log.txt" ] || fail "no setup log"
}

# The status texts in the order they came, given as catalogue numbers.
expect_statuses() {
  local expected="" id
  for id in "$@"; do expected+="$(status_text "$id")"$'\n'; done
  local got
  got=$(sed -n 's/^1283 0 //p' "$dir/record.txt")
  [ "$got"$'\n' = "$expected" ] || fail "status texts: got [$(echo "$got" | paste -sd '|')], expected [$(printf '%s' "$expected" | paste -sd '|')]"
}

# Exactly one final message, the given one ("<number> <name> <wParam> <lParam>"), followed by the
# worker's result.
expect_final() {
  local finals
  finals=$(grep -E '^128[1456] ' "$dir/record.txt" | paste -sd '|')
  [ "$finals" = "$1" ] || fail "final messages: got [$finals], expected [$1]"
  [ "$(tail -n 1 "$dir/record.txt")" = "result $2" ] || fail "the record does not end with: result $2"
}

# expect_registered <upgrade code> <0|1> [version]
expect_registered() {
  local got
  got=$(timeout 60 "$wine" "$E2E_DRIVER" query "$1" | tr -d '\r')
  if [ "$2" = 1 ]; then
    [ "$got" = "1 $3" ] || fail "Windows Installer has [$got] for $1, expected [1 $3]"
  else
    [ "${got%% *}" = 0 ] || fail "Windows Installer still has [$got] for $1"
  fi
}

registry_value() {
  timeout 60 "$wine" reg query 'HKLM\SOFTWARE\Halvorsk\KORVOSkelv' /v "$1" 2>/dev/null | tr -d '\r' |
    sed -n "s/^ *$1 *REG_SZ *//p"
}

expect_product_key() {
  [ "$(registry_value InstallPath)" = "$install_path" ] || fail "InstallPath is [$(registry_value InstallPath)]"
  [ "$(registry_value CmdLine)" = "\"$bin\\SkelvApp.exe\" -open {0} -mode 0" ] ||
    fail "CmdLine is [$(registry_value CmdLine)]"
}

# expect_tool_record <role> <whole command line>; "-" for: the program never ran.
expect_tool_record() {
  local file="$records/$1.txt"
  if [ "$2" = - ]; then
    [ ! -f "$file" ] || fail "$1 ran: $(cat "$file")"
    return
  fi
  [ -f "$file" ] || fail "$1 never ran"
  [ "$(cat "$file")" = "$2" ] || fail "$1 received [$(cat "$file")], expected [$2]"
}

texture_command() {
  local window
  window=$(sed -n 's/^window //p' "$dir/record.txt")
  echo "\"$bin\\VolTexturesGeneration.exe\" -p  \"$install_path\" -hWnd $window"
}
optimizer_command() {
  echo "\"$bin\\VolSTART.exe\" -run \"LumoGraphicsOptimizerApplication\" -env KORVO_Skelv -direnv \"C:\\Program Files\\Halvorsk\\KORVO Skelv\\VolEnv\" -nowindow"
}

# The texture tool's reports reached the window.
expect_texture_reports() {
  local got
  got=$(grep -E '^CUSTOM_UPDATE_' "$dir/record.txt" | paste -sd '|')
  [ "$got" = "CUSTOM_UPDATE_PROGRESS 1 3|CUSTOM_UPDATE_PROGRESS 2 3|CUSTOM_UPDATE_PROGRESS 3 3|CUSTOM_UPDATE_LOWEXPAND" ] ||
    fail "texture tool reports: [$got]"
}

# The product's download reports one step per 512 KiB slice after the first, then the range itself.
expect_download_progress() {
  local size slice=524288 rest steps range expected got position
  size=$(stat -c %s "$www/KORVOSkelv.msi")
  rest=$((size - slice))
  steps=$(((rest + slice - 1) / slice))
  range=$((rest / slice - 1))
  expected="1282 0 $range"
  for ((position = 1; position <= steps; position++)); do expected+="|1282 $position $range"; done
  expected+="|1282 $range $range"
  got=$(sed -n "/^1283 0 $(status_text 124)\$/,/^1283 /p" "$dir/record.txt" | grep '^1282 ' | paste -sd '|')
  [ "$got" = "$expected" ] || fail "the product's download progress: got [$got], expected [$expected]"
}

expect_question() {
  grep -qxF "question KORVO Skelv Setup | Are you sure you want to cancel KORVO Skelv installation?" "$dir/record.txt" ||
    fail "no cancel question was answered"
}

log_has() { grep -qxF -- "$1" "$dir/log.txt" || fail "the log lacks [$1]"; }
log_lacks() { ! grep -qF -- "$1" "$dir/log.txt" || fail "the log holds [$1]"; }

# The worker's own lines around the run and the package folder, gone at every end.
expect_worker_log() {
  log_has "IN->ThreadDownloadInstall ()"
  grep -qxE 'Temporary folder : C:\\temp with blanks\\KORVOS[0-9]+\\' "$dir/log.txt" ||
    fail "the log lacks the package folder line"
  log_has "OUT->ThreadDownloadInstall () $1 "
  [ "$(grep -c '^OUT->ThreadDownloadInstall ()' "$dir/log.txt")" -eq 1 ] || fail "more than one end line"
  local left
  left=$(find "$temp_dir" -maxdepth 1 -name 'KORVOS*' -type d | head -n 1)
  [ -z "$left" ] || fail "the package folder is still there: $left"
}

expect_requests_only_for() {
  local other
  other=$(cut -d' ' -f1 "$dir/requests.txt" | grep -vxF "/downloads/skelv/skelv_v31/$1" || true)
  [ -z "$other" ] || fail "unexpected requests: $(echo "$other" | sort -u | paste -sd ' ')"
}

case $name in
  fresh)
    offer runtime.msi InstallHVSoftwarePrerequisites_x86_x64.msi
    offer msxml.msi msxml6_x64.msi
    offer product-3.1.0.msi KORVOSkelv.msi
    start_server
    run_driver 1 --vc8 --msxml
    expect_statuses 120 121 122 123 124 125 131 142
    expect_final "1281 succeeded 0 0" 1
    expect_registered "$runtime_code" 1 8.1.3
    expect_registered "$msxml_code" 1 6.10.1129
    expect_registered "$product_code" 1 3.1.0
    expect_product_key
    expect_tool_record texture "$(texture_command)"
    expect_tool_record start "$(optimizer_command)"
    expect_tool_record app -
    expect_texture_reports
    expect_download_progress
    expect_worker_log OK
    ;;
  prereqs-present)
    preinstall runtime.msi
    preinstall msxml.msi
    offer runtime.msi InstallHVSoftwarePrerequisites_x86_x64.msi
    offer msxml.msi msxml6_x64.msi
    offer product-3.1.0.msi KORVOSkelv.msi
    start_server
    run_driver 1 --scan-prereqs
    expect_statuses 124 125 131 142
    expect_final "1281 succeeded 0 0" 1
    expect_requests_only_for KORVOSkelv.msi
    expect_registered "$product_code" 1 3.1.0
    expect_worker_log OK
    # From the package folder straight to the product's download.
    grep -A1 '^Temporary folder : ' "$dir/log.txt" | tail -n 1 | grep -qxF "IN->DownloadPrereqs ()" ||
      fail "the product's download does not follow the package folder line"
    ;;
  unsigned | bad-signature | stranger-signed)
    case $name in
      unsigned) offer product-3.1.0-unsigned.msi KORVOSkelv.msi ;;
      bad-signature) offer product-3.1.0-bad-signature.msi KORVOSkelv.msi ;;
      # Signed, and the chain trusted under Wine, but by a certificate anyone could have made.
      stranger-signed) offer product-3.1.0-stranger.msi KORVOSkelv.msi ;;
    esac
    start_server
    run_driver 3
    expect_statuses 124
    expect_final "1284 failed 0 context" 3
    expect_registered "$product_code" 0
    expect_tool_record texture -
    expect_worker_log KO
    if [ "$name" = stranger-signed ]; then
      grep -q '^Package signer "O=Someone Else, CN=Halvorsk" (public key [0-9a-f]*) is neither the publisher Halvorsk nor a pinned signer$' \
        "$dir/log.txt" || fail "the log does not name the refused signer"
    fi
    ;;
  held-package)
    # While the product's installer runs, another process may read the verified package but not
    # change, rename or delete it; the installation itself goes through.
    offer product-3.1.0.msi KORVOSkelv.msi
    start_server
    run_driver 1 --probe-at 125
    grep -qxF "probe write=refused rename=refused delete=refused read=done" "$dir/record.txt" ||
      fail "the probe got [$(grep '^probe' "$dir/record.txt")]"
    expect_final "1281 succeeded 0 0" 1
    expect_registered "$product_code" 1 3.1.0
    expect_worker_log OK
    ;;
  planted-by-user)
    # Before the run, a program of the user plants a folder with a file at the package folder's
    # name, a link to another folder at the next one, and a hard link to another file at the log's
    # name. The run uses a fresh folder after them and leaves all three and what they name alone.
    offer product-3.1.0.msi KORVOSkelv.msi
    start_server
    target="$prefix/drive_c/planted-target"
    mkdir -p "$target" && echo mine >"$target/mine.txt"
    echo "keep me" >"$prefix/drive_c/precious.ini"
    (
      for _ in $(seq 300); do [ -s "$records/pid.txt" ] && break; sleep 0.1; done
      pid=$(tr -d '\r\n' <"$records/pid.txt")
      mkdir "$temp_dir/KORVOS$pid" && echo planted >"$temp_dir/KORVOS$pid/planted.txt"
      ln -s "$target" "$temp_dir/KORVOS$((pid + 1))"
      ln -f "$prefix/drive_c/precious.ini" "$temp_dir/KORVOSkelvInstall.log"
      touch "$records/planted"
    ) &
    run_driver 1 --wait-for-plant
    pid=$(tr -d '\r\n' <"$records/pid.txt")
    log_has "Temporary folder : C:\\temp with blanks\\KORVOS$((pid + 2))\\"
    expect_final "1281 succeeded 0 0" 1
    expect_registered "$product_code" 1 3.1.0
    [ "$(ls "$temp_dir/KORVOS$pid")" = planted.txt ] && [ "$(cat "$temp_dir/KORVOS$pid/planted.txt")" = planted ] ||
      fail "the planted folder was changed: $(ls "$temp_dir/KORVOS$pid")"
    [ -L "$temp_dir/KORVOS$((pid + 1))" ] || fail "the planted link is gone"
    [ "$(ls "$target")" = mine.txt ] || fail "the link's target was written: $(ls "$target")"
    [ "$(cat "$prefix/drive_c/precious.ini")" = "keep me" ] || fail "the file behind the log's hard link was changed"
    log_has "OUT->ThreadDownloadInstall () OK "
    [ ! -e "$temp_dir/KORVOS$((pid + 2))" ] || fail "the run's own package folder is still there"
    ;;
  unchecked-unsigned)
    offer product-3.1.0-unsigned.msi KORVOSkelv.msi
    start_server
    NO_CHECK_PACKAGE_SIGNED=1 run_driver 1
    expect_statuses 124 125 131 142
    expect_final "1281 succeeded 0 0" 1
    expect_registered "$product_code" 1 3.1.0
    expect_worker_log OK
    ;;
  cancel-download)
    offer product-3.1.0.msi KORVOSkelv.msi
    # Slow slices, so that Cancel comes while the download still runs.
    start_server --slice-delay 0.3
    run_driver 2 --cancel-at 124
    expect_statuses 124
    expect_question
    expect_final "1286 canceled 0 context" 2
    expect_registered "$product_code" 0
    log_has "OUT->DownloadPrereqs () CANCEL"
    slices=$(( ($(stat -c %s "$www/KORVOSkelv.msi") + 524287) / 524288 ))
    [ "$(grep -c . "$dir/requests.txt")" -lt "$slices" ] || fail "the whole package was fetched despite the cancel"
    log_lacks "IN->InstallMSI ()"
    expect_worker_log CANCEL
    ;;
  cancel-install)
    offer product-3.1.0.msi KORVOSkelv.msi
    start_server
    run_driver 2 --cancel-at 125
    expect_statuses 124 125 139 141
    expect_question
    expect_final "1286 canceled 0 context" 2
    expect_registered "$product_code" 0
    expect_tool_record texture -
    log_has "OUT->InstallMSI () CANCEL"
    log_has "IN->RemoveMSI ()"
    expect_worker_log CANCEL
    ;;
  texture-cancels | texture-fails)
    offer product-3.1.0.msi KORVOSkelv.msi
    start_server
    if [ "$name" = texture-cancels ]; then
      KORVO_TEST_TEXTURE_EXIT=2 run_driver 2
      expect_statuses 124 125 131 141
      expect_final "1286 canceled 0 context" 2
      expect_registered "$product_code" 0
      expect_worker_log CANCEL
    else
      KORVO_TEST_TEXTURE_EXIT=5 run_driver 3
      expect_statuses 124 125 131
      expect_final "1285 expand-failed 0 context" 3
      expect_registered "$product_code" 1 3.1.0
      expect_product_key
      log_has "OUT->ExpandTextures::Expand ()KO"
      expect_worker_log KO
    fi
    expect_tool_record texture "$(texture_command)"
    expect_tool_record start -
    ;;
  no-expand)
    offer product-3.1.0.msi KORVOSkelv.msi
    start_server
    KORVO_NOEXPAND=1 run_driver 1
    expect_statuses 124 125 142
    expect_final "1281 succeeded 0 0" 1
    expect_tool_record texture -
    expect_tool_record start "$(optimizer_command)"
    log_has "Expand of textures is skipped because variable KORVO_NOEXPAND is set"
    expect_worker_log OK
    ;;
  optimizer-fails)
    offer product-3.1.0.msi KORVOSkelv.msi
    start_server
    KORVO_TEST_START_EXIT=5 run_driver 1
    expect_statuses 124 125 131 142
    expect_final "1281 succeeded 0 0" 1
    expect_tool_record start "$(optimizer_command)"
    log_has "Graphic Optimizer failed - rc = 5"
    expect_worker_log OK
    ;;
  launch)
    offer product-3.1.0.msi KORVOSkelv.msi
    start_server
    Appli_LaunchId=42 run_driver 1 --launch
    expect_final "1281 succeeded 0 0" 1
    # The application is not waited for.
    for _ in $(seq 100); do [ -s "$records/app.txt" ] && break; sleep 0.2; done
    # "{0}" becomes the identifier with a blank on each side; the "0" further on stays.
    expect_tool_record app "\"$bin\\SkelvApp.exe\" -open  42  -mode 0"
    log_has "launch = \"$bin\\SkelvApp.exe\" -open  42  -mode 0"
    ;;
  upgrade)
    preinstall product-3.0.0.msi
    expect_registered "$product_code" 1 3.0.0
    offer product-3.1.0.msi KORVOSkelv.msi
    start_server
    run_driver 1
    expect_final "1281 succeeded 0 0" 1
    expect_registered "$product_code" 1 3.1.0
    expect_product_key
    expect_worker_log OK
    ;;
  upgrade-refused)
    # The package refuses to install and rolls back: the older version stays, and that is a failure.
    preinstall product-3.0.0.msi
    offer product-3.2.0-refused.msi KORVOSkelv.msi
    start_server
    run_driver 3
    expect_statuses 124 125
    expect_final "1284 failed 0 context" 3
    expect_registered "$product_code" 1 3.0.0
    log_has "KORVO Skelv installer failed with exit code 1603"
    expect_worker_log KO
    ;;
  reinstall)
    # The version file may be unusable, so the setup goes on as a first installation over the same
    # version: the installer's success and the package's version registered make it a success.
    preinstall product-3.1.0.msi
    offer product-3.1.0.msi KORVOSkelv.msi
    start_server
    run_driver 1
    expect_statuses 124 125 131 142
    expect_final "1281 succeeded 0 0" 1
    expect_registered "$product_code" 1 3.1.0
    expect_worker_log OK
    ;;
  *)
    fail "no such case"
    ;;
esac
echo "$SECONDS s" >"$dir/PASS"
