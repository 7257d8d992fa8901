"""A scripted HTTP/1.1 server for the HTTP client's tests: answers that nginx will not give on
demand (chunk extensions, interim 100 answers, redirect chains and loops, authentication
challenges, cookies, "Connection: Close", broken status lines, truncated bodies, stalls).

Every answer is chosen by the request path. Loopback only; every loop is bounded: a connection
serves at most MAX_REQUESTS_PER_CONNECTION requests and waits at most IDLE_TIMEOUT seconds for one.
"""
import socket
import socketserver
import threading
import time
import urllib.parse

MAX_REQUESTS_PER_CONNECTION = 200
IDLE_TIMEOUT = 30
MAX_HEADER_BYTES = 64 * 1024
STALL_SECONDS = 20

_connection_ids = iter(range(1, 1 << 62))
_id_lock = threading.Lock()

# Package downloads in slices: "/downloads/.../<fault>.msi" answers a range request as the
# fault says. Every such request is kept until /seen?name= hands it out.
DOWNLOADS_PREFIX = "/downloads/"
SLICE = 524288
PACKAGE_SIZE = 3 * SLICE
EMPTY_ANSWERS = 10  # a slice answered empty this often, then properly
SHORT_SLICE = 100000
_seen = []
_seen_lock = threading.Lock()

# Servers that misbehave the way real ones do: "/hostile/<behaviour>/<any path>" serves the
# three-slice package (a get without Range: a small file of SMALL_FILE bytes) as the behaviour says:
#   ignore-range-<MiB>             200 with Content-Length <MiB> MiB, whatever was asked
#   ignore-range-unannounced-<MiB> the same without a length, until the server closes
#   ignore-range-chunked-<MiB>     the same in chunks of 64 KiB
#   oversize-<MiB>                 a proper 206 header (Content-Range of the range asked), then
#                                  <MiB> MiB of body, as its Content-Length says
#   silent                         reads the request and answers nothing
#   stall-after-headers            a proper header, then nothing
#   stall-mid-body                 a proper header and half the body, then nothing
#   drip-<ms>                      a proper header, then one byte of the body every <ms> ms
# A behaviour ending in "-later" applies from the second slice on; the first is served properly.
# Bodies are made as they are sent and stop when the client goes. A stall or drip lasts
# STALL_SECONDS, then the rest of the answer comes at once: a client that waits gets it all.
# The requests are kept for /seen like the package downloads'.
HOSTILE_PREFIX = "/hostile/"
SMALL_FILE = 100
STREAM_BLOCK = 64 * 1024


def pattern_bytes(size):
    """Deterministic content: byte i is (i * 7 + i // 251) mod 256, so that any misplaced range shows."""
    block = bytes(((i * 7) + (i // 251)) % 256 for i in range(251 * 256))
    out = bytearray()
    while len(out) < size:
        out += block
    return bytes(out[:size])


_package = pattern_bytes(PACKAGE_SIZE)


def _next_connection_id():
    with _id_lock:
        return next(_connection_ids)


class Request:
    def __init__(self, raw, method, target, headers, body):
        self.raw = raw
        self.method = method
        self.target = target
        self.headers = headers
        self.body = body
        parsed = urllib.parse.urlsplit(target)
        self.path = parsed.path
        self.query = dict(urllib.parse.parse_qsl(parsed.query))


def _response(status, reason, headers=(), body=b"", length=True):
    lines = ["HTTP/1.1 %d %s" % (status, reason)]
    lines += ["%s: %s" % pair for pair in headers]
    if length:
        lines.append("Content-Length: %d" % len(body))
    return ("\r\n".join(lines) + "\r\n\r\n").encode("latin-1") + body


class Handler(socketserver.BaseRequestHandler):
    def setup(self):
        self.request.settimeout(IDLE_TIMEOUT)
        self.buffer = b""
        self.connection_id = _next_connection_id()
        self.challenged = False
        self.empty_answers = 0
        self.refused = False

    def _read_until(self, marker):
        while marker not in self.buffer:
            if len(self.buffer) > MAX_HEADER_BYTES:
                return None
            data = self.request.recv(65536)
            if not data:
                return None
            self.buffer += data
        head, self.buffer = self.buffer.split(marker, 1)
        return head

    def _read_exact(self, count):
        while len(self.buffer) < count:
            data = self.request.recv(65536)
            if not data:
                return None
            self.buffer += data
        data, self.buffer = self.buffer[:count], self.buffer[count:]
        return data

    def _read_request(self):
        head = self._read_until(b"\r\n\r\n")
        if head is None:
            return None
        lines = head.split(b"\r\n")
        parts = lines[0].decode("latin-1").split(" ")
        if len(parts) != 3:
            return None
        headers = {}
        for line in lines[1:]:
            name, _, value = line.decode("latin-1").partition(":")
            headers[name.strip().lower()] = value.strip()
        body = b""
        if "content-length" in headers:
            body = self._read_exact(int(headers["content-length"]))
        elif "chunked" in headers.get("transfer-encoding", ""):
            body = b""
            for _ in range(10000):
                size_line = self._read_until(b"\r\n")
                size = int(size_line.split(b";")[0], 16)
                chunk = self._read_exact(size + 2)
                body += chunk[:size]
                if size == 0:
                    break
        raw = head + b"\r\n\r\n" + (body or b"")
        return Request(raw, parts[0], parts[1], headers, body)

    def handle(self):
        try:
            for _ in range(MAX_REQUESTS_PER_CONNECTION):
                request = self._read_request()
                if request is None:
                    return
                keep_open = self._answer(request)
                if not keep_open:
                    return
        except (OSError, ValueError):
            return

    def _send(self, data):
        self.request.sendall(data)

    def _answer(self, request):
        """Sends the answer for the request; returns False when the connection is to be closed."""
        path = request.path
        q = request.query
        host = request.headers.get("host", "127.0.0.1")
        if path.startswith(HOSTILE_PREFIX):
            return self._answer_hostile(request)
        if path.startswith(DOWNLOADS_PREFIX):
            return self._answer_slice(request)
        if path == "/seen":
            with _seen_lock:
                lines = [line for line in _seen if line[2].endswith("/" + q.get("name", ""))]
                _seen[:] = [line for line in _seen if line not in lines]
            text = "".join("%d %s\n" % (connection, rng) for connection, rng, _ in lines)
            self._send(_response(200, "OK", [("Content-Type", "text/plain")], text.encode()))
        elif path == "/" or path.startswith("/echo") or path.endswith("/echo"):
            self._send(_response(200, "OK", [("Content-Type", "text/plain")], request.raw))
        elif path == "/connection-id":
            self._send(_response(200, "OK", [("Content-Type", "text/plain")], str(self.connection_id).encode()))
        elif path == "/close-after":
            # A keep-alive answer, then the server drops the connection all the same.
            self._send(_response(200, "OK", [("Content-Type", "text/plain")], str(self.connection_id).encode()))
            time.sleep(0.2)
            return False
        elif path == "/connection-close":
            self._send(_response(200, "OK", [("Connection", "Close")], str(self.connection_id).encode()))
            return False
        elif path == "/status":
            code = int(q.get("code", "200"))
            self._send(_response(code, "Scripted", [("Content-Type", "text/plain")], b"status body"))
        elif path == "/chunked":
            body = b"abcdefghijklmnopqrstuvwxyz"
            self._send(_response(200, "OK", [("Transfer-Encoding", "chunked")], length=False)
                       + b"1a;name=value\r\n" + body + b"\r\n" + b"5\r\n01234\r\n0\r\n\r\n")
        elif path == "/chunked-with-length":
            # A content length wins over the transfer encoding.
            self._send(b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Length: 5\r\n\r\nhello")
        elif path == "/chunked-bad-framing":
            self._send(_response(200, "OK", [("Transfer-Encoding", "chunked")], length=False)
                       + b"4\r\nabcdXY0\r\n\r\n")
            return False
        elif path == "/chunked-truncated":
            self._send(_response(200, "OK", [("Transfer-Encoding", "chunked")], length=False) + b"4\r\nabcd\r\n")
            return False
        elif path == "/chunked-bad-size":
            self._send(_response(200, "OK", [("Transfer-Encoding", "chunked")], length=False) + b"zz\r\nabcd\r\n")
            return False
        elif path == "/continue":
            self._send(b"HTTP/1.1 100 Continue\r\n\r\n")
            self._send(_response(200, "OK", [("X-Final", "yes")], b"after continue"))
        elif path == "/continue-twice":
            self._send(b"HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 100 Continue\r\n\r\n")
            self._send(_response(200, "OK", [], b"late"))
        elif path.startswith("/redirect/"):
            code = int(path.split("/")[2])
            self._send(_response(code, "Moved", [("Location", q.get("to", "/echo"))], b""))
        elif path.startswith("/chain/"):
            # /chain/N answers 301, 302, 303 in turn down to /chain/0, which is the document.
            left = int(path.split("/")[2])
            if left == 0:
                self._send(_response(200, "OK", [("Content-Type", "text/plain")], b"end of chain"))
            else:
                code = (301, 302, 303)[left % 3]
                location = "http://%s/chain/%d" % (host, left - 1)
                self._send(_response(code, "Moved", [("Location", location)], b""))
        elif path == "/no-location":
            self._send(_response(302, "Found", [], b""))
        elif path == "/loop":
            self._send(_response(302, "Found", [("Location", "http://%s/loop" % host)], b""))
        elif path == "/auth401":
            self._send(_response(401, "Unauthorized", [("WWW-Authenticate", 'Basic realm="korvo"')], b"no"))
        elif path == "/auth401-custom":
            self._send(_response(401, "Unauthorized", [("WWW-Authenticate", q.get("value", ""))], b"no"))
        elif path == "/auth-once":
            # A challenge for the first request of the connection; the retry is echoed.
            if not self.challenged:
                self.challenged = True
                self._send(_response(401, "Unauthorized", [("WWW-Authenticate", 'Basic realm="once"')], b"no"))
            else:
                self._send(_response(200, "OK", [("Content-Type", "text/plain")], request.raw))
        elif path == "/auth407":
            if "proxy-authorization" in request.headers:
                self._send(_response(200, "OK", [], request.headers["proxy-authorization"].encode()))
            else:
                self._send(_response(407, "Proxy Authentication Required",
                                     [("Proxy-Authenticate", 'Basic realm="proxy"')], b"no"))
        elif path.startswith("/cookie/") and path.endswith("/set"):
            cookie = q.get("cookie", "id=42; path=/cookie/a")
            self._send(_response(200, "OK", [("Set-Cookie", cookie)], b"set"))
        elif path == "/broken-status":
            line = {"major0": "HTTP/0.9 200 OK", "nonumber": "HTTP/1.1 abc OK", "garbage": "HELLO"}[q.get("kind", "garbage")]
            self._send((line + "\r\nContent-Length: 2\r\n\r\nok").encode())
            return False
        elif path == "/truncated":
            self._send(b"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n" + b"x" * 80)
            return False
        elif path == "/until-close":
            self._send(b"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n" + b"u" * 5000)
            return False
        elif path == "/stall":
            # Headers promise a body that never comes; or, with ?when=headers, nothing at all.
            if q.get("when") != "headers":
                self._send(b"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc")
            time.sleep(STALL_SECONDS)
            return False
        elif path == "/long-header":
            value = "v" * int(q.get("size", "3000"))
            self._send(_response(200, "OK", [("X-Long", value), ("X-After", "seen")], b"long"))
        elif path == "/no-body":
            # A length announced on an answer that never has a body; nothing follows the headers.
            code = int(q.get("code", "204"))
            self._send(("HTTP/1.1 %d Scripted\r\nContent-Length: 5\r\n\r\n" % code).encode())
        elif path == "/te":
            # A chunked body under a transfer-encoding line written as ?line= says.
            line = q.get("line", "Transfer-Encoding: chunked")
            self._send(("HTTP/1.1 200 OK\r\n%s\r\n\r\n" % line).encode() + b"5\r\nhello\r\n0\r\n\r\n")
            return q.get("close") != "1"
        elif path == "/announce":
            # Announces ?length= bytes, sends ?send= of them and closes.
            self._send(("HTTP/1.1 200 OK\r\nContent-Length: %s\r\n\r\n" % q.get("length", "0")).encode()
                       + b"a" * int(q.get("send", "0")))
            return False
        elif path == "/interim":
            self._send(("HTTP/1.1 %s Interim\r\n\r\n" % q.get("code", "102")).encode())
            self._send(_response(200, "OK", [("X-Final", "yes")], b"after interim"))
        elif path == "/last-header":
            # The header block's last line is exactly ?size= bytes long, its CR LF included.
            size = int(q.get("size", "1025"))
            self._send(b"HTTP/1.1 200 OK\r\nContent-Length: 4\r\nX-Last: "
                       + b"v" * (size - len("X-Last: ") - 2) + b"\r\n\r\nlast")
        elif path == "/slow-body":
            # A kept-alive answer whose body follows its headers after a pause.
            self._send(b"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n")
            time.sleep(0.3)
            self._send(b"0123456789")
        elif path == "/late":
            # The whole answer, but only after ?ms= milliseconds.
            time.sleep(int(q.get("ms", "1000")) / 1000.0)
            self._send(_response(200, "OK", [("Content-Type", "text/plain")], b"late answer"))
        elif path == "/challenge-in-value":
            # The challenge name occurs inside an earlier header's value before the real line.
            self._send(_response(401, "Unauthorized",
                                 [("X-Note", "see www-authenticate: Fake realm=wrong"),
                                  ("WWW-Authenticate", 'Basic realm="right"')], b"no"))
        elif path == "/big-cookie":
            cookie = "big=" + "c" * int(q.get("size", "9000")) + "; path=/"
            self._send(_response(200, "OK", [("Set-Cookie", cookie)], b"cookie body"))
        elif path == "/head-info":
            self._send(_response(200, "OK", [("Content-Type", "application/octet-stream")], b"y" * 1234))
        else:
            self._send(_response(404, "Not Found", [], b"unknown"))
        return True

    def _answer_slice(self, request):
        """A package of PACKAGE_SIZE bytes, its first slice served properly, later ones as the fault
        in the file name says. Returns False when the connection is to be closed."""
        fault = request.path.rsplit("/", 1)[-1].rsplit(".", 1)[0]
        rng = request.headers.get("range", "")
        with _seen_lock:
            _seen.append((self.connection_id, rng or "-", request.path))
        first, last = (int(x) for x in rng.split("=", 1)[1].split("-"))
        last = min(last, PACKAGE_SIZE - 1)
        body = _package[first:last + 1]

        def partial(data=body, start=first, total=str(PACKAGE_SIZE)):
            content_range = "bytes %d-%d/%s" % (start, start + max(len(data), 1) - 1, total)
            return _response(206, "Partial Content", [("Content-Range", content_range)], data)

        if first == 0:
            answers = {
                "status500": _response(500, "Internal Server Error", [], b"no"),
                "status203": _response(203, "Non-Authoritative Information", [], body),
                "no-content-range": _response(206, "Partial Content", [], body),
                "range-no-slash": _response(206, "Partial Content", [("Content-Range", "bytes 0-%d" % last)], body),
                "range-bad-total": partial(total="abc"),
                "range-star-total": partial(total="*"),
                "range-small-total": partial(total="1000"),
                "range-latin1-total": partial(total="1\u00e9"),
            }
            self._send(answers.get(fault, partial()))
            return True
        if fault == "empty-slices" and self.empty_answers < EMPTY_ANSWERS:
            self.empty_answers += 1
            self._send(partial(data=b""))
        elif fault == "refused-once" and not self.refused:
            # An error answer with a body of its own, once; the same range would be served next time.
            self.refused = True
            self._send(_response(416, "Range Not Satisfiable", [], b"no such range"))
        elif fault == "truncated-slice":
            self._send(partial()[:-(len(body) - 1000)])
            return False
        elif fault == "dropped-slice":
            return False
        elif fault == "wrong-start":
            self._send(partial(data=_package[:len(body)], start=0))
        elif fault == "whole-later":
            # The file's beginning again, as a server that lost the range would send it.
            self._send(_response(200, "OK", [], _package[:len(body)]))
        elif fault == "oversized-slice":
            self._send(partial(data=_package[first:last + 11]))
        elif fault == "short-slices":
            self._send(partial(data=body[:SHORT_SLICE]))
        else:
            self._send(partial())
        return True


    def _stream_body(self, size, chunked=False):
        """Sends size bytes of the pattern as they are made (in chunks when asked); stops quietly
        when the client has gone."""
        block = _package[:STREAM_BLOCK]
        sent = 0
        try:
            while sent < size:
                piece = block[:min(STREAM_BLOCK, size - sent)]
                self._send(b"%x\r\n%s\r\n" % (len(piece), piece) if chunked else piece)
                sent += len(piece)
            if chunked:
                self._send(b"0\r\n\r\n")
        except OSError:
            pass

    def _answer_hostile(self, request):
        """A misbehaving server, as HOSTILE_PREFIX's list says. Returns False to close."""
        behaviour, _, rest = request.path[len(HOSTILE_PREFIX):].partition("/")
        rng = request.headers.get("range", "")
        with _seen_lock:
            _seen.append((self.connection_id, rng or "-", request.path))
        first, last = 0, PACKAGE_SIZE - 1
        if rng:
            first, last = (int(x) for x in rng.split("=", 1)[1].split("-"))
            last = min(last, PACKAGE_SIZE - 1)
        body = _package[first:last + 1] if rng else _package[:SMALL_FILE]
        if rng:
            head = _response(206, "Partial Content",
                             [("Content-Range", "bytes %d-%d/%d" % (first, last, PACKAGE_SIZE))], length=False)
        else:
            head = _response(200, "OK", [], length=False)
        head_with_length = head[:-2] + b"Content-Length: %d\r\n\r\n" % len(body)
        if behaviour.endswith("-later"):
            if first == 0:
                self._send(head_with_length + body)
                return True
            behaviour = behaviour[:-len("-later")]
        kind, _, number = behaviour.rpartition("-")
        if kind == "ignore-range":
            size = int(number) << 20
            self._send(_response(200, "OK", [("Content-Length", str(size))], length=False))
            self._stream_body(size)
        elif kind == "ignore-range-unannounced":
            self._send(_response(200, "OK", [], length=False))
            self._stream_body(int(number) << 20)
        elif kind == "ignore-range-chunked":
            self._send(_response(200, "OK", [("Transfer-Encoding", "chunked")], length=False))
            self._stream_body(int(number) << 20, chunked=True)
        elif kind == "oversize":
            size = int(number) << 20
            self._send(head[:-2] + b"Content-Length: %d\r\n\r\n" % size)
            self._stream_body(size)
        elif behaviour == "silent":
            time.sleep(STALL_SECONDS)
            self._send(head_with_length + body)
        elif behaviour == "stall-after-headers":
            self._send(head_with_length)
            time.sleep(STALL_SECONDS)
            self._send(body)
        elif behaviour == "stall-mid-body":
            half = len(body) // 2
            self._send(head_with_length + body[:half])
            time.sleep(STALL_SECONDS)
            self._send(body[half:])
        elif kind == "drip":
            self._send(head_with_length)
            deadline = time.time() + STALL_SECONDS
            sent = 0
            while sent < len(body) and time.time() < deadline:
                time.sleep(int(number) / 1000.0)
                self._send(body[sent:sent + 1])
                sent += 1
            self._send(body[sent:])
        else:
            self._send(_response(404, "Not Found", [], b"unknown behaviour"))
            return True
        return kind in ("drip",) or behaviour in ("silent", "stall-after-headers", "stall-mid-body")


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def start(port=0):
    """Starts the server on 127.0.0.1 in a background thread; returns (server, port)."""
    server = Server(("127.0.0.1", port), Handler)
    thread = threading.Thread(target=server.serve_forever, daemon=True)
    thread.start()
    return server, server.server_address[1]
