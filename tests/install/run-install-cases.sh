#!/usr/bin/env bash
# run-install-cases.sh <install_driver.exe> <folder of the product's stand-in programs> <scratch folder>
# The whole install run under Wine, case by case (install-case.sh): builds and signs the packages,
# makes one template Wine prefix, then runs the cases two at a time, each in a copy of the template
# with a download server of its own. Prints one PASS/FAIL line per case and, for a failed case, its
# record, log and server requests. Message boxes need a display: without one, the script runs
# itself again under xvfb-run. E2E_KEEP_PREFIX=1 keeps the template and the cases' prefixes.
set -euo pipefail
driver=$1 tools=$2 scratch=$3
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
source "$root/tests/support/wine-cases.sh"
parallel_cases=2
case_limit_seconds=200

if [ -z "${DISPLAY:-}" ]; then
  # A random first display number: other builds may be starting virtual displays meanwhile.
  exec timeout 470 xvfb-run -a -n $((100 + RANDOM % 400)) -s "-nolisten tcp" bash "$0" "$@"
fi

export WINEDEBUG=-all WINEARCH=win64 LANG=C LC_ALL=C
wine=/usr/lib/wine/wine64
rm -rf "$scratch"
mkdir -p "$scratch"

# The packages: the product in three versions (3.2.0 refuses to install), unsigned and with a
# broken signature, and the two prerequisites, signed with the signer in KORVO_SIGNER_DIR (the
# build's pinned demo signer).
packages=$scratch/packages
bash "$root/tools/packages/make-sample-packages.sh" "$tools" "$packages" --all

template=$scratch/template
bash "$root/tests/support/make-template-prefix.sh" "$template"

echo "packages and template prefix ready after $SECONDS s"
export E2E_DRIVER=$driver E2E_PACKAGES=$packages E2E_TEMPLATE=$template E2E_CASES=$scratch
cases=(fresh prereqs-present unsigned bad-signature stranger-signed held-package planted-by-user unchecked-unsigned
  cancel-download cancel-install texture-cancels texture-fails no-expand optimizer-fails launch upgrade upgrade-refused
  reinstall)
printf '%s\n' "${cases[@]}" |
  xargs -P "$parallel_cases" -I{} timeout "$case_limit_seconds" bash "$here/install-case.sh" {} || true

[ -n "${E2E_KEEP_PREFIX:-}" ] || rm -rf "$template"
show_failed_case() {
  if [ -f "$2/record.txt" ]; then
    echo "--- $1: record (progress lines, 1282, left out: $(grep -c '^1282 ' "$2/record.txt" || true))"
    grep -v '^1282 ' "$2/record.txt" || true
  fi
  show_files "$1" "$2" log.txt requests.txt driver-output.txt
}
report_cases "$scratch" install "${cases[@]}"
