#!/usr/bin/env python3
"""Lists the DLLs and functions a Windows program imports and refuses any that its oldest
supported Windows lacks, and any DLL that Windows might take from the program's own folder.

The loader resolves every import before the program's first instruction runs, so one function
missing from the running system's DLLs stops the program with the system's own error message.
Functions the program looks up with GetProcAddress are not imports and are not checked.
The loader also looks for an imported DLL in the program's folder first unless it is one that
Windows always takes from the system folder; system-dlls.txt lists those, and any other imported
DLL is refused.

  check_imports.py --objdump x86_64-w64-mingw32-objdump --target 5.2 program.exe
  check_imports.py --listing objdump-output.txt --target 5.0.4
  check_imports.py ... --expect-refused GetTickCount64   (succeeds only if that import is refused)

The deny list (newer-functions.txt beside this script) names functions and DLLs with the first
Windows version that has them; ordinals.txt names the ordinals the program imports without a name.
"""
import argparse
import os
import re
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_DENY_LIST = os.path.join(HERE, "newer-functions.txt")
DEFAULT_ORDINALS = os.path.join(HERE, "ordinals.txt")
DEFAULT_SYSTEM_DLLS = os.path.join(HERE, "system-dlls.txt")

# Windows versions as (major, minor, service pack).
VERSION_NAMES = {
    (5, 0): "Windows 2000",
    (5, 1): "Windows XP",
    (5, 2): "Windows Server 2003",
    (6, 0): "Windows Vista",
    (6, 1): "Windows 7",
    (6, 2): "Windows 8",
    (6, 3): "Windows 8.1",
    (10, 0): "Windows 10",
}


def parse_version(text):
    """"5.1.2" (Windows XP SP2) -> (5, 1, 2); the service pack defaults to 0."""
    match = re.fullmatch(r"(\d+)\.(\d+)(?:\.(\d+))?", text)
    if not match:
        raise ValueError("not a Windows version (major.minor[.service pack]): %r" % text)
    major, minor, pack = match.groups()
    version = (int(major), int(minor), int(pack or 0))
    if version[:2] not in VERSION_NAMES:
        raise ValueError("unknown Windows version: %r" % text)
    return version


def version_name(version):
    name = VERSION_NAMES[version[:2]] + (" SP%d" % version[2] if version[2] else "")
    if version == (5, 2, 1):
        name += " / XP Professional x64"  # the first x64 Windows
    return name


class DenyList:
    """Lines of "<dll> <function or *> <minimum version> [note]"; '#' starts a comment. A DLL name
    may end in '*' to match every DLL with that prefix."""

    def __init__(self, text):
        self.functions = {}  # (dll, function) -> version
        self.dlls = []  # (dll or prefix*, version)
        for number, line in enumerate(text.splitlines(), 1):
            fields = line.split("#", 1)[0].split()
            if not fields:
                continue
            if len(fields) < 3:
                raise ValueError("deny list line %d: want <dll> <function> <version>" % number)
            dll, function, version = fields[0].lower(), fields[1], parse_version(fields[2])
            if function == "*":
                self.dlls.append((dll, version))
            elif (dll, function) in self.functions:
                raise ValueError("deny list line %d: %s %s listed twice" % (number, dll, function))
            else:
                self.functions[(dll, function)] = version

    def minimum(self, dll, function):
        """The first Windows version with this import, None when the list does not name it."""
        dll = dll.lower()
        for pattern, version in self.dlls:
            if dll == pattern or (pattern.endswith("*") and dll.startswith(pattern[:-1])):
                return version
        return self.functions.get((dll, function))


def read_ordinals(text):
    """Lines of "<dll> <ordinal> <function>": the names of functions imported by ordinal."""
    names = {}
    for line in text.splitlines():
        fields = line.split("#", 1)[0].split()
        if fields:
            names[(fields[0].lower(), int(fields[1]))] = fields[2]
    return names


# "<tab>thunk<tab> hint  name", or "... ordinal  <none>" for an import by ordinal. The thunk's high
# bit marks an ordinal import and its low 16 bits are the ordinal: the printed ordinal column is
# decimal in a 32-bit program's listing but hexadecimal in a 64-bit one's, so it is not read.
IMPORT_ENTRY = re.compile(r"^\t[0-9a-fA-F]+\t")
IMPORT_LINE = re.compile(r"^\t([0-9a-fA-F]+)\t\s*([0-9a-fA-F]+)\s+(\S+)")


def parse_imports(listing):
    """objdump -p output -> [(dll, function name or None, ordinal or None)], in listing order.
    Only the import tables count (not the delay-load tables or the exports)."""
    imports = []
    dll = None
    in_imports = False
    for line in listing.splitlines():
        if line.startswith("The Import Tables"):
            in_imports = True
            continue
        if not in_imports:
            continue
        if line and not line[0].isspace():  # the next section of the listing
            break
        stripped = line.strip()
        if stripped.startswith("DLL Name:"):
            dll = stripped.split(":", 1)[1].strip()
            continue
        if not IMPORT_ENTRY.match(line):
            continue
        match = IMPORT_LINE.match(line)
        if not match or not dll:
            # An import the check cannot read could be any function: refuse rather than skip it.
            raise ValueError("unreadable import line: %r" % line)
        thunk, _, name = match.groups()
        if name == "<none>":
            imports.append((dll, None, int(thunk, 16) & 0xFFFF))
        else:
            imports.append((dll, name, None))
    return imports


def check(imports, deny, ordinals, target):
    """-> list of refusal lines; empty when every import exists on the target."""
    refused = []
    for dll, name, ordinal in imports:
        if name is None:
            name = ordinals.get((dll.lower(), ordinal))
            if name is None:
                refused.append("%s ordinal %d: not named in ordinals.txt, so its age is unknown"
                               % (dll, ordinal))
                continue
        minimum = deny.minimum(dll, name)
        if minimum is not None and minimum > target:
            refused.append("%s %s: needs %s" % (dll, name, version_name(minimum)))
    return refused


def read_system_dlls(text):
    """Lines of "<dll>": the DLLs Windows always takes from the system folder (lower case)."""
    return {line.split("#", 1)[0].strip().lower() for line in text.splitlines()} - {""}


def check_dlls(imports, system_dlls):
    """-> a refusal line for each imported DLL that Windows may take from the program's folder."""
    dlls = sorted({dll for dll, _, _ in imports}, key=str.lower)
    return ["%s: not a DLL Windows always takes from the system folder (load it at run time by its"
            " full path)" % dll for dll in dlls if dll.lower() not in system_dlls]


def describe(imports, ordinals):
    by_dll = {}
    for dll, name, ordinal in imports:
        label = name or "#%d %s" % (ordinal, ordinals.get((dll.lower(), ordinal), "?"))
        by_dll.setdefault(dll, []).append(label)
    return "\n".join("%s: %s" % (dll, " ".join(names)) for dll, names in by_dll.items())


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("program", nargs="?", help="the .exe or .dll to inspect")
    parser.add_argument("--objdump", help="the toolchain's objdump, run with -p on the program")
    parser.add_argument("--listing", help="a saved objdump -p listing instead of a program")
    parser.add_argument("--target", required=True, help="oldest Windows: major.minor[.sp]")
    parser.add_argument("--deny-list", default=DEFAULT_DENY_LIST)
    parser.add_argument("--ordinals", default=DEFAULT_ORDINALS)
    parser.add_argument("--system-dlls", default=DEFAULT_SYSTEM_DLLS)
    parser.add_argument("--expect-refused", metavar="FUNCTION",
                        help="succeed only if the check refuses the program for this import")
    args = parser.parse_args(argv)

    if args.listing:
        with open(args.listing, encoding="utf-8") as f:
            listing = f.read()
        source = args.listing
    elif args.program and args.objdump:
        listing = subprocess.run([args.objdump, "-p", args.program], check=True,
                                 capture_output=True, text=True).stdout
        source = args.program
    else:
        parser.error("give a program and --objdump, or --listing")
    target = parse_version(args.target)
    with open(args.deny_list, encoding="utf-8") as f:
        deny = DenyList(f.read())
    with open(args.ordinals, encoding="utf-8") as f:
        ordinals = read_ordinals(f.read())
    with open(args.system_dlls, encoding="utf-8") as f:
        system_dlls = read_system_dlls(f.read())

    imports = parse_imports(listing)
    if not imports:
        print("%s: no import table found" % source)
        return 1
    print("%s imports (oldest Windows: %s):" % (source, version_name(target)))
    print(describe(imports, ordinals))
    refused = check_dlls(imports, system_dlls) + check(imports, deny, ordinals, target)
    for line in refused:
        print("REFUSED " + line)

    if args.expect_refused:
        # DLL names are compared without case (import libraries spell them differently).
        dll_refusal = args.expect_refused.lower() + ":"
        if any(line.lower().startswith(dll_refusal) or " %s:" % args.expect_refused in line for line in refused):
            print("refused %s, as expected" % args.expect_refused)
            return 0
        print("FAILED: %s was not refused" % args.expect_refused)
        return 1
    if refused:
        print("FAILED: %d refused import(s)" % len(refused))
        return 1
    print("OK: %d imports, none newer than %s" % (len(imports), version_name(target)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
