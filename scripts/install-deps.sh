#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build and test the setup. Idempotent: when every
# package is already there it does nothing, so the test command can call it on every run.
set -euo pipefail
packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev python3 libgtest-dev googletest libbenchmark-dev
  g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32 binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine wine64 msitools wixl osslsigncode openssl xvfb locales nginx-light tinyproxy curl clang-format
  # The dialog gallery (scripts/make-gallery.sh): Wine's own Tahoma and Marlett, and a Japanese font
  # with Japanese glyph forms standing in for MS UI Gothic (the Japanese dialogs of the tests too).
  fonts-wine fonts-ipafont-gothic
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
# nginx-light starts a system server on port 80 when installed; the tests run their own.
if command -v systemctl >/dev/null 2>&1; then "${sudo_cmd[@]}" systemctl disable --now nginx tinyproxy >/dev/null 2>&1 || true; fi
