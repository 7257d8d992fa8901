#!/usr/bin/env bash
# make-signed-packages.sh <folder>
# Builds the packages of the signature test: an unsigned installer package (wixl), the same signed
# with a throwaway self-signed certificate made here (openssl, tools/packages/sign-package.sh), and a copy of the
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
sign=$(cd "$(dirname "$0")/../../tools/packages" && pwd)/sign-package.sh
bash "$sign" unsigned.msi signed.msi signer.crt signer.key
bash "$sign" unsigned.msi bad-signature.msi signer.crt signer.key --break-signature
