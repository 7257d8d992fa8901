#!/usr/bin/env bash
# sign-package.sh <in.msi> <out.msi> <certificate.pem> <key.pem> [--break-signature]
# Signs a Windows Installer package with osslsigncode (Authenticode). With --break-signature, one
# byte of the signer's RSA signature is flipped afterwards: the package still carries a signature,
# and Windows' trust check rejects it (TRUST_E_CERT_SIGNATURE).
# A throwaway certificate for tests:
#   openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Test signer" \
#     -addext "extendedKeyUsage=codeSigning" -keyout key.pem -out certificate.pem
set -euo pipefail
if [ $# -lt 4 ] || [ $# -gt 5 ] || { [ $# -eq 5 ] && [ "$5" != --break-signature ]; }; then
  echo "usage: $0 <in.msi> <out.msi> <certificate.pem> <key.pem> [--break-signature]" >&2
  exit 2
fi
in=$1 out=$2 certificate=$3 key=$4 break=${5:-}
command -v osslsigncode >/dev/null || { echo "osslsigncode is not installed" >&2; exit 1; }
rm -f "$out"
osslsigncode sign -certs "$certificate" -key "$key" -n "KORVO Skelv" -in "$in" -out "$out" >/dev/null
[ -z "$break" ] && exit 0

# The RSA signature is the last 256-byte OCTET STRING of the PKCS#7 blob; find 16 of its bytes in
# the package (the blob lies in the signature stream, 64-byte pieces at least) and flip one.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
osslsigncode extract-signature -in "$out" -out "$work/signature.der" >/dev/null
python3 - "$work/signature.der" "$out" <<'PY'
import re, subprocess, sys
signature, package = sys.argv[1:3]
dump = subprocess.run(["openssl", "asn1parse", "-inform", "DER", "-in", signature],
                      capture_output=True, text=True, check=True).stdout
rsa = bytes.fromhex(re.findall(r"l= *256 prim: OCTET STRING\s+\[HEX DUMP\]:([0-9A-F]+)", dump)[-1])
data = bytearray(open(package, "rb").read())
for start in range(0, len(rsa) - 16, 16):
    at = data.find(rsa[start:start + 16])
    if at >= 0:
        data[at + 8] ^= 0x01
        break
else:
    raise SystemExit("signature bytes not found in the package")
open(package, "wb").write(data)
PY
