#!/usr/bin/env bash
# Builds every configuration and runs every test: native, native with ASan+UBSan, native with TSan
# (concurrency tests), MinGW x86_64 under Wine, the MinGW i686 program (built and its imports
# checked: this machine runs no 32-bit program), the release build of both programs (scripts/release.sh:
# imports, size goals, signatures under Wine, and a second build of the 32-bit one from a copy of the
# sources that must give the same bytes), a short fuzz smoke run. Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
jobs=$(nproc)
failed=()

run() {  # run <label> <command...>: keeps going after a failure, reports it at the end
  local label=$1; shift
  echo "=== $label"
  if ! "$@"; then failed+=("$label"); fi
}

passed=0
failed_count=0
run_tests() {  # run_tests <ctest args...>: runs ctest and adds its counts to the totals
  local out=build/ctest-last.log status=0
  ctest "$@" 2>&1 | tee "$out" || status=$?
  local line total bad
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$out" | tail -n 1 || true)
  if [ -n "$line" ]; then
    bad=$(sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/' <<<"$line")
    total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
    passed=$((passed + total - bad))
    failed_count=$((failed_count + bad))
  fi
  return $status
}

configure_and_build() {  # configure_and_build <preset> [targets...]: all targets when none are named
  local preset=$1; shift
  local targets=()
  [ $# -gt 0 ] && targets=(--target "$@")
  cmake --preset "$preset" -DKORVO_WERROR=$werror >"build/$preset.log" 2>&1 || { cat "build/$preset.log"; return 1; }
  cmake --build --preset "$preset" -j "$jobs" "${targets[@]}" >>"build/$preset.log" 2>&1 ||
    { tail -n 60 "build/$preset.log"; return 1; }
}

mkdir -p build
run "native build" configure_and_build native
run "native tests" run_tests --preset native -j "$jobs"
run "native-asan build" configure_and_build native-asan
run "native-asan tests" run_tests --preset native-asan -j "$jobs"
run "native-tsan build" configure_and_build native-tsan concurrency_tests
run "native-tsan tests" run_tests --preset native-tsan -j "$jobs" --no-tests=ignore
run "mingw64 build" configure_and_build mingw64
run "mingw64 tests (Wine)" run_tests --preset mingw64 -j "$jobs"
# Nothing 32-bit runs here, so of the i686 build only what the import check reads is made: the
# program and the two probes the check must refuse (the release stage builds the program again).
run "mingw32 build" configure_and_build mingw32 KORVOSkelvSetup imports_vista_probe imports_plantable_dll_probe
run "mingw32 tests (import check)" run_tests --preset mingw32 -j "$jobs"
run "release build" bash scripts/release.sh -- -DKORVO_WERROR=$werror
run "mingw32-release tests" run_tests --preset mingw32-release -j "$jobs"
# The 64-bit program's second, comparison build would add minutes; the 32-bit one's shows the same.
run "mingw64-release tests" run_tests --preset mingw64-release -j "$jobs" -LE reproducible
run "fuzz smoke" bash scripts/fuzz-smoke.sh


if [ ${#failed[@]} -ne 0 ]; then
  echo "FAILED: ${failed[*]}"
else
  echo "All builds and tests passed."
fi
echo "ctest totals over all builds:"
echo "${passed} passed, ${failed_count} failed"
[ ${#failed[@]} -eq 0 ]
