#!/usr/bin/env python3
"""Checks that a 32-bit program's DWARF unwind tables describe every function of chosen objects.

  check_unwind_tables.py <program.exe> <program.map> <object pattern>...

The C++ runtime walks the .eh_frame section from its start (crtbegin.o's marker) to the first
zero-length entry (crtend.o's). Every code section the map places from an object matching a
pattern (as the linker script names them: "*libstdc++.a:eh_throw.o") must start inside a range
of that walk; exit status 1 when one does not, or when an object matches nothing.
"""
import fnmatch
import struct
import sys

import linker_map

DW_EH_PE_OMIT = 0xFF
POINTER_FORMATS = {0x00: "<I", 0x03: "<I", 0x0B: "<i", 0x02: "<H", 0x0A: "<h", 0x04: "<Q", 0x0C: "<q"}
DW_EH_PE_PCREL = 0x10


def eh_frame_of(program):
    """(address, bytes) of the program's .eh_frame section."""
    header = struct.unpack_from("<I", program, 0x3C)[0]
    count, optional_size = struct.unpack_from("<H", program, header + 6)[0], struct.unpack_from("<H", program, header + 20)[0]
    optional = header + 24
    if struct.unpack_from("<H", program, optional)[0] != 0x10B:
        raise ValueError("not a 32-bit program")
    image_base = struct.unpack_from("<I", program, optional + 28)[0]
    table = optional + optional_size
    for index in range(count):
        entry = table + 40 * index
        name = program[entry:entry + 8].rstrip(b"\0")
        virtual_size, address, raw_size, raw_offset = struct.unpack_from("<IIII", program, entry + 8)
        if name.startswith(b".eh_fram"):  # the header holds eight characters of the name
            return image_base + address, program[raw_offset:raw_offset + min(virtual_size, raw_size)]
    raise ValueError("the program has no .eh_frame section")


def uleb(data, at):
    value = shift = 0
    while True:
        byte = data[at]
        at += 1
        value |= (byte & 0x7F) << shift
        shift += 7
        if byte < 0x80:
            return value, at


def read_pointer(data, at, encoding, field_address):
    fmt = POINTER_FORMATS[encoding & 0x0F]
    value = struct.unpack_from(fmt, data, at)[0]
    if encoding & 0x70 == DW_EH_PE_PCREL:
        value += field_address
    return value & 0xFFFFFFFF, at + struct.calcsize(fmt)


def cie_pointer_encoding(data, at):
    """The FDE pointer encoding of the CIE whose content starts at `at` (after its id)."""
    version = data[at]
    at += 1
    end = data.index(b"\0", at)
    augmentation = data[at:end].decode("ascii")
    at = end + 1
    _, at = uleb(data, at)  # code alignment
    _, at = uleb(data, at)  # data alignment (signed; only skipped)
    at = at + 1 if version == 1 else uleb(data, at)[1]  # return address register
    encoding = 0x00
    if augmentation.startswith("z"):
        _, at = uleb(data, at)
        for letter in augmentation[1:]:
            if letter == "R":
                encoding = data[at]
                at += 1
            elif letter == "L":
                at += 1
            elif letter == "P":
                personality_encoding = data[at]
                at += 1 + struct.calcsize(POINTER_FORMATS[personality_encoding & 0x0F])
            else:
                raise ValueError(f"unknown CIE augmentation {augmentation!r}")
    return encoding


def walked_ranges(address, data):
    """The [start, end) code ranges of the FDEs from the section's start to its first terminator."""
    ranges, encodings, at = [], {}, 0
    while at + 4 <= len(data):
        length = struct.unpack_from("<I", data, at)[0]
        if length == 0:
            return ranges
        if length == 0xFFFFFFFF:
            raise ValueError("64-bit DWARF lengths are not expected here")
        content = at + 4
        cie_id = struct.unpack_from("<I", data, content)[0]
        if cie_id == 0:
            encodings[at] = cie_pointer_encoding(data, content + 4)
        else:
            cie = content - cie_id
            encoding = encodings[cie]
            start, after = read_pointer(data, content + 4, encoding, address + content + 4)
            size, _ = read_pointer(data, after, encoding & 0x0F, 0)
            ranges.append((start, start + size))
        at = content + length
    raise ValueError("the unwind tables have no terminator")


def uncovered(sections, ranges):
    return [s for s in sections if not any(start <= s.address < end for start, end in ranges)]


def main(argv):
    if len(argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    program_path, map_path, patterns = argv[0], argv[1], argv[2:]
    with open(program_path, "rb") as f:
        ranges = walked_ranges(*eh_frame_of(f.read()))
    with open(map_path, encoding="utf-8", errors="replace") as f:
        code = [s for s in linker_map.input_sections(f.read()) if s.output == ".text" and s.name.startswith(".text") and s.size]
    status = 0
    for pattern in patterns:
        chosen = [s for s in code if fnmatch.fnmatchcase(linker_map.member_name(s.origin), pattern)]
        missing = uncovered(chosen, ranges)
        if not chosen:
            print(f"{pattern}: no code of it in the program")
            status = 1
        for section in missing:
            print(f"{pattern}: {section.name} of {section.origin} at 0x{section.address:x} has no unwind table")
            status = 1
        if chosen and not missing:
            print(f"{pattern}: all {len(chosen)} code sections have unwind tables")
    print(f"{len(ranges)} functions in the unwind tables the runtime reads")
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
