#!/usr/bin/env bash
# The download step over a distant link and on a loaded machine, against curl of the same file in
# the same run:
#
#   bench/http/run-link-bench.sh [RUNS [CASES]]   (default 3 runs of each contender in each case;
#                                                   CASES: local, link or all, the default)
#
# Cases: straight to the local nginx (512 MiB file), and through link_relay.py at 25 ms each way and
# 100 Mbit/s (64 MiB) and at 5 ms and 1 Gbit/s (256 MiB); each once as the machine is and once
# beside two busy loops (one session of their own, as another user's build). In every run curl
# fetches the file in one GET, then the download step (package_download_tool, socket driver) does,
# with first_byte_probe measuring each slice's wait for its answer's first byte; under Wine (MinGW
# x86_64 build), on the relay without busy loops, the step with the WinINet and with the socket
# driver as well.
#
# Every run is printed as one row of a table (also written to build/bench-link/runs.tsv), then one
# summary line per case and contender; see bench/README.md for the columns.
set -euo pipefail
cd "$(dirname "$0")/../.."
runs=${1:-3}
cases=${2:-all}
case "$cases" in local | link | all) ;; *) echo "usage: $0 [RUNS [local|link|all]]" >&2; exit 2 ;; esac
root=$PWD
native_dir=build/bench-http-native
wine_dir=build/bench-http-mingw64
state=$root/build/bench-http-servers
results=$root/build/bench-link
slice=524288
mkdir -p "$results"
out_dir=$(mktemp -d /tmp/korvo-link-bench.XXXXXX)
relay_pid=""
load_pgid_file=$out_dir/busy-loops.pgid

stop_relay() { if [ -n "$relay_pid" ]; then kill "$relay_pid" 2>/dev/null || true; wait "$relay_pid" 2>/dev/null || true; relay_pid=""; fi; }
stop_busy_loops() {
  if [ -s "$load_pgid_file" ]; then kill -TERM -- "-$(cat "$load_pgid_file")" 2>/dev/null || true; rm -f "$load_pgid_file"; fi
}
cleanup() {
  stop_relay; stop_busy_loops
  python3 tools/testserver/servers.py stop "$state" >/dev/null 2>&1 || true
  rm -rf "$out_dir"
}
trap cleanup EXIT

echo "== building"
cmake --preset native-release -B "$native_dir" >/dev/null
cmake --build "$native_dir" -j2 --target package_download_tool first_byte_probe >/dev/null
have_wine=0
if command -v x86_64-w64-mingw32-g++-win32 >/dev/null && [ -x /usr/lib/wine/wine64 ]; then
  cmake --preset mingw64 -B "$wine_dir" >/dev/null
  cmake --build "$wine_dir" -j2 --target package_download_tool >/dev/null
  have_wine=1
fi
native_step=$native_dir/bench/http/package_download_tool
probe=$root/$native_dir/bench/http/libfirst_byte_probe.so
wine_step=$wine_dir/tests/pipeline/package_download_tool.exe
export WINEPREFIX=$root/$wine_dir/wineprefix

echo "== starting nginx"
python3 tools/testserver/servers.py start "$state" --big-file 512 --no-proxy >/dev/null
nginx_port=$(sed -n 's/^NGINX_PORT=//p' "$state/servers.env")
www=$state/www
downloads=$www/downloads/skelv/skelv_v31
# The files of the relay cases: the first MiB of the big one. The step asks for its files under
# the download server's path.
for mib in 64 256; do
  f=$www/link$mib.bin
  [ -f "$f" ] && [ "$(stat -c %s "$f")" -eq $((mib << 20)) ] || head -c $((mib << 20)) "$www/big.bin" >"$f"
done
for name in big.bin link64.bin link256.bin; do ln -sf "../../../$name" "$downloads/$name"; done
nginx_worker=$(cat "/proc/$(cat "$state/nginx.pid")/task/$(cat "$state/nginx.pid")/children" | awk '{print $1}')

# start_relay DELAY_MS RATE_MBIT: sets relay_port; the relay's log goes to $out_dir/relay.log.
start_relay() {
  rm -f "$out_dir/relay.port"
  python3 bench/http/link_relay.py --target "127.0.0.1:$nginx_port" --delay-ms "$1" --rate-mbit "$2" \
    --port-file "$out_dir/relay.port" >/dev/null 2>>"$out_dir/relay.log" &
  relay_pid=$!
  for _ in $(seq 100); do [ -s "$out_dir/relay.port" ] && break; sleep 0.1; done
  relay_port=$(cat "$out_dir/relay.port")
  # The relay's own check: three small answers on one connection each take about two delays.
  local url=http://127.0.0.1:$relay_port/small.txt
  echo "relay at $1 ms, $2 Mbit/s: time to first byte of three answers on one connection:" \
       $(curl -s -w '%{time_starttransfer}\n' -o /dev/null "$url" -o /dev/null "$url" -o /dev/null "$url" |
         awk '{printf "%.1f ", $1 * 1e3}')"ms (two delays: $(( 2 * $1 )) ms)"
}

start_busy_loops() {
  setsid sh -c 'echo $$ >"$1"; (while :; do :; done) & (while :; do :; done) & wait' sh "$load_pgid_file" &
  for _ in $(seq 50); do [ -s "$load_pgid_file" ] && break; sleep 0.1; done
  sleep 1  # let them settle on both cores
}

# The nginx worker's nanoseconds on a processor and waiting for one, and the time the hypervisor
# took from both processors (ticks of 10 ms).
sched_now() { echo "$(awk '{print $1, $2}' "/proc/$nginx_worker/schedstat") $(awk '/^cpu / {print $9}' /proc/stat)"; }
# The value of NAME=value in a report line; "-" for none or an unknown -1.
field() { local v; v=$(echo "$1" | sed -n "s/.*[ :]$2=\([-0-9.]*\).*/\1/p"); case "$v" in "" | -1*) echo - ;; *) echo "$v" ;; esac; }
# The to-client lateness of the relay's last connection that ended after line $1 of its log.
relay_late() {
  local lines=$1
  for _ in $(seq 30); do [ "$(wc -l <"$out_dir/relay.log")" -gt "$lines" ] && break; sleep 0.1; done
  tail -n +"$((lines + 1))" "$out_dir/relay.log" | sed -n 's/.*to-client: .*late_ms_mean=\([0-9.]*\).*/\1/p' | tail -1
}

table=$results/runs.tsv
columns=(case load run contender MiB_per_s ratio slice_ms_median slice_ms_p90 wait_ms_mean wait_ms_median
         wait_ms_p90 wait_from_rate_ms recv_s on_cpu_s run_queue_s nginx_cpu_s nginx_run_queue_s steal_s relay_late_ms)
(IFS=$'\t'; echo "${columns[*]}") | tee "$table"
row() { (IFS=$'\t'; echo "$*") | tee -a "$table"; }

# The case being run: its name, file size, link rate (0: no relay), a slice's time on the wire at
# that rate, and the current run's number, load and curl throughput.
case_name="" case_size=0 case_rate=0 case_transfer_ms="" run_index=0 run_load="" curl_speed=""

run_curl() {
  local server=$1 file=$2 lines c late=-
  lines=$(wc -l <"$out_dir/relay.log")
  # One GET; its wait is the time from the request's sending to the first byte. /usr/bin/time
  # adds curl's processor time (user and system) to the line.
  c=$(/usr/bin/time -f '%U %S' -o "$out_dir/curl.time" \
        curl -s -o "$out_dir/curl.bin" -w '%{speed_download} %{time_pretransfer} %{time_starttransfer}' "http://$server/$file")
  [ "$(stat -c %s "$out_dir/curl.bin")" -eq "$case_size" ] || { echo "curl: wrong size" >&2; exit 1; }
  rm -f "$out_dir/curl.bin"
  curl_speed=$(echo "$c" | awk '{printf "%.1f", $1 / 1048576}')
  [ "$case_rate" != 0 ] && late=$(relay_late "$lines")
  row "$case_name" "$run_load" "$run_index" curl "$curl_speed" 1.00 - - \
      "$(echo "$c" | awk '{printf "%.3f", ($3 - $2) * 1e3}')" - - - - "$(awk '{printf "%.3f", $1 + $2}' "$out_dir/curl.time")" \
      - - - - "$late"
}

# run_step CONTENDER COMMAND...: the step's report, the probe's line (native runs) and the nginx
# worker's scheduler figures around it.
run_step() {
  local contender=$1 lines before after line probe_line speed wait_rate=- late=-
  shift
  lines=$(wc -l <"$out_dir/relay.log")
  before=$(sched_now)
  line=$("$@" 2>"$out_dir/probe.txt")
  after=$(sched_now)
  case "$line" in *"result=0 bytes=$case_size "*) ;; *) echo "download step failed: $line" >&2; exit 1 ;; esac
  probe_line=$(grep '^first_byte:' "$out_dir/probe.txt" || true)
  speed=$(field "$line" MiB_per_s)
  [ -n "$case_transfer_ms" ] &&
    wait_rate=$(awk -v m="$(field "$line" slice_ms_mean)" -v t="$case_transfer_ms" 'BEGIN {printf "%.3f", m - t}')
  [ "$case_rate" != 0 ] && late=$(relay_late "$lines")
  row "$case_name" "$run_load" "$run_index" "$contender" "$speed" \
      "$(awk -v a="$speed" -v b="$curl_speed" 'BEGIN {printf "%.2f", a / b}')" \
      "$(field "$line" slice_ms_median)" "$(field "$line" slice_ms_p90)" \
      "$(field "$probe_line" wait_ms_mean)" "$(field "$probe_line" wait_ms_median)" "$(field "$probe_line" wait_ms_p90)" \
      "$wait_rate" "$(field "$probe_line" recv_s)" "$(field "$line" on_cpu_s)" "$(field "$line" run_queue_s)" \
      $(echo "$before $after" | awk '{printf "%.3f %.3f %.2f", ($4 - $1) / 1e9, ($5 - $2) / 1e9, ($6 - $3) / 100}') "$late"
}

# run_case NAME FILE SERVER RATE_MBIT(0: no relay) WITH_WINE
run_case() {
  local server=$3 file=$2 with_wine=$5
  case_name=$1 case_rate=$4 case_size=$(stat -L -c %s "$downloads/$2") case_transfer_ms=""
  [ "$case_rate" != 0 ] &&
    case_transfer_ms=$(awk -v r="$case_rate" -v s=$slice 'BEGIN {printf "%.3f", s * 8 / (r * 1e6) * 1e3}')
  echo "== $case_name: $file, $((case_size >> 20)) MiB, $runs runs"
  for ((run_index = 1; run_index <= runs; run_index++)); do
    run_load=$(cut -d' ' -f1 /proc/loadavg)
    run_curl "$server" "$file"
    run_step step env TMPDIR="$out_dir" HTTPDriver=1 LD_PRELOAD="$probe" "$native_step" "$server" "$file"
    if [ "$with_wine" = 1 ] && [ "$have_wine" = 1 ]; then
      run_step wine-step-wininet env -u HTTPDriver scripts/wine-run.sh "$wine_step" "$server" "$file"
      run_step wine-step-socket env HTTPDriver=1 scripts/wine-run.sh "$wine_step" "$server" "$file"
    fi
  done
}

touch "$out_dir/relay.log"
for loaded in 0 1; do
  suffix=""
  if [ "$loaded" = 1 ]; then suffix=" loaded"; start_busy_loops; fi
  if [ "$cases" != link ]; then run_case "local$suffix" big.bin "127.0.0.1:$nginx_port" 0 0; fi
  if [ "$cases" != local ]; then
    for link in "25 100 link64.bin" "5 1000 link256.bin"; do
      read -r delay rate file <<<"$link"
      start_relay "$delay" "$rate"
      run_case "${delay}ms/${rate}Mbit$suffix" "$file" "127.0.0.1:$relay_port" "$rate" $((1 - loaded))
      stop_relay
    done
  fi
  stop_busy_loops
done

echo "== medians per case and contender (ratio: median of the runs' ratios to curl of the same run)"
awk -F'\t' 'NR > 1 {
    key = $1 "|" $4; if (!(key in n)) order[++keys] = key
    n[key]++; speed[key, n[key]] = $5; ratio[key, n[key]] = $6; wait[key, n[key]] = ($9 == "" || $9 == "-") ? $12 : $9
  }
  function median(a, key, count,   i, j, t, v) {
    for (i = 1; i <= count; i++) v[i] = a[key, i] + 0
    for (i = 1; i <= count; i++) for (j = i + 1; j <= count; j++) if (v[j] < v[i]) { t = v[i]; v[i] = v[j]; v[j] = t }
    return count % 2 ? v[(count + 1) / 2] : (v[count / 2] + v[count / 2 + 1]) / 2
  }
  END {
    for (k = 1; k <= keys; k++) {
      key = order[k]; split(key, part, "|")
      printf "%-22s %-18s %8.1f MiB/s  ratio %.2f  wait per slice %s ms  (all runs:", part[1], part[2],
             median(speed, key, n[key]), median(ratio, key, n[key]), (wait[key, 1] == "-" ? "-" : sprintf("%.2f", median(wait, key, n[key])))
      for (i = 1; i <= n[key]; i++) printf " %s", speed[key, i]
      print ")"
    }
  }' "$table"
