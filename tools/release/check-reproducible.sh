#!/usr/bin/env bash
# check-reproducible.sh <preset> <build folder> <certificate> <key> <pins,...> <time stamp>
# Builds the release program a second time, from a copy of the sources in another folder into
# another build folder (<build folder>/reproduce/), with the same certificate, pins and time stamp,
# and checks that the two unsigned programs are the same bytes and that the signed ones differ
# only in their signatures. The copy is removed when they agree.
set -euo pipefail
if [ $# -ne 6 ]; then
  echo "usage: $0 <preset> <build folder> <certificate> <key> <pins,...> <time stamp>" >&2
  exit 2
fi
preset=$1 first=$2 certificate=$3 key=$4 pins=${5//,/;} epoch=$6
source=$(cd "$(dirname "$0")/../.." && pwd)
copy=$first/reproduce
tools=$source/tools/release

rm -rf "$copy"
mkdir -p "$copy/src"
# The checkout's files as they are now (changes not yet committed included), without build/.
(cd "$source" && git ls-files -z --cached --others --exclude-standard |
  while IFS= read -r -d '' file; do [ -e "$file" ] && printf '%s\0' "$file"; done |
  tar -c --null -T - -f -) | tar -x -C "$copy/src"

echo "Building a second copy in $copy ..."
(cd "$copy/src" &&
  SOURCE_DATE_EPOCH=$epoch cmake --preset "$preset" -B "$copy/build" \
    -DKORVO_RELEASE_SIGNER_CERT="$certificate" -DKORVO_RELEASE_SIGNER_KEY="$key" \
    -DKORVO_PINNED_SIGNER_KEYS="$pins" >"$copy/build.log" 2>&1 &&
  cmake --build "$copy/build" -j "$(nproc)" --target KORVOSkelvSetup_signed >>"$copy/build.log" 2>&1) ||
  { tail -n 40 "$copy/build.log"; exit 1; }

status=0
program=setup/KORVOSkelvSetup.exe signed=signed/KORVOSkelvSetup.exe
if cmp "$first/$program" "$copy/build/$program"; then
  echo "The unsigned programs are the same bytes ($(stat -c %s "$first/$program") bytes)."
else
  status=1
fi
python3 "$tools/same_outside_signature.py" "$first/$signed" "$copy/build/$signed" || status=1
# Each signed program is its unsigned one with a signature added.
python3 "$tools/same_outside_signature.py" "$first/$program" "$first/$signed" || status=1
[ $status -ne 0 ] || rm -rf "$copy"
exit $status
