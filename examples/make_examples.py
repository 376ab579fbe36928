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


# A delivery for `zmkinfo check`, with one of each problem it finds.
DELIVERY = {
    "base.zmk": header((100, 1), "Основа", "", 46000.0, 3, 1, "", "4.0", "2.0"),
    # Needs 100_1 (written another way, the same RUID) and 999_1, which no
    # package of the delivery has.
    "app.zmk": header((200, 1), "Приложение", "", 46001.0, 1, 1,
                      "$64_1\r\n999_1", "4.0", "2.0"),
    # The same RUID twice: version 2 is the newer.
    "reports/reports-v1.zmk": header((300, 1), "Отчёты", "", 45900.0, 1, 1,
                                     "100_1", "4.0", "2.0"),
    "reports/reports-v2.zmk": header((300, 1), "Отчёты", "", 46010.0, 2, 1,
                                     "100_1", "4.0", "2.0"),
    # Each needs the other.
    "rights/users.zmk": header((400, 1), "Пользователи", "", 46002.0, 1, 0,
                               "401_1", "4.0", "2.0"),
    "rights/roles.zmk": header((401, 1), "Роли", "", 46002.0, 1, 0,
                               "400_1\r\n100_1", "4.0", "2.0"),
    "readme.zmk": "Not a setting package.\n".encode(),
    "cut.zmk": header((500, 1), "Обрезанный", "", 46003.0, 1, 1, "", "", "")[:30],
}
# A link to a file that is not there: unreadable.
DELIVERY_LINKS = {"gone.zmk": "removed.zmk"}

# The release before DELIVERY, for `zmkinfo diff`: against it DELIVERY adds
# 200_1, removes 150_1, upgrades 100_1, downgrades 300_1 and changes 401_1
# under its old version; each header field changes somewhere; 400_1 only
# moved to another folder.
OLD_DELIVERY = {
    "base.zmk": header((100, 1), "Основа", "Черновик", 45950.0, 2, 1, "", "3.9", "1.9"),
    "reports/reports.zmk": header((300, 1), "Отчёты", "", 46005.0, 3, 0, "100_1", "4.0", "2.0"),
    "users.zmk": DELIVERY["rights/users.zmk"],
    # The same dependencies but 150_1, spelled and ordered otherwise; the
    # database version padded, which does not count.
    "rights/roles.zmk": header((401, 1), "Роли (черновик)", "", 46002.0, 1, 0,
                               "400_1\r\n$64_1\r\n150_1\r\n100_1", "4.0", "2.0 "),
    "legacy.zmk": header((150, 1), "Устаревший", "", 45000.0, 4, 1, "", "3.0", "1.0"),
}


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    for name, data in EXAMPLES.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
    for subfolder, files in (("delivery", DELIVERY), ("old-delivery", OLD_DELIVERY)):
        for name, data in files.items():
            path = os.path.join(folder, subfolder, name)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(data)
    delivery = os.path.join(folder, "delivery")
    for name, target in DELIVERY_LINKS.items():
        path = os.path.join(delivery, name)
        if os.path.lexists(path):
            os.remove(path)
        os.symlink(target, path)


if __name__ == "__main__":
    main()
