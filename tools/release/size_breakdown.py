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

import linker_map

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
# What the linker itself makes: the export table and the relocations.
LINKER_OWN = {"dll stuff": "the linker (exports, relocations)"}
NOT_IN_FILE = re.compile(r"^\.(bss|debug|zdebug|stab)")

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
    return LINKER_OWN.get(origin, origin)


def read_map(text):
    """{library: {kind: bytes}} of the sections that take bytes in the file."""
    sizes = defaultdict(lambda: defaultdict(int))
    for section in linker_map.input_sections(text):
        if section.size and not NOT_IN_FILE.match(section.output):
            sizes[library_of(section.origin)][section_kind(section.output)] += section.size
    return sizes


def merge_import_libraries(sizes):
    """The import libraries (libkernel32.a, ...), which add nothing but import entries, as one row."""
    merged = defaultdict(lambda: defaultdict(int))
    imports = [library for library, row in sizes.items() if set(row) == {"imports/exports"}]
    for library, row in sizes.items():
        name = f"import libraries ({len(imports)})" if library in imports else library
        for kind, size in row.items():
            merged[name][kind] += size
    return merged


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
        sizes = merge_import_libraries(read_map(f.read()))
    if not args.markdown:
        print("KiB per library and kind of section:")
    print(table(sizes, args.markdown))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
