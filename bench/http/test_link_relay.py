#!/usr/bin/env python3
"""The relay's wire schedule (no sockets, no clock): python3 bench/http/test_link_relay.py"""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from link_relay import Wire  # noqa: E402

DELAY = 0.025
RATE = 1000.0  # bytes per second: 100 bytes take 0.1 s


class WireScheduleTest(unittest.TestCase):
    def test_schedules(self):
        # (pieces as (arrival, length), delivery times expected), one row a case
        cases = [
            ("an idle wire: the piece's own time, then the delay",
             [(1.0, 100)], [1.125]),
            ("back to back: the second leaves after the first",
             [(1.0, 100), (1.0, 100)], [1.125, 1.225]),
            ("a piece arriving while the wire is busy waits for it",
             [(1.0, 100), (1.05, 50)], [1.125, 1.175]),
            ("a gap lets the wire go idle: the delay applies again to the next piece alone",
             [(1.0, 100), (5.0, 10)], [1.125, 5.035]),
            ("an empty piece (the end of the stream) arrives the delay after the last byte",
             [(1.0, 100), (1.0, 0)], [1.125, 1.125]),
        ]
        for name, pieces, expected in cases:
            with self.subTest(name):
                wire = Wire(DELAY, RATE)
                got = [wire.delivery_time(arrival, length) for arrival, length in pieces]
                for g, e in zip(got, expected):
                    self.assertAlmostEqual(g, e, places=9)


if __name__ == "__main__":
    unittest.main()
