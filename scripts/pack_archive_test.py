#!/usr/bin/env python3
"""The install archive holds each file as an ordinary one (0644), whatever
its mode on disk, and README.txt with its byte order mark."""
import os
import subprocess
import sys
import tempfile
import unittest
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))


class PackArchiveTest(unittest.TestCase):
    def test_files_are_ordinary(self):
        with tempfile.TemporaryDirectory() as d:
            modes = {"texts/pluginst.inf": 0o644, "texts/README.txt": 0o600,
                     "texts/LICENSE.txt": 0o640, "dist/win32/ZMKInfo.wdx": 0o755,
                     "dist/win64/ZMKInfo.wdx64": 0o755, "dist/win64/zmkinfo.exe": 0o700}
            for name, mode in modes.items():
                path = os.path.join(d, name)
                os.makedirs(os.path.dirname(path), exist_ok=True)
                with open(path, "wb") as f:
                    f.write(name.encode())
                os.chmod(path, mode)
            archive = os.path.join(d, "a.zip")
            subprocess.run([os.path.join(HERE, "pack-archive"), archive,
                            os.path.join(d, "texts"), os.path.join(d, "dist")], check=True)
            with zipfile.ZipFile(archive) as z:
                stored = {i.filename: i.external_attr >> 16 for i in z.infolist()}
                readme = z.read("README.txt")
        self.assertEqual(stored, {os.path.basename(n): 0o100644 for n in modes})
        self.assertEqual(readme, b"\xef\xbb\xbftexts/README.txt")


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
