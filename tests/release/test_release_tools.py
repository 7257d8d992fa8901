"""The release tools on made-up inputs: the linker map reader and the size breakdown, the comparison
outside signatures, the walk of the unwind tables, and the banner's Huffman tables."""
import struct
import unittest

import check_unwind_tables
import linker_map
import make_banner
import same_outside_signature
import size_breakdown

# A map as GNU ld writes it for a MinGW program (shortened): an input section with a long name has
# its address, size and file on the next line; symbol lines and fill have no file.
MAP = """\
Discarded input sections

 .text          0x00000000       0x40 setup/libkorvo_setup_app.a(SetupApp.cpp.obj)

Linker script and memory map

.text           0x00401000     0x2000
 *(.text)
 .text          0x00401000      0x4e0 /usr/lib/gcc/i686-w64-mingw32/12-win32/../../../../i686-w64-mingw32/lib/../lib/crt2.o
                0x004014a0                WinMainCRTStartup
 .text$_ZNSs4swapERSs
                0x004014e0      0x100 /usr/lib/gcc/i686-w64-mingw32/12-win32/libstdc++.a(cow-string-inst.o)
                0x004014e0                std::string::swap(std::string&)
 .text          0x004015e0      0x200 http/libkorvo_http.a(HttpClient.cpp.obj)
 *fill*         0x004017e0       0x20
 .gcc_except_table
                0x00401800       0x10 platform/libkorvo_platform.a(Win32MsxmlProbe.cpp.obj)

.rdata          0x00404000      0x200
 .rdata         0x00404000       0x80 http/libkorvo_http.a(HttpClient.cpp.obj)

.eh_frame       0x00405000      0x200
 .eh_frame      0x00405000       0x30 /usr/lib/gcc/i686-w64-mingw32/12-win32/libstdc++.a(cow-string-inst.o)

.bss            0x00406000      0x100
 .bss           0x00406000      0x100 http/libkorvo_http.a(HttpClient.cpp.obj)

.rsrc           0x00407000      0x600
 .rsrc          0x00407000      0x600 resources/CMakeFiles/korvo_resources.dir/SetupDialog.rc.res

.reloc          0x00408000      0x100
 .reloc         0x00408000       0x90 dll stuff

.debug_info     0x00409000      0x100
 .debug_info    0x00409000      0x100 http/libkorvo_http.a(HttpClient.cpp.obj)
"""


class ReadingMaps(unittest.TestCase):
    def test_takes_each_placed_section_with_its_file_and_nothing_discarded(self):
        sections = [(s.output, s.name, s.address, s.size, linker_map.member_name(s.origin))
                    for s in linker_map.input_sections(MAP)]
        self.assertEqual(sections[:4], [
            (".text", ".text", 0x401000, 0x4E0,
             "/usr/lib/gcc/i686-w64-mingw32/12-win32/../../../../i686-w64-mingw32/lib/../lib/crt2.o"),
            (".text", ".text$_ZNSs4swapERSs", 0x4014E0, 0x100,
             "/usr/lib/gcc/i686-w64-mingw32/12-win32/libstdc++.a:cow-string-inst.o"),
            (".text", ".text", 0x4015E0, 0x200, "http/libkorvo_http.a:HttpClient.cpp.obj"),
            (".text", ".gcc_except_table", 0x401800, 0x10, "platform/libkorvo_platform.a:Win32MsxmlProbe.cpp.obj"),
        ])
        self.assertNotIn("setup/libkorvo_setup_app.a(SetupApp.cpp.obj)", [s.origin for s in linker_map.input_sections(MAP)])

    def test_a_file_that_is_no_map_is_refused(self):
        with self.assertRaises(ValueError):
            list(linker_map.input_sections("Archive member included\n"))

    def test_the_breakdown_counts_file_bytes_per_library_and_kind(self):
        sizes = size_breakdown.read_map(MAP)
        expected = {  # library: {kind: bytes}; .bss and debug information take no bytes of the image
            "libstdc++.a": {"code": 0x100, "unwind tables": 0x30},
            "libkorvo_http.a": {"code": 0x200, "read-only data": 0x80},
            "libkorvo_platform.a": {"code": 0x10},
            "C runtime start-up objects": {"code": 0x4E0},
            "resource files (.res)": {"resources": 0x600},
            "the linker (exports, relocations)": {"other": 0x90},
        }
        self.assertEqual({library: dict(kinds) for library, kinds in sizes.items()}, expected)


def program(magic=same_outside_signature.PE32, content=b"code" * 64, signature=b"", checksum=0):
    """A made-up Windows program: headers, content, then the signature the certificate entry names."""
    header, optional_size = 0x40, 96 + 16 * 8 if magic == same_outside_signature.PE32 else 112 + 16 * 8
    data = bytearray(header + 24 + optional_size)
    data[:2] = b"MZ"
    struct.pack_into("<I", data, 0x3C, header)
    data[header:header + 4] = b"PE\0\0"
    struct.pack_into("<H", data, header + 20, optional_size)
    struct.pack_into("<HI", data, header + 24, magic, 0)
    struct.pack_into("<I", data, header + 24 + 64, checksum)
    data += content
    if signature:
        entry = header + 24 + (96 if magic == same_outside_signature.PE32 else 112) + 8 * 4
        struct.pack_into("<II", data, entry, len(data), len(signature))
        data += signature
    return bytes(data)


class ComparingOutsideSignatures(unittest.TestCase):
    def test_only_the_signature_its_entry_and_the_checksum_may_differ(self):
        cases = [  # first, second, the same
            (program(), program(), True),
            (program(), program(signature=b"S" * 40, checksum=0x1234), True),
            (program(signature=b"one" * 10), program(signature=b"two" * 20), True),
            (program(magic=same_outside_signature.PE32_PLUS, signature=b"S" * 8),
             program(magic=same_outside_signature.PE32_PLUS), True),
            (program(content=b"code" * 64), program(content=b"Code" * 64), False),
            (program(content=b"code" * 64, signature=b"S"), program(content=b"code" * 65, signature=b"S"), False),
        ]
        for index, (first, second, same) in enumerate(cases):
            with self.subTest(case=index):
                difference = same_outside_signature.first_difference(
                    same_outside_signature.outside_signature(first), same_outside_signature.outside_signature(second))
                self.assertEqual(difference is None, same)

    def test_bytes_after_the_signature_or_no_program_are_refused(self):
        for data in [program(signature=b"S" * 16) + b"hidden", b"MZ" + bytes(100), b"not a program" * 10]:
            with self.subTest(data[:8]):
                with self.assertRaises((ValueError, struct.error)):
                    same_outside_signature.outside_signature(data)


def eh_frame(entries):
    """An .eh_frame made of a CIE ("zR", pc-relative 4-byte pointers) and entries: an FDE as
    (start, size) at section address 0x5000, or None for a terminator."""
    cie = struct.pack("<I", 0) + bytes([1]) + b"zR\0" + bytes([1, 0x7C, 8, 1, 0x1B])
    data = bytearray(struct.pack("<I", len(cie)) + cie)
    for entry in entries:
        if entry is None:
            data += struct.pack("<I", 0)
            continue
        start, size = entry
        here = len(data)
        field = 0x5000 + here + 8
        body = struct.pack("<I", here + 4) + struct.pack("<iI", start - field, size) + bytes([0])
        data += struct.pack("<I", len(body)) + body
    return 0x5000, bytes(data)


class WalkingUnwindTables(unittest.TestCase):
    def test_the_walk_stops_at_the_first_terminator(self):
        cases = [  # entries, ranges the runtime reads
            ([(0x401000, 0x20), (0x401100, 0x8), None], [(0x401000, 0x401020), (0x401100, 0x401108)]),
            ([(0x401000, 0x20), None, (0x402000, 0x10), None], [(0x401000, 0x401020)]),
            ([None, (0x401000, 0x20), None], []),
        ]
        for entries, ranges in cases:
            with self.subTest(entries=entries):
                self.assertEqual(check_unwind_tables.walked_ranges(*eh_frame(entries)), ranges)

    def test_tables_without_a_terminator_are_refused(self):
        with self.assertRaises(ValueError):
            check_unwind_tables.walked_ranges(*eh_frame([(0x401000, 0x20)]))

    def test_a_code_section_counts_as_covered_when_it_starts_inside_a_range(self):
        sections = [linker_map.InputSection(".text", ".text$f", address, 0x10, "a.a(b.o)")
                    for address in (0x401000, 0x40101F, 0x401020)]
        missing = check_unwind_tables.uncovered(sections, [(0x401000, 0x401020)])
        self.assertEqual([s.address for s in missing], [0x401020])


class BannerHuffmanTables(unittest.TestCase):
    def test_codes_are_a_prefix_code_of_at_most_16_bits_with_none_all_ones(self):
        fibonacci = [1, 1]
        while len(fibonacci) < 30:
            fibonacci.append(fibonacci[-1] + fibonacci[-2])
        cases = {
            "one symbol": {0: 7},
            "even": {symbol: 10 for symbol in range(12)},
            "skewed past 16 bits": dict(enumerate(fibonacci)),
            "all AC symbols": {symbol: 1 + symbol % 7 for symbol in range(162)},
        }
        for name, frequencies in cases.items():
            with self.subTest(name):
                counts, order, codes = make_banner.huffman_table(frequencies)
                self.assertEqual(sorted(order), sorted(frequencies))
                self.assertEqual(sum(counts), len(frequencies))
                self.assertEqual(len(counts), 16)
                words = [format(code, f"0{length}b") for code, length in codes.values()]
                self.assertTrue(all(len(word) <= 16 and set(word) != {"1"} for word in words))
                for word in words:
                    self.assertFalse(any(other != word and other.startswith(word) for other in words))

    def test_frequent_symbols_get_short_codes(self):
        _, _, codes = make_banner.huffman_table({0xA: 100, 0xB: 10, 0xC: 1})
        self.assertEqual({symbol: length for symbol, (_, length) in codes.items()}, {0xA: 1, 0xB: 2, 0xC: 3})


if __name__ == "__main__":
    unittest.main()
