#!/usr/bin/env python3
"""Turns the dialog driver's 24-bit BMP pictures into PNG files, to be looked at.

  bmp_to_png.py <picture.bmp>...   (writes picture.png beside each)
"""

import struct
import sys
import zlib


def convert(path):
    data = open(path, "rb").read()
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height = struct.unpack_from("<ii", data, 18)
    stride = (width * 3 + 3) // 4 * 4
    raw = bytearray()
    for row in range(height):  # bottom-up BGR rows become top-down RGB rows
        start = offset + (height - 1 - row) * stride
        line = data[start:start + width * 3]
        raw.append(0)
        for x in range(0, len(line), 3):
            raw += bytes((line[x + 2], line[x + 1], line[x]))

    def chunk(kind, payload):
        return struct.pack(">I", len(payload)) + kind + payload + struct.pack(">I", zlib.crc32(kind + payload))

    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw))) + chunk(b"IEND", b"")
    open(path[:-4] + ".png", "wb").write(png)


for name in sys.argv[1:]:
    convert(name)
