#!/usr/bin/env python3
"""The dialog gallery's page: turns the gallery program's BMP pictures into small palette PNG files
and writes the README.md that shows every state of the dialog in every language, and some of them
on denser screens.

  gallery_docs.py locales
      prints "<folder> <locale>" for each language (the locale Wine takes the language from)
  gallery_docs.py states <density>
      prints the names of the states pictured at that density (pixels per inch), on one line
  gallery_docs.py publish <pictures> <out> <density>[,<density>...] <folder>...
      reads <pictures>/<density>/<folder>/<state>.bmp for the states of each density and language
      given, writes them as <out>/<folder>/<picture>.png (picture_name) and <out>/README.md; fails
      naming every picture that is missing

Standard library only.
"""

import collections
import os
import struct
import sys
import zlib

# folder, host locale (Wine's user interface language follows it), the language's own name
LANGUAGES = [
    ("en", "en_US", "English"),
    ("de", "de_DE", "Deutsch"),
    ("es", "es_ES", "Español"),
    ("fr", "fr_FR", "Français"),
    ("it", "it_IT", "Italiano"),
    ("ja", "ja_JP", "日本語"),
]

# picture name (the gallery program's), title, what the picture shows
STATES = [
    ("blocked", "Blocked",
     "A start-up check failed (here the operating-system check, on Windows Server 2008): the reason "
     "(catalogue text 128) inside text 149 with the help link; no Install button, Cancel is the default."),
    ("ready", "Licence step",
     "Every check passed: the instruction (143), the licence link (144) and the unticked check box (145); "
     "Install (151) disabled."),
    ("accepted", "Licence accepted",
     "The box ticked: Install enabled and the default button."),
    ("downloading", "Downloading",
     "Install pressed: status text 124 and the progress bar at 42 % (3 of 7 slices)."),
    ("cancel-question", "Cancel question",
     "Cancel pressed while downloading: the worker's Yes/No question (1020, caption 138). The box has no "
     "owner window and shows in the middle of the screen; for the picture it is placed over the dialog."),
    ("installing", "Installing",
     "After \"No\": status text 125 and the progress bar at 60 %."),
    ("succeeded", "Succeeded",
     "The run ended well: text 130; Cancel has become Close (116)."),
    ("failed", "Failed",
     "The run failed: text 137 with the log file's path in the read-only box, from which it can be copied."),
    ("expand-failed", "Installation failed",
     "The texture expansion failed: text 129 with the log file's path."),
    ("cancelled", "Cancelled",
     "The user confirmed a cancel: text 140 with the log file's path."),
]

# pixels per inch, the scale Windows names it by; the first is the gallery's main one
DENSITIES = [(96, "100 %"), (144, "150 %"), (192, "200 %")]
BASE_DENSITY = DENSITIES[0][0]
# the states pictured on denser screens: the longest texts (the refusal, the end of a failed run),
# the licence step and a running state
DENSER_STATES = ["blocked", "ready", "downloading", "failed"]

PALETTE_SIZE = 256
COLUMNS = 3  # pictures side by side in a state's table


class PictureError(Exception):
    pass


def read_bmp(path):
    """A 24-bit uncompressed BMP as (width, height, rows): rows top-down, each BGR bytes."""
    with open(path, "rb") as file:
        data = file.read()
    if data[:2] != b"BM" or len(data) < 54:
        raise PictureError(f"{path}: not a BMP file")
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height, _, bits, compression = struct.unpack_from("<iiHHI", data, 18)
    if bits != 24 or compression != 0 or width <= 0 or height == 0:
        raise PictureError(f"{path}: not a 24-bit uncompressed picture")
    stride = (width * 3 + 3) // 4 * 4
    count = abs(height)
    if offset + stride * count > len(data):
        raise PictureError(f"{path}: shorter than its pixels")
    rows = [data[offset + row * stride:offset + row * stride + width * 3] for row in range(count)]
    if height > 0:  # stored bottom-up
        rows.reverse()
    return width, count, rows


def pixels_of(row):
    return [row[x:x + 3] for x in range(0, len(row), 3)]


def median_cut(histogram, size):
    """At most `size` representatives for the colours of `histogram` (BGR bytes -> pixel count),
    and which one stands for each colour. A box of colours is split at the weighted median of its
    widest channel; each box is represented by its most frequent colour, so that the flat colours
    of a window (its face, its text) stay exact."""
    def ranges(box):
        return [max(c[0][i] for c in box) - min(c[0][i] for c in box) for i in range(3)]

    boxes = [(ranges(box), box) for box in [sorted(histogram.items())]]
    while len(boxes) < size:
        widest = max(range(len(boxes)), key=lambda b: (max(boxes[b][0]), len(boxes[b][1])))
        spans, box = boxes[widest]
        if len(box) < 2:
            break
        channel = spans.index(max(spans))
        box.sort(key=lambda c: (c[0][channel], c[0]))
        half, seen, cut = sum(c[1] for c in box) / 2, 0, 1
        for cut, (_, count) in enumerate(box, 1):
            seen += count
            if seen >= half:
                break
        cut = max(1, min(len(box) - 1, cut))
        boxes[widest:widest + 1] = [(ranges(part), part) for part in (box[:cut], box[cut:])]
    palette, index_of = [], {}
    for _, box in boxes:
        palette.append(max(box, key=lambda c: (c[1], c[0]))[0])
        for colour, _ in box:
            index_of[colour] = len(palette) - 1
    return palette, index_of


def png_chunk(kind, payload):
    return struct.pack(">I", len(payload)) + kind + payload + struct.pack(">I", zlib.crc32(kind + payload))


def bmp_to_png(source, target):
    """Writes the BMP picture `source` as an 8-bit palette PNG: exact up to 256 colours, else the
    colours reduced by median cut."""
    width, height, rows = read_bmp(source)
    pixel_rows = [pixels_of(row) for row in rows]
    histogram = collections.Counter(pixel for row in pixel_rows for pixel in row)
    palette, index_of = median_cut(histogram, PALETTE_SIZE)
    raw = b"".join(b"\0" + bytes(index_of[pixel] for pixel in row) for row in pixel_rows)
    rgb_palette = b"".join(bytes((bgr[2], bgr[1], bgr[0])) for bgr in palette)
    png = b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 3, 0, 0, 0))
    png += png_chunk(b"PLTE", rgb_palette) + png_chunk(b"IDAT", zlib.compress(raw, 9)) + png_chunk(b"IEND", b"")
    with open(target, "wb") as out:
        out.write(png)


def states_at(density):
    """The names of the states pictured at `density`, in the page's order."""
    if density == BASE_DENSITY:
        return [state for state, _, _ in STATES]
    return [state for state, _, _ in STATES if state in DENSER_STATES]


def picture_name(state, density):
    """The file name, without extension, of the picture of `state` at `density`."""
    return state if density == BASE_DENSITY else f"{state}-{density}dpi"


def picture_tables(title, picture, folders, named):
    """The pictures of one state in every language, `COLUMNS` to a row."""
    lines = []
    for start in range(0, len(folders), COLUMNS):
        group = folders[start:start + COLUMNS]
        if start == 0:
            lines.append("| " + " | ".join(named[f] for f in group) + " |")
            lines.append("|" + "---|" * len(group))
        else:
            lines.append("| " + " | ".join(f"**{named[f]}**" for f in group) + " |")
        lines.append("| " + " | ".join(f"![{title}, {named[f]}]({f}/{picture}.png)" for f in group) + " |")
    return lines


def readme(folders, densities=(BASE_DENSITY,)):
    """The gallery's page for the languages `folders`: an index, then one table per state; then the
    same for the states pictured at each denser screen of `densities`."""
    named = dict((folder, name) for folder, _, name in LANGUAGES)
    titled = dict((state, (title, text)) for state, title, text in STATES)
    scales = dict(DENSITIES)
    denser = [d for d, _ in DENSITIES if d in densities and d != BASE_DENSITY]
    lines = [
        "# The setup dialog in every state and language",
        "",
        "Pictures of the real dialog (its template, resources and behaviour) under Wine, each state staged",
        "with the messages the install worker posts. Made by `bash scripts/make-gallery.sh`; do not edit by",
        "hand. The log file's path is the one a Windows XP administrator sees. The script checks the layout",
        "of every state it pictures (no control outside the dialog, no text cut off or on top of another,",
        "the banner in its place) and fails when one does not hold.",
        "",
        "Where Wine is not Windows:",
        "",
        "- The dialog font is Wine's own Tahoma. IPA P Gothic stands in for Japanese Windows' MS UI Gothic,",
        "  and the dialog's size follows its font, so the Japanese pictures are close to Windows', not equal.",
    ]
    if BASE_DENSITY in densities:
        lines += [
            "",
            "| state | " + " | ".join(named[f] for f in folders) + " |",
            "|---|" + "---|" * len(folders),
        ]
        for state, title, _ in STATES:
            cells = [f"[{state}]({folder}/{state}.png)" for folder in folders]
            lines.append(f"| [{title}](#{state}) | " + " | ".join(cells) + " |")
    if denser:
        lines += ["", "The same dialog [on denser screens](#denser-screens): " +
                  " and ".join(f"{scales[d]} ({d} pixels per inch)" for d in denser) + "."]
    if BASE_DENSITY in densities:
        for state, title, text in STATES:
            lines += ["", f'<a id="{state}"></a>', f"## {title}", "", text, ""]
            lines += picture_tables(title, state, folders, named)
    if not denser:
        return "\n".join(lines) + "\n"

    lines += [
        "",
        '<a id="denser-screens"></a>',
        "## On denser screens",
        "",
        "The dialog at " + " and ".join(str(d) for d in denser) + " pixels per inch, " +
        " and ".join(scales[d] for d in denser) + " (Wine's `LogPixels` setting).",
        "The program declares itself DPI-aware, so Windows does not enlarge a bitmap of it drawn at 96: the",
        "dialog's units follow its font, and the banner grows with the density, fitted into its place and",
        "resampled smoothly. The place's proportions follow the font's while the banner keeps its own, so",
        "it may leave a strip of its place free at the right.",
        "",
        "| state | pixels per inch | " + " | ".join(named[f] for f in folders) + " |",
        "|---|---|" + "---|" * len(folders),
    ]
    for density in denser:
        for state in states_at(density):
            picture = picture_name(state, density)
            cells = [f"[{state}]({folder}/{picture}.png)" for folder in folders]
            lines.append(f"| [{titled[state][0]}](#{picture}) | {density} | " + " | ".join(cells) + " |")
    for density in denser:
        for state in states_at(density):
            title, text = titled[state]
            picture = picture_name(state, density)
            lines += ["", f'<a id="{picture}"></a>', f"### {title}, {density} pixels per inch ({scales[density]})",
                      "", text, ""]
            lines += picture_tables(f"{title} at {density} pixels per inch", picture, folders, named)
    return "\n".join(lines) + "\n"


def publish(pictures, out, densities, folders):
    known = [folder for folder, _, _ in LANGUAGES]
    unknown = [f for f in folders if f not in known]
    if unknown:
        raise PictureError("unknown language folders: " + " ".join(unknown))
    known_densities = [d for d, _ in DENSITIES]
    strange = [str(d) for d in densities if d not in known_densities]
    if strange:
        raise PictureError("unknown densities: " + " ".join(strange))
    folders = [f for f in known if f in folders]
    densities = [d for d in known_densities if d in densities]
    wanted = [(d, f, state) for d in densities for f in folders for state in states_at(d)]
    missing = [f"{d}/{f}/{state}.bmp" for d, f, state in wanted
               if not os.path.isfile(os.path.join(pictures, str(d), f, state + ".bmp"))]
    if missing:
        raise PictureError("no picture of: " + " ".join(missing))
    for density, folder, state in wanted:
        os.makedirs(os.path.join(out, folder), exist_ok=True)
        bmp_to_png(os.path.join(pictures, str(density), folder, state + ".bmp"),
                   os.path.join(out, folder, picture_name(state, density) + ".png"))
    with open(os.path.join(out, "README.md"), "w", encoding="utf-8") as page:
        page.write(readme(folders, densities))


def main(arguments):
    if arguments[:1] == ["locales"] and len(arguments) == 1:
        for folder, locale, _ in LANGUAGES:
            print(folder, locale)
        return 0
    if arguments[:1] == ["states"] and len(arguments) == 2 and arguments[1] in [str(d) for d, _ in DENSITIES]:
        print(" ".join(states_at(int(arguments[1]))))
        return 0
    if arguments[:1] == ["publish"] and len(arguments) >= 5:
        try:
            densities = [int(d) for d in arguments[3].split(",")]
        except ValueError:
            print(__doc__, file=sys.stderr)
            return 2
        try:
            publish(arguments[1], arguments[2], densities, arguments[4:])
        except PictureError as error:
            print(f"gallery_docs: {error}", file=sys.stderr)
            return 1
        return 0
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
