#!/usr/bin/env bash
# The release build: the 32-bit program that ships and the 64-bit one, optimised for size,
# stripped, reproducible and signed (presets mingw32-release and mingw64-release). Prints each
# signed file's path, size and SHA-256. The program pins the public key of the certificate it is
# signed with as a package signer.
#   bash scripts/release.sh                              signed with this checkout's throwaway
#                                                        certificate (made once, build/release-signer/)
#   bash scripts/release.sh --cert my.crt --key my.key   signed with a real certificate (PEM) and key
#   bash scripts/release.sh --only 64                    the 64-bit program alone (32: the 32-bit one)
#   bash scripts/release.sh ... -- -DKORVO_WERROR=ON     more options for both configure steps
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
  sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//' >&2
  exit 2
}
certificate='' key='' presets=(mingw32-release mingw64-release) extra=()
while [ $# -gt 0 ]; do
  case $1 in
    --cert) certificate=${2:-}; shift 2 || usage ;;
    --key) key=${2:-}; shift 2 || usage ;;
    --only)
      case ${2:-} in 32) presets=(mingw32-release) ;; 64) presets=(mingw64-release) ;; *) usage ;; esac
      shift 2 ;;
    --) shift; extra=("$@"); break ;;
    *) usage ;;
  esac
done
if [ -z "$certificate" ] && [ -z "$key" ]; then
  bash tools/signing/make-signer.sh build/release-signer
  certificate=build/release-signer/signer.crt key=build/release-signer/signer.key
elif [ -z "$certificate" ] || [ -z "$key" ]; then
  usage
fi
certificate=$(realpath "$certificate") key=$(realpath "$key")
bash scripts/install-deps.sh
pin=$(bash tools/signing/public-key-pin.sh "$certificate")

mkdir -p build
for preset in "${presets[@]}"; do
  echo "Building $preset ..."
  log=build/$preset.log
  if ! { cmake --preset "$preset" -DKORVO_RELEASE_SIGNER_CERT="$certificate" -DKORVO_RELEASE_SIGNER_KEY="$key" \
           -DKORVO_PINNED_SIGNER_KEYS="$pin" "${extra[@]}" &&
         cmake --build --preset "$preset" -j "$(nproc)"; } >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "release.sh: the $preset build failed (the whole log: $log)" >&2
    exit 1
  fi
done

echo "Signed with $(openssl x509 -in "$certificate" -noout -subject), whose public key the programs pin: $pin"
for preset in "${presets[@]}"; do
  signed=build/$preset/signed/KORVOSkelvSetup.exe
  printf '%s  %8d bytes  SHA-256 %s\n' "$signed" "$(stat -c %s "$signed")" "$(sha256sum "$signed" | cut -d' ' -f1)"
done
