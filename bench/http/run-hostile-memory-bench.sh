#!/usr/bin/env bash
# The download step's peak memory against servers that ignore Range and send 600 MiB (announced,
# until close, chunked) or oversize a later slice: the setup's package download step itself
# (package_download_tool: DownloadPrereqs) fails each with its size line, and its resident memory at
# the peak is compared with the program's idle memory just before the step.
#
#   bench/http/run-hostile-memory-bench.sh
#
# Native: the socket driver. Under Wine (MinGW x86_64 build): the WinINet and the socket driver.
# Prints one line a run and the largest growth; the goal is under 8 MiB (see bench/README.md).
# KORVO_BENCH_NATIVE_DIR and KORVO_BENCH_WINE_DIR name other build folders to use.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
native_dir=${KORVO_BENCH_NATIVE_DIR:-build/bench-http-native}
wine_dir=${KORVO_BENCH_WINE_DIR:-build/bench-http-mingw64}
state=$root/build/bench-hostile-servers
out_dir=$(mktemp -d /tmp/korvo-hostile-bench.XXXXXX)
trap 'python3 tools/testserver/servers.py stop "$state" >/dev/null 2>&1 || true; rm -rf "$out_dir"' EXIT
goal_mib=8

echo "== building"
cmake --preset native-release -B "$native_dir" >/dev/null
cmake --build "$native_dir" -j2 --target package_download_tool >/dev/null
have_wine=0
if command -v x86_64-w64-mingw32-g++-win32 >/dev/null && [ -x /usr/lib/wine/wine64 ]; then
  cmake --preset mingw64 -B "$wine_dir" >/dev/null
  cmake --build "$wine_dir" -j2 --target package_download_tool >/dev/null
  have_wine=1
fi

echo "== starting the scripted server"
python3 tools/testserver/servers.py start "$state" --no-proxy >/dev/null
port=$(sed -n 's/^SCRIPTED_PORT=//p' "$state/servers.env")
behaviours="ignore-range-600 ignore-range-unannounced-600 ignore-range-chunked-600 oversize-600-later"

largest=0
# run <label> <command...>: the tool's report line; the step must fail (result 3).
run() {
  local label=$1 line growth
  shift
  line=$("$@" || true)
  echo "  $label: $line"
  case "$line" in "result=3 "*) ;; *) echo "the step did not fail as it should" >&2; exit 1 ;; esac
  growth=$(echo "$line" | sed -n 's/.*growth_MiB=\([-0-9.]*\).*/\1/p')
  largest=$(awk -v a="$largest" -v b="$growth" 'BEGIN {print (b > a) ? b : a}')
}

native_step=$native_dir/bench/http/package_download_tool
echo "== native, socket driver"
for b in $behaviours; do
  TMPDIR=$out_dir HTTPDriver=1 run "$b" "$native_step" "127.0.0.1:$port/hostile/$b" three-slices.msi
done

if [ "$have_wine" = 1 ]; then
  export WINEPREFIX=$root/$wine_dir/wineprefix
  wine_step=$wine_dir/tests/pipeline/package_download_tool.exe
  echo "== Wine, WinINet driver"
  for b in $behaviours; do
    run "$b" env -u HTTPDriver scripts/wine-run.sh "$wine_step" "127.0.0.1:$port/hostile/$b" three-slices.msi
  done
  echo "== Wine, socket driver"
  for b in $behaviours; do
    HTTPDriver=1 run "$b" scripts/wine-run.sh "$wine_step" "127.0.0.1:$port/hostile/$b" three-slices.msi
  done
fi
echo "largest peak growth above the idle program: $largest MiB (goal: under $goal_mib MiB)"
