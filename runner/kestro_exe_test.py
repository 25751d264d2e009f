"""Checks on the built kestro.exe that Wine does not enforce but Windows
does: the loader flags in its PE header, the delay-loaded import of the
print spooler and the well-formedness of the application manifest compiled
into it.

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


# Data directory entries of the optional header, and where PE32+ keeps them.
IMPORT_DIRECTORY = 1
DATA_DIRECTORIES_OFFSET = 112
SECTION_HEADER_SIZE = 40
IMAGE_SCN_MEM_WRITE = 0x80000000
# ImgDelayDescr: attributes, then RVAs of the DLL name, the module handle,
# the address table, the name table, then three fields not read here. The
# helper takes only descriptors whose addresses are RVAs.
DELAY_DESCRIPTOR = struct.Struct("<8I")
DLATTR_RVA = 0x1
IMPORT_DESCRIPTOR = struct.Struct("<5I")
SPOOLER = "winspool.drv"
# The libraries loaded at their first call rather than at start-up: the
# spooler, and the drawer links' sockets and USB device lookup.
DELAY_LOADED = [SPOOLER, "ws2_32.dll", "setupapi.dll"]


class PeImage:
    """The sections and import tables of a PE32+ file."""

    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        (pe_offset,) = struct.unpack_from("<I", self.data, LFANEW_OFFSET)
        sections, optional_size = struct.unpack_from("<2xH12xH", self.data, pe_offset + 4)
        self.optional = pe_offset + OPTIONAL_HEADER_FROM_SIGNATURE
        first = self.optional + optional_size
        # name, virtual size, RVA, raw size, raw offset, ..., characteristics
        self.sections = [struct.unpack_from("<8s4I12xI", self.data, first + i * SECTION_HEADER_SIZE)
                         for i in range(sections)]

    def directory(self, index):
        return struct.unpack_from("<2I", self.data,
                                  self.optional + DATA_DIRECTORIES_OFFSET + 8 * index)

    def section_of(self, rva, size=1):
        for name, virtual_size, start, _, _, flags in self.sections:
            if start <= rva and rva + size <= start + virtual_size:
                return name.rstrip(b"\0").decode(), flags
        raise ValueError(f"RVA {rva:#x} lies in no section")

    def offset(self, rva):
        for _, virtual_size, start, raw_size, raw_offset, _ in self.sections:
            if start <= rva < start + min(virtual_size, raw_size):
                return raw_offset + rva - start
        raise ValueError(f"RVA {rva:#x} has no file data")

    def text(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def imported_dlls(self):
        rva, _ = self.directory(IMPORT_DIRECTORY)
        names = []
        while rva:
            descriptor = IMPORT_DESCRIPTOR.unpack_from(self.data, self.offset(rva))
            if not any(descriptor):
                break
            names.append(self.text(descriptor[3]))
            rva += IMPORT_DESCRIPTOR.size
        return names

    def rvas_of(self, data):
        """The RVAs at which `data` lies in the sections' file data."""
        found = []
        for _, virtual_size, start, raw_size, raw_offset, _ in self.sections:
            end = raw_offset + min(virtual_size, raw_size)
            at = self.data.find(data, raw_offset, end)
            while at >= 0:
                found.append(start + at - raw_offset)
                at = self.data.find(data, at + 1, end)
        return found

    def delay_import(self, dll):
        """The delay-load descriptor of `dll`: its module handle RVA, address
        table RVA and number of functions, or None. The linker may leave the
        delay-import directory empty (GNU ld does), and the helper needs
        none, so the descriptor is found by the RVA of the DLL's name."""
        for name in self.rvas_of(dll.encode("ascii") + b"\0"):
            for rva in self.rvas_of(struct.pack("<2I", DLATTR_RVA, name)):
                _, _, handle, table, names, *_ = DELAY_DESCRIPTOR.unpack_from(
                    self.data, self.offset(rva))
                count = 0
                while struct.unpack_from("<Q", self.data, self.offset(names + 8 * count))[0]:
                    count += 1
                return handle, table, count
        return None


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

    # The spooler and the drawer links' libraries are loaded at their first
    # call, not at start-up.
    def test_the_service_libraries_are_delay_loaded_and_not_ordinary_imports(self):
        image = PeImage(self.exe)
        imported = [name.lower() for name in image.imported_dlls()]
        for dll in DELAY_LOADED:
            with self.subTest(dll):
                self.assertNotIn(dll, imported)
                self.assertIsNotNone(image.delay_import(dll))

    # The delay-load helper writes the module handle and each function's
    # address into the program's image at the first call. Windows maps a
    # section without the write flag read-only, and that write then ends the
    # program (Wine maps it writable and does not show it).
    def test_what_the_delay_load_helper_writes_lies_in_writable_sections(self):
        image = PeImage(self.exe)
        for dll in DELAY_LOADED:
            descriptor = image.delay_import(dll)
            self.assertIsNotNone(descriptor, dll)
            handle, table, count = descriptor
            self.assertGreater(count, 0)
            for what, rva, size in (("module handle", handle, 8),
                                    ("address table", table, 8 * count)):
                with self.subTest(dll=dll, what=what):
                    section, flags = image.section_of(rva, size)
                    self.assertTrue(flags & IMAGE_SCN_MEM_WRITE,
                                    f"{dll}'s {what} in read-only {section}")

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
