#!/usr/bin/env bash
# installed-product-wine-test.sh <installed_product_probe.exe> <scratch folder>
# The real Windows Installer under Wine, in a prefix of this test's own (WINEPREFIX): a product
# package built with wixl is not found before it is installed, is found with its version after
# `msiexec /i`, is replaced by a newer package of the same family, and is gone after `msiexec /x`.
set -euo pipefail
probe=$1 scratch=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
product_code_family="{5E1A7C42-90B3-4F6E-A2D8-3C71B94E0F15}"
other_family="{A41C6E07-5B93-4D2A-8E6F-19C0B7D35A48}"
mkdir -p "$scratch"
# The prefix is removed at the start, so it must be one of this test's own, inside its scratch folder.
case "${WINEPREFIX:-}" in
  "$scratch"/*) ;;
  *) echo "FAIL: WINEPREFIX must lie inside $scratch" >&2; exit 1 ;;
esac

fail() { echo "FAIL: $*" >&2; exit 1; }
wine() { "$root/scripts/wine-run.sh" "$@"; }
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
probe() { wine "$probe" "$@" | tr -d '\r'; }
product_code_of() { msiinfo export "$1" Property | tr -d '\r' | awk -F'\t' '$1 == "ProductCode" { print $2 }'; }
expect_probe() {  # <what> <expected output> <probe arguments...>
  local what=$1 expected=$2 got
  shift 2
  got=$(probe "$@")
  [ "$got" = "$expected" ] || fail "$what: got
$got
expected
$expected"
}
msiexec() {  # <action> <package>; Wine's msiexec returns 0 on success
  wine msiexec "$1" "$(windows_path "$2")" /q || fail "msiexec $1 $2 failed with $?"
  /usr/lib/wine/wineserver -w
}

# A prefix of its own each run: an install left by an earlier, failed run must not count.
rm -rf "$WINEPREFIX" "$WINEPREFIX.lock"
old=$scratch/product-1.2.3.msi new=$scratch/product-1.3.0.msi
"$root/tools/packages/make-product-msi.sh" "$old" 1.2.3
"$root/tools/packages/make-product-msi.sh" "$new" 1.3.0
old_code=$(product_code_of "$old") new_code=$(product_code_of "$new")
[ -n "$old_code" ] && [ -n "$new_code" ] || fail "the packages have no product code"

# 259: ERROR_NO_MORE_ITEMS, 234: ERROR_MORE_DATA.
expect_probe "before the install" $'found 0 \nsecond 259\nversion 0 0.0.0' "$product_code_family"

msiexec /i "$old"
expect_probe "installed" $"found 1 $old_code"$'\nsecond 259\nversion 0 1.2.3' "$product_code_family"
expect_probe "room for the version and its terminator" $"found 1 $old_code"$'\nsecond 259\nversion 0 1.2.3' \
  "$product_code_family" 6
expect_probe "one character short" $"found 1 $old_code"$'\nsecond 259\nversion 234 0.0.0' "$product_code_family" 5
expect_probe "another family" $'found 0 \nsecond 259\nversion 0 0.0.0' "$other_family"

msiexec /i "$new"
expect_probe "after the major upgrade" $"found 1 $new_code"$'\nsecond 259\nversion 0 1.3.0' "$product_code_family"

msiexec /x "$new"
expect_probe "after the removal" $'found 0 \nsecond 259\nversion 0 0.0.0' "$product_code_family"
echo "Windows Installer lookup OK: not found, found 1.2.3, upgraded to 1.3.0, removed"
