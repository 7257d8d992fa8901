"""The import check on saved objdump listings: what it reads from a listing, and what it refuses."""
import contextlib
import io
import os
import tempfile
import unittest

import check_imports

# From the 32-bit program as it was linked with the POSIX-model threads runtime (shortened).
POSIX_RUNTIME_PROGRAM = """\
There is an import table in .idata at 0x458000

The Import Tables (interpreted .idata section contents)
 vma:            Hint    Time      Forward  DLL       First
                 Table   Stamp     Chain    Name      Thunk
 00058000\t0005808c 00000000 00000000 00058fb8 00058328

\tDLL Name: ADVAPI32.dll
\tvma:  Hint/Ord Member-Name Bound-To
\t585c4\t 1033  AllocateAndInitializeSid
\t585e0\t 1264  EqualSid

 00058028\t000580b8 00000000 00000000 00059108 00058354

\tDLL Name: KERNEL32.dll
\tvma:  Hint/Ord Member-Name Bound-To
\t58686\t   21  AddVectoredExceptionHandler
\t586a4\t  136  CloseHandle
\t58740\t  304  OpenThread
\t58790\t  530  GetTickCount64
\t587a2\t  881  RemoveVectoredExceptionHandler

There is an export table in .edata at 0x456000

The Export Tables (interpreted .edata section contents)
\t[   0] +base[   1] 0000 ??0VolMutex@@QAE@HHH@Z
"""

# An import by ordinal, as objdump shows it (the high bit of the first field marks it).
ORDINAL_IMPORTS = """\
The Import Tables (interpreted .idata section contents)

\tDLL Name: msi.dll
\tvma:  Hint/Ord Member-Name Bound-To
\t80000046\t   70  <none>
\t80000063\t   99  <none>
"""

# The same kind of imports in a 64-bit program: objdump prints the ordinal column in hexadecimal
# there (0x205 is 517, 0x1a is 26), so the ordinal is read from the thunk's low bits.
ORDINAL_IMPORTS_64 = """\
The Import Tables (interpreted .idata section contents)

\tDLL Name: msi.dll
\tvma:  Hint/Ord Member-Name Bound-To
\t8000000000000205\t    000000205  <none>
\t800000000000001a\t    00000001a  <none>
"""

DENY = check_imports.DenyList("""\
kernel32.dll GetTickCount64               6.0
kernel32.dll AddVectoredExceptionHandler  5.1   # a note
kernel32.dll RemoveVectoredExceptionHandler 5.1
kernel32.dll IsWow64Process               5.1.2
api-ms-win-*  *  6.1
""")
ORDINALS = check_imports.read_ordinals("msi.dll 70 MsiGetProductInfoW\n")
WINDOWS_2000_SP4 = (5, 0, 4)


def refused_names(listing, target=WINDOWS_2000_SP4, deny=DENY):
    refused = check_imports.check(check_imports.parse_imports(listing), deny, ORDINALS, target)
    return sorted(line.split(":")[0] for line in refused)


class ReadingListings(unittest.TestCase):
    def test_takes_every_import_of_every_dll_and_nothing_after_the_import_tables(self):
        self.assertEqual(check_imports.parse_imports(POSIX_RUNTIME_PROGRAM), [
            ("ADVAPI32.dll", "AllocateAndInitializeSid", None),
            ("ADVAPI32.dll", "EqualSid", None),
            ("KERNEL32.dll", "AddVectoredExceptionHandler", None),
            ("KERNEL32.dll", "CloseHandle", None),
            ("KERNEL32.dll", "OpenThread", None),
            ("KERNEL32.dll", "GetTickCount64", None),
            ("KERNEL32.dll", "RemoveVectoredExceptionHandler", None),
        ])

    def test_an_import_by_ordinal_has_no_name(self):
        self.assertEqual(check_imports.parse_imports(ORDINAL_IMPORTS),
                         [("msi.dll", None, 70), ("msi.dll", None, 99)])
        self.assertEqual(check_imports.parse_imports(ORDINAL_IMPORTS_64),
                         [("msi.dll", None, 517), ("msi.dll", None, 26)])

    def test_an_import_line_it_cannot_read_stops_the_check(self):
        listing = "The Import Tables\n\tDLL Name: KERNEL32.dll\n\t1\t ?  GetTickCount64\n"
        with self.assertRaises(ValueError):
            check_imports.parse_imports(listing)

    def test_versions(self):
        for text, version in [("5.0.4", (5, 0, 4)), ("6.0", (6, 0, 0)), ("10.0", (10, 0, 0))]:
            self.assertEqual(check_imports.parse_version(text), version)
        for text in ["5", "XP", "5.1.x", "7.0"]:
            with self.assertRaises(ValueError, msg=text):
                check_imports.parse_version(text)


class Refusing(unittest.TestCase):
    def test_the_posix_runtime_program_is_refused_for_exactly_its_newer_functions(self):
        self.assertEqual(refused_names(POSIX_RUNTIME_PROGRAM), [
            "KERNEL32.dll AddVectoredExceptionHandler",
            "KERNEL32.dll GetTickCount64",
            "KERNEL32.dll RemoveVectoredExceptionHandler",
        ])

    def test_a_function_is_refused_only_below_its_first_version(self):
        listing = "The Import Tables\n\tDLL Name: KERNEL32.dll\n\t1\t 1  %s\n"
        cases = [  # function, oldest Windows, refused
            ("GetTickCount64", (5, 2, 1), True),
            ("GetTickCount64", (6, 0, 0), False),
            ("IsWow64Process", (5, 1, 1), True),
            ("IsWow64Process", (5, 1, 2), False),
            ("AddVectoredExceptionHandler", (5, 1, 0), False),
            ("CloseHandle", WINDOWS_2000_SP4, False),
        ]
        for function, target, refused in cases:
            with self.subTest(function=function, target=target):
                self.assertEqual(bool(refused_names(listing % function, target)), refused)

    def test_dll_names_are_compared_without_case_and_function_names_with_case(self):
        listing = "The Import Tables\n\tDLL Name: kernel32.DLL\n\t1\t 1  GetTickCount64\n\t2\t 2  gettickcount64\n"
        self.assertEqual(refused_names(listing), ["kernel32.DLL GetTickCount64"])

    def test_every_function_of_a_newer_dll_is_refused(self):
        listing = "The Import Tables\n\tDLL Name: api-ms-win-core-synch-l1-2-0.dll\n\t1\t 1  Sleep\n"
        self.assertEqual(refused_names(listing), ["api-ms-win-core-synch-l1-2-0.dll Sleep"])

    def test_an_ordinal_is_judged_by_its_name_and_an_unnamed_one_is_refused(self):
        refused = check_imports.check(check_imports.parse_imports(ORDINAL_IMPORTS),
                                      check_imports.DenyList("msi.dll MsiGetProductInfoW 6.0\n"),
                                      ORDINALS, WINDOWS_2000_SP4)
        self.assertEqual(refused, ["msi.dll MsiGetProductInfoW: needs Windows Vista",
                                   "msi.dll ordinal 99: not named in ordinals.txt, so its age is unknown"])

    def test_a_malformed_or_repeated_deny_list_entry_stops_the_check(self):
        for text in ["kernel32.dll GetTickCount64\n",
                     "kernel32.dll GetTickCount64 Vista\n",
                     "kernel32.dll GetTickCount64 6.0\nKERNEL32.dll GetTickCount64 6.0\n"]:
            with self.assertRaises(ValueError, msg=text):
                check_imports.DenyList(text)

    def test_the_shipped_lists_load_and_refuse_the_posix_runtime_program(self):
        with open(check_imports.DEFAULT_DENY_LIST, encoding="utf-8") as f:
            shipped = check_imports.DenyList(f.read())
        with open(check_imports.DEFAULT_ORDINALS, encoding="utf-8") as f:
            check_imports.read_ordinals(f.read())
        self.assertEqual(len(refused_names(POSIX_RUNTIME_PROGRAM, deny=shipped)), 3)


class SystemDlls(unittest.TestCase):
    SYSTEM = check_imports.read_system_dlls("kernel32.dll  # note\nUSER32.dll\n\n# comment\n")

    def test_only_dlls_windows_always_takes_from_the_system_folder_may_be_imported(self):
        cases = [  # imported DLL, refused
            ("KERNEL32.dll", False),
            ("user32.dll", False),
            ("msi.dll", True),
            ("WININET.dll", True),
            ("version.dll", True),
        ]
        for dll, refused in cases:
            with self.subTest(dll=dll):
                lines = check_imports.check_dlls([(dll, "Anything", None)], self.SYSTEM)
                self.assertEqual(bool(lines), refused)
                if refused:
                    self.assertTrue(lines[0].startswith(dll + ": not a DLL"), lines[0])

    def test_a_dll_is_refused_once_whatever_it_imports(self):
        imports = [("WINTRUST.dll", "WinVerifyTrust", None), ("WINTRUST.dll", None, 5)]
        self.assertEqual(len(check_imports.check_dlls(imports, self.SYSTEM)), 1)

    def test_the_shipped_list_allows_none_of_the_dlls_loaded_at_run_time(self):
        with open(check_imports.DEFAULT_SYSTEM_DLLS, encoding="utf-8") as f:
            shipped = check_imports.read_system_dlls(f.read())
        self.assertIn("kernel32.dll", shipped)
        for dll in ["msi.dll", "wininet.dll", "wintrust.dll", "crypt32.dll", "ws2_32.dll", "version.dll"]:
            self.assertNotIn(dll, shipped)


class CommandLine(unittest.TestCase):
    def run_check(self, listing, *arguments):
        with tempfile.NamedTemporaryFile("w", suffix=".txt", delete=False) as f:
            f.write(listing)
        try:
            with contextlib.redirect_stdout(io.StringIO()) as out:
                status = check_imports.main(["--listing", f.name, "--target", "5.0.4", *arguments])
        finally:
            os.unlink(f.name)
        return status, out.getvalue()

    def test_exit_status(self):
        cases = [  # listing, arguments, status
            (POSIX_RUNTIME_PROGRAM, [], 1),
            (POSIX_RUNTIME_PROGRAM, ["--expect-refused", "GetTickCount64"], 0),
            (POSIX_RUNTIME_PROGRAM, ["--expect-refused", "CloseHandle"], 1),
            (POSIX_RUNTIME_PROGRAM.replace("GetTickCount64", "GetTickCount"), ["--expect-refused", "GetTickCount64"], 1),
            ("objdump printed something else\n", [], 1),  # no import table read: never a pass
            (ORDINAL_IMPORTS, ["--expect-refused", "msi.dll"], 0),  # not a system DLL
            (ORDINAL_IMPORTS, ["--expect-refused", "MSI.DLL"], 0),  # DLL names without case
            (POSIX_RUNTIME_PROGRAM, ["--expect-refused", "KERNEL32.dll"], 1),
        ]
        for listing, arguments, status in cases:
            with self.subTest(arguments=arguments, listing=listing[:30]):
                self.assertEqual(self.run_check(listing, *arguments)[0], status)

    def test_lists_the_imports_and_names_each_refusal(self):
        _, out = self.run_check(POSIX_RUNTIME_PROGRAM)
        self.assertIn("KERNEL32.dll: AddVectoredExceptionHandler CloseHandle OpenThread", out)
        self.assertIn("REFUSED KERNEL32.dll GetTickCount64: needs Windows Vista", out)


if __name__ == "__main__":
    unittest.main()
