#!/usr/bin/env bash
# make-signed-packages.sh <folder> <the build's demo signer folder>
# Builds the packages of the signature test from one unsigned installer package (wixl), each signed
# with a self-signed certificate (tools/packages/sign-package.sh):
#   pinned.msi          by the build's demo signer, whose key the build pins
#   publisher.msi       by a signer made here whose organisation is the publisher, Halvorsk
#   publisher-cn.msi    by one whose common name is Halvorsk and that has no organisation
#   stranger.msi        by one of another organisation, with Halvorsk as its common name
#   bad-signature.msi   the publisher's, with one byte of the signer's RSA signature flipped
set -euo pipefail
out=$1 demo_signer=$(cd "$2" && pwd)
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

tools=$(cd "$(dirname "$0")/../../tools" && pwd)
sign() { bash "$tools/packages/sign-package.sh" unsigned.msi "$1" "$2/signer.crt" "$2/signer.key" ${3:-}; }
rm -rf signers
bash "$tools/signing/make-signer.sh" signers/publisher "/O=Halvorsk/CN=KORVO Skelv packages"
bash "$tools/signing/make-signer.sh" signers/publisher-cn "/CN=Halvorsk"
bash "$tools/signing/make-signer.sh" signers/stranger "/O=Someone Else/CN=Halvorsk"
sign pinned.msi "$demo_signer"
sign publisher.msi signers/publisher
sign publisher-cn.msi signers/publisher-cn
sign stranger.msi signers/stranger
sign bad-signature.msi signers/publisher --break-signature
