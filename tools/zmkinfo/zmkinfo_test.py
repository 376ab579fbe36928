#!/usr/bin/env python3
"""Runs the command-line host against the built module on the example files.
Usage: zmkinfo_test.py ZMKINFO MODULE [--wine RUNNER]

With --wine, ZMKINFO is zmkinfo.exe, run by RUNNER under Wine, and the
cases are the same; where Windows differs, the difference is said once,
below."""
import json
import math
import ntpath
import os
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import unittest
from xml.etree import ElementTree

HERE = os.path.dirname(os.path.abspath(__file__))
EXAMPLES = os.path.join(HERE, "..", "..", "examples")
sys.path.insert(0, EXAMPLES)
import make_examples  # noqa: E402

ZMKINFO = MODULE = MODULE_FILE = WINE = None
TOOL = []  # the command that starts zmkinfo

# Where Windows differs. Paths are given and shown in its form, Z: being
# Wine's drive for the root; the system's texts are its own; a name is
# UTF-16, never bytes that are no UTF-8, and holds no control character nor
# backslash; Wine lists no symbolic link whose target is gone (it cannot
# stat it), nor opens a Unix socket (it says so by an error of its own).
# Line ends are "\n" on both.
NOT_FOUND = IS_A_DIRECTORY = PATH_NOT_FOUND = None
NAMES_ARE_BYTES = LISTS_DANGLING_LINKS = OPENS_SOCKETS = True
# Folders of 200 characters nested: past the system's path limit, 25 deep,
# and deep enough to show that memory does not grow with depth. Wine
# reaches each file through its Unix path, within Linux's PATH_MAX (but
# past Windows' MAX_PATH of 260), and resolves it from the root, a cost
# that grows with the square of the depth.
DEEP_LEVELS = (21, 25, 2000)


def windows_differences():
    global NOT_FOUND, IS_A_DIRECTORY, PATH_NOT_FOUND, NAMES_ARE_BYTES, LISTS_DANGLING_LINKS
    global DEEP_LEVELS, OPENS_SOCKETS
    if WINE:
        NOT_FOUND, IS_A_DIRECTORY, PATH_NOT_FOUND = "File not found", "Access denied", "Path not found"
        NAMES_ARE_BYTES = LISTS_DANGLING_LINKS = OPENS_SOCKETS = False
        DEEP_LEVELS = (15, 18, 200)
    else:
        NOT_FOUND = PATH_NOT_FOUND = "No such file or directory"
        IS_A_DIRECTORY = "Is a directory"


def native(path):
    """An absolute path as the program takes and shows it."""
    if WINE and isinstance(path, str) and path.startswith("/"):
        return "Z:" + path.replace("/", "\\")
    return path


def relative(path, root):
    """A path the program showed, relative to `root`, with "/"."""
    if WINE:
        return ntpath.relpath(path, native(root)).replace("\\", "/")
    return os.path.relpath(path, root)


def argv(*args):
    return [*TOOL, *map(native, args)]


def run(*args, **kwargs):
    return subprocess.run(argv("--plugin", MODULE, *args),
                          capture_output=True, text=True, encoding="utf-8", **kwargs)


def run_bytes(argv, **kwargs):
    return subprocess.run(argv, capture_output=True, **kwargs)


def output_json(r):
    """The JSON a run wrote on standard output, which is UTF-8 whatever the
    locale (bytes are decoded strictly); a run that wrote nothing fails with
    its status and standard error."""
    if not r.stdout:
        raise AssertionError("no output, status %d: %s" % (r.returncode, r.stderr))
    return json.loads(r.stdout.decode("utf-8") if isinstance(r.stdout, bytes) else r.stdout)


def write_failure(argv, how):
    """Runs argv with a standard output that cannot be written; returns the
    exit status and standard error."""
    if how == "full":
        with open("/dev/full", "wb") as full:
            r = subprocess.run(argv, stdout=full, stderr=subprocess.PIPE)
    elif how == "closed":
        r = subprocess.run(argv, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                           preexec_fn=lambda: os.close(1))
    else:  # a pipe without a reader, SIGPIPE ignored as Python ignores it
        read, write = os.pipe()
        os.close(read)
        r = subprocess.run(argv, stdout=write, stderr=subprocess.PIPE, restore_signals=False,
                           preexec_fn=lambda: signal.signal(signal.SIGPIPE, signal.SIG_IGN))
        os.close(write)
    return r.returncode, r.stderr.decode("utf-8", "replace")


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
        return native(os.path.join(self.dir.name, name))

    def test_shipped_examples_are_what_the_script_writes(self):
        for name, data in make_examples.EXAMPLES.items():
            with open(os.path.join(EXAMPLES, name), "rb") as f:
                self.assertEqual(f.read(), data, name)
        for folder, files in (("delivery", make_examples.DELIVERY),
                              ("old-delivery", make_examples.OLD_DELIVERY)):
            for name, data in files.items():
                with open(os.path.join(EXAMPLES, folder, name), "rb") as f:
                    self.assertEqual(f.read(), data, name)
        for name, target in make_examples.DELIVERY_LINKS.items():
            self.assertEqual(os.readlink(os.path.join(EXAMPLES, "delivery", name)), target)

    def test_json_of_the_worked_example(self):
        r = run("--json", self.path("worked.zmk"))
        self.assertEqual(r.returncode, 0, r.stderr)
        [entry] = output_json(r)
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
        fields = output_json(r)[0]["fields"]
        self.assertEqual(fields["Наименование"], "Обрезанный")
        self.assertEqual(fields["Версия"], 3)
        self.assertEqual(fields["Мин версия БД"], "")

    def test_unreadable_file_is_reported_and_the_others_still_shown(self):
        missing = self.path("missing.zmk")
        r = run(self.path("worked.zmk"), missing, self.path("rich.zmk"))
        self.assertEqual(r.returncode, 1)
        self.assertIn('Cannot open file "%s". %s' % (missing, NOT_FOUND), r.stderr)
        self.assertIn("  РУИД: 12_3\n", r.stdout)
        self.assertIn("  РУИД: 147000123_17\n", r.stdout)
        r = run("--json", missing)
        self.assertEqual(r.returncode, 1)
        self.assertIn("error", output_json(r)[0])
        r = run(self.dir.name)
        self.assertEqual(r.returncode, 1)
        self.assertIn(IS_A_DIRECTORY, r.stderr)

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
        r = subprocess.run(argv("--plugin", self.path("no-module.so"), self.path("worked.zmk")),
                           capture_output=True, text=True)
        self.assertEqual(r.returncode, 2)
        self.assertIn("cannot load", r.stderr)
        r = run_bytes(argv("--plugin", self.path("x\x1b[2Jy.so"), self.path("worked.zmk")))
        self.assertEqual(r.returncode, 2)
        self.assertNotIn(b"\x1b", r.stderr)
        self.assertIn(b"x\\x1b[2Jy.so", r.stderr)

    def test_wrong_usage_names_what_is_wrong(self):
        worked = self.path("worked.zmk")
        for args, named in [
                (["--plugin", "", worked], "--plugin"),
                (["--version", "--plugin", ""], "--plugin"),
                (["--plugin"], "--plugin"),
                (["--bogus", worked], "--bogus"),
                (["--dot", worked], "--dot"),
                (["--version", "--json"], "--json"),
                (["--version", worked], "--version"),
                (["check", "--plugin", MODULE, self.dir.name], "--plugin"),
                (["check", "--json", "--dot", self.dir.name], "--dot"),
                (["check"], "PATH")]:
            with self.subTest(args=args):
                r = subprocess.run(argv(*args), capture_output=True, text=True)
                self.assertEqual((r.returncode, r.stdout), (2, ""), r.stderr)
                self.assertIn(named, r.stderr.splitlines()[0])

    def test_version_loads_the_module_as_the_field_mode_does(self):
        # A library that loads but is no module.
        other = "C:\\windows\\system32\\kernel32.dll" if WINE else "/lib/x86_64-linux-gnu/libm.so.6"
        version = subprocess.run(argv("--version", "--plugin", other), capture_output=True, text=True)
        fields = subprocess.run(argv("--plugin", other, self.path("worked.zmk")),
                                capture_output=True, text=True)
        self.assertEqual((version.returncode, version.stdout), (2, ""))
        self.assertEqual(version.stderr, fields.stderr)

    def test_command_lines_keep_their_meaning(self):
        worked = self.path("worked.zmk")
        r = run(worked, "--json")  # options after operands
        self.assertEqual(output_json(r)[0]["fields"]["Версия"], 5)
        r = run("--", "--json", cwd=self.dir.name)  # after "--", a file
        self.assertEqual(r.returncode, 1)
        self.assertIn('Cannot open file "%s"' % native(os.path.join(self.dir.name, "--json")),
                      r.stderr)
        for args, usage in [(["-h"], "usage: zmkinfo [--plugin"),
                            (["check", "--help"], "usage: zmkinfo check"),
                            (["check", "-h", "--bogus"], "usage: zmkinfo check")]:
            r = subprocess.run(argv(*args), capture_output=True, text=True)
            self.assertEqual(r.returncode, 0, r.stderr)
            self.assertTrue(r.stdout.startswith(usage), r.stdout)

    def test_small_things(self):
        r = run("")
        self.assertEqual((r.returncode, r.stdout), (1, ""))
        self.assertIn('Cannot open file "". %s' % PATH_NOT_FOUND, r.stderr)
        r = run("--help")
        self.assertEqual(r.returncode, 0)
        self.assertIn("usage: zmkinfo", r.stdout)
        # A bare module name is the file in the current folder.
        r = subprocess.run(argv("--plugin", os.path.basename(MODULE_FILE), self.path("worked.zmk")),
                           capture_output=True, text=True, cwd=os.path.dirname(MODULE_FILE))
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertIn("12_3", r.stdout)

    def test_a_write_that_fails_is_no_success(self):
        for args in (["--version"], [self.path("worked.zmk")], ["--json", self.path("worked.zmk")],
                     ["check", self.dir.name], ["diff", self.dir.name, self.dir.name]):
            command = argv(*args) if args[0] in ("check", "diff") else argv("--plugin", MODULE, *args)
            for how in ("full", "closed", "pipe"):
                with self.subTest(args=args, how=how):
                    status, stderr = write_failure(command, how)
                    self.assertEqual(status, 3, stderr)
                    self.assertIn("cannot write the output", stderr)

    def test_json_is_utf8_whatever_the_locale(self):
        name = "Пакет №5 «тест»"
        path = os.path.join(self.dir.name, "koi8.zmk")
        with open(path, "wb") as f:
            f.write(make_examples.header((1, 1), name, "", 46000.0, 1, 1, "", "", ""))
        env = dict(os.environ, LC_ALL="ru_RU.KOI8-R")
        r = run_bytes(argv("--plugin", MODULE, "--json", path), env=env)
        self.assertEqual(r.returncode, 0, r.stderr)
        fields = output_json(r)[0]["fields"]
        self.assertEqual(fields["Наименование"], name)


    def test_text_in_a_multibyte_locale_that_is_not_utf8(self):
        if WINE:
            self.skipTest("zmkinfo.exe writes UTF-8 whatever the locale")
        env = dict(os.environ, LC_ALL="zh_CN.GB18030")
        r = run_bytes(argv("--plugin", MODULE, self.path("rich.zmk")), env=env)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertIn("  Наименование: Настройки бухгалтерии\n", r.stdout.decode("gb18030"))
        # U+0080, a control, and a byte that is no character: each byte shown.
        missing = os.fsencode(self.dir.name) + b"/\x81\x30\x81\x30\xff.zmk"
        r = run_bytes(argv("--plugin", MODULE, missing), env=env)
        self.assertEqual(r.returncode, 1)
        self.assertIn(b"/\\x81\\x30\\x81\\x30\\xff.zmk", r.stderr)

def check(*args):
    return subprocess.run(argv("check", *args), capture_output=True, text=True,
                          encoding="utf-8")


def package(ruid, deps="", version=1, date=46000.0, name="P", exe="", db=""):
    return make_examples.header(ruid, name, "", date, version, 1, deps, exe, db)


def max_rss_kib(argv):
    """The peak memory of argv, measured in a process of its own."""
    probe = ("import resource, subprocess, sys; subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL);"
             "print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)")
    # Under AddressSanitizer freed memory waits in a quarantine; without it
    # the figure is what the program holds.
    asan = ":".join(filter(None, [os.environ.get("ASAN_OPTIONS"), "quarantine_size_mb=0"]))
    return int(subprocess.run([sys.executable, "-c", probe, *argv], capture_output=True,
                              text=True, check=True,
                              env=dict(os.environ, ASAN_OPTIONS=asan)).stdout)


def nested(root, names, data=None, sibling=None):
    """Folders `names` nested under root, made through descriptors so that
    their path may pass PATH_MAX; `data` as p.zmk at each level when given,
    and in a folder `sibling` beside each level when that is given."""
    def put(fd):
        out = os.open("p.zmk", os.O_WRONLY | os.O_CREAT, 0o644, dir_fd=fd)
        os.write(out, data)
        os.close(out)

    fd = os.open(root, os.O_RDONLY)
    for name in names:
        os.mkdir(name, dir_fd=fd)
        child = os.open(name, os.O_RDONLY, dir_fd=fd)
        if sibling is not None:
            os.mkdir(sibling, dir_fd=fd)
            side = os.open(sibling, os.O_RDONLY, dir_fd=fd)
            put(side)
            os.close(side)
        os.close(fd)
        fd = child
        if data is not None:
            put(fd)
    os.close(fd)


class CheckTest(unittest.TestCase):
    def delivery(self, files):
        """A folder holding `files` (name -> bytes); returns its path."""
        d = tempfile.mkdtemp()
        self.addCleanup(subprocess.run, ["rm", "-rf", d])
        for name, data in files.items():
            os.makedirs(os.path.dirname(os.path.join(d, name)), exist_ok=True)
            with open(os.path.join(d, name), "wb") as f:
                f.write(data)
        return d

    def report(self, files):
        d = self.delivery(files)
        r = check("--json", d)
        self.assertIn(r.returncode, (0, 1), r.stderr)
        report = output_json(r)
        rel = lambda p: relative(p, d)
        for problem in report["problems"]:
            for key in ("needed_by", "files"):
                if key in problem:
                    problem[key] = [rel(p) for p in problem[key]]
            if "file" in problem:
                problem["file"] = rel(problem["file"])
        report["order"] = [rel(p) for p in report["order"]]
        self.assertEqual(r.returncode, 1 if report["problems"] else 0)
        return report

    def test_example_delivery_has_one_of_each_problem(self):
        d = os.path.join(EXAMPLES, "delivery")
        r = check("--json", d)
        self.assertEqual(r.returncode, 1, r.stderr)
        p = lambda name: native(os.path.join(d, name))
        gone = [{"kind": "unreadable", "file": p("gone.zmk"), "error": NOT_FOUND}]
        whole = [p("app.zmk"), p("base.zmk"), p("reports/reports-v1.zmk"),
                 p("reports/reports-v2.zmk"), p("rights/roles.zmk"), p("rights/users.zmk")]
        self.assertEqual(output_json(r), {
            "files": 9 if LISTS_DANGLING_LINKS else 8,
            "problems": [
                {"kind": "missing", "ruid": "999_1", "needed_by": [p("app.zmk")]},
                {"kind": "duplicate", "ruid": "300_1",
                 "files": [p("reports/reports-v2.zmk"), p("reports/reports-v1.zmk")]},
                {"kind": "cycle", "files": [p("rights/roles.zmk"), p("rights/users.zmk")]},
                {"kind": "not_zmk", "file": p("readme.zmk")},
                {"kind": "damaged", "file": p("cut.zmk")},
            ] + (gone if LISTS_DANGLING_LINKS else []),
            "needs": {"exe": {"version": "4.0", "files": whole, "unreadable": []},
                      "db": {"version": "2.0", "files": whole, "unreadable": []}},
            "order": [p("base.zmk"), p("app.zmk"), p("reports/reports-v1.zmk"),
                      p("reports/reports-v2.zmk"), p("rights/roles.zmk"), p("rights/users.zmk")]})
        # For program 3.9, each package that needs 4.0.
        r = check("--exe-version", "3.9", "--json", d)
        self.assertEqual(r.returncode, 1, r.stderr)
        self.assertEqual([q for q in output_json(r)["problems"] if q["kind"] == "needs_newer_exe"],
                         [{"kind": "needs_newer_exe", "file": f, "needs": "4.0", "have": "3.9"}
                          for f in whole])

    def test_problems_and_order(self):
        cases = [
            ("independent packages go by path",
             {"c.zmk": package((3, 1)), "a.zmk": package((1, 1)), "b.zmk": package((2, 1))},
             [], ["a.zmk", "b.zmk", "c.zmk"]),
            ("dependencies first, against the path order",
             {"a.zmk": package((3, 1), "2_1"), "b.zmk": package((2, 1), "1_1"),
              "c.zmk": package((1, 1))},
             [], ["c.zmk", "b.zmk", "a.zmk"]),
            ("dependencies match by value, not by text",
             {"a.zmk": package((1, 2)), "b.zmk": package((5, 5), " 1_2\r\n$1_2\r\n'0x1_2'")},
             [], ["a.zmk", "b.zmk"]),
            ("a cycle stays together, its dependents after it",
             {"x.zmk": package((1, 1), "2_1"), "y.zmk": package((2, 1), "1_1"),
              "a.zmk": package((3, 1), "1_1")},
             [{"kind": "cycle", "files": ["x.zmk", "y.zmk"]}], ["x.zmk", "y.zmk", "a.zmk"]),
            ("a package that needs its own RUID is a cycle of one",
             {"s.zmk": package((1, 1), "1_1")},
             [{"kind": "cycle", "files": ["s.zmk"]}], ["s.zmk"]),
            ("duplicates newest first: version, then date; all meet the dependency",
             {"old.zmk": package((7, 1), version=2, date=100.0),
              "new.zmk": package((7, 1), version=2, date=200.0),
              "older.zmk": package((7, 1), version=1, date=300.0),
              "user.zmk": package((8, 1), "7_1")},
             [{"kind": "duplicate", "ruid": "7_1", "files": ["new.zmk", "old.zmk", "older.zmk"]}],
             ["new.zmk", "old.zmk", "older.zmk", "user.zmk"]),
            ("missing RUIDs by value, each with the files that need it",
             {"a.zmk": package((1, 1), "9_9\r\n8_8"), "b.zmk": package((2, 1), "09_9")},
             [{"kind": "missing", "ruid": "8_8", "needed_by": ["a.zmk"]},
              {"kind": "missing", "ruid": "9_9", "needed_by": ["a.zmk", "b.zmk"]}],
             ["a.zmk", "b.zmk"]),
            ("a folder's files before its siblings' names, whichever the separator",
             {"s/aB.zmk": package((1, 1)), "s/a!.zmk": package((1, 1)), "s/a/x.zmk": package((1, 1))},
             [{"kind": "duplicate", "ruid": "1_1", "files": ["s/a/x.zmk", "s/a!.zmk", "s/aB.zmk"]}],
             ["s/a/x.zmk", "s/a!.zmk", "s/aB.zmk"]),
            ("names end in .zmk in any case; other files are left alone",
             {"sub/A.ZMK": package((1, 1)), "notes.txt": b"x", "b.Zmk": b"ZMK$\x02\0\0\0"},
             [{"kind": "not_zmk", "file": "b.Zmk"}], ["sub/A.ZMK"]),
        ]
        for what, files, problems, order in cases:
            with self.subTest(what):
                report = self.report(files)
                self.assertEqual(report["files"], len([f for f in files if f.lower().endswith(".zmk")]))
                self.assertEqual(report["problems"], problems)
                self.assertEqual(report["order"], order)

    def test_what_the_delivery_needs(self):
        """The highest minimum versions with the packages that state them,
        the texts that cannot be compared and, for an installation given,
        what it cannot take: in JSON and as text; the graph is unchanged."""
        d = self.delivery({
            "a.zmk": package((1, 1), exe="4.2.1.0", db="2.9"),
            "b.zmk": package((2, 1), exe=" 4.2.1\t", db="2.10"),
            "c.zmk": package((3, 1), exe="4.2 beta", db=b"2.\x98\x00\xc0"),
            "d.zmk": package((1, 1), exe="3", db="2.010"),
            "e.zmk": package((5, 1), exe="9", db="9")[:-1],  # damaged: states nothing
        })
        p = lambda name: native(os.path.join(d, name))
        db_raw = "2.\ufffd\u0000А"
        report = output_json(check("--json", d))
        self.assertEqual(report["needs"], {
            "exe": {"version": "4.2.1.0", "files": [p("a.zmk"), p("b.zmk")],
                    "unreadable": [{"file": p("c.zmk"), "text": "4.2 beta"}]},
            "db": {"version": "2.10", "files": [p("b.zmk"), p("d.zmk")],
                   "unreadable": [{"file": p("c.zmk"), "text": db_raw}]}})
        self.assertEqual([q["kind"] for q in report["problems"]], ["duplicate", "damaged"])

        exe = [{"kind": "needs_newer_exe", "file": p("a.zmk"), "needs": "4.2.1.0", "have": "4.2"},
               {"kind": "needs_newer_exe", "file": p("b.zmk"), "needs": "4.2.1", "have": "4.2"}]
        db = [{"kind": "needs_newer_db", "file": p("b.zmk"), "needs": "2.10", "have": " 2.9.9"},
              {"kind": "needs_newer_db", "file": p("d.zmk"), "needs": "2.010", "have": " 2.9.9"}]
        exe_text = [{"kind": "unreadable_exe_version", "file": p("c.zmk"), "text": "4.2 beta"}]
        db_text = [{"kind": "unreadable_db_version", "file": p("c.zmk"), "text": db_raw}]
        for args, problems in (
                (["--exe-version", "4.2", "--db-version", " 2.9.9"], exe + db + exe_text + db_text),
                ([d, "--db-version", " 2.9.9"], db + db_text),
                (["--exe-version", "4.2.1"], exe_text)):
            with self.subTest(args=args):
                r = check("--json", *args, d)
                self.assertEqual(r.returncode, 1, r.stderr)
                self.assertEqual(output_json(r)["problems"][1:-1], problems)

        env = dict(os.environ, LC_ALL="C.UTF-8")
        args = ["--exe-version", "4.2", "--db-version", " 2.9.9", d]
        text = run_bytes(argv("check", *args), env=env).stdout.decode("utf-8")
        for line in ("needs a newer program: %s: needs 4.2.1, have 4.2\n" % p("b.zmk"),
                     "needs a newer database: %s: needs 2.010, have  2.9.9\n" % p("d.zmk"),
                     'program version that cannot be compared: %s: "4.2 beta"\n' % p("c.zmk"),
                     "needs program 4.2.1.0 or newer, stated by:\n  %s\n  %s\n"
                     % (p("a.zmk"), p("b.zmk")),
                     'database version that cannot be compared:\n  %s: "2.\ufffd\\x00А"\n'
                     % p("c.zmk")):
            self.assertIn(line, text)
        self.assertIn("no program version stated\n", check(self.delivery({"a.zmk": package((1, 1))})).stdout)
        self.assertEqual(check("--dot", *args).stdout, check("--dot", d).stdout)
        met = self.delivery({"a.zmk": package((1, 1), exe="4.0", db="2")})
        self.assertEqual(check("--exe-version", "4", "--db-version", "2.0", met).returncode, 0)

    def test_a_version_text_the_reader_cut_is_never_met(self):
        """The reader keeps a text's first MiB: what it dropped may be the
        version, so the text cannot be compared."""
        d = self.delivery({"a.zmk": package((1, 1), exe=" " * (1 << 20) + "9.0")})
        r = check("--json", "--exe-version", "4.1", d)
        self.assertEqual(r.returncode, 1, r.stderr)
        report = output_json(r)
        self.assertEqual([p["kind"] for p in report["problems"]], ["unreadable_exe_version"])
        self.assertEqual(len(report["needs"]["exe"]["unreadable"]), 1)

    def test_links_to_folders_are_not_followed(self):
        d = self.delivery({"a/p.zmk": package((1, 1))})
        os.symlink(os.path.join(d, "a"), os.path.join(d, "link"))
        self.assertEqual(output_json(check("--json", d))["files"], 1)

    def test_a_folder_not_entered_is_one_unreadable_entry(self):
        """Run by a user who is not root (nobody, when the test is root): a
        folder that can be listed but not entered, entered but not listed,
        or neither, is reported once, and its siblings are read as usual."""
        if WINE:
            self.skipTest("Wine runs as the owner of its prefix only, and that is root here")
        switch = []
        if os.geteuid() == 0:
            switch = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"]
            if subprocess.run([*switch, "true"]).returncode != 0:
                self.skipTest("cannot switch to the user nobody")
        for mode in (0o644, 0o311, 0o000):
            with self.subTest(mode=oct(mode)):
                d = self.delivery({"a/p.zmk": package((1, 1)), "a/in/q.zmk": package((5, 1)),
                                   "b/p.zmk": package((2, 1), "3_1"), "c/p.zmk": package((3, 1)),
                                   "c/d/p.zmk": package((4, 1), "2_1")})
                # A folder whose only package is in such a folder is not one
                # without packages.
                e = self.delivery({"a/p.zmk": package((9, 1))})
                for root in (d, e):
                    for folder, _, _ in os.walk(root):
                        os.chmod(folder, 0o755)
                    os.chmod(os.path.join(root, "a"), mode)
                r = subprocess.run([*switch, *argv("check", "--json", d, e)],
                                   capture_output=True, text=True)
                self.assertEqual(output_json(r), {
                    "files": 5,
                    "problems": [{"kind": "unreadable", "file": os.path.join(root, "a"),
                                  "error": "Permission denied"} for root in sorted((d, e))],
                    "needs": {kind: {"version": None, "files": [], "unreadable": []}
                              for kind in ("exe", "db")},
                    "order": [os.path.join(d, p) for p in ("c/p.zmk", "b/p.zmk", "c/d/p.zmk")]})

    def test_only_regular_files_are_read(self):
        """Devices, FIFOs and sockets named like packages, or given, are
        reported for what they are, without being opened."""
        d = self.delivery({"a.zmk": package((1, 1))})
        os.symlink("/dev/zero", os.path.join(d, "char.zmk"))
        os.mkfifo(os.path.join(d, "fifo.zmk"))
        sock = socket.socket(socket.AF_UNIX)
        self.addCleanup(sock.close)
        sock.bind(os.path.join(d, "sock.zmk"))
        report = output_json(check("--json", d, "/dev/null"))
        problems = {relative(p["file"], d): p.get("error", p["kind"]) for p in report["problems"]}
        self.assertEqual(problems, {
            "../../dev/null": "not a regular file: a character device",
            "char.zmk": "not a regular file: a character device",
            "fifo.zmk": "not a regular file: a FIFO",
            "sock.zmk": "not a regular file: a socket" if OPENS_SOCKETS else problems.get("sock.zmk")})
        self.assertEqual(report["order"], [native(os.path.join(d, "a.zmk"))])

    def test_usage_errors(self):
        self.assertEqual(check().returncode, 2)
        self.assertEqual(check("--bogus", EXAMPLES).returncode, 2)
        self.assertEqual(check("--json", "--dot", EXAMPLES).returncode, 2)
        for args in (["--exe-version"], ["--exe-version", ""], ["--db-version", " \t"],
                     ["--db-version", "4.2 beta"], ["--exe-version", "v4"],
                     ["--exe-version", "4..2"], ["--db-version", "4."], ["--db-version=", "5"]):
            with self.subTest(args=args):
                r = check(EXAMPLES, *args)
                self.assertEqual((r.returncode, r.stdout), (2, ""))
                self.assertIn(args[0].rstrip("="), r.stderr)
                if len(args) > 1:
                    self.assertIn("not a version", r.stderr)

    def test_dot_renders_the_graph(self):
        """The example delivery through Graphviz: a node per package, the
        missing RUID, duplicates and the cycle marked, an edge per dependency."""
        r = check("--dot", os.path.join(EXAMPLES, "delivery"))
        self.assertEqual(r.returncode, 1, r.stderr)
        self.assertTrue(r.stdout.startswith("digraph"), (r.stdout[:200], r.stderr))
        dot = subprocess.run(["dot", "-Tsvg"], input=r.stdout.encode(), capture_output=True)
        self.assertEqual(dot.returncode, 0, dot.stderr)
        svg = dot.stdout.decode()
        self.assertTrue(svg, dot.stderr)
        ns = {"s": "http://www.w3.org/2000/svg"}
        root = ElementTree.fromstring(svg)
        nodes, edges = {}, set()
        for g in root.iter("{%s}g" % ns["s"]):
            text = [t.text for t in g.iterfind("s:text", ns)]
            title = g.find("s:title", ns).text if g.find("s:title", ns) is not None else ""
            if g.get("class") == "node":
                nodes[title] = text
            elif g.get("class") == "edge":
                edges.add(title)
        by_ruid = {}
        for title, text in nodes.items():
            by_ruid.setdefault(text[0], []).append((title, text[1:]))
        self.assertEqual(sorted(by_ruid), ["100_1", "200_1", "300_1", "400_1", "401_1", "999_1"])
        self.assertEqual(by_ruid["999_1"], [("missing 999_1", ["missing"])])
        self.assertEqual(sorted(t[1] for t in by_ruid["300_1"]),
                         [["Отчёты", "duplicate: version 1 of 2025-08-31"],
                          ["Отчёты", "duplicate: version 2 of 2025-12-19"]])
        self.assertEqual(by_ruid["400_1"][0][1], ["Пользователи", "cycle"])
        self.assertEqual(by_ruid["401_1"][0][1], ["Роли", "cycle"])
        node = {ruid: [t[0] for t in v] for ruid, v in by_ruid.items()}
        expected = {(node["200_1"][0], node["100_1"][0]), (node["200_1"][0], "missing 999_1"),
                    (node["400_1"][0], node["401_1"][0]), (node["401_1"][0], node["400_1"][0]),
                    (node["401_1"][0], node["100_1"][0])}
        expected |= {(n, node["100_1"][0]) for n in node["300_1"]}
        self.assertEqual(edges, {"%s->%s" % e for e in expected})

    def test_dot_is_written_as_it_goes(self):
        """A graph far larger than its delivery (an edge from each of 800
        dependents to each of 800 duplicates, about 12 MB) costs what the
        JSON of the same delivery does."""
        files = {"dup%d.zmk" % i: package((1, 1)) for i in range(800)}
        files.update({"user%d.zmk" % i: package((2, i + 1), "1_1") for i in range(800)})
        d = self.delivery(files)
        grown = max_rss_kib(argv("check", "--dot", d)) - max_rss_kib(argv("check", "--json", d))
        self.assertLess(grown, 4 * 1024)

    def test_deep_trees_are_read_whole(self):
        past_limit, deep, deepest = DEEP_LEVELS
        for what, levels, name in (("past the path limit", past_limit, "d" * 200),
                                   ("%d levels" % deep, deep, "e" * 200)):
            with self.subTest(what):
                d = self.delivery({})
                nested(d, [name] * levels, package((1, 1)))
                report = output_json(check("--json", d))
                self.assertEqual(report["files"], levels)
                self.assertEqual([p["kind"] for p in report["problems"]], ["duplicate"])
        # A sibling beside each level of a chain deeper than the folders
        # the walk keeps open is reached after the chain as often as before.
        d = self.delivery({})
        nested(d, ["d"] * 40, package((1, 1)), sibling="e")
        report = output_json(check("--json", d))
        self.assertEqual((report["files"], [p["kind"] for p in report["problems"]]),
                         (80, ["duplicate"]))
        # Memory does not grow with the depth: the deepest tree costs what
        # one folder does (the measure includes the forked probe's own pages).
        deep, flat = self.delivery({}), self.delivery({})
        nested(deep, ["d"] * deepest)
        nested(flat, ["d"])
        grown = max_rss_kib(argv("check", deep)) - max_rss_kib(argv("check", flat))
        self.assertLess(grown, 8 * 1024)

    def test_one_file_reached_twice_is_one_package(self):
        d = self.delivery({"a.zmk": package((1, 1), "9_9"), "sub/b.zmk": package((2, 1))})
        os.link(os.path.join(d, "a.zmk"), os.path.join(d, "sub", "hard.zmk"))
        os.symlink("../a.zmk", os.path.join(d, "sub", "soft.zmk"))
        a = os.path.join(d, "a.zmk")
        for args, cwd in ((["a.zmk", "a.zmk"], d), ([".", "."], d), ([d, a], None),
                          (["a.zmk", a], d), ([os.path.join(d, "sub"), a], None)):
            with self.subTest(args=args):
                r = subprocess.run(argv("check", "--json", *args), capture_output=True,
                                   text=True, cwd=cwd)
                report = output_json(r)
                self.assertEqual(report["files"], 2 if "sub" in args[0] else len(report["order"]))
                [missing] = report["problems"]
                self.assertEqual(missing["kind"], "missing")
                self.assertEqual(len(missing["needed_by"]), 1)
        # Two files with one RUID stay a duplicate.
        d = self.delivery({"a.zmk": package((1, 1)), "b.zmk": package((1, 1))})
        self.assertEqual(output_json(check("--json", d))["problems"][0]["kind"], "duplicate")

    def test_json_names_that_are_no_utf8(self):
        if not NAMES_ARE_BYTES:
            self.skipTest("names are UTF-16 here")
        d = self.delivery({})
        raw = os.path.join(os.fsencode(d), b"x\xff\xfe.zmk")
        with open(raw, "wb") as f:
            f.write(package((1, 1)))
        for command in (argv("check", "--json", d), argv("--plugin", MODULE, "--json", raw)):
            with self.subTest(command[1]):
                r = run_bytes(command)
                text = r.stdout.decode("utf-8")  # strict
                self.assertIn("x\\udcff\\udcfe.zmk", text)
                doc = json.loads(text)
                path = doc["order"][0] if isinstance(doc, dict) else doc[0]["file"]
                self.assertEqual(os.fsencode(path), raw)

    def test_names_beyond_windows_1251(self):
        """A folder and a file named in Greek and CJK, which the module's
        code page (the ANSI one of a Russian Windows: ru_RU.UTF-8 makes Wine
        one) cannot hold: read whole by check and by the field mode, and
        shown whole, in UTF-8, in output redirected to a file."""
        name = "Пакет №5 «тест»"
        d = self.delivery({"Δέλτα 中文/αβγ 漢字.zmk": package((1, 1), name=name),
                           "a.zmk": package((2, 1), name="a")})
        file = native(os.path.join(d, "Δέλτα 中文", "αβγ 漢字.zmk"))
        env = dict(os.environ, LC_ALL="ru_RU.UTF-8")
        report = output_json(run_bytes(argv("check", "--json", d), env=env))
        self.assertEqual(report["order"], [native(os.path.join(d, "a.zmk")), file])
        [fields] = output_json(run_bytes(argv("--plugin", MODULE, "--json", file), env=env))
        self.assertEqual((fields["file"], fields["fields"]["Наименование"]), (file, name))
        with tempfile.TemporaryFile() as out:
            for args in (["check", d], ["--plugin", MODULE, file]):
                subprocess.run(argv(*args), stdout=out, env=env, check=args[0] != "check")
            out.seek(0)
            text = out.read().decode("utf-8")  # strict
        self.assertIn("  %s  1_1 %s\n" % (file, name), text)
        self.assertIn("%s\n  РУИД: 1_1\n  Наименование: %s\n" % (file, name), text)
        # A name that does not exist is no other file's, whatever its look-alike
        # in the code page ("a.zmk").
        missing = native(os.path.join(d, "α.zmk"))
        r = run_bytes(argv("--plugin", MODULE, missing), env=env)
        self.assertEqual((r.returncode, r.stdout), (1, b""))
        # The system's reason, in Russian here.
        self.assertIn('Cannot open file "%s". ' % missing, r.stderr.decode())

    def test_cut_dependency_text_is_reported(self):
        deps = "\r\n".join("%d_1" % (i + 1) for i in range(150000))
        report = self.report({"big.zmk": package((1, 1), deps)})
        [cut] = [p for p in report["problems"] if p["kind"] == "dependencies_cut"]
        self.assertEqual(cut["file"], "big.zmk")
        self.assertEqual(cut["declared"], len(deps))
        # The kept bytes end after a whole line.
        self.assertLessEqual(cut["kept"], 1 << 20)
        self.assertEqual(deps[cut["kept"] - 2:cut["kept"]], "\r\n")

    def test_empty_and_mistyped_paths(self):
        empty = self.delivery({"notes.txt": b"x"})
        r = check("--json", empty)
        self.assertEqual(r.returncode, 1)
        self.assertEqual(output_json(r)["problems"],
                         [{"kind": "no_packages", "path": native(empty)}])
        r = check(os.path.join(empty, "nothing"))
        self.assertEqual(r.returncode, 1)
        self.assertIn(NOT_FOUND, r.stdout)
        d = self.delivery({"a.zmk": package((1, 1))})
        self.assertIn("1 file, 0 problems\n", check(d).stdout)

    def test_text_escapes_what_could_drive_a_terminal(self):
        cases = [
            ("C1 control in UTF-8", "b\u009bc.zmk".encode(), "b\\u009bc.zmk"),
            ("a lone byte 0x9b", b"b\x9bc.zmk", "b\\x9bc.zmk"),
            ("a backslash", b"b\\x1bc.zmk", "b\\\\x1bc.zmk"),
            ("an escape", b"b\x1bc.zmk", "b\\x1bc.zmk"),
        ]
        for what, name, shown in cases if NAMES_ARE_BYTES else []:
            with self.subTest(what):
                d = self.delivery({})
                with open(os.path.join(os.fsencode(d), name), "wb") as f:
                    f.write(package((1, 1)))
                out = run_bytes(argv("check", d), env=dict(os.environ, LC_ALL="C.UTF-8")).stdout
                self.assertIn(shown.encode(), out)
                for raw in (b"\x1b", b"\x9b"):
                    self.assertNotIn(raw, out)
        # Names as a host is shown them: up to their first NUL.
        big = make_examples.header((2, 1), b"\0" * 1500000, "", 46000.0, 1, 1, "", "", "")
        d = self.delivery({"nul.zmk": package((1, 1), name=b"ab\0cd"), "big.zmk": big})
        out = check(d).stdout
        self.assertIn("nul.zmk  1_1 ab\n", out)
        self.assertLess(max(len(line) for line in out.splitlines()), 500)

    def test_text_never_passes_control_characters(self):
        d = self.delivery({"a.zmk": package((1, 1), "7_7", name="x\x1b[2Jy\nz")})
        for r in (check(d), run(os.path.join(d, "a.zmk"))):
            self.assertNotIn("\x1b", r.stdout)
            self.assertIn("x\\x1b[2Jy\\nz", r.stdout)


def diff(*args):
    return subprocess.run(argv("diff", *args), capture_output=True, text=True, encoding="utf-8")


class DiffTest(unittest.TestCase):
    delivery = CheckTest.delivery

    def test_example_deliveries(self):
        old, new = os.path.join(EXAMPLES, "old-delivery"), os.path.join(EXAMPLES, "delivery")
        o = lambda name: native(os.path.join(old, name))
        n = lambda name: native(os.path.join(new, name))
        r = diff("--json", old, new)
        self.assertEqual(r.returncode, 1, r.stderr)
        gone = [{"kind": "unreadable", "file": n("gone.zmk"), "error": NOT_FOUND}]
        self.assertEqual(output_json(r), {
            "old": {"files": 5, "problems": []},
            "new": {"files": 9 if LISTS_DANGLING_LINKS else 8, "problems": [
                {"kind": "duplicate", "ruid": "300_1",
                 "files": [n("reports/reports-v2.zmk"), n("reports/reports-v1.zmk")]},
                {"kind": "not_zmk", "file": n("readme.zmk")},
                {"kind": "damaged", "file": n("cut.zmk")},
            ] + (gone if LISTS_DANGLING_LINKS else [])},
            "added": [{"ruid": "200_1", "file": n("app.zmk"), "name": "Приложение", "version": 1}],
            "removed": [{"ruid": "150_1", "file": o("legacy.zmk"), "name": "Устаревший",
                         "version": 4}],
            "changed": [
                {"ruid": "300_1", "old": o("reports/reports.zmk"),
                 "new": n("reports/reports-v2.zmk"), "move": "downgraded", "fields": {
                     "modified": {"old": "2025-12-14", "new": "2025-12-19"},
                     "version": {"old": 3, "new": 2}, "final": {"old": False, "new": True}}},
                {"ruid": "401_1", "old": o("rights/roles.zmk"), "new": n("rights/roles.zmk"),
                 "move": "same_version", "fields": {
                     "name": {"old": "Роли (черновик)", "new": "Роли"},
                     "depends_on": {"added": [], "removed": ["150_1"]}}},
                {"ruid": "100_1", "old": o("base.zmk"), "new": n("base.zmk"), "move": "upgraded",
                 "fields": {
                     "comment": {"old": "Черновик", "new": ""},
                     "modified": {"old": "2025-10-20", "new": "2025-12-09"},
                     "version": {"old": 2, "new": 3},
                     "min_exe_version": {"old": "3.9", "new": "4.0"},
                     "min_db_version": {"old": "1.9", "new": "2.0"}}}],
            "unchanged": 1})
        r = diff(old, new)
        self.assertEqual(r.returncode, 1, r.stderr)
        blocks = [line.split(":")[0] for line in r.stdout.splitlines() if not line.startswith(" ")]
        self.assertEqual(blocks[2:], ["added 200_1", "removed 150_1", "downgraded 300_1",
                                      "same_version 401_1", "upgraded 100_1",
                                      "1 added, 1 removed, 3 changed (1 downgraded, 1 same_version, "
                                      "1 upgraded), 1 unchanged"])
        self.assertIn("  name: \"Роли (черновик)\" -> \"Роли\"\n  depends_on: removed 150_1\n",
                      r.stdout)
        self.assertIn("\n  duplicate 300_1, newest first:\n", r.stdout)

    def test_a_quote_in_a_quoted_text_is_escaped(self):
        """Two different renamings never print alike."""
        for old, new, line in (('x" -> "y', "z", r'name: "x\" -> \"y" -> "z"'),
                               ("x", 'y" -> "z', r'name: "x" -> "y\" -> \"z"')):
            with self.subTest(old=old):
                r = diff(self.delivery({"a.zmk": package((1, 1), name=old)}),
                         self.delivery({"a.zmk": package((1, 1), name=new)}))
                self.assertIn(line + "\n", r.stdout)

    def test_statuses_and_sides(self):
        a, b = package((1, 1), "2_1"), package((1, 1), "$2_1\r\n2_1", date=46000.5)
        cut = package((4, 1), "\r\n".join("%d_1" % (i + 1) for i in range(150000)))
        cases = [
            ("moved, respelled, later that day: the same", {"x/a.zmk": a}, {"a.zmk": b}, 0, 1,
             [], []),
            ("a side's problems alone are no difference",
             {"a.zmk": a, "n.zmk": b"text", "cut.zmk": cut},
             {"a.zmk": a, "old.zmk": package((1, 1), version=0), "c.zmk": a[:20], "cut.zmk": cut},
             0, 2, ["dependencies_cut", "not_zmk"], ["duplicate", "dependencies_cut", "damaged"]),
            ("a new name", {"a.zmk": a}, {"a.zmk": package((1, 1), "2_1", name="Q")}, 1, 0,
             [], []),
        ]
        for what, old, new, status, unchanged, old_kinds, new_kinds in cases:
            with self.subTest(what):
                r = diff("--json", self.delivery(old), self.delivery(new))
                self.assertEqual(r.returncode, status, r.stderr)
                report = output_json(r)
                self.assertEqual(report["unchanged"], unchanged)
                self.assertEqual([p["kind"] for p in report["old"]["problems"]], old_kinds)
                self.assertEqual([p["kind"] for p in report["new"]["problems"]], new_kinds)
        # A single package file is a side too.
        d = self.delivery({"a.zmk": a, "b.zmk": package((2, 1))})
        r = diff(os.path.join(d, "a.zmk"), d)
        self.assertEqual(r.returncode, 1, r.stderr)
        self.assertIn("added 2_1: ", r.stdout)
        # No whole package on a side, or wrong usage: 2, with a message.
        empty = self.delivery({"n.zmk": b"text"})
        for args in ([empty, d], [d, os.path.join(d, "none")], [d], [d, d, d], ["--bogus", d, d]):
            with self.subTest(args=args):
                r = diff(*args)
                self.assertEqual((r.returncode, r.stdout), (2, ""))
                self.assertTrue(r.stderr)


if __name__ == "__main__":
    ZMKINFO, MODULE_FILE = sys.argv[1], sys.argv[2]
    if sys.argv[3:4] == ["--wine"]:
        WINE = sys.argv[4]
    TOOL = [WINE, ZMKINFO] if WINE else [ZMKINFO]
    MODULE = native(MODULE_FILE)
    windows_differences()
    unittest.main(argv=sys.argv[:1], verbosity=2)
