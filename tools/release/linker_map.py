"""Reads a GNU ld map file (-Wl,-Map): the input sections the linker placed in the image."""
import re
from typing import Iterator, NamedTuple

OUTPUT_SECTION = re.compile(r"^(\.\S+)")
# " .text$name  0xADDRESS  0xSIZE  file"; a long name stands alone with the rest on the next line
INPUT_SECTION = re.compile(r"^ (\.\S+|COMMON)(?:\s+(0x[0-9a-fA-F]+)\s+(0x[0-9a-fA-F]+)\s+(.+))?$")
CONTINUATION = re.compile(r"^\s+(0x[0-9a-fA-F]+)\s+(0x[0-9a-fA-F]+)\s+(\S.*)$")


class InputSection(NamedTuple):
    output: str   # the image's section it went into (.text, .rdata, ...)
    name: str     # its name in its object (.text$_ZN...)
    address: int
    size: int
    origin: str   # "archive.a(member.o)" or an object file's path


def input_sections(text) -> Iterator[InputSection]:
    start = text.find("Linker script and memory map")
    if start < 0:
        raise ValueError("not a GNU ld map file: no memory map")
    output = None
    pending = None  # a long input section name whose address, size and file follow
    for line in text[start:].splitlines():
        if not line.strip():
            continue
        if not line.startswith(" "):
            match = OUTPUT_SECTION.match(line)
            output, pending = (match.group(1) if match else None), None
            continue
        if output is None:
            continue
        if pending:
            match = CONTINUATION.match(line)
            name, pending = pending, None
            if match:
                yield InputSection(output, name, int(match.group(1), 16), int(match.group(2), 16),
                                   match.group(3).strip())
                continue
        match = INPUT_SECTION.match(line)
        if not match:
            continue
        if match.group(2) is None:
            pending = match.group(1)
        else:
            yield InputSection(output, match.group(1), int(match.group(2), 16), int(match.group(3), 16),
                               match.group(4).strip())


def member_name(origin):
    """"dir/libx.a(y.o)" as the linker script names it, "dir/libx.a:y.o"; an object's path as it is."""
    match = re.match(r"^(.*\.a)\((.*)\)$", origin)
    return f"{match.group(1)}:{match.group(2)}" if match else origin
