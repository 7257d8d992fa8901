#!/usr/bin/env python3
"""Prints the dialog's texts in one language, taken from the catalogue's source, for the program driver
and the case checks: one "<ID><tab><text>" a line, "%1" filled with the product name and "%2" with the
log file's path, line breaks written as \\n.

  catalogue_texts.py <language code: en, de, ja...> <log file path as the program sees it>
"""
import os
import sys

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
sys.path.insert(0, os.path.join(ROOT, "tools", "catalogue"))
import catalogue_source  # noqa: E402


def filled(text, log_path):
    return text.replace("%1", catalogue_source.PRODUCT_NAME).replace("%2", log_path)


def main():
    language, log_path = sys.argv[1:3]
    entries = catalogue_source.load(os.path.join(ROOT, "resources", "catalogue", "messages.txt"))
    out = []
    for entry in entries:
        text = entry.texts.get(language, entry.texts["en"])
        # The refusal keeps its "%1": the driver looks only at what follows the reason.
        if entry.id != 149:
            text = filled(text, log_path)
        out.append("%d\t%s\n" % (entry.id, text.replace("\n", "\\n")))
    sys.stdout.buffer.write("".join(out).encode("utf-8"))


if __name__ == "__main__":
    main()
