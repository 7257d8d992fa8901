"""Reads the message catalogue's source file and checks every translation against its English entry.

The file format is described at the top of resources/catalogue/messages.txt.
"""

import collections
import re

# Code, Windows primary language, sublanguage. English (United States) comes first: it is the entry
# every translation is checked against and the table the loader falls back to.
LANGUAGES = (
    ("en", 0x09, 0x01),  # English (United States)
    ("de", 0x07, 0x00),  # German, every region
    ("es", 0x0A, 0x00),  # Spanish, every region
    ("fr", 0x0C, 0x00),  # French, every region
    ("it", 0x10, 0x00),  # Italian, every region
    ("ja", 0x11, 0x01),  # Japanese
)
LANGUAGE_CODES = tuple(code for code, _, _ in LANGUAGES)
RULES = ("positional", "printf", "none")

# Callers pass the product name as an argument; a translated copy of it would go stale.
PRODUCT_NAME = "KORVO Skelv"

_ENTRY_LINE = re.compile(r"^(\d+) +(positional|printf|none)( +identical)?$")
_TEXT_LINE = re.compile(r'^ +([a-z]{2}) +"(.*)"$')
_PRINTF_CONVERSION = re.compile(r"%(?:%|[-+ #0]*\d*(?:\.\d+)?(?:I64|ll|l|h)?[a-zA-Z])")
_LINK_OPENING = re.compile(r"<A\b[^>]*>")


class CatalogueError(Exception):
    pass


Entry = collections.namedtuple("Entry", "id rule identical texts line")


def language_id(primary, sublanguage):
    return (sublanguage << 10) | primary


def unescape(raw, where):
    text = []
    i = 0
    while i < len(raw):
        ch = raw[i]
        if ch != "\\":
            text.append(ch)
            i += 1
            continue
        escape = raw[i + 1] if i + 1 < len(raw) else ""
        if escape == "n":
            text.append("\n")
        elif escape == "\\":
            text.append("\\")
        else:
            raise CatalogueError(f"{where}: unknown escape '\\{escape}' (only \\n and \\\\)")
        i += 2
    return "".join(text)


def parse(lines, name="messages.txt"):
    """Returns the entries in file order; raises CatalogueError on a malformed line."""
    entries = []
    current = None
    for number, line in enumerate(lines, start=1):
        line = line.rstrip("\r\n")
        where = f"{name}:{number}"
        if not line.strip() or line.startswith("#"):
            continue
        header = _ENTRY_LINE.match(line)
        if header:
            current = Entry(int(header.group(1)), header.group(2), bool(header.group(3)), {}, where)
            entries.append(current)
            continue
        text = _TEXT_LINE.match(line)
        if not text:
            raise CatalogueError(f"{where}: neither an entry header nor a text line: {line!r}")
        if current is None:
            raise CatalogueError(f"{where}: text line before the first entry")
        code = text.group(1)
        if code not in LANGUAGE_CODES:
            raise CatalogueError(f"{where}: unknown language '{code}'")
        if code in current.texts:
            raise CatalogueError(f"{where}: second '{code}' text for entry {current.id}")
        current.texts[code] = unescape(text.group(2), where)
    return entries


def placeholders(text, rule):
    """The placeholders as the rule reads them: positional ones sorted (they may move), printf ones
    in order (they are consumed in order)."""
    if rule == "positional":
        found = [text[i:i + 2] for i in _positional_starts(text)]
        return sorted(found)
    if rule == "printf":
        stray = _PRINTF_CONVERSION.sub("", text)
        if "%" in stray:
            raise CatalogueError("a '%' that is not a printf conversion")
        return _PRINTF_CONVERSION.findall(text)
    return ["%"] * text.count("%")


def _positional_starts(text):
    i = 0
    while i < len(text):
        if text[i] == "%":
            yield i
            i += 2
        else:
            i += 1


def link_markup(text):
    return _LINK_OPENING.findall(text), text.count("</A>")


def check(entries):
    """Raises CatalogueError on the first entry that breaks a rule of the catalogue."""
    seen = set()
    previous = -1
    for entry in entries:
        where = f"{entry.line}: entry {entry.id}"
        if entry.id in seen:
            raise CatalogueError(f"{where}: defined twice")
        if entry.id < previous:
            raise CatalogueError(f"{where}: entries must be in ascending order")
        if entry.id > 0xFFFF:
            raise CatalogueError(f"{where}: a string table holds numbers up to 65535")
        seen.add(entry.id)
        previous = entry.id
        missing = [code for code in LANGUAGE_CODES if code not in entry.texts]
        if missing:
            raise CatalogueError(f"{where}: no text for {', '.join(missing)}")
        english = entry.texts["en"]
        for code in LANGUAGE_CODES:
            _check_translation(entry, code, english, f"{where} ({code})")


def _check_translation(entry, code, english, where):
    text = entry.texts[code]
    if not text:
        raise CatalogueError(f"{where}: empty text")
    if PRODUCT_NAME in text:
        raise CatalogueError(f"{where}: the product name must come in as an argument")
    if entry.rule == "none" and "%" in text:
        raise CatalogueError(f"{where}: a text shown as it is must not contain '%'")
    try:
        mine, theirs = placeholders(text, entry.rule), placeholders(english, entry.rule)
    except CatalogueError as error:
        raise CatalogueError(f"{where}: {error}") from None
    if mine != theirs:
        raise CatalogueError(f"{where}: placeholders {mine} differ from the English {theirs}")
    if text.count("\n") != english.count("\n"):
        raise CatalogueError(f"{where}: {text.count(chr(10))} line breaks, English has {english.count(chr(10))}")
    if link_markup(text) != link_markup(english):
        raise CatalogueError(f"{where}: link markup {link_markup(text)} differs from the English {link_markup(english)}")
    if entry.identical and text != english:
        raise CatalogueError(f"{where}: must be the same in every language")


def load(path):
    with open(path, encoding="utf-8") as source:
        entries = parse(source, name=path)
    check(entries)
    return entries
