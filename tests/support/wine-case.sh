# Sourced by the end-to-end case scripts (tests/install/install-case.sh, tests/program/program-case.sh)
# and the demo (scripts/run-setup.sh): what every case does the same way. The case sets `dir` (its folder) before sourcing this file.
# The case's own `cleanup` calls stop_case_processes first.

support=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# The verdict: FAIL with the reason, in the case's folder.
fail() {
  echo "$* ($SECONDS s)" >"$dir/FAIL"
  exit 1
}

# A host path as Wine's Z: drive shows it.
host_path() { printf 'Z:%s' "$1" | tr / '\\'; }

# start_server [range_server.py options...]: the case's own download server on 127.0.0.1, serving
# $dir/www; its port is in $dir/port once it listens. Its process id is kept in a file, so that it is
# stopped even when a subshell of the case started it.
start_server() {
  python3 "$support/../install/range_server.py" "$dir/www" "$dir/port" "$dir/requests.txt" "$@" &
  echo $! >"$dir/server.pid"
  for _ in $(seq 100); do [ -f "$dir/port" ] && return; sleep 0.1; done
  fail "the download server did not start"
}

# The server and every program of the case's prefix.
stop_case_processes() {
  [ -f "$dir/server.pid" ] && kill "$(cat "$dir/server.pid")" 2>/dev/null || true
  timeout 30 /usr/lib/wine/wineserver -k 2>/dev/null || true
}
