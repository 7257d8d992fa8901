#!/usr/bin/env bash
# installed-product-run-test.sh <KORVOSkelvSetup.exe> <dialog_driver.exe> <scratch folder>
# The real program under Wine on a machine where the product is already installed in the version
# the download server offers: the start-up checks must refuse with "already installed" after asking
# the server once, skip the disk check, still run the prerequisite scan, and show the refusal in the
# dialog, which the driver checks and cancels (on the X display that xvfb-run gives this script).
set -euo pipefail
exe=$1 driver=$2 scratch=$3
root=$(cd "$(dirname "$0")/../.." && pwd)
export WINEPREFIX=$scratch/wineprefix WINEDEBUG=-all
rm -rf "$scratch" && mkdir -p "$scratch/www/downloads/skelv/skelv_v31"
upgrade_code='{5E1A7C42-90B3-4F6E-A2D8-3C71B94E0F15}'

fail() { echo "FAIL: $*" >&2; exit 1; }
cleanup() {
  [ -n "${server_pid:-}" ] && kill "$server_pid" 2>/dev/null || true
  /usr/lib/wine/wineserver -k 2>/dev/null || true
}
trap cleanup EXIT

# The product, installed in 1.0.1 with the installer of the system.
bash "$root/tools/packages/make-product-msi.sh" "$scratch/KORVOSkelv.msi" 1.0.1
package="Z:$(printf '%s' "$scratch/KORVOSkelv.msi" | tr / '\\')"
bash "$root/scripts/wine-run.sh" msiexec /i "$package" /q ||
  fail "msiexec could not install the test product"

# The server offers the same version.
printf 'PNQ1\t%s\t1.0.1\r\n' "$upgrade_code" >"$scratch/www/downloads/skelv/skelv_v31/KORVOSkelv_VERSION.txt"
python3 - "$scratch/www" "$scratch/port" "$scratch/requests" <<'PY' &
import functools, http.server, sys
root, port_file, count_file = sys.argv[1:4]
class Handler(http.server.SimpleHTTPRequestHandler):
    def do_GET(self):
        with open(count_file, "a") as f:
            f.write(self.path + "\n")
        super().do_GET()
server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(Handler, directory=root))
with open(port_file + ".tmp", "w") as f:
    f.write(str(server.server_address[1]))
import os; os.rename(port_file + ".tmp", port_file)
server.timeout = 1
import time
deadline = time.time() + 600
while time.time() < deadline:
    server.handle_request()
PY
server_pid=$!
for _ in $(seq 100); do [ -f "$scratch/port" ] && break; sleep 0.1; done
[ -f "$scratch/port" ] || fail "the version server did not start"
port=$(cat "$scratch/port")
: >"$scratch/requests"

KORVOSkelv_Server=127.0.0.1:$port bash "$root/scripts/wine-run.sh" "$exe" &
program=$!
bash "$root/scripts/wine-run.sh" "$driver" blocked "$scratch/refused" || fail "the dialog does not show the refusal"
wait "$program" || true
log=$(find "$WINEPREFIX/drive_c/users" -path '*/Temp/KORVOSkelvInstall.log' | head -n 1)
[ -n "$log" ] || fail "no log written"
texts=$scratch/texts.log
sed -e 's/\r$//' -e 's/^[0-9][0-9]\/[0-9][0-9]\/[0-9][0-9] - [0-9:]*: //' "$log" >"$texts"
echo "--- log"; cat "$texts"

has() { grep -qxF -- "$1" "$texts" || fail "the log lacks: $1"; }
lacks() { ! grep -qF -- "$1" "$texts" || fail "the log should not hold: $1"; }
url="http://127.0.0.1:$port/downloads/skelv/skelv_v31/KORVOSkelv_VERSION.txt"
has "IN-> IsOSAuthorized()"
has "OUT-> IsOSAuthorized() - OK "
has "IN-> IsVideoCardOK()"
has "OUT-> IsVideoCardOK() - OK "
has "IN->CheckNeedInstall ()"
has "Installed Version: 1.0.1"
has "Downloading $url"
has "The latest version of KORVO Skelv is already installed."
has "There is no need to install it again."
has "OUT->CheckNeedInstall  returns false"
lacks "IsEnoughDiskSpace"
has "Internal test for KORVOSkelv from 127.0.0.1:$port"
has "IN->CheckAllPrereqs ()"
has "OUT->CheckAllPrereqs ()"
has "IDCANCEL"
[ "$(grep -c . "$scratch/requests")" -eq 1 ] || fail "expected one request to the server, got: $(cat "$scratch/requests")"
echo "installed product run OK: refused with text 133 after one request, no disk check, prerequisites scanned"
