#!/usr/bin/env python3
"""A download server for one test case, on 127.0.0.1 only.

  range_server.py ROOT PORT_FILE REQUEST_LOG [--slice-delay SECONDS]

Serves the files under ROOT with GET, honouring single byte ranges ("Range: bytes=first-last",
answered 206 with Content-Range) and keep-alive. Picks a free port and writes it to PORT_FILE once
it listens; appends "<path> <range header or ->" to REQUEST_LOG for every request. --slice-delay
holds every answer back that long, so a client's download spans a noticeable time. Ends by itself
after LIFETIME seconds should nobody stop it.
"""
import argparse
import http.server
import os
import re
import threading
import time

LIFETIME = 600
RANGE = re.compile(r"bytes=(\d+)-(\d*)$")


def make_handler(root, request_log, slice_delay):
    lock = threading.Lock()

    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def log_message(self, *args):
            pass

        def do_GET(self):
            wanted = self.headers.get("Range")
            with lock, open(request_log, "a") as log:
                log.write("%s %s\n" % (self.path, wanted or "-"))
            time.sleep(slice_delay)
            path = os.path.join(root, self.path.lstrip("/").split("?")[0])
            if not os.path.isfile(path):
                self.answer(404, b"not here\n")
                return
            with open(path, "rb") as f:
                data = f.read()
            match = RANGE.match(wanted or "")
            if not match:
                self.answer(200, data)
                return
            first = int(match.group(1))
            last = int(match.group(2)) if match.group(2) else len(data) - 1
            last = min(last, len(data) - 1)
            if first > last:
                self.answer(416, b"", {"Content-Range": "bytes */%d" % len(data)})
                return
            self.answer(206, data[first:last + 1], {"Content-Range": "bytes %d-%d/%d" % (first, last, len(data))})

        def answer(self, status, body, headers=None):
            self.send_response(status)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Content-Length", str(len(body)))
            self.send_header("Accept-Ranges", "bytes")
            for name, value in (headers or {}).items():
                self.send_header(name, value)
            self.end_headers()
            self.wfile.write(body)

    return Handler


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("root")
    parser.add_argument("port_file")
    parser.add_argument("request_log")
    parser.add_argument("--slice-delay", type=float, default=0.0)
    options = parser.parse_args()
    server = http.server.ThreadingHTTPServer(
        ("127.0.0.1", 0), make_handler(options.root, options.request_log, options.slice_delay))
    server.daemon_threads = True
    with open(options.port_file + ".tmp", "w") as f:
        f.write(str(server.server_address[1]))
    os.rename(options.port_file + ".tmp", options.port_file)
    stopper = threading.Timer(LIFETIME, server.shutdown)
    stopper.daemon = True
    stopper.start()
    server.serve_forever()


if __name__ == "__main__":
    main()
