#!/usr/bin/env bash
# make-gallery.sh [--languages "en de ..."] [--densities "96 144 192"] [--out FOLDER] [--build FOLDER]
#                 [--no-build] [--check-only]
# Pictures of every state of the setup dialog in each language, and of some states on denser
# screens, for docs/gallery/: builds the gallery program (mingw64 preset), runs it under Wine on a
# virtual display once per density and language (the prefix's LogPixels; the user interface
# language follows the host locale, compiled here when the host lacks it), turns the pictures into
# PNG files and writes the gallery's README.md. The program checks the layout of every state at
# every density; --check-only does only that, with no pictures and no page.
# Defaults: every language, every density, docs/gallery, build/mingw64. Exits non-zero when a
# layout does not hold or a picture is missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
docs="$root/tools/gallery/gallery_docs.py"
languages=$(python3 "$docs" locales | cut -d' ' -f1 | tr '\n' ' ')
out="$root/docs/gallery"
build="$root/build/mingw64"
densities="96 144 192"
build_first=1
check_only=0
usage="usage: make-gallery.sh [--languages LIST] [--densities LIST] [--out FOLDER] [--build FOLDER] [--no-build] [--check-only]"
while [ $# -gt 0 ]; do
  case $1 in
    --languages) languages=$2; shift 2 ;;
    --densities) densities=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    --build) build=$2; shift 2 ;;
    --no-build) build_first=0; shift ;;
    --check-only) check_only=1; shift ;;
    *) echo "$usage" >&2; exit 2 ;;
  esac
done
for density in $densities; do
  python3 "$docs" states "$density" >/dev/null || { echo "make-gallery: unknown density $density" >&2; exit 2; }
done

# One virtual display for every run, 24 bits deep so that the pictures keep their colours, and large
# enough for the dialog at 200 %.
if [ -z "${KORVO_GALLERY_DISPLAY:-}" ]; then
  export KORVO_GALLERY_DISPLAY=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" --languages "$languages" --densities "$densities" \
    --out "$out" --build "$build" $([ "$build_first" -eq 1 ] || echo --no-build) \
    $([ "$check_only" -eq 0 ] || echo --check-only)
fi

if [ "$build_first" -eq 1 ]; then
  (cd "$root" && { [ -f "$build/CMakeCache.txt" ] || cmake --preset mingw64; } && cmake --build --preset mingw64 -j2 --target dialog_gallery)
fi
program="$build/tests/gallery/dialog_gallery.exe"
scratch="$build/tests/gallery/scratch"
locales="$scratch/locales"
pictures="$scratch/pictures"
[ -f "$program" ] || { echo "make-gallery: no $program" >&2; exit 1; }

# A prefix of the gallery's own. Its windows are not left to a window manager (there is none): Wine
# draws their frames and captions itself, so the pictures show the caption, and does not wait for a
# manager's answer each time a window goes. Its own Tahoma (the dialog font)
# and Marlett (the caption buttons), which this Wine does not put into a new prefix, are copied in;
# Japanese Windows' user interface font, MS UI Gothic, is stood in for by IPA P Gothic, proportional
# as it is. The temporary folder is the one a Windows XP administrator has, so that the log file's
# path shown at the end of a run is a real one whatever the host's user.
export WINEPREFIX="$scratch/wineprefix"
temp='C:\Documents and Settings\Administrator\Local Settings\Temp'
if [ ! -f "$WINEPREFIX/.gallery-ready" ]; then
  wine_reg() { "$root/scripts/wine-run.sh" reg add "$@" /f >/dev/null; }
  wine_reg 'HKCU\Software\Wine\X11 Driver' /v Managed /d N
  wine_reg 'HKCU\Software\Wine\Fonts\Replacements' /v 'MS UI Gothic' /d IPAPGothic
  wine_reg 'HKCU\Environment' /v TEMP /d "$temp"
  wine_reg 'HKCU\Environment' /v TMP /d "$temp"
  mkdir -p "$WINEPREFIX/drive_c/Documents and Settings/Administrator/Local Settings/Temp"
  cp /usr/share/wine/fonts/tahoma*.ttf /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
  /usr/lib/wine/wineserver -w
  touch "$WINEPREFIX/.gallery-ready"
fi

status=0
for density in $densities; do
  # The prefix's pixel density, which the next program started finds.
  "$root/scripts/wine-run.sh" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$density" /f >/dev/null
  /usr/lib/wine/wineserver -w
  read -r -a states <<<"$(python3 "$docs" states "$density")"
  [ "$check_only" -eq 0 ] || states=()
  for folder in $languages; do
    locale=$(python3 "$docs" locales | awk -v f="$folder" '$1 == f { print $2 }')
    [ -n "$locale" ] || { echo "make-gallery: unknown language $folder" >&2; exit 2; }
    [ -d "$locales/$locale.UTF-8" ] || sh "$root/tests/catalogue/make-test-locales.sh" localedef "$locales" "$locale"
    shown="$pictures/$density/$folder"
    rm -rf "${shown:?}"
    [ "${#states[@]}" -eq 0 ] || mkdir -p "$shown"
    echo "== $folder ($locale) at $density pixels per inch"
    # With no states named the program only checks the layout.
    LOCPATH="$locales" LANG="$locale.UTF-8" LC_ALL="$locale.UTF-8" \
      "$root/scripts/wine-run.sh" "$program" ${states[@]+"Z:$shown"} ${states[@]+"${states[@]}"} || status=1
    /usr/lib/wine/wineserver -w  # the next language starts with a fresh server
  done
done

if [ "$check_only" -eq 1 ]; then
  [ "$status" -eq 0 ] && echo "the dialog's layout holds in every state: $languages at $densities pixels per inch"
  exit "$status"
fi
python3 "$docs" publish "$pictures" "$out" "$(echo $densities | tr ' ' ',')" $languages || status=1
[ "$status" -eq 0 ] && echo "gallery written to $out"
exit "$status"
