#!/usr/bin/env python3
"""Whether two Windows programs are the same outside their Authenticode signatures.

  same_outside_signature.py <first.exe> <second.exe>

Signing changes three things in a program: it appends the signature (the certificate table), points
the certificate table's entry in the optional header at it, and sets the header's checksum. Those
three are left out of the comparison; every other byte must be the same, and nothing may follow a
signature. Exit status 0 when the programs are the same outside their signatures, 1 when not.
"""
import struct
import sys

CERTIFICATE_TABLE = 4  # the index of its entry among the optional header's data directories
PE32, PE32_PLUS = 0x10B, 0x20B


def outside_signature(data):
    """The program's bytes with its signature, the signature's entry and the checksum taken out."""
    if data[:2] != b"MZ":
        raise ValueError("not a Windows program (no MZ header)")
    header = struct.unpack_from("<I", data, 0x3C)[0]
    if data[header:header + 4] != b"PE\0\0":
        raise ValueError("not a Windows program (no PE header)")
    optional = header + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    if magic not in (PE32, PE32_PLUS):
        raise ValueError(f"unknown optional header 0x{magic:x}")
    checksum = optional + 64
    entry = optional + (96 if magic == PE32 else 112) + 8 * CERTIFICATE_TABLE
    offset, size = struct.unpack_from("<II", data, entry)
    if size and offset + size != len(data):
        raise ValueError(f"{len(data) - offset - size} bytes follow the signature")
    image = bytearray(data[:offset] if size else data)
    image[checksum:checksum + 4] = bytes(4)
    image[entry:entry + 8] = bytes(8)
    return bytes(image)


def first_difference(first, second):
    for index, (a, b) in enumerate(zip(first, second)):
        if a != b:
            return index
    return None if len(first) == len(second) else min(len(first), len(second))


def main(argv):
    if len(argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    images = []
    for path in argv:
        with open(path, "rb") as f:
            try:
                images.append(outside_signature(f.read()))
            except ValueError as error:
                print(f"{path}: {error}")
                return 1
    offset = first_difference(*images)
    if offset is None:
        print(f"{argv[0]} and {argv[1]}: the same outside their signatures ({len(images[0])} bytes)")
        return 0
    print(f"{argv[0]} and {argv[1]}: differ outside their signatures, first at byte {offset} "
          f"(sizes {len(images[0])} and {len(images[1])})")
    return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
