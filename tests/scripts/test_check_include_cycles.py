"""The include cycle check on small trees: every spelling of an include that reaches another
folder is an edge, so none of them hides a cycle."""
import os
import runpy
import tempfile
import types
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SCRIPT = os.path.join(HERE, "..", "..", "scripts", "check-include-cycles.py")
# The script's name has a dash, so it is loaded by path rather than imported.
check_include_cycles = types.SimpleNamespace(**runpy.run_path(SCRIPT))


def tree_with(files):
    root = tempfile.mkdtemp()
    for path, text in files.items():
        os.makedirs(os.path.dirname(os.path.join(root, path)), exist_ok=True)
        with open(os.path.join(root, path), "w", encoding="utf-8") as f:
            f.write(text)
    return root


class FindingCycles(unittest.TestCase):
    def test_every_spelling_of_a_cross_folder_include_makes_an_edge(self):
        cases = [  # how checks/Check.h includes setup/Setup.h
            '#include "setup/Setup.h"\n',
            '#include <setup/Setup.h>\n',
            '#include "../setup/Setup.h"\n',
            '  #  include "setup/Setup.h"\n',
        ]
        for include in cases:
            with self.subTest(include=include):
                root = tree_with({"checks/Check.h": include,
                                  "setup/Setup.h": '#include "checks/Check.h"\n'})
                cycle = check_include_cycles.find_cycle(check_include_cycles.folder_edges(root))
                self.assertIsNotNone(cycle)
                self.assertEqual(sorted(set(cycle)), ["checks", "setup"])

    def test_includes_inside_a_folder_and_of_the_system_make_no_edge(self):
        root = tree_with({"setup/a/A.h": '#include "../B.h"\n#include <sys/types.h>\n#include <vector>\n',
                          "setup/B.h": '#include "a/A.h"\n'})
        self.assertEqual(check_include_cycles.folder_edges(root), {})

if __name__ == "__main__":
    unittest.main()
