#!/usr/bin/env python3
"""Starts and stops the real peers of the HTTP client's tests, all on 127.0.0.1:

  nginx          a generated configuration serving generated files (ranges, keep-alive, HEAD),
                 also over TLS with a self-signed certificate when openssl is there
  scripted       scripted_server.py, for answers nginx will not give on demand
  tinyproxy      a forward proxy on 127.0.0.1:8080 (the socket driver's fixed proxy port)

  servers.py start STATE_DIR [--big-file MIB] [--no-proxy]
      runs the supervisor in the background and returns once every server answers; writes
      STATE_DIR/servers.env (NAME=value lines: NGINX_PORT, NGINX_TLS_PORT (0: none), SCRIPTED_PORT,
      PROXY_HOST, PROXY_PORT, WWW_DIR) and STATE_DIR/supervisor.pid.
  servers.py stop STATE_DIR
      stops the supervisor, which stops the servers it started.

Port 8080 is fixed, so build folders that test at the same time take turns: the supervisor holds
a lock file for as long as its proxy runs. The supervisor ends by itself after MAX_LIFETIME
seconds should nobody stop it.
"""
import argparse
import fcntl
import os
import signal
import socket
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import scripted_server  # noqa: E402

PROXY_PORT = 8080
PROXY_LOCK = "/tmp/korvo-http-proxy-8080.lock"
MAX_LIFETIME = 3600
START_TIMEOUT = 240


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for_port(port, seconds):
    deadline = time.time() + seconds
    while time.time() < deadline:
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=1):
                return True
        except OSError:
            time.sleep(0.1)
    return False


pattern_bytes = scripted_server.pattern_bytes

# The packages of the download tests, under the download server's path; a name starting with
# "whole-" is served without range support (always 200 with the whole file).
DOWNLOADS = "downloads/skelv/skelv_v31"
SLICE = 524288
PACKAGES = {
    "exact-slice.msi": SLICE,
    "slice-plus-one.msi": SLICE + 1,
    "three-slices.msi": 3 * SLICE,
    "whole-exact-slice.msi": SLICE,
    "whole-three-slices.msi": 3 * SLICE,
    "whole-empty.msi": 0,
}


def write_www(www, big_mib):
    os.makedirs(www, exist_ok=True)
    files = {
        "small.txt": b"Hello from nginx\n",
        "version.txt": b"3.1.7\n",
        "exact-slice.bin": pattern_bytes(524288),
        "slice-plus-one.bin": pattern_bytes(524289),
        "three-slices.bin": pattern_bytes(3 * 524288 + 1000),
        "empty.bin": b"",
    }
    for name, data in files.items():
        path = os.path.join(www, name)
        if not os.path.exists(path) or os.path.getsize(path) != len(data):
            with open(path, "wb") as f:
                f.write(data)
    os.makedirs(os.path.join(www, "dir"), exist_ok=True)
    downloads = os.path.join(www, DOWNLOADS)
    os.makedirs(downloads, exist_ok=True)
    for name, size in PACKAGES.items():
        path = os.path.join(downloads, name)
        if not os.path.exists(path) or os.path.getsize(path) != size:
            with open(path, "wb") as f:
                f.write(pattern_bytes(size))
    if big_mib:
        path = os.path.join(www, "big.bin")
        size = big_mib * 1024 * 1024
        if not os.path.exists(path) or os.path.getsize(path) != size:
            chunk = pattern_bytes(1024 * 1024)
            with open(path, "wb") as f:
                for _ in range(big_mib):
                    f.write(chunk)


def make_certificate(state):
    """A self-signed certificate for 127.0.0.1, or None when openssl is missing."""
    cert, key = os.path.join(state, "tls.crt"), os.path.join(state, "tls.key")
    if not (os.path.exists(cert) and os.path.exists(key)):
        try:
            subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "30",
                            "-subj", "/CN=korvo-test", "-keyout", key, "-out", cert],
                           check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        except (OSError, subprocess.SubprocessError):
            return None
    return cert, key


def tls_server_block(www, port, certificate):
    if certificate is None:
        return ""
    cert, key = certificate
    return f"""
  server {{
    listen 127.0.0.1:{port} ssl;
    ssl_certificate {cert};
    ssl_certificate_key {key};
    root {www};
  }}"""


def nginx_worker_user():
    """nginx run as root hands its requests to a worker of an unprivileged user, which cannot read a
    checkout inside a private folder (root's home, mode 0700) and answers 403. The test server's
    worker stays root instead; run by anyone else, nginx keeps that user's rights anyway."""
    return "user root;\n" if os.geteuid() == 0 else ""


def nginx_config(state, www, port, tls_port=0, certificate=None):
    temp = os.path.join(state, "nginx-temp")
    os.makedirs(temp, exist_ok=True)
    return f"""{nginx_worker_user()}daemon off;
worker_processes 1;
pid {state}/nginx.pid;
error_log {state}/nginx-error.log;
events {{ worker_connections 128; }}
http {{
  access_log off;
  log_format seen '$connection "$http_range" $status $uri';
  client_body_temp_path {temp}/body;
  proxy_temp_path {temp}/proxy;
  fastcgi_temp_path {temp}/fastcgi;
  uwsgi_temp_path {temp}/uwsgi;
  scgi_temp_path {temp}/scgi;
  default_type application/octet-stream;
  sendfile on;
  keepalive_timeout 120;
  keepalive_requests 100000;
  server {{
    listen 127.0.0.1:{port};
    root {www};
    # What the download tests asked for: connection serial, Range header, status, path.
    access_log {state}/downloads-access.log seen;
    location ~ "/whole-[^/]*$" {{
      max_ranges 0;
    }}
  }}{tls_server_block(www, tls_port, certificate)}
}}
"""


def tinyproxy_config(state):
    return f"""Port {PROXY_PORT}
Listen 127.0.0.1
Timeout 60
MaxClients 50
LogFile "{state}/tinyproxy.log"
LogLevel Info
Allow 127.0.0.1
DisableViaHeader Yes
"""


def supervise(state, big_mib, with_proxy):
    """Runs in the background: starts the servers, writes servers.env, waits to be stopped."""
    children = []

    def stop_all(*_):
        for child in children:
            if child.poll() is None:
                child.terminate()
        for child in children:
            try:
                child.wait(timeout=10)
            except subprocess.TimeoutExpired:
                child.kill()
        sys.exit(0)

    signal.signal(signal.SIGTERM, stop_all)
    signal.signal(signal.SIGINT, stop_all)
    signal.signal(signal.SIGALRM, stop_all)
    signal.alarm(MAX_LIFETIME)

    www = os.path.join(state, "www")
    write_www(www, big_mib)
    nginx_port = free_port()
    certificate = make_certificate(state)
    tls_port = free_port() if certificate else 0
    conf = os.path.join(state, "nginx.conf")
    with open(conf, "w") as f:
        f.write(nginx_config(state, www, nginx_port, tls_port, certificate))
    log = open(os.path.join(state, "supervisor.log"), "a")
    children.append(subprocess.Popen(["/usr/sbin/nginx", "-p", state, "-c", conf, "-e",
                                      os.path.join(state, "nginx-error.log")], stdout=log, stderr=log))
    _, scripted_port = scripted_server.start()

    if with_proxy:
        lock = open(PROXY_LOCK, "w")
        fcntl.flock(lock, fcntl.LOCK_EX)  # held until this process ends
        pconf = os.path.join(state, "tinyproxy.conf")
        with open(pconf, "w") as f:
            f.write(tinyproxy_config(state))
        proxy = subprocess.Popen(["/usr/bin/tinyproxy", "-d", "-c", pconf], stdout=log, stderr=log)
        time.sleep(0.5)
        if proxy.poll() is None:
            children.append(proxy)
        else:
            # Port 8080 belongs to someone else: run without a proxy (the proxy tests skip).
            print("tinyproxy could not start; no proxy this time", file=log, flush=True)
            with_proxy = False

    ok = wait_for_port(nginx_port, 30) and (not with_proxy or wait_for_port(PROXY_PORT, 30))
    if not ok:
        print("servers did not come up", file=log, flush=True)
        stop_all()
    env = {
        "NGINX_PORT": nginx_port,
        "NGINX_TLS_PORT": tls_port,
        "SCRIPTED_PORT": scripted_port,
        "PROXY_HOST": "127.0.0.1" if with_proxy else "",
        "PROXY_PORT": PROXY_PORT if with_proxy else 0,
        "WWW_DIR": www,
    }
    tmp = os.path.join(state, "servers.env.tmp")
    with open(tmp, "w") as f:
        for key, value in env.items():
            f.write(f"{key}={value}\n")
    os.replace(tmp, os.path.join(state, "servers.env"))
    while True:
        time.sleep(1)
        if any(child.poll() is not None for child in children):
            print("a server ended early", file=log, flush=True)
            stop_all()


def start(state, big_mib, with_proxy):
    os.makedirs(state, exist_ok=True)
    stop(state)
    env_file = os.path.join(state, "servers.env")
    if os.path.exists(env_file):
        os.remove(env_file)
    args = [sys.executable, os.path.abspath(__file__), "supervise", state, "--big-file", str(big_mib)]
    if not with_proxy:
        args.append("--no-proxy")
    with open(os.devnull, "rb") as devnull_in, open(os.path.join(state, "supervisor.log"), "a") as log:
        proc = subprocess.Popen(args, stdin=devnull_in, stdout=log, stderr=log, start_new_session=True)
    with open(os.path.join(state, "supervisor.pid"), "w") as f:
        f.write(str(proc.pid))
    deadline = time.time() + START_TIMEOUT
    while time.time() < deadline:
        if os.path.exists(env_file):
            print(open(env_file).read(), end="")
            return 0
        if proc.poll() is not None:
            break
        time.sleep(0.2)
    print("servers failed to start; see", os.path.join(state, "supervisor.log"), file=sys.stderr)
    stop(state)
    return 1


def stop(state):
    pid_file = os.path.join(state, "supervisor.pid")
    if not os.path.exists(pid_file):
        return 0
    pid = int(open(pid_file).read().strip() or 0)
    os.remove(pid_file)
    if pid <= 0:
        return 0
    try:
        os.kill(pid, signal.SIGTERM)
    except ProcessLookupError:
        return 0
    for _ in range(150):
        try:
            os.kill(pid, 0)
        except ProcessLookupError:
            return 0
        time.sleep(0.1)
    try:
        os.kill(pid, signal.SIGKILL)
    except ProcessLookupError:
        pass
    return 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("command", choices=["start", "stop", "supervise"])
    parser.add_argument("state")
    parser.add_argument("--big-file", type=int, default=0, help="also serve big.bin of this many MiB")
    parser.add_argument("--no-proxy", action="store_true")
    args = parser.parse_args()
    state = os.path.abspath(args.state)
    if args.command == "start":
        return start(state, args.big_file, not args.no_proxy)
    if args.command == "stop":
        return stop(state)
    supervise(state, args.big_file, not args.no_proxy)
    return 0


if __name__ == "__main__":
    sys.exit(main())
