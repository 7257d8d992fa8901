#!/usr/bin/env bash
# make-signer.sh <folder> [subject]
# Makes a throwaway self-signed code-signing certificate, <folder>/signer.crt with its key
# <folder>/signer.key, unless both are already there (so every build and script that shares the
# folder signs, and pins, the same key). The default subject names no publisher: a package signed
# with it is accepted only because the build pins its key.
set -euo pipefail
if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: $0 <folder> [subject]" >&2
  exit 2
fi
folder=$1 subject=${2:-/CN=KORVO demo signer}
[ -s "$folder/signer.crt" ] && [ -s "$folder/signer.key" ] && exit 0
mkdir -p "$folder"
work=$(mktemp -d "$folder/.new.XXXXXX")
trap 'rm -rf "$work"' EXIT
openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "$subject" \
  -addext "extendedKeyUsage=codeSigning" -keyout "$work/signer.key" -out "$work/signer.crt" 2>/dev/null
chmod 600 "$work/signer.key"
mv "$work/signer.key" "$folder/signer.key"
mv "$work/signer.crt" "$folder/signer.crt"
