#!/usr/bin/env python3
"""A distant link on 127.0.0.1 for the download benchmarks: a relay that forwards every connection
to a target server through two pipes of its own, one each way, each with a one-way delay and a rate.

  link_relay.py --target HOST:PORT --delay-ms MS --rate-mbit MBIT [--port-file FILE]

Listens on a free loopback port (printed on stdout and written to FILE once it listens) until it is
stopped (SIGTERM or SIGINT). When a connection ends it prints on stderr, for each direction, the
bytes it carried and how late its pieces reached the other side against the wire's schedule (the
relay's own error: its thread, too, waits for the scheduler on a busy machine).

Each direction of each connection behaves like a wire: bytes leave one after another at the rate
(a piece of n bytes occupies the wire n / rate seconds after the previous one has left, or from its
own arrival if the wire was idle) and reach the other side the delay after they have left. The
delay thus applies to every byte, on a kept-alive connection as on a fresh one, and a request sent
behind a long answer waits its turn. What it does not model: the TCP handshake (a connection is
made at once), losses, and the congestion window (TCP over such a link grows its window first; here
the window is as large as the relay's queue from the start).
"""
import argparse
import collections
import os
import select
import signal
import socket
import sys
import threading
import time

# Bytes read at once: about half a millisecond of the link, so that a piece's delivery time stays
# close to its bytes' own; bounded below to keep Python's cost per piece small at low rates.
PIECE_SECONDS = 0.0005
MIN_PIECE = 4096
MAX_PIECE = 65536
# Bytes a pipe holds (on the wire and waiting for it) before it stops reading from its source, so
# that a fast sender fills the kernel's buffers instead of the relay's memory. Above the largest
# bandwidth-delay product used here (1 Gbit/s over 5 ms: 625 KB), so the wire never idles for it.
MAX_QUEUED_BYTES = 4 * 1024 * 1024


class Wire:
    """When bytes put on a wire of the given delay and rate reach its far end."""

    def __init__(self, delay_s, rate_bytes_per_s):
        self.delay_s, self.rate = delay_s, rate_bytes_per_s
        self.free_at = 0.0  # when the last piece put on it has left

    def delivery_time(self, arrival, length):
        """A piece of `length` bytes arriving at `arrival` leaves after the pieces before it, taking
        length / rate, and arrives the delay after it has left."""
        leaves = max(arrival, self.free_at) + length / self.rate
        self.free_at = leaves
        return leaves + self.delay_s


class Pipe:
    """One direction of one connection: reads from `source` and delivers to `sink` as the wire says,
    on a thread of its own (one wake-up when bytes arrive, one when they are due)."""

    def __init__(self, name, source, sink, delay_s, rate_bytes_per_s, on_end):
        self.name, self.source, self.sink = name, source, sink
        self.wire = Wire(delay_s, rate_bytes_per_s)
        self.piece = max(MIN_PIECE, min(MAX_PIECE, int(rate_bytes_per_s * PIECE_SECONDS)))
        self.on_end = on_end
        self.queue = collections.deque()  # (delivery time, bytes); b"" marks the end of the stream
        self.queued_bytes = 0
        # How late the pieces reached the sink against the wire's schedule: the relay's own error.
        self.bytes = self.pieces = 0
        self.late_sum = self.late_max = 0.0

    def start(self):
        threading.Thread(target=self._run, daemon=True).start()

    def report(self):
        mean = self.late_sum / self.pieces if self.pieces else 0.0
        return (f"{self.name}: bytes={self.bytes} pieces={self.pieces} late_ms_mean={mean * 1e3:.3f} "
                f"late_ms_max={self.late_max * 1e3:.3f}")

    def _run(self):
        source_open = True
        while True:
            if not self._deliver_due():
                self.on_end(self)
                return
            timeout = max(0.0, self.queue[0][0] - time.monotonic()) if self.queue else None
            if not source_open or self.queued_bytes > MAX_QUEUED_BYTES:
                time.sleep(timeout)
                continue
            readable, _, _ = select.select([self.source], [], [], timeout)
            if readable:
                source_open = self._take_piece()

    def _take_piece(self):
        """Reads one piece and schedules it: False at the end of the stream."""
        try:
            data = self.source.recv(self.piece)
        except OSError:
            data = b""
        self.queue.append((self.wire.delivery_time(time.monotonic(), len(data)), data))
        self.queued_bytes += len(data)
        return bool(data)

    def _deliver_due(self):
        """Sends every piece whose time has come: False once the stream has ended or the sink failed."""
        while self.queue and self.queue[0][0] <= time.monotonic():
            due, data = self.queue.popleft()
            self.queued_bytes -= len(data)
            late = time.monotonic() - due
            if not data:
                try:
                    self.sink.shutdown(socket.SHUT_WR)
                except OSError:
                    pass
                return False
            self.bytes += len(data)
            self.pieces += 1
            self.late_sum += late
            self.late_max = max(self.late_max, late)
            try:
                self.sink.sendall(data)
            except OSError:
                return False
        return True


class Connection:
    """A client connection and its connection to the target; both closed when both pipes end."""

    def __init__(self, client, target, delay_s, rate):
        self.client = client
        self.server = socket.create_connection(target)
        for s in (self.client, self.server):
            s.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        self.open_pipes = 2
        self.lock = threading.Lock()
        self.pipes = [Pipe("to-server", self.client, self.server, delay_s, rate, self._pipe_ended),
                      Pipe("to-client", self.server, self.client, delay_s, rate, self._pipe_ended)]

    def start(self):
        for pipe in self.pipes:
            pipe.start()

    def _pipe_ended(self, pipe):
        with self.lock:
            self.open_pipes -= 1
            last = self.open_pipes == 0
        if last:
            for s in (self.client, self.server):
                s.close()
            print("connection " + "; ".join(p.report() for p in self.pipes), file=sys.stderr, flush=True)


def parse_target(text):
    host, _, port = text.rpartition(":")
    return host, int(port)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--target", required=True, type=parse_target, help="HOST:PORT to forward to")
    parser.add_argument("--delay-ms", required=True, type=float, help="one-way delay of each direction")
    parser.add_argument("--rate-mbit", required=True, type=float, help="rate of each direction, Mbit/s")
    parser.add_argument("--port-file", help="file that receives the listening port")
    args = parser.parse_args()
    delay_s = args.delay_ms / 1000.0
    rate = args.rate_mbit * 1e6 / 8.0

    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    port = listener.getsockname()[1]
    if args.port_file:
        tmp = args.port_file + ".tmp"
        with open(tmp, "w") as f:
            f.write(f"{port}\n")
        os.replace(tmp, args.port_file)
    print(port, flush=True)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    try:
        while True:
            client, _ = listener.accept()
            try:
                Connection(client, args.target, delay_s, rate).start()
            except OSError as error:
                print(f"cannot reach the target: {error}", file=sys.stderr, flush=True)
                client.close()
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
