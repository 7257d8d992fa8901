#!/usr/bin/env bash
# The HTTP client's download benchmark: a 512 MiB file from a local nginx, fetched the way the setup
# does (one holder, 524288-byte ranged GETs over one kept-alive connection, each body written to a
# file and released), against `curl -o` of the same file in one GET.
#
#   bench/http/run-download-bench.sh [RUNS]        (default 3 runs of each, alternating)
#
# Native: the socket driver against curl. Under Wine (MinGW x86_64 build): the WinINet driver
# against the socket driver. Each run also times the setup's download step itself
# (package_download_tool: DownloadPrereqs with its progress posts, cancel checks and file writes).
# Prints each run and the medians; see bench/README.md.
set -euo pipefail
cd "$(dirname "$0")/../.."
runs=${1:-3}
root=$PWD
native_dir=build/bench-http-native
wine_dir=build/bench-http-mingw64
state=$root/build/bench-http-servers
out_dir=$(mktemp -d /tmp/korvo-http-bench.XXXXXX)
trap 'python3 tools/testserver/servers.py stop "$state" >/dev/null 2>&1 || true; rm -rf "$out_dir"' EXIT

echo "== building"
cmake --preset native-release -B "$native_dir" >/dev/null
cmake --build "$native_dir" -j2 --target http_download_tool package_download_tool >/dev/null
have_wine=0
if command -v x86_64-w64-mingw32-g++-win32 >/dev/null && [ -x /usr/lib/wine/wine64 ]; then
  cmake --preset mingw64 -B "$wine_dir" >/dev/null
  cmake --build "$wine_dir" -j2 --target http_download_tool package_download_tool >/dev/null
  have_wine=1
fi

echo "== starting nginx with a 512 MiB file"
python3 tools/testserver/servers.py start "$state" --big-file 512 --no-proxy >/dev/null
port=$(sed -n 's/^NGINX_PORT=//p' "$state/servers.env")
url=http://127.0.0.1:$port/big.bin
# The download step asks for its files under the download server's path.
ln -sf ../../../big.bin "$state/www/downloads/skelv/skelv_v31/big.bin"
server=127.0.0.1:$port
size=$((512 * 1024 * 1024))

median() { sort -g | awk '{v[NR]=$1} END {print (NR % 2) ? v[(NR+1)/2] : (v[NR/2] + v[NR/2+1]) / 2}'; }
check_size() { [ "$(stat -c %s "$1")" -eq "$size" ] || { echo "wrong size: $1" >&2; exit 1; }; }

run_curl() {
  local speed
  speed=$(curl -s -o "$out_dir/curl.bin" -w '%{speed_download}' "$url")
  check_size "$out_dir/curl.bin"; rm -f "$out_dir/curl.bin"
  awk -v s="$speed" 'BEGIN {printf "%.1f\n", s / 1048576}'
}

# run_tool <label> <command...>: prints "MiB/s growth_MiB" from the tool's own report line.
run_tool() {
  local line
  shift
  line=$("$@")
  echo "  $line" >&2
  check_size "$out_dir/tool.bin"; rm -f "$out_dir/tool.bin"
  echo "$line" | sed -n 's/.*MiB_per_s=\([0-9.]*\).*growth_MiB=\([-0-9.]*\).*/\1 \2/p'
}

# run_step <command...>: the download step's report line; prints "MiB/s growth_MiB".
run_step() {
  local line
  line=$("$@")
  echo "  $line" >&2
  case "$line" in *"result=0 bytes=$size "*) ;; *) echo "download step failed" >&2; exit 1 ;; esac
  echo "$line" | sed -n 's/.*MiB_per_s=\([0-9.]*\).*growth_MiB=\([-0-9.]*\).*/\1 \2/p'
}

native_tool=$native_dir/bench/http/http_download_tool
native_step=$native_dir/bench/http/package_download_tool
declare -a curl_speeds socket_speeds socket_growth step_speeds step_growth
echo "== native: socket driver and the download step vs curl ($runs runs each)"
for ((i = 0; i < runs; i++)); do
  c=$(run_curl); curl_speeds+=("$c"); echo "  curl: $c MiB/s"
  read -r s g < <(HTTPDriver=1 run_tool socket "$native_tool" "$url" "$out_dir/tool.bin")
  socket_speeds+=("$s"); socket_growth+=("$g")
  read -r s g < <(TMPDIR=$out_dir HTTPDriver=1 run_step "$native_step" "$server" big.bin)
  step_speeds+=("$s"); step_growth+=("$g")
done
step_median=$(printf '%s\n' "${step_speeds[@]}" | median)
curl_median=$(printf '%s\n' "${curl_speeds[@]}" | median)
socket_median=$(printf '%s\n' "${socket_speeds[@]}" | median)
growth_max=$(printf '%s\n' "${socket_growth[@]}" | sort -g | tail -1)
echo "native median: socket driver $socket_median MiB/s, curl $curl_median MiB/s," \
     "ratio $(awk -v a="$socket_median" -v b="$curl_median" 'BEGIN {printf "%.2f", a / b}')," \
     "largest peak RSS growth $growth_max MiB"
echo "native median: download step $step_median MiB/s," \
     "ratio to curl $(awk -v a="$step_median" -v b="$curl_median" 'BEGIN {printf "%.2f", a / b}')," \
     "largest peak RSS growth $(printf '%s\n' "${step_growth[@]}" | sort -g | tail -1) MiB"

if [ "$have_wine" = 1 ]; then
  export WINEPREFIX=$root/$wine_dir/wineprefix
  wine_tool=$wine_dir/tests/http/http_download_tool.exe
  wine_step=$wine_dir/tests/pipeline/package_download_tool.exe
  declare -a wininet_speeds wininet_growth wsocket_speeds wsocket_growth
  declare -a wstep_wininet wstep_wininet_growth wstep_socket wstep_socket_growth
  echo "== Wine: WinINet driver vs socket driver, tool and download step ($runs runs each)"
  for ((i = 0; i < runs; i++)); do
    read -r s g < <(unset HTTPDriver; run_tool wininet scripts/wine-run.sh "$wine_tool" "$url" "Z:$out_dir/tool.bin")
    wininet_speeds+=("$s"); wininet_growth+=("$g")
    read -r s g < <(HTTPDriver=1 run_tool socket scripts/wine-run.sh "$wine_tool" "$url" "Z:$out_dir/tool.bin")
    wsocket_speeds+=("$s"); wsocket_growth+=("$g")
    read -r s g < <(unset HTTPDriver; run_step scripts/wine-run.sh "$wine_step" "$server" big.bin)
    wstep_wininet+=("$s"); wstep_wininet_growth+=("$g")
    read -r s g < <(HTTPDriver=1 run_step scripts/wine-run.sh "$wine_step" "$server" big.bin)
    wstep_socket+=("$s"); wstep_socket_growth+=("$g")
  done
  echo "Wine median: download step with WinINet $(printf '%s\n' "${wstep_wininet[@]}" | median) MiB/s" \
       "(largest growth $(printf '%s\n' "${wstep_wininet_growth[@]}" | sort -g | tail -1) MiB)," \
       "with the socket driver $(printf '%s\n' "${wstep_socket[@]}" | median) MiB/s" \
       "(largest growth $(printf '%s\n' "${wstep_socket_growth[@]}" | sort -g | tail -1) MiB)"
  wi=$(printf '%s\n' "${wininet_speeds[@]}" | median)
  ws=$(printf '%s\n' "${wsocket_speeds[@]}" | median)
  echo "Wine median: WinINet driver $wi MiB/s (largest growth $(printf '%s\n' "${wininet_growth[@]}" | sort -g | tail -1) MiB)," \
       "socket driver $ws MiB/s (largest growth $(printf '%s\n' "${wsocket_growth[@]}" | sort -g | tail -1) MiB)," \
       "WinINet/socket $(awk -v a="$wi" -v b="$ws" 'BEGIN {printf "%.2f", a / b}')"
fi
