#!/usr/bin/env bash
# run-program-cases.sh <KORVOSkelvSetup.exe> <program_driver.exe> <folder of the product's stand-in
#                      programs> <scratch folder>
# The real setup program through its real window under Wine, case by case (program-case.sh): builds
# and signs the sample packages, makes one template Wine prefix, then runs the cases two at a time,
# each in a copy of the template, with a download server and a virtual display of its own (pictures
# are taken from the screen, so cases must not share one). Prints one PASS/FAIL line per case and,
# for a failed case, what the driver said, the texts the dialog got and the log. The pictures of each
# case stay in <scratch>/<case>/pictures as PNG. PROGRAM_KEEP_PREFIX=1 keeps the prefixes.
set -euo pipefail
setup=$1 driver=$2 tools=$3 scratch=$4
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
source "$root/tests/support/wine-cases.sh"
parallel_cases=2
case_limit_seconds=120  # a case takes 20-40 s, its programs at most 100; the ctest limit allows every round this long

export WINEDEBUG=-all WINEARCH=win64 LANG=C LC_ALL=C
wine=/usr/lib/wine/wine64
rm -rf "$scratch"
mkdir -p "$scratch"
bash "$root/tools/packages/make-sample-packages.sh" "$tools" "$scratch/packages"

# Wine takes the user's language from the host locale, which must exist.
sh "$root/tests/catalogue/make-test-locales.sh" localedef "$scratch/locales" de_AT ja_JP

template=$scratch/template
bash "$root/tests/support/make-template-prefix.sh" "$template"
echo "packages and template prefix ready after $SECONDS s"

export PROGRAM_SETUP=$setup PROGRAM_DRIVER=$driver PROGRAM_PACKAGES=$scratch/packages
export PROGRAM_TEMPLATE=$template PROGRAM_CASES=$scratch PROGRAM_LOCALES=$scratch/locales
cases=(install-en install-de install-ja fail-download cancel-no-then-yes blocked second-copy planted-dlls)
# Each case on a display of its own, from a random first number (other builds may be starting
# virtual displays meanwhile); its verdict is printed as soon as it ends, so a case that overruns the
# whole test's time limit does not take the others' verdicts with it.
run_case() {
  timeout "$case_limit_seconds" xvfb-run -a -n $((100 + RANDOM % 400)) -s "-nolisten tcp -screen 0 1024x768x24" \
    bash "$here/program-case.sh" "$1" || true
  echo "ended: $1 $([ -f "$scratch/$1/PASS" ] && echo PASS || echo FAIL)"
}
export -f run_case
export case_limit_seconds here scratch
printf '%s\n' "${cases[@]}" | xargs -P "$parallel_cases" -I{} bash -c 'run_case "$1"' _ {}

[ -n "${PROGRAM_KEEP_PREFIX:-}" ] || rm -rf "$template"
show_failed_case() { show_files "$1" "$2" driver-output.txt dialog.txt log.txt; }
report_cases "$scratch" program "${cases[@]}"
