#!/usr/bin/env bash
# make-gallery.sh [--languages "en de ..."] [--out FOLDER] [--build FOLDER] [--no-build]
# Pictures of every state of the setup dialog in each language, for docs/gallery/: builds the
# gallery program (mingw64 preset), runs it under Wine on a virtual display once per language
# (the user interface language follows the host locale, compiled here when the host lacks it),
# turns the pictures into PNG files and writes the gallery's README.md.
# Defaults: every language, docs/gallery, build/mingw64. Exits non-zero when a picture is missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
docs="$root/tools/gallery/gallery_docs.py"
languages=$(python3 "$docs" locales | cut -d' ' -f1 | tr '\n' ' ')
out="$root/docs/gallery"
build="$root/build/mingw64"
build_first=1
while [ $# -gt 0 ]; do
  case $1 in
    --languages) languages=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    --build) build=$2; shift 2 ;;
    --no-build) build_first=0; shift ;;
    *) echo "usage: make-gallery.sh [--languages LIST] [--out FOLDER] [--build FOLDER] [--no-build]" >&2; exit 2 ;;
  esac
done

# One virtual display for every run, 24 bits deep so that the pictures keep their colours.
if [ -z "${KORVO_GALLERY_DISPLAY:-}" ]; then
  export KORVO_GALLERY_DISPLAY=1
  exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" --languages "$languages" --out "$out" --build "$build" \
    $([ "$build_first" -eq 1 ] || echo --no-build)
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
for folder in $languages; do
  locale=$(python3 "$docs" locales | awk -v f="$folder" '$1 == f { print $2 }')
  [ -n "$locale" ] || { echo "make-gallery: unknown language $folder" >&2; exit 2; }
  [ -d "$locales/$locale.UTF-8" ] || sh "$root/tests/catalogue/make-test-locales.sh" localedef "$locales" "$locale"
  rm -rf "${pictures:?}/$folder"
  mkdir -p "$pictures/$folder"
  echo "== $folder ($locale)"
  LOCPATH="$locales" LANG="$locale.UTF-8" LC_ALL="$locale.UTF-8" \
    "$root/scripts/wine-run.sh" "$program" "Z:$pictures/$folder" || status=1
  /usr/lib/wine/wineserver -w  # the next language starts with a fresh server
done

python3 "$docs" publish "$pictures" "$out" $languages || status=1
[ "$status" -eq 0 ] && echo "gallery written to $out"
exit "$status"
