#!/usr/bin/env python3
"""Checks the built Linux module: it exports the three functions of the
plugin interface and no other symbol. Usage: elf_test.py MODULE"""
import subprocess
import sys
import unittest

MODULE = None


class ModuleTest(unittest.TestCase):
    def test_exports_only_the_three_functions(self):
        out = subprocess.run(["nm", "-D", "--defined-only", MODULE],
                             check=True, capture_output=True, text=True).stdout
        symbols = {line.split()[-1]: line.split()[-2] for line in out.splitlines() if line.strip()}
        self.assertEqual(symbols, {"ContentGetDetectString": "T",
                                   "ContentGetSupportedField": "T",
                                   "ContentGetValue": "T"})


if __name__ == "__main__":
    MODULE = sys.argv[1]
    unittest.main(argv=sys.argv[:1], verbosity=2)
