#!/usr/bin/env bash
# make-signed-packages.sh <folder>
# Builds the packages of the signature test: an unsigned installer package (wixl), the same signed
# with a throwaway self-signed certificate made here (openssl, osslsigncode), and a copy of the
# signed one with one byte of the signer's RSA signature flipped.
set -euo pipefail
out=$1
mkdir -p "$out"
cd "$out"

cat >package.wxs <<'WXS'
<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="*" Name="Signature Test" Language="1033" Version="1.0.0" Manufacturer="Korvo Tests"
           UpgradeCode="5B0F6A8E-3C2D-4F1A-9E7B-2D4C6A8E0F13">
    <Package InstallerVersion="200" Compressed="yes" InstallScope="perMachine" />
    <Directory Id="TARGETDIR" Name="SourceDir" />
    <Feature Id="Main" Level="1" />
  </Product>
</Wix>
WXS
wixl -o unsigned.msi package.wxs

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Korvo throwaway signer" \
  -addext "extendedKeyUsage=codeSigning" -keyout signer.key -out signer.crt 2>/dev/null
rm -f signed.msi
osslsigncode sign -certs signer.crt -key signer.key -n "Signature Test" -in unsigned.msi -out signed.msi >/dev/null

# The RSA signature is the last 256-byte OCTET STRING of the PKCS#7 blob; find 16 of its bytes in
# the package (the blob lies in the signature stream, 64-byte pieces at least) and flip one.
rm -f signature.der
osslsigncode extract-signature -in signed.msi -out signature.der >/dev/null
python3 - <<'PY'
import re, subprocess
dump = subprocess.run(["openssl", "asn1parse", "-inform", "DER", "-in", "signature.der"],
                      capture_output=True, text=True, check=True).stdout
rsa = [m for m in re.findall(r"l= *256 prim: OCTET STRING\s+\[HEX DUMP\]:([0-9A-F]+)", dump)][-1]
rsa = bytes.fromhex(rsa)
data = bytearray(open("signed.msi", "rb").read())
for start in range(0, len(rsa) - 16, 16):
    at = data.find(rsa[start:start + 16])
    if at >= 0:
        data[at + 8] ^= 0x01
        break
else:
    raise SystemExit("signature bytes not found in the package")
open("bad-signature.msi", "wb").write(data)
PY
