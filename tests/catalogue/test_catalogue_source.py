"""The catalogue generator's gate: it must refuse a translation that drifts from its English entry,
and its escapes must keep every character."""

import unittest

import catalogue_source
import generate_catalogue

LANGS = catalogue_source.LANGUAGE_CODES


def source(header, english, translated=None, overrides=None):
    """An entry whose five translations are `translated` (default: the English text), with
    per-language `overrides`."""
    lines = [header]
    for code in LANGS:
        text = english if code == "en" else (overrides or {}).get(code, translated or english)
        lines.append(f'  {code} "{text}"')
    return lines


class CheckTranslations(unittest.TestCase):
    CASES = [
        # name, source lines, error fragment (None: accepted)
        ("positional moved", source("128 positional", r"%1 on %2\n.", overrides={"ja": r"%2\n: %1"}), None),
        ("positional dropped", source("129 positional", "%1 failed, see %2.", overrides={"de": "%1 fehlgeschlagen."}),
         "placeholders"),
        ("positional added", source("103 positional", "Install %1.", overrides={"fr": "Installer %1 %2."}),
         "placeholders"),
        ("printf swapped", source("114 printf", "%s needs %d MB.", overrides={"it": "%d MB per %s."}), "placeholders"),
        ("printf stray percent", source("126 printf", "%s failed", overrides={"es": "%s fallido al 100%"}),
         "not a printf conversion"),
        ("64-bit conversion kept", source("127 printf", "%I64d bytes", overrides={"fr": "%I64d octets"}), None),
        ("line break lost", source("133 printf", r"%s.\nAgain?", overrides={"de": "%s. Nochmal?"}), "line breaks"),
        ("link identifier changed", source("144 positional", ' Read <A ID="idKORVOSkelv">%1</A>',
                                           overrides={"ja": ' <A ID="idEULA">%1</A>'}), "link markup"),
        ("link closing lost", source("149 positional", '%1 <A  ID="idHELP">here.</A>',
                                     overrides={"it": '%1 <A  ID="idHELP">qui.'}), "link markup"),
        ("product name translated", source("138 positional", "%1 Setup", overrides={"de": "KORVO Skelv Setup"}),
         "product name"),
        ("identical broken", source("112 printf identical", r"%s: %s\n", overrides={"ja": r"%s：%s\n"}),
         "same in every language"),
        ("percent in a plain text", source("116 none", "Close", overrides={"fr": "100 %"}), "must not contain"),
        ("language missing", source("116 none", "Close")[:-1], "no text for ja"),
        ("entries out of order", source("117 none", "A") + source("116 none", "B"), "ascending"),
        ("entry twice", source("116 none", "A") + source("116 none", "B"), "defined twice"),
        ("unknown escape", source("116 none", r"Tab\there"), "unknown escape"),
        ("unknown language", ["116 none", '  pt "Fechar"'], "unknown language"),
    ]

    def test_cases(self):
        for name, lines, error in self.CASES:
            with self.subTest(name):
                def run():
                    catalogue_source.check(catalogue_source.parse(lines))
                if error is None:
                    run()
                else:
                    with self.assertRaisesRegex(catalogue_source.CatalogueError, error):
                        run()


class Parse(unittest.TestCase):
    def test_text_keeps_inner_quotes_and_edge_blanks(self):
        entries = catalogue_source.parse(source("144 positional", ' Read the <A ID="x">%1</A> '))
        self.assertEqual(entries[0].texts["de"], ' Read the <A ID="x">%1</A> ')

    def test_escapes(self):
        entries = catalogue_source.parse(source("133 printf", r"a\nb\\n"))
        self.assertEqual(entries[0].texts["en"], "a\nb\\n")


class Literals(unittest.TestCase):
    CASES = [
        # text, windres literal, C++ literal
        ('Server "Longhorn"', 'L"Server ""Longhorn"""', r'L"Server \"Longhorn\""'),
        ("a\\b\nc", r'L"a\\b\nc"', r'L"a\\b\nc"'),
        # A hex digit right after an escape must stay a character of its own.
        ("\u00e41", r'L"\x00e41"', r'L"\u00e41"'),
        ("\u30ad\u30e3", r'L"\x30ad\x30e3"', r'L"\u30ad\u30e3"'),
        ("\U0001F600", r'L"\xd83d\xde00"', r'L"\U0001f600"'),
        ("\x85", r'L"\x0085"', r'L"\205"'),
    ]

    def test_literals(self):
        for text, rc, cpp in self.CASES:
            with self.subTest(text=text):
                self.assertEqual(generate_catalogue.rc_literal(text), rc)
                self.assertEqual(generate_catalogue.cpp_literal(text), cpp)


if __name__ == "__main__":
    unittest.main()
