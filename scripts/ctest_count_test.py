#!/usr/bin/env python3
"""scripts/ctest-count on the result file of a real ctest run: each way a
test can end, as ctest reports it, counted as passed, failed or skipped.

  ctest_count_test.py CMAKE CTEST
"""
import os
import subprocess
import sys
import tempfile
import unittest

CMAKE, CTEST = sys.argv[1:3]
COUNT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "ctest-count")

# Name, outcome, the test's definition in CMake.
CASES = [
    ("passes", "passed", "add_test(NAME passes COMMAND true)"),
    ("fails", "failed", "add_test(NAME fails COMMAND false)"),
    ("skips_by_code", "skipped", """
        add_test(NAME skips_by_code COMMAND sh -c "echo skipped: why; exit 77")
        set_tests_properties(skips_by_code PROPERTIES SKIP_RETURN_CODE 77)"""),
    ("skips_by_text", "skipped", """
        add_test(NAME skips_by_text COMMAND echo SKIPME)
        set_tests_properties(skips_by_text PROPERTIES SKIP_REGULAR_EXPRESSION SKIPME)"""),
    ("disabled", "skipped", """
        add_test(NAME disabled COMMAND false)
        set_tests_properties(disabled PROPERTIES DISABLED ON)"""),
    ("exits_77_unasked", "failed", """
        add_test(NAME exits_77_unasked COMMAND sh -c "exit 77")"""),
    ("fixture_fails", "failed", """
        add_test(NAME fixture_fails COMMAND false)
        set_tests_properties(fixture_fails PROPERTIES FIXTURES_SETUP broken)"""),
    ("needs_fixture", "failed", """
        add_test(NAME needs_fixture COMMAND true)
        set_tests_properties(needs_fixture PROPERTIES FIXTURES_REQUIRED broken)"""),
    ("no_program", "failed", "add_test(NAME no_program COMMAND /nonexistent/program)"),
]


def count(path):
    return subprocess.run([COUNT, path], capture_output=True, text=True)


class CtestCountTest(unittest.TestCase):
    def test_counts_each_way_a_test_ends(self):
        with tempfile.TemporaryDirectory() as tmp:
            with open(os.path.join(tmp, "CMakeLists.txt"), "w") as f:
                f.write("cmake_minimum_required(VERSION 3.21)\nproject(x NONE)\n"
                        "enable_testing()\n")
                f.write("\n".join(definition for _, _, definition in CASES))
            build = os.path.join(tmp, "build")
            subprocess.run([CMAKE, "-S", tmp, "-B", build], check=True,
                           capture_output=True)
            junit = os.path.join(tmp, "result.xml")
            run = subprocess.run([CTEST, "--test-dir", build, "--output-junit", junit],
                                 capture_output=True)
            self.assertNotEqual(run.returncode, 0)
            got = count(junit)
        self.assertEqual(got.returncode, 0, got.stderr)
        expected = [sum(1 for _, outcome, _ in CASES if outcome == o)
                    for o in ("passed", "failed", "skipped")]
        self.assertEqual([int(n) for n in got.stdout.split()], expected)

    def test_no_result_file_is_an_error(self):
        with tempfile.TemporaryDirectory() as tmp:
            cut = os.path.join(tmp, "cut.xml")
            with open(cut, "w") as f:
                f.write('<?xml version="1.0"?><testsuite tests="1"><testcase')
            for path in (os.path.join(tmp, "missing.xml"), cut):
                got = count(path)
                self.assertEqual((got.returncode, got.stdout), (1, ""), path)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
