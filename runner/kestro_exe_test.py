"""Checks on the built kestro.exe that Wine does not enforce but Windows
does: the loader flags in its PE header and the well-formedness of the
application manifest compiled into it.

Usage: python3 kestro_exe_test.py PATH/TO/kestro.exe
"""

import os
import struct
import sys
import unittest
import xml.etree.ElementTree as ElementTree

MANIFEST = os.path.join(os.path.dirname(os.path.abspath(__file__)), "resources",
                        "kestro.exe.manifest")

# IMAGE_DLLCHARACTERISTICS_* flags the till's executable must carry.
REQUIRED_FLAGS = {
    "HIGH_ENTROPY_VA": 0x0020,
    "DYNAMIC_BASE": 0x0040,
    "NX_COMPAT": 0x0100,
    "TERMINAL_SERVER_AWARE": 0x8000,
}

PE32_PLUS_MAGIC = 0x20B
# Offsets: e_lfanew in the DOS header; the optional header after the
# four-byte signature and the 20-byte file header; DllCharacteristics in it.
LFANEW_OFFSET = 0x3C
OPTIONAL_HEADER_FROM_SIGNATURE = 4 + 20
DLL_CHARACTERISTICS_OFFSET = 70


def dll_characteristics(path):
    """The optional header's magic and DllCharacteristics of the PE file."""
    with open(path, "rb") as f:
        data = f.read(4096)
    if data[:2] != b"MZ":
        raise ValueError(f"{path}: no DOS header")
    (pe_offset,) = struct.unpack_from("<I", data, LFANEW_OFFSET)
    if data[pe_offset:pe_offset + 4] != b"PE\0\0":
        raise ValueError(f"{path}: no PE signature")
    optional = pe_offset + OPTIONAL_HEADER_FROM_SIGNATURE
    (magic,) = struct.unpack_from("<H", data, optional)
    (flags,) = struct.unpack_from("<H", data, optional + DLL_CHARACTERISTICS_OFFSET)
    return magic, flags


class KestroExeTest(unittest.TestCase):
    exe = None

    def test_header_carries_the_loader_flags(self):
        magic, flags = dll_characteristics(self.exe)
        self.assertEqual(magic, PE32_PLUS_MAGIC)
        for name, bit in REQUIRED_FLAGS.items():
            with self.subTest(name):
                self.assertTrue(flags & bit, f"DllCharacteristics {flags:#06x} lacks {name}")

    # Windows refuses to start a program whose manifest is not well-formed
    # XML, and reads each DPI declaration only in its own namespace.
    def test_manifest_is_well_formed_with_namespaced_dpi_declarations(self):
        root = ElementTree.parse(MANIFEST).getroot()
        settings = root.find("{urn:schemas-microsoft-com:asm.v3}application/"
                             "{urn:schemas-microsoft-com:asm.v3}windowsSettings")
        self.assertIsNotNone(settings)
        aware = settings.find("{http://schemas.microsoft.com/SMI/2005/WindowsSettings}dpiAware")
        awareness = settings.find(
            "{http://schemas.microsoft.com/SMI/2016/WindowsSettings}dpiAwareness")
        self.assertEqual(aware.text, "true/pm")
        self.assertEqual(awareness.text, "PerMonitorV2, PerMonitor")


if __name__ == "__main__":
    KestroExeTest.exe = sys.argv.pop(1)
    unittest.main()
