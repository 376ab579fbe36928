#!/usr/bin/env python3
"""Runs the command-line host against the built module on the example files.
Usage: zmkinfo_test.py ZMKINFO MODULE"""
import json
import os
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
EXAMPLES = os.path.join(HERE, "..", "..", "examples")
sys.path.insert(0, EXAMPLES)
import make_examples  # noqa: E402

ZMKINFO = MODULE = None


def run(*args):
    return subprocess.run([ZMKINFO, "--plugin", MODULE, *args],
                          capture_output=True, text=True, encoding="utf-8")


class ZmkinfoTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.TemporaryDirectory()
        for name, data in make_examples.EXAMPLES.items():
            with open(os.path.join(cls.dir.name, name), "wb") as f:
                f.write(data)

    @classmethod
    def tearDownClass(cls):
        cls.dir.cleanup()

    def path(self, name):
        return os.path.join(self.dir.name, name)

    def test_shipped_examples_are_what_the_script_writes(self):
        for name, data in make_examples.EXAMPLES.items():
            with open(os.path.join(EXAMPLES, name), "rb") as f:
                self.assertEqual(f.read(), data, name)

    def test_json_of_the_worked_example(self):
        r = run("--json", self.path("worked.zmk"))
        self.assertEqual(r.returncode, 0, r.stderr)
        [entry] = json.loads(r.stdout)
        self.assertEqual(entry["file"], self.path("worked.zmk"))
        self.assertEqual(list(entry["fields"].values()),
                         ["12_3", "Test", "", "2006-01-01", 5, True, "1_2,3_4", "7.1", ""])
        self.assertEqual(list(entry["fields"])[0], "РУИД")
        self.assertEqual(list(entry["fields"])[7], "Мин версия exe-файла")

    def test_text_shows_cyrillic_values_and_names(self):
        r = run(self.path("rich.zmk"))
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertIn("  Наименование: Настройки бухгалтерии\n", r.stdout)
        self.assertIn('  Зависит от: 147000001_17,147000002_17," 147000003_17"\n', r.stdout)
        self.assertIn("  Конечная: no\n", r.stdout)

    def test_damaged_file_shows_what_was_read(self):
        r = run("--json", self.path("damaged.zmk"))
        fields = json.loads(r.stdout)[0]["fields"]
        self.assertEqual(fields["Наименование"], "Обрезанный")
        self.assertEqual(fields["Версия"], 3)
        self.assertEqual(fields["Мин версия БД"], "")

    def test_unreadable_file_is_reported_and_the_others_still_shown(self):
        missing = self.path("missing.zmk")
        r = run(self.path("worked.zmk"), missing, self.path("rich.zmk"))
        self.assertEqual(r.returncode, 1)
        self.assertIn('Cannot open file "%s". No such file or directory' % missing, r.stderr)
        self.assertIn("  РУИД: 12_3\n", r.stdout)
        self.assertIn("  РУИД: 147000123_17\n", r.stdout)
        r = run("--json", missing)
        self.assertEqual(r.returncode, 1)
        self.assertIn("error", json.loads(r.stdout)[0])
        r = run(self.dir.name)
        self.assertEqual(r.returncode, 1)
        self.assertIn("Is a directory", r.stderr)

    def test_version_of_the_tool_and_of_the_module(self):
        r = run("--version")
        self.assertEqual(r.returncode, 0, r.stderr)
        tool, module = r.stdout.splitlines()
        version = tool.split()[1]
        self.assertRegex(version, r"^\d+\.\d+\.\d+\.\d+$")
        self.assertEqual(module, "module %s %s" % (MODULE, version))
        self.assertEqual(run("--version", self.path("worked.zmk")).returncode, 2)

    def test_usage_errors(self):
        self.assertEqual(run().returncode, 2)
        r = subprocess.run([ZMKINFO, "--plugin", self.path("no-module.so"), self.path("worked.zmk")],
                           capture_output=True, text=True)
        self.assertEqual(r.returncode, 2)
        self.assertIn("cannot load", r.stderr)


if __name__ == "__main__":
    ZMKINFO, MODULE = sys.argv[1], sys.argv[2]
    unittest.main(argv=sys.argv[:1], verbosity=2)
