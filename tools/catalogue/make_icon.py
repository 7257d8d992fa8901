#!/usr/bin/env python3
"""Draws the setup's icon (a white arrow pointing down into a tray, on a blue rounded square) and
writes it as a Windows .ico file with a 16x16 and a 32x32 image, 32-bit colour with alpha.

  make_icon.py <output.ico>
"""

import struct
import sys

BLUE = (0x1F, 0x5F, 0xB4)
WHITE = (0xFF, 0xFF, 0xFF)
SIZES = (16, 32)


def pixel(x, y, size):
    """(r, g, b, alpha) of the pixel at column x, row y (row 0 at the top), in unit coordinates."""
    u, v = (x + 0.5) / size, (y + 0.5) / size
    corner = 0.18
    dx = max(corner - u, u - (1 - corner), 0)
    dy = max(corner - v, v - (1 - corner), 0)
    if dx * dx + dy * dy > corner * corner:
        return (0, 0, 0, 0)
    shaft = 0.42 <= u <= 0.58 and 0.16 <= v <= 0.50
    head = 0.50 <= v <= 0.70 and abs(u - 0.5) <= (0.70 - v) * 1.1
    tray = (0.76 <= v <= 0.84 and 0.20 <= u <= 0.80) or (0.62 <= v <= 0.84 and (0.20 <= u <= 0.28 or 0.72 <= u <= 0.80))
    return (*(WHITE if shaft or head or tray else BLUE), 0xFF)


def image(size):
    """A DIB as an icon stores it: header with double height, bottom-up BGRA rows, AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = []
    mask_rows = []
    mask_stride = ((size + 31) // 32) * 4
    for y in reversed(range(size)):
        row = bytearray()
        mask = bytearray(mask_stride)
        for x in range(size):
            r, g, b, a = pixel(x, y, size)
            row += bytes((b, g, r, a))
            if a == 0:
                mask[x // 8] |= 0x80 >> (x % 8)
        rows.append(bytes(row))
        mask_rows.append(bytes(mask))
    return header + b"".join(rows) + b"".join(mask_rows)


def icon_file():
    images = [image(size) for size in SIZES]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(SIZES, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


def main(argv):
    if len(argv) != 1:
        print(__doc__, file=sys.stderr)
        return 2
    with open(argv[0], "wb") as out:
        out.write(icon_file())
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
