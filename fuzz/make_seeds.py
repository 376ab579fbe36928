#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets from the cases the tests use.

Usage: make_seeds.py OUTDIR   (writes OUTDIR/header, OUTDIR/text, OUTDIR/exports)
"""
import os
import struct
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "examples"))
import make_examples  # noqa: E402

header = make_examples.header

FILES = list(make_examples.EXAMPLES.values()) + [
    header((1, 1), "", "", 0.0, 0, 0, "", "", ""),
    header((-1, 7), "n", "c", -700000.0, -1, 2, "''\n12_3", "", ""),
    header((1, 1), "x" * 30, "a\0b", float("nan"), 0, 255, " 12_3\n\r4_5\0006_7", "7.1", "db"),
    header((2, 2), "", "", 23242572.0, 7, 1, "1_" + "0" * 254 + "1,x", "", "", format_version=2),
    b"ZMK$\x01\x00\x00\x00" + struct.pack("<iii", 1, 2, 2000000000) + b"short",
    b"ZMK$\x01\x00\x00",
    b"zmk$\x01\x00\x00\x00",
]

TEXTS = [
    "0", "-0", "+7", "0123", "   42", "2147483647", "-2147483648", "2147483648",
    "$A", "xa", "0X1f", "-$1", "$FFFFFFFF", "-$80000000", "$100000000", "$", "0x",
    "12 ", "1x", "\t1", "12_3", " 12_ 3", "$C_x3", "_5", "5_", "7_8_9", "'4_5'",
    "12_3\r\n'4_5'\r\n\r\nx_1\r\n0_9", "4_5\n\r6_7", "4_5\x006_7", "''",
    "1_" + "0" * 254 + "1,x",
    "4.2|2.10|2.9", " 007.1\t|7.01|7.1.0.0", "4..2|4.|.4", "4.2 beta|v4|4.2\r\n",
    "99999999999999999999.1|1|099999999999999999999",
]


def write(folder, items):
    os.makedirs(folder, exist_ok=True)
    for i, data in enumerate(items):
        with open(os.path.join(folder, "seed-%03d" % i), "wb") as f:
            f.write(data)


def main():
    out = sys.argv[1]
    write(os.path.join(out, "header"), [f[8:] for f in FILES])
    write(os.path.join(out, "text"), [t.encode("latin-1") for t in TEXTS])
    # The exports target takes a MaxLen byte (value - 8) and a locale byte
    # ahead of the file.
    write(os.path.join(out, "exports"),
          [bytes([m, loc]) + f for f in FILES for m in (8 + 4, 8 + 5, 8 + 30, 255)
           for loc in range(4)])


if __name__ == "__main__":
    main()
