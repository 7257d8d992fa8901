#!/usr/bin/env bash
# sign-program.sh <certificate> <key> <program.exe> <signed.exe>
# Signs a Windows program with Authenticode (SHA-256) and checks that the signature reads back.
set -euo pipefail
if [ $# -ne 4 ]; then
  echo "usage: $0 <certificate> <key> <program.exe> <signed.exe>" >&2
  exit 2
fi
certificate=$1 key=$2 program=$3 signed=$4
mkdir -p "$(dirname "$signed")"
rm -f "$signed"
osslsigncode sign -certs "$certificate" -key "$key" -h sha256 -n "KORVO Skelv Setup" \
  -in "$program" -out "$signed" >/dev/null
# The signature reads back and its digest is the image's (its chain is not judged here: a
# throwaway certificate has none).
digests=$(osslsigncode verify -in "$signed" 2>/dev/null | sed -n 's/^\(Current\|Calculated\) message digest *: *//p' || true)
if [ "$(wc -l <<<"$digests")" -ne 2 ] || [ "$(sort -u <<<"$digests" | wc -l)" -ne 1 ]; then
  echo "sign-program.sh: the signature of $signed does not read back" >&2
  rm -f "$signed"
  exit 1
fi
