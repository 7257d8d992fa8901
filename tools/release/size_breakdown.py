#!/usr/bin/env python3
"""Where a program's bytes come from: reads a GNU ld map file (-Wl,-Map) of a MinGW program and
prints, per library, how many bytes it puts in each kind of section of the image.

  size_breakdown.py <program.map> [--markdown]

A library is an archive (libstdc++.a, libkorvo_http.a, ...); the program's own object files, the C
runtime's start-up objects and the resource files are grouped by kind. Sizes are those of the
input sections before the linker aligns them, so the sum is a little under the file size.
"""
import argparse
import os
import re
import sys
from collections import defaultdict

# The image's sections, grouped by what they hold; any other section goes under "other".
SECTION_KINDS = [
    ("code", (".text",)),
    ("read-only data", (".rdata",)),
    ("unwind tables", (".eh_frame", ".pdata", ".xdata", ".gcc_except_table")),
    ("data", (".data", ".CRT", ".tls")),
    ("imports/exports", (".idata", ".edata")),
    ("resources", (".rsrc",)),
]
OTHER_KIND = "other"
KIND_NAMES = [name for name, _ in SECTION_KINDS] + [OTHER_KIND]
# Sections that take no bytes in the file, or that a stripped release image does not carry.
NOT_IN_FILE = re.compile(r"^\.(bss|debug|zdebug|stab)")

OUTPUT_SECTION = re.compile(r"^(\.\S+)(?:\s+0x[0-9a-fA-F]+\s+0x[0-9a-fA-F]+.*)?$")
# " .text$name  0xADDRESS  0xSIZE  file" (the name may stand alone on the line before)
INPUT_SECTION = re.compile(r"^ (\.\S+|COMMON)(?:\s+(0x[0-9a-fA-F]+)\s+(0x[0-9a-fA-F]+)\s+(.+))?$")
CONTINUATION = re.compile(r"^\s+(0x[0-9a-fA-F]+)\s+(0x[0-9a-fA-F]+)\s+(\S.*)$")


def section_kind(output_section):
    for kind, prefixes in SECTION_KINDS:
        if any(output_section == p or output_section.startswith(p + "$") for p in prefixes):
            return kind
    return OTHER_KIND


def library_of(origin):
    """The library an input file belongs to: the archive's name, or a group of loose objects."""
    archive = re.match(r"^(.*\.a)\((.*)\)$", origin)
    if archive:
        return os.path.basename(archive.group(1))
    if origin.endswith(".res"):
        return "resource files (.res)"
    if "/CMakeFiles/" in origin:
        return "program objects"
    if origin.endswith(".o") or origin.endswith(".obj"):
        return "C runtime start-up objects"
    return origin  # the linker's own contributions ("dll stuff", "linker stubs")


def read_map(text):
    """{library: {kind: bytes}} from the map's memory map part."""
    start = text.find("Linker script and memory map")
    if start < 0:
        raise ValueError("not a GNU ld map file: no memory map")
    sizes = defaultdict(lambda: defaultdict(int))
    output_section = None
    pending = None  # an input section whose address, size and file are on the next line
    for line in text[start:].splitlines():
        if not line.strip():
            continue
        if not line.startswith(" "):
            match = OUTPUT_SECTION.match(line)
            output_section = match.group(1) if match else None
            pending = None
            continue
        if output_section is None or NOT_IN_FILE.match(output_section):
            continue
        if pending:
            pending = None
            match = CONTINUATION.match(line)
            if match:
                add(sizes, output_section, match.group(2), match.group(3))
                continue
        match = INPUT_SECTION.match(line)
        if match:
            if match.group(2) is None:
                pending = match.group(1)
            else:
                add(sizes, output_section, match.group(3), match.group(4))
    return sizes


def add(sizes, output_section, size_text, origin):
    size = int(size_text, 16)
    if size:
        sizes[library_of(origin.strip())][section_kind(output_section)] += size


def table(sizes, markdown):
    kinds = [k for k in KIND_NAMES if any(row.get(k) for row in sizes.values())]
    rows = sorted(sizes.items(), key=lambda item: -sum(item[1].values()))
    totals = {k: sum(row.get(k, 0) for row in sizes.values()) for k in kinds}
    header = ["library"] + kinds + ["total"]
    lines = [header]
    for library, row in rows:
        lines.append([library] + [kib(row.get(k, 0)) for k in kinds] + [kib(sum(row.values()))])
    lines.append(["all"] + [kib(totals[k]) for k in kinds] + [kib(sum(totals.values()))])
    if markdown:
        out = ["| " + " | ".join(header) + " |", "|---" + "|---:" * (len(header) - 1) + "|"]
        out += ["| " + " | ".join(cells) + " |" for cells in lines[1:]]
        return "\n".join(out)
    widths = [max(len(cells[i]) for cells in lines) for i in range(len(header))]
    return "\n".join(
        "  ".join(c.ljust(w) if i == 0 else c.rjust(w) for i, (c, w) in enumerate(zip(cells, widths)))
        for cells in lines)


def kib(size):
    return f"{size / 1024:.1f}" if size else "-"


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("map_file")
    parser.add_argument("--markdown", action="store_true", help="a Markdown table (KiB)")
    args = parser.parse_args(argv)
    with open(args.map_file, encoding="utf-8", errors="replace") as f:
        sizes = read_map(f.read())
    print("KiB per library and kind of section:" if not args.markdown else "", end="\n" if not args.markdown else "")
    print(table(sizes, args.markdown))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
