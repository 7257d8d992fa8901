"""Tests of the gallery's picture converter and page writer (gallery_docs.py)."""

import contextlib
import io
import os
import struct
import tempfile
import unittest
import zlib

import gallery_docs


def write_bmp(path, pixels, top_down=False):
    """`pixels`: rows of (r, g, b), top row first."""
    height, width = len(pixels), len(pixels[0])
    stride = (width * 3 + 3) // 4 * 4
    rows = [b"".join(bytes((b, g, r)) for r, g, b in row).ljust(stride, b"\xee") for row in pixels]
    if not top_down:
        rows.reverse()
    header = struct.pack("<IiiHHIIiiII", 40, width, -height if top_down else height, 1, 24, 0, 0, 0, 0, 0, 0)
    data = b"".join(rows)
    with open(path, "wb") as out:
        out.write(b"BM" + struct.pack("<IHHI", 14 + 40 + len(data), 0, 0, 54) + header + data)


def read_png(path):
    """An 8-bit palette PNG (no filters) as rows of (r, g, b); checks every chunk's CRC."""
    with open(path, "rb") as file:
        data = file.read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    chunks, at = {}, 8
    while at < len(data):
        length = struct.unpack_from(">I", data, at)[0]
        kind, payload = data[at + 4:at + 8], data[at + 8:at + 8 + length]
        assert struct.unpack_from(">I", data, at + 8 + length)[0] == zlib.crc32(kind + payload), kind
        chunks[kind] = chunks.get(kind, b"") + payload
        at += 12 + length
    width, height, depth, colour_type = struct.unpack(">IIBB", chunks[b"IHDR"][:10])
    assert (depth, colour_type) == (8, 3)
    palette = [tuple(chunks[b"PLTE"][i:i + 3]) for i in range(0, len(chunks[b"PLTE"]), 3)]
    assert len(palette) <= 256
    raw = zlib.decompress(chunks[b"IDAT"])
    rows = []
    for y in range(height):
        line = raw[y * (width + 1):(y + 1) * (width + 1)]
        assert line[0] == 0
        rows.append([palette[i] for i in line[1:]])
    return rows


class PictureTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.addCleanup(self.folder.cleanup)

    def convert(self, pixels, top_down=False):
        bmp, png = os.path.join(self.folder.name, "p.bmp"), os.path.join(self.folder.name, "p.png")
        write_bmp(bmp, pixels, top_down)
        gallery_docs.bmp_to_png(bmp, png)
        return read_png(png)

    def test_few_colours_come_through_exactly_in_either_row_order(self):
        # Widths whose rows need padding, and both ways a BMP stores its rows.
        for width in (1, 2, 3, 5):
            for top_down in (False, True):
                pixels = [[((x * 40) % 256, y * 60, 200 - x) for x in range(width)] for y in range(3)]
                self.assertEqual(self.convert(pixels, top_down), pixels, (width, top_down))

    def test_many_colours_are_reduced_keeping_the_flat_ones_exact(self):
        face, ink = (240, 240, 240), (0, 0, 0)
        gradient = [[(x, y, (x + y) % 256) for x in range(64)] for y in range(64)]  # 4096 colours
        pixels = [row + [face] * 64 + [ink] * 8 for row in gradient]
        result = self.convert(pixels)
        for y, row in enumerate(result):
            self.assertEqual(row[64:128], [face] * 64)
            self.assertEqual(row[128:], [ink] * 8)
            for x in range(64):
                error = max(abs(a - b) for a, b in zip(row[x], pixels[y][x]))
                self.assertLessEqual(error, 16, (x, y))

    def test_a_box_of_colours_is_shown_in_its_most_frequent_one(self):
        # Anti-aliased text: a few shades around the ink, which the ink must stand for.
        ink, shades = b"\x10\x10\x10", [b"\x00\x00\x00", b"\x04\x04\x04", b"\x08\x08\x08"]
        histogram = {ink: 500, **{shade: 3 for shade in shades}}
        palette, index_of = gallery_docs.median_cut(histogram, 1)
        self.assertEqual(palette, [ink])
        self.assertEqual({index_of[c] for c in histogram}, {0})

    def test_not_a_picture_of_ours_is_refused(self):
        path = os.path.join(self.folder.name, "bad.bmp")
        for content in (b"GIF89a" + b"\0" * 60,
                        b"BM" + b"\0" * 12 + struct.pack("<IiiHHI", 40, 2, 2, 1, 32, 0) + b"\0" * 40):
            with open(path, "wb") as out:
                out.write(content)
            with self.assertRaises(gallery_docs.PictureError):
                gallery_docs.read_bmp(path)


class PublishTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.addCleanup(self.folder.cleanup)
        self.pictures = os.path.join(self.folder.name, "pictures")
        self.out = os.path.join(self.folder.name, "out")

    def picture(self, density, language, state):
        folder = os.path.join(self.pictures, str(density), language)
        os.makedirs(folder, exist_ok=True)
        write_bmp(os.path.join(folder, state + ".bmp"), [[(1, 2, 3)]])

    def every_picture(self, densities, languages):
        for density in densities:
            for language in languages:
                for state in gallery_docs.states_at(density):
                    self.picture(density, language, state)

    def test_every_missing_picture_is_named_and_nothing_is_written(self):
        for state in gallery_docs.states_at(96)[1:]:
            self.picture(96, "de", state)
        self.picture(96, "ja", "ready")
        for state in gallery_docs.states_at(144)[:-1]:
            self.picture(144, "de", state)
        with self.assertRaises(gallery_docs.PictureError) as raised:
            gallery_docs.publish(self.pictures, self.out, [96, 144], ["de", "ja"])
        message = str(raised.exception)
        self.assertIn("96/de/blocked.bmp", message)
        self.assertIn("96/ja/cancelled.bmp", message)
        self.assertNotIn("96/ja/ready.bmp", message)
        self.assertIn("144/de/failed.bmp", message)
        self.assertIn("144/ja/ready.bmp", message)
        self.assertNotIn("144/de/ready.bmp", message)
        self.assertNotIn("144/ja/accepted.bmp", message)  # not pictured on denser screens
        self.assertFalse(os.path.exists(self.out))

    def test_the_page_shows_every_state_in_every_language_given(self):
        languages = ["fr", "en", "ja", "de"]  # written in the page's own order
        self.every_picture([96], languages)
        gallery_docs.publish(self.pictures, self.out, [96], languages)
        with open(os.path.join(self.out, "README.md"), encoding="utf-8") as file:
            page = file.read()
        for language in languages:
            for state, _, _ in gallery_docs.STATES:
                self.assertTrue(os.path.isfile(os.path.join(self.out, language, state + ".png")))
                # once in the index, once in the state's own table
                self.assertEqual(page.count(f"({language}/{state}.png)"), 2, (language, state))
        self.assertNotIn("(es/", page)
        self.assertNotIn("denser", page)
        self.assertLess(page.index("English"), page.index("Deutsch"))
        self.assertLess(page.index("Deutsch"), page.index("Français"))

    def test_denser_screens_show_their_states_beside_the_main_pictures(self):
        languages = ["en", "it"]
        densities = [192, 96, 144]  # written in the page's own order
        self.every_picture(densities, languages)
        gallery_docs.publish(self.pictures, self.out, densities, languages)
        with open(os.path.join(self.out, "README.md"), encoding="utf-8") as file:
            page = file.read()
        for language in languages:
            written = set(os.listdir(os.path.join(self.out, language)))
            expected = {state + ".png" for state in gallery_docs.states_at(96)}
            for density in (144, 192):
                expected |= {f"{state}-{density}dpi.png" for state in gallery_docs.states_at(density)}
                for state in gallery_docs.states_at(density):
                    self.assertEqual(page.count(f"({language}/{state}-{density}dpi.png)"), 2, (language, state))
                    self.assertIn(f'<a id="{state}-{density}dpi"></a>', page)
            self.assertEqual(written, expected)
        self.assertIn("ready", gallery_docs.states_at(144))
        self.assertLess(page.index("(en/ready-144dpi.png)"), page.index("(en/ready-192dpi.png)"))
        self.assertLess(page.index("(en/cancelled.png)"), page.index('<a id="denser-screens">'))

    def test_an_unknown_language_or_density_is_refused(self):
        with self.assertRaises(gallery_docs.PictureError):
            gallery_docs.publish(self.pictures, self.out, [96], ["pt"])
        with self.assertRaises(gallery_docs.PictureError):
            gallery_docs.publish(self.pictures, self.out, [120], ["en"])


class CommandLineTest(unittest.TestCase):
    """What make-gallery.sh reads and acts on."""

    def run_main(self, arguments):
        out, err = io.StringIO(), io.StringIO()
        with contextlib.redirect_stdout(out), contextlib.redirect_stderr(err):
            status = gallery_docs.main(arguments)
        return status, out.getvalue(), err.getvalue()

    def test_locales_are_one_folder_and_locale_per_line(self):
        status, out, _ = self.run_main(["locales"])
        self.assertEqual(status, 0)
        pairs = [line.split(" ") for line in out.splitlines()]
        self.assertEqual([p[0] for p in pairs], ["en", "de", "es", "fr", "it", "ja"])
        for _, locale in pairs:
            self.assertRegex(locale, r"^[a-z]{2}_[A-Z]{2}$")

    def test_states_are_named_on_one_line_for_the_program(self):
        status, out, _ = self.run_main(["states", "144"])
        self.assertEqual(status, 0)
        self.assertEqual(out.split(), gallery_docs.states_at(144))
        self.assertEqual(self.run_main(["states", "96"])[1].split(), [s for s, _, _ in gallery_docs.STATES])

    def test_a_missing_picture_fails_the_run_with_its_name(self):
        with tempfile.TemporaryDirectory() as folder:
            status, _, err = self.run_main(["publish", folder, os.path.join(folder, "out"), "96,192", "it"])
        self.assertEqual(status, 1)
        self.assertIn("96/it/blocked.bmp", err)
        self.assertIn("192/it/failed.bmp", err)

    def test_a_wrong_command_is_refused(self):
        for arguments in ([], ["publish", "a", "b", "96"], ["publish", "a", "b", "96;144", "en"], ["locales", "extra"],
                          ["states"], ["states", "120"], ["draw"]):
            self.assertEqual(self.run_main(arguments)[0], 2, arguments)


if __name__ == "__main__":
    unittest.main()
