#!/usr/bin/env bash
# make-skelv-package.sh <out.msi> <version> <tools folder> [--padding MIB] [--refuse]
# Builds, with wixl (msitools), a 64-bit per-machine product package shaped like the real one: the
# programs of <tools folder> (VolTexturesGeneration.exe, VolSTART.exe, SkelvApp.exe) under
# C:\Program Files\Halvorsk\KORVO Skelv\intel_a\code\bin\, and the product's registry key
# HKLM\SOFTWARE\Halvorsk\KORVOSkelv with "InstallPath" (no trailing backslash) and "CmdLine" (the
# application in quotes, "{0}" where the launch identifier goes, and a "0" of its own further on).
# The product's upgrade code and a major upgrade: a newer package replaces an older one.
#   --padding MIB  adds a file of MIB MiB of random bytes, so the package spans many download slices
#   --refuse       adds a launch condition that never holds: a quiet installation fails and changes
#                  nothing on the machine
set -euo pipefail
usage() { echo "usage: $0 <out.msi> <version> <tools folder> [--padding MIB] [--refuse]" >&2; exit 2; }
[ $# -ge 3 ] || usage
out=$1 version=$2 tools=$3
shift 3
padding_mib=0 refuse=no
while [ $# -gt 0 ]; do
  case $1 in
    --padding) [ $# -ge 2 ] || usage; padding_mib=$2; shift 2 ;;
    --refuse) refuse=yes; shift ;;
    *) usage ;;
  esac
done
[[ $version =~ ^[0-9]+(\.[0-9]+){0,3}$ ]] || { echo "not a package version: $version" >&2; exit 2; }
[[ $padding_mib =~ ^[0-9]+$ ]] || { echo "not a size in MiB: $padding_mib" >&2; exit 2; }
command -v wixl >/dev/null || { echo "wixl (msitools) is not installed" >&2; exit 1; }
for tool in VolTexturesGeneration.exe VolSTART.exe SkelvApp.exe; do
  [ -f "$tools/$tool" ] || { echo "missing $tools/$tool" >&2; exit 2; }
done

upgrade_code="{5E1A7C42-90B3-4F6E-A2D8-3C71B94E0F15}"
install_path='C:\Program Files\Halvorsk\KORVO Skelv\intel_a'
# Component identities stay the same across versions, as a real product's do.
guid() { python3 -c 'import sys, uuid; print(str(uuid.uuid5(uuid.NAMESPACE_URL, "korvo-skelv-e2e:" + sys.argv[1])).upper())' "$1"; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$tools/VolTexturesGeneration.exe" "$tools/VolSTART.exe" "$tools/SkelvApp.exe" "$work/"

padding_component='' padding_ref=''
if [ "$padding_mib" -gt 0 ]; then
  head -c $((padding_mib * 1048576)) /dev/urandom >"$work/textures.bin"
  padding_component="<Component Id=\"Textures\" Guid=\"{$(guid textures)}\" Win64=\"yes\">
              <File Id=\"TexturesFile\" Name=\"textures.bin\" Source=\"textures.bin\" KeyPath=\"yes\" />
            </Component>"
  padding_ref='<ComponentRef Id="Textures" />'
fi
refusal=''
if [ "$refuse" = yes ]; then
  refusal='<Condition Message="This package of KORVO Skelv cannot be installed.">KORVO_NEVER_SET = "1"</Condition>'
fi

cat >"$work/product.wxs" <<WXS
<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="*" Name="KORVO Skelv" Language="1033" Version="$version" Manufacturer="Halvorsk"
           UpgradeCode="$upgrade_code">
    <Package InstallerVersion="200" Compressed="yes" InstallScope="perMachine" />
    <MajorUpgrade DowngradeErrorMessage="A newer version of KORVO Skelv is already installed." />
    $refusal
    <Media Id="1" Cabinet="product.cab" EmbedCab="yes" />
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="ProgramFiles64Folder">
        <Directory Id="MakerDir" Name="Halvorsk">
          <Directory Id="ProductDir" Name="KORVO Skelv">
            <Directory Id="PlatformDir" Name="intel_a">
              <Directory Id="CodeDir" Name="code">
                <Directory Id="BinDir" Name="bin">
                  <Component Id="Tools" Guid="{$(guid tools)}" Win64="yes">
                    <File Id="TextureTool" Name="VolTexturesGeneration.exe" Source="VolTexturesGeneration.exe" KeyPath="yes" />
                    <File Id="StartTool" Name="VolSTART.exe" Source="VolSTART.exe" />
                    <File Id="Application" Name="SkelvApp.exe" Source="SkelvApp.exe" />
                  </Component>
                  $padding_component
                </Directory>
              </Directory>
            </Directory>
          </Directory>
        </Directory>
      </Directory>
    </Directory>
    <DirectoryRef Id="TARGETDIR">
      <Component Id="ProductKey" Guid="{$(guid product-key)}" Win64="yes">
        <RegistryKey Root="HKLM" Key="SOFTWARE\\Halvorsk\\KORVOSkelv">
          <RegistryValue Name="InstallPath" Type="string" Value="$install_path" KeyPath="yes" />
          <RegistryValue Name="CmdLine" Type="string" Value="&quot;$install_path\\code\\bin\\SkelvApp.exe&quot; -open {0} -mode 0" />
        </RegistryKey>
      </Component>
    </DirectoryRef>
    <Feature Id="Main" Level="1">
      <ComponentRef Id="Tools" />
      <ComponentRef Id="ProductKey" />
      $padding_ref
    </Feature>
  </Product>
</Wix>
WXS
(cd "$work" && wixl -a x64 -o package.msi product.wxs)
mkdir -p "$(dirname "$out")"
mv "$work/package.msi" "$out"
