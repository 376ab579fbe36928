#!/usr/bin/env python3
"""Wrong usage of the soak and the bench: status 2, and a message on standard
error that names what was wrong. Usage: usage_test.py SOAK [BENCH]"""
import subprocess
import sys
import unittest

SOAK = BENCH = None


class UsageTest(unittest.TestCase):
    def test_wrong_usage_names_what_is_wrong(self):
        for program, args, named in [
                (SOAK, ["--bogus"], "--bogus"),
                (SOAK, ["--plugin"], "--plugin"),
                (SOAK, ["many"], "many"),
                (SOAK, ["1", "2"], "2"),
                (BENCH, ["--frobnicate"], "--frobnicate"),
                (BENCH, ["--files"], "--files"),
                (BENCH, ["--rounds", "x"], "x"),
                (BENCH, ["--once", "d", "--write", "e"], "--write")]:
            if not program:
                continue
            with self.subTest(program=program, args=args):
                r = subprocess.run([program, *args], capture_output=True, text=True)
                self.assertEqual((r.returncode, r.stdout), (2, ""), r.stderr)
                self.assertIn(named, r.stderr)


if __name__ == "__main__":
    SOAK, BENCH = (sys.argv[1:3] + [None])[:2]
    unittest.main(argv=sys.argv[:1])
