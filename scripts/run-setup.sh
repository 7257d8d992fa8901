#!/usr/bin/env bash
# The demo: builds the setup program as it is published (the 64-bit release build, scripts/release.sh,
# signed with this checkout's throwaway certificate, build/release-signer/, whose key it pins), the
# stand-ins of the product's own programs and the driver that plays the user; makes the sample
# packages, signed with that same certificate, and serves them from a download server on
# 127.0.0.1; then runs the setup under Wine in a fresh prefix of its own (on $DISPLAY when one is open,
# else in a virtual display) while the driver goes through a whole successful installation, taking a
# picture of each state. Prints where the log and the pictures are, and the log.
#   LANG=de_DE.UTF-8 bash scripts/run-setup.sh      the same in German (de, es, fr, it, ja, else English)
#   KORVO_DEMO_BY_HAND=1 bash scripts/run-setup.sh  with $DISPLAY set: no driver, you click yourself
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
demo=$root/build/demo
setup_program=build/mingw64-release/signed/KORVOSkelvSetup.exe
signer=$root/build/release-signer
wine=/usr/lib/wine/wine64

if [ -z "${KORVO_DEMO_STAGE:-}" ]; then
  bash scripts/release.sh --only 64
  cmake --preset mingw64 >/dev/null
  cmake --build --preset mingw64 --target program_driver dialog_text_recorder \
    product_texture_standin product_start_standin product_app_standin
  rm -rf "$demo" && mkdir -p "$demo/pictures"
  echo "Making the signed sample packages..."
  KORVO_SIGNER_DIR=$signer bash tools/packages/make-sample-packages.sh build/mingw64/tests/install "$demo/packages" >/dev/null
  if [ -z "${DISPLAY:-}" ]; then
    KORVO_DEMO_BY_HAND='' KORVO_DEMO_STAGE=run exec xvfb-run -a -s "-nolisten tcp -screen 0 1024x768x24" bash "$0"
  fi
fi

# Wine takes the user's interface language from the host locale, which must exist: compile it if
# the system does not have it.
locale_name=${LANG:-C.UTF-8}
locale_name=${locale_name%%.*}
if [ "$locale_name" != C ] && [ "$locale_name" != POSIX ] &&
  ! locale -a 2>/dev/null | grep -qix "$locale_name.utf-\?8"; then
  export LOCPATH="$root/build/locales"
  [ -d "$LOCPATH/$locale_name.UTF-8" ] || sh tests/catalogue/make-test-locales.sh localedef "$LOCPATH" "$locale_name"
  export LANG="$locale_name.UTF-8" LC_ALL="$locale_name.UTF-8"
fi
language=${locale_name:0:2}  # the expected texts: English for a language without a table of its own

# A fresh prefix, the cases' template: the product is not installed yet.
export WINEPREFIX=$demo/wineprefix WINEDEBUG=-all WINEARCH=win64
echo "Making a fresh Wine prefix..."
bash tests/support/make-template-prefix.sh "$WINEPREFIX"
# The end-to-end cases' own steps: the server, the stop of every program in the prefix, host paths.
dir=$demo
source tests/support/wine-case.sh
trap 'stop_case_processes; cat "$demo/FAIL" 2>/dev/null || true' EXIT

www=$demo/www/downloads/skelv/skelv_v31
mkdir -p "$www"
cp "$demo/packages/runtime.msi" "$www/InstallHVSoftwarePrerequisites_x86_x64.msi"
cp "$demo/packages/msxml.msi" "$www/msxml6_x64.msi"
cp "$demo/packages/product-3.1.0.msi" "$www/KORVOSkelv.msi"
start_server --slice-delay 0.2  # slices held back a little, so that the download shows long enough to be seen
export KORVOSkelv_Server=127.0.0.1:$(cat "$demo/port") Appli_LaunchId=demo

log="$WINEPREFIX/drive_c/temp with blanks/KORVOSkelvInstall.log"
python3 tests/program/catalogue_texts.py "$language" 'C:\temp with blanks\KORVOSkelvInstall.log' >"$demo/texts.txt"

echo "Running the setup under Wine (download server $KORVOSkelv_Server)..."
"$wine" "$setup_program" &
setup=$!
if [ -n "${KORVO_DEMO_BY_HAND:-}" ]; then
  echo "The dialog is yours: answer the test server's notice, accept, Install, Close."
else
  "$wine" build/mingw64/tests/program/program_driver.exe install "$(host_path "$demo/texts.txt")" \
    "$(host_path "$demo/pictures")" || echo "The driver found something unexpected (see above)."
fi
code=0
wait "$setup" || code=$?
python3 tests/dialog/win32/bmp_to_png.py "$demo"/pictures/*.bmp 2>/dev/null && rm -f "$demo"/pictures/*.bmp

echo "The setup ended with exit code $code."
echo "Pictures of each state: $demo/pictures/ ($(cd "$demo/pictures" && ls | paste -sd ' '))"
if [ ! -f "$log" ]; then
  echo "No log was written." >&2
  exit 1
fi
echo "Log: $log"
echo "---"
iconv -f LATIN1 -t UTF-8 "$log" | tr -d '\r'
