#!/usr/bin/env python3
"""Checks a built Windows module from its bytes: the export table (names,
ordinals, nothing else, for its machine), the imported DLLs, and the version resource.

Usage: pe_test.py MODULE EXPECTED_ORIGINAL_FILENAME
"""
import struct
import sys
import unittest

MODULE = None
ORIGINAL_FILENAME = None

# Each module's exports by machine: the 32-bit module has the three functions
# its host has always known, the 64-bit one the wide value function besides.
EXPORTS = {
    0x14C: {"ContentGetValue": 1, "ContentGetSupportedField": 2, "ContentGetDetectString": 3},
    0x8664: {"ContentGetValue": 1, "ContentGetSupportedField": 2, "ContentGetDetectString": 3,
             "ContentGetValueW": 4},
}

# DLLs every Windows installation has.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "msvcrt.dll", "advapi32.dll", "ntdll.dll"}


class PE:
    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        assert data[pe:pe + 4] == b"PE\0\0", "no PE signature"
        self.machine, sections, _, _, _, opt_size, self.characteristics = \
            struct.unpack_from("<HHIIIHH", data, pe + 4)
        opt = pe + 24
        magic = struct.unpack_from("<H", data, opt)[0]
        self.pe32_plus = magic == 0x20B
        dirs = opt + (112 if self.pe32_plus else 96)
        self.directories = [struct.unpack_from("<II", data, dirs + 8 * i) for i in range(16)]
        self.sections = []
        table = opt + opt_size
        for i in range(sections):
            _, vsize, vaddr, rsize, raw = struct.unpack_from("<8sIIII", data, table + 40 * i)
            self.sections.append((vaddr, max(vsize, rsize), raw))

    def offset(self, rva):
        for vaddr, size, raw in self.sections:
            if vaddr <= rva < vaddr + size:
                return rva - vaddr + raw
        raise ValueError("RVA %#x in no section" % rva)

    def u16(self, rva):
        return struct.unpack_from("<H", self.data, self.offset(rva))[0]

    def u32(self, rva):
        return struct.unpack_from("<I", self.data, self.offset(rva))[0]

    def cstr(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def exports(self):
        rva, _ = self.directories[0]
        base, functions, names, addr_functions, addr_names, addr_ordinals = \
            struct.unpack_from("<IIIIII", self.data, self.offset(rva) + 16)
        by_name = {}
        for i in range(names):
            name = self.cstr(self.u32(addr_names + 4 * i))
            by_name[name] = base + self.u16(addr_ordinals + 2 * i)
        return by_name, functions

    def imports(self):
        rva, _ = self.directories[1]
        dlls = []
        while True:
            fields = struct.unpack_from("<IIIII", self.data, self.offset(rva))
            if not any(fields):
                return dlls
            dlls.append(self.cstr(fields[3]))
            rva += 20

    def resource(self, type_id, name_id):
        """(language, bytes) of each resource of that type and id."""
        root, _ = self.directories[2]

        def entries(dir_rva):
            named, ids = struct.unpack_from("<HH", self.data, self.offset(dir_rva) + 12)
            for i in range(named + ids):
                ident, target = struct.unpack_from("<II", self.data, self.offset(dir_rva) + 16 + 8 * i)
                yield ident, target

        found = []
        for ident, target in entries(root):
            if ident != type_id:
                continue
            for ident2, target2 in entries(root + (target & 0x7FFFFFFF)):
                if ident2 != name_id:
                    continue
                for lang, leaf in entries(root + (target2 & 0x7FFFFFFF)):
                    data_rva, size = struct.unpack_from("<II", self.data, self.offset(root + leaf))
                    start = self.offset(data_rva)
                    found.append((lang, self.data[start:start + size]))
        return found


def parse_version_block(data, pos=0):
    """One VS_VERSIONINFO-style block: (key, value bytes, type, children)."""
    length, value_length, vtype = struct.unpack_from("<HHH", data, pos)
    end = pos + length
    key_start = pos + 6
    key_end = key_start
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[key_start:key_end].decode("utf-16-le")
    value_pos = (key_end + 2 + 3) & ~3
    value_size = value_length * 2 if vtype == 1 else value_length
    value = data[value_pos:value_pos + value_size]
    child = (value_pos + value_size + 3) & ~3
    children = []
    while child < end:
        block = parse_version_block(data, child)
        children.append(block)
        child = (child + struct.unpack_from("<H", data, child)[0] + 3) & ~3
    return key, value, vtype, children


class ModuleTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with open(MODULE, "rb") as f:
            cls.pe = PE(f.read())

    def test_is_a_dll(self):
        self.assertTrue(self.pe.characteristics & 0x2000, "not a DLL")

    def test_exports_exactly_its_functions_by_ordinal(self):
        self.assertIn(self.pe.machine, EXPORTS, "neither i386 nor x86-64")
        expected = EXPORTS[self.pe.machine]
        by_name, functions = self.pe.exports()
        self.assertEqual(by_name, expected)
        self.assertEqual(functions, len(expected))

    def test_imports_only_windows_own_dlls(self):
        dlls = [d.lower() for d in self.pe.imports()]
        self.assertTrue(dlls)
        self.assertEqual([d for d in dlls if d not in SYSTEM_DLLS], [])

    def test_version_resource(self):
        found = self.pe.resource(16, 1)  # RT_VERSION, VS_VERSION_INFO
        self.assertEqual([lang for lang, _ in found], [1049])
        key, fixed, _, children = parse_version_block(found[0][1])
        self.assertEqual(key, "VS_VERSION_INFO")
        signature, _, file_ms, file_ls, prod_ms, prod_ls = struct.unpack_from("<6I", fixed)
        self.assertEqual(signature, 0xFEEF04BD)
        self.assertEqual((file_ms, file_ls, prod_ms, prod_ls), (0x10000, 0, 0x10000, 0))

        blocks = {child[0]: child for child in children}
        tables = blocks["StringFileInfo"][3]
        self.assertEqual([t[0] for t in tables], ["041904E3"])
        strings = {s[0]: s[1].decode("utf-16-le").rstrip("\0") for s in tables[0][3]}
        self.assertEqual(strings, {
            "CompanyName": "",
            "FileDescription": "ZMKInfo content plugin for Total Commander",
            "FileVersion": "1.0.0.0",
            "InternalName": "ZMKInfo",
            "LegalTrademarks": "",
            "OriginalFilename": ORIGINAL_FILENAME,
            "ProductVersion": "1.0b",
        })
        translation = blocks["VarFileInfo"][3][0]
        self.assertEqual(translation[0], "Translation")
        self.assertEqual(struct.unpack("<HH", translation[1]), (1049, 1251))


if __name__ == "__main__":
    MODULE, ORIGINAL_FILENAME = sys.argv[1], sys.argv[2]
    unittest.main(argv=sys.argv[:1], verbosity=2)
