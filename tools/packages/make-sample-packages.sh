#!/usr/bin/env bash
# make-sample-packages.sh <folder of the product's stand-in programs> <out folder> [--all]
# Builds the packages a download server offers to the setup, signed with the signer in the folder
# KORVO_SIGNER_DIR names (signer.crt, signer.key: the build's pinned demo signer, build/<preset>/demo-signer),
# or else with a throwaway one made in <out folder>:
#   product-3.1.0.msi   the product (make-skelv-package.sh), big enough for several 512 KiB slices
#   runtime.msi         the runtime prerequisites ("HV Software Prerequisites" 8.1.3)
#   msxml.msi           the MSXML 6 parser stand-in (6.10.1129)
# With --all, also the variants the install tests need: product-3.1.0-unsigned.msi,
# product-3.1.0-bad-signature.msi, product-3.1.0-stranger.msi (signed by a certificate of someone
# else's making that neither names the publisher nor is pinned), product-3.0.0.msi (unsigned) and
# product-3.2.0-refused.msi (refuses to install).
set -euo pipefail
if [ $# -lt 2 ] || [ $# -gt 3 ] || { [ $# -eq 3 ] && [ "$3" != --all ]; }; then
  echo "usage: $0 <tools folder> <out folder> [--all]" >&2
  exit 2
fi
tools=$(cd "$1" && pwd) out=$2 all=${3:-}
here=$(cd "$(dirname "$0")" && pwd)
runtime_upgrade_code='{E8B52D19-C7A0-4F36-B1D4-6A9E03C2F571}'
msxml_upgrade_code='{4B6E1F3A-8C2D-4E5F-9A7B-1C3D5E7F9A2B}'
product_padding_mib=3

mkdir -p "$out"
signer=${KORVO_SIGNER_DIR:-$out}
bash "$here/../signing/make-signer.sh" "$signer"
signer=$(cd "$signer" && pwd)
cd "$out"
sign() { bash "$here/sign-package.sh" "$1" "$2" "$signer/signer.crt" "$signer/signer.key" ${3:-}; }

bash "$here/make-skelv-package.sh" product-3.1.0-unsigned.msi 3.1.0 "$tools" --padding "$product_padding_mib"
sign product-3.1.0-unsigned.msi product-3.1.0.msi
bash "$here/make-product-msi.sh" runtime-unsigned.msi 8.1.3 "$runtime_upgrade_code" 'HV Software Prerequisites'
sign runtime-unsigned.msi runtime.msi
bash "$here/make-product-msi.sh" msxml-unsigned.msi 6.10.1129 "$msxml_upgrade_code" 'MSXML 6 Parser'
sign msxml-unsigned.msi msxml.msi
[ "$all" = --all ] || exit 0

sign product-3.1.0-unsigned.msi product-3.1.0-bad-signature.msi --break-signature
bash "$here/../signing/make-signer.sh" stranger-signer "/O=Someone Else/CN=Halvorsk"
bash "$here/sign-package.sh" product-3.1.0-unsigned.msi product-3.1.0-stranger.msi stranger-signer/signer.crt \
  stranger-signer/signer.key
bash "$here/make-skelv-package.sh" product-3.0.0.msi 3.0.0 "$tools"
bash "$here/make-skelv-package.sh" product-3.2.0-refused-unsigned.msi 3.2.0 "$tools" --refuse
sign product-3.2.0-refused-unsigned.msi product-3.2.0-refused.msi
