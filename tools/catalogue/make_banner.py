#!/usr/bin/env python3
"""Draws the setup dialog's banner (the product's name and its maker over a night sky with a ridge
of mountains) and writes it as a baseline JPEG, with nothing but the standard library.

  make_banner.py <output.jpg>

The banner is drawn at its natural pixel size, which fills the dialog's placeholder (274 x 147 dialog
units of an 8-point "MS Shell Dlg") at 96 pixels per inch.
"""

import collections
import heapq
import math
import struct
import sys

WIDTH, HEIGHT = 411, 239
PRODUCT, MAKER = "KORVO Skelv", "Halvorsk"

# 5 x 7 glyphs of the letters the banner writes; '#' is ink.
GLYPHS = {
    "K": ["#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"],
    "O": [".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    "R": ["####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"],
    "V": ["#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."],
    "S": [".####", "#....", "#....", ".###.", "....#", "....#", "####."],
    "H": ["#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    "k": ["#....", "#....", "#..#.", "#.#..", "##...", "#.#..", "#..#."],
    "e": [".....", ".....", ".###.", "#...#", "#####", "#....", ".###."],
    "l": [".##..", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."],
    "v": [".....", ".....", "#...#", "#...#", "#...#", ".#.#.", "..#.."],
    "o": [".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###."],
    "a": [".....", ".....", ".###.", "....#", ".####", "#...#", ".####"],
    "r": [".....", ".....", "#.##.", "##..#", "#....", "#....", "#...."],
    "s": [".....", ".....", ".####", "#....", ".###.", "....#", "####."],
    " ": [".....", ".....", ".....", ".....", ".....", ".....", "....."],
}


def text_ink(text, scale):
    """The pixels a text covers, as a set of (x, y) from its top-left corner, and its width."""
    ink = set()
    for index, letter in enumerate(text):
        for row, line in enumerate(GLYPHS[letter]):
            for column, mark in enumerate(line):
                if mark != "#":
                    continue
                left, top = (index * 6 + column) * scale, row * scale
                ink.update((left + dx, top + dy) for dx in range(scale) for dy in range(scale))
    return ink, (len(text) * 6 - 1) * scale


def draw():
    """Rows of (r, g, b) pixels, top row first."""
    sky_top, sky_bottom = (12, 24, 64), (40, 96, 160)
    ridge_colour, snow = (20, 36, 58), (226, 234, 244)
    rows = []
    for y in range(HEIGHT):
        t = y / (HEIGHT - 1)
        sky = tuple(round(a + (b - a) * t) for a, b in zip(sky_top, sky_bottom))
        rows.append([sky] * WIDTH)
    for x in range(WIDTH):
        ridge = 186 + 24 * math.sin(x / 37.0) + 12 * math.sin(x / 11.0 + 1.3)
        for y in range(max(0, int(ridge)), HEIGHT):
            rows[y][x] = snow if y < ridge + 6 and ridge < 176 else ridge_colour
    for text, scale, top, colour in ((PRODUCT, 5, 48, (255, 255, 255)), (MAKER, 2, 108, (200, 216, 240))):
        ink, width = text_ink(text, scale)
        left = (WIDTH - width) // 2
        for dx, dy in ink:
            rows[top + dy][left + dx] = colour
    return rows


# The JPEG encoding: baseline, 4:4:4 YCbCr, fixed quantisation, and for each of the four tables
# (luma and chroma, DC and AC) the optimal Huffman code of this picture's own symbols, which
# halves the file against codes of one length and decodes to the same pixels.
ZIGZAG = sorted(((u, v) for u in range(8) for v in range(8)),
                key=lambda p: (p[0] + p[1], p[1] if (p[0] + p[1]) % 2 == 0 else p[0]))
COSINES = [[math.cos((2 * x + 1) * u * math.pi / 16) * (math.sqrt(0.5) if u == 0 else 1.0) / 2
            for x in range(8)] for u in range(8)]
LUMA_STEP = [[4 + 2 * (u + v) for v in range(8)] for u in range(8)]
CHROMA_STEP = [[8 + 4 * (u + v) for v in range(8)] for u in range(8)]
MAX_CODE_LENGTH = 16
RESERVED = 256  # a symbol that takes the all-ones code, which JPEG does not allow


def huffman_table(frequencies):
    """(counts of codes per length 1..16, symbols in code order, {symbol: (code, length)}) of the
    optimal code for `frequencies` ({symbol: count}) with no code longer than 16 bits and none all
    ones (ITU T.81 Annex K.2)."""
    weights = dict(frequencies)
    weights[RESERVED] = 1
    lengths = {symbol: 0 for symbol in weights}
    heap = [(weight, symbol, [symbol]) for symbol, weight in weights.items()]
    heapq.heapify(heap)
    while len(heap) > 1:
        weight_a, tie, symbols_a = heapq.heappop(heap)
        weight_b, _, symbols_b = heapq.heappop(heap)
        for symbol in symbols_a + symbols_b:
            lengths[symbol] += 1
        heapq.heappush(heap, (weight_a + weight_b, tie, symbols_a + symbols_b))
    counts = [0] * (max(lengths.values()) + 2)
    for length in lengths.values():
        counts[length] += 1
    # Codes longer than 16 bits: a pair of them moves up, and one shorter code moves down to
    # pair with one of the pair's place, which keeps the code complete.
    for length in range(len(counts) - 1, MAX_CODE_LENGTH, -1):
        while counts[length] > 0:
            shorter = length - 2
            while counts[shorter] == 0:
                shorter -= 1
            counts[length] -= 2
            counts[length - 1] += 1
            counts[shorter + 1] += 2
            counts[shorter] -= 1
    counts = (counts + [0] * MAX_CODE_LENGTH)[1:MAX_CODE_LENGTH + 1]
    order = sorted(weights, key=lambda symbol: (lengths[symbol], symbol))
    order.remove(RESERVED)  # the last of the longest codes: all ones
    for index in range(MAX_CODE_LENGTH - 1, -1, -1):
        if counts[index]:
            counts[index] -= 1
            break
    codes, code, position = {}, 0, 0
    for length, count in enumerate(counts, start=1):
        for symbol in order[position:position + count]:
            codes[symbol] = (code, length)
            code += 1
        position += count
        code <<= 1
    return counts, order, codes


class BitWriter:
    def __init__(self):
        self.data, self.buffer, self.filled = bytearray(), 0, 0

    def write(self, value, length):
        for shift in range(length - 1, -1, -1):
            self.buffer = (self.buffer << 1) | ((value >> shift) & 1)
            self.filled += 1
            if self.filled == 8:
                self.data.append(self.buffer)
                if self.buffer == 0xFF:
                    self.data.append(0)  # a stuffed zero keeps 0xFF from reading as a marker
                self.buffer, self.filled = 0, 0

    def finish(self):
        while self.filled:
            self.write(1, 1)
        return bytes(self.data)


def magnitude(value):
    size = abs(value).bit_length()
    return size, (value if value >= 0 else value + (1 << size) - 1)


def block_symbols(block, steps, previous_dc):
    """The Huffman symbols of one 8 x 8 block of level-shifted samples, each with the bits that
    follow it: ([(symbol, value, size)] of its DC coefficient, the same of its AC ones, its DC)."""
    rows = [[sum(COSINES[v][x] * block[y][x] for x in range(8)) for v in range(8)] for y in range(8)]
    coefficients = [[round(sum(COSINES[u][y] * rows[y][v] for y in range(8)) / steps[u][v])
                     for v in range(8)] for u in range(8)]
    zigzag = [coefficients[u][v] for u, v in ZIGZAG]
    size, value = magnitude(zigzag[0] - previous_dc)
    dc = [(size, value, size)]
    ac = []
    run = 0
    for coefficient in zigzag[1:]:
        if coefficient == 0:
            run += 1
            continue
        while run > 15:
            ac.append((0xF0, 0, 0))
            run -= 16
        size, value = magnitude(coefficient)
        ac.append(((run << 4) | size, value, size))
        run = 0
    if run:
        ac.append((0x00, 0, 0))
    return dc, ac, zigzag[0]


def planes(rows):
    """Level-shifted Y, Cb and Cr planes, padded to whole blocks by repeating the edges."""
    padded_w, padded_h = -(-WIDTH // 8) * 8, -(-HEIGHT // 8) * 8
    result = ([], [], [])
    for y in range(padded_h):
        source = rows[min(y, HEIGHT - 1)]
        lines = ([], [], [])
        for x in range(padded_w):
            r, g, b = source[min(x, WIDTH - 1)]
            lines[0].append(0.299 * r + 0.587 * g + 0.114 * b - 128)
            lines[1].append(-0.168736 * r - 0.331264 * g + 0.5 * b)
            lines[2].append(0.5 * r - 0.418688 * g - 0.081312 * b)
        for plane, line in zip(result, lines):
            plane.append(line)
    return result, padded_w, padded_h


def segment(marker, payload):
    return struct.pack(">HH", marker, len(payload) + 2) + payload


def jpeg(rows):
    (luma, cb, cr), padded_w, padded_h = planes(rows)
    # The symbols of every block in scan order, each with its table: 0 luma, 1 chroma.
    scan = []
    previous = [0, 0, 0]
    for top in range(0, padded_h, 8):
        for left in range(0, padded_w, 8):
            for index, (plane, steps) in enumerate(((luma, LUMA_STEP), (cb, CHROMA_STEP), (cr, CHROMA_STEP))):
                block = [line[left:left + 8] for line in plane[top:top + 8]]
                dc, ac, previous[index] = block_symbols(block, steps, previous[index])
                scan.append((min(index, 1), dc, ac))
    tables = {}
    for kind in ("dc", "ac"):
        for table_id in (0, 1):
            frequencies = collections.Counter(
                symbol for used, dc, ac in scan if used == table_id for symbol, _, _ in (dc if kind == "dc" else ac))
            tables[kind, table_id] = huffman_table(frequencies)
    bits = BitWriter()
    for table_id, dc, ac in scan:
        for kind, symbols in (("dc", dc), ("ac", ac)):
            codes = tables[kind, table_id][2]
            for symbol, value, size in symbols:
                bits.write(*codes[symbol])
                bits.write(value, size)

    out = bytearray(b"\xFF\xD8")
    out += segment(0xFFE0, b"JFIF\x00" + struct.pack(">BBBHHBB", 1, 1, 0, 1, 1, 0, 0))
    for table_id, steps in ((0, LUMA_STEP), (1, CHROMA_STEP)):
        out += segment(0xFFDB, bytes([table_id] + [steps[u][v] for u, v in ZIGZAG]))
    out += segment(0xFFC0, struct.pack(">BHHB", 8, HEIGHT, WIDTH, 3) + bytes([1, 0x11, 0, 2, 0x11, 1, 3, 0x11, 1]))
    huffman_segment = b""
    for (kind, table_id), (counts, symbols, _) in sorted(tables.items()):
        table_class = 0 if kind == "dc" else 1
        huffman_segment += bytes([table_class << 4 | table_id] + counts + symbols)
    out += segment(0xFFC4, huffman_segment)
    out += segment(0xFFDA, bytes([3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0]))
    out += bits.finish()
    out += b"\xFF\xD9"
    return bytes(out)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    with open(sys.argv[1], "wb") as output:
        output.write(jpeg(draw()))


if __name__ == "__main__":
    main()
