#!/usr/bin/env bash
# make-product-msi.sh <out.msi> <version> [upgrade code] [product name]
# Builds a small per-machine Windows Installer package with wixl (msitools) that stands in for the
# product: one text file under Program Files, the given version, and a major upgrade, so a newer
# package replaces an older one of the same upgrade code. The upgrade code defaults to the product's,
# the name to "KORVO Skelv"; the file goes to the folder "<name> Test", so that packages of other
# names (a prerequisite, say) keep their files apart.
# The product code is new in every build; the component's identity follows the upgrade code, so
# packages of one family share it.
set -euo pipefail
if [ $# -lt 2 ] || [ $# -gt 4 ]; then
  echo "usage: $0 <out.msi> <version> [upgrade code] [product name]" >&2
  exit 2
fi
out=$1 version=$2 upgrade_code=${3:-"{5E1A7C42-90B3-4F6E-A2D8-3C71B94E0F15}"} name=${4:-"KORVO Skelv"}
[[ $name =~ ^[A-Za-z0-9][A-Za-z0-9\ .]*$ ]] || { echo "not a plain product name: $name" >&2; exit 2; }
[[ $version =~ ^[0-9]+(\.[0-9]+){0,3}$ ]] || { echo "not a package version: $version" >&2; exit 2; }
[[ $upgrade_code =~ ^\{[0-9A-Fa-f-]{36}\}$ ]] || { echo "not a braced GUID: $upgrade_code" >&2; exit 2; }
command -v wixl >/dev/null || { echo "wixl (msitools) is not installed" >&2; exit 1; }

component_guid=$(python3 -c 'import sys, uuid; print(str(uuid.uuid5(uuid.NAMESPACE_URL, "korvo-test-component:" + sys.argv[1].upper())).upper())' "$upgrade_code")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

printf '%s test package, version %s\r\n' "$name" "$version" >"$work/readme.txt"
cat >"$work/product.wxs" <<WXS
<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="*" Name="$name" Language="1033" Version="$version" Manufacturer="Halvorsk"
           UpgradeCode="$upgrade_code">
    <Package InstallerVersion="200" Compressed="yes" InstallScope="perMachine" />
    <MajorUpgrade DowngradeErrorMessage="A newer version of $name is already installed." />
    <Media Id="1" Cabinet="product.cab" EmbedCab="yes" />
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="ProgramFilesFolder">
        <Directory Id="INSTALLDIR" Name="$name Test">
          <Component Id="Readme" Guid="{$component_guid}">
            <File Id="ReadmeFile" Name="readme.txt" Source="readme.txt" KeyPath="yes" />
          </Component>
        </Directory>
      </Directory>
    </Directory>
    <Feature Id="Main" Level="1">
      <ComponentRef Id="Readme" />
    </Feature>
  </Product>
</Wix>
WXS
(cd "$work" && wixl -o package.msi product.wxs)
mkdir -p "$(dirname "$out")"
mv "$work/package.msi" "$out"
