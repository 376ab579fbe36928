#!/usr/bin/env python3
"""Writes the example ZMK files of this folder. Run it again after changing
it; the tests check that the files here are what it writes.

Usage: make_examples.py [FOLDER]   (default: the folder of this script)
"""
import os
import struct
import sys


def string(text):
    data = text.encode("cp1251") if isinstance(text, str) else text
    return struct.pack("<i", len(data)) + data


def header(ruid, name, comment, modified, version, is_final, depends_on,
           min_exe, min_db, format_version=1):
    return (b"ZMK$" + struct.pack("<iii", format_version, *ruid)
            + string(name) + string(comment)
            + struct.pack("<diB", modified, version, is_final)
            + string(depends_on) + string(min_exe) + string(min_db))


EXAMPLES = {
    # 71 bytes: RUID 12_3, "Test", 2006-01-01, version 5, final; of the three
    # dependency lines "abc" is no RUID and is dropped.
    "worked.zmk": header((12, 3), "Test", "", 38718.0, 5, 1,
                         "1_2\r\n'3_4'\r\nabc", "7.1", ""),
    # Cyrillic text in Windows-1251, several dependencies, a long comment.
    "rich.zmk": header(
        (147000123, 17), "Настройки бухгалтерии",
        "Пакет настроек для отдела учёта: шаблоны документов, отчёты, права "
        "доступа и справочники. " * 4,
        45976.5, 42, 0,
        "147000001_17\r\n'147000002_17'\r\n 147000003_17\r\n\r\nне RUID\r\n0_1",
        "4.2.1.0", "2.10") + b"payload that the header reader never reads",
    # Cut off inside the version number: the fields before it still show.
    "damaged.zmk": header((5, 6), "Обрезанный", "Файл кончается внутри версии",
                          40000.0, 3, 1, "", "", "")[:72],
}


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    for name, data in EXAMPLES.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
