#!/usr/bin/env bash
# Builds every configuration and runs every test: native, native with ASan+UBSan, native with TSan
# (concurrency tests), MinGW x86_64 under Wine, the MinGW i686 program (build only), a short fuzz
# smoke run. Exits non-zero when anything fails.
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

configure_and_build() {
  cmake --preset "$1" -DKORVO_WERROR=$werror >"build/$1.log" 2>&1 || { cat "build/$1.log"; return 1; }
  cmake --build --preset "$1" -j "$jobs" >>"build/$1.log" 2>&1 || { tail -n 60 "build/$1.log"; return 1; }
}

mkdir -p build
run "native build" configure_and_build native
run "native tests" ctest --preset native -j "$jobs"
run "native-asan build" configure_and_build native-asan
run "native-asan tests" ctest --preset native-asan -j "$jobs"
run "native-tsan build" configure_and_build native-tsan
run "native-tsan tests" ctest --preset native-tsan -j "$jobs" --no-tests=ignore
run "mingw64 build" configure_and_build mingw64
run "mingw64 tests (Wine)" ctest --preset mingw64 -j "$jobs"
run "mingw32 build" configure_and_build mingw32
if [ -x scripts/fuzz-smoke.sh ]; then run "fuzz smoke" bash scripts/fuzz-smoke.sh; fi


if [ ${#failed[@]} -ne 0 ]; then
  echo "FAILED: ${failed[*]}"
  exit 1
fi
echo "All builds and tests passed."
