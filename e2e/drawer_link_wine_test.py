"""Runs the drawer links' Windows tests (cash_drawer/drawer_links_win_test.cpp)
under Wine against the fake drawer device, in a Wine prefix of their own.

The prefix's COM1 must lead to the device's serial line before the prefix's
Wine server starts: at start Wine makes the link dosdevices/com1 from the
value COM1 of HKLM\\Software\\Wine\\Ports, over any link put there by hand.
So the driver starts the device, imports that value and the settings the
tests read with Wine's reg, ends the prefix's Wine processes, and only then
runs the tests; it ends them again when they are done.

    drawer_link_wine_test.py WINE_RUN PREFIX TESTS_EXE [GTEST_ARGS...]
"""

import os
import pathlib
import subprocess
import sys

from fake_drawer import FakeDrawer

# What the settings test reads back (RegistrySettingsStoreTest): each key
# with its values, as .reg text.
SETTINGS = {
    r"HKEY_LOCAL_MACHINE\Software\Policies\kestro\DrawerStateVia": {
        "Receipt Printer": '"COM1"'},
    r"HKEY_LOCAL_MACHINE\Software\Policies\kestro\DrawerOpenLevel": {
        "Receipt Printer": "dword:00000001"},
    r"HKEY_LOCAL_MACHINE\Software\kestro\DrawerStateVia": {
        "Receipt Printer": '"tcp:127.0.0.1:9100"',
        "K\u00fcchendrucker": '"usb:USB001"',
        # REG_EXPAND_SZ "COM%N%"
        "Expanded": "hex(2):" + ",".join(f"{b:02x}" for b in "COM%N%\0".encode("utf-16-le"))},
    r"HKEY_LOCAL_MACHINE\Software\WOW6432Node\kestro\DrawerStateVia": {
        "Only32": '"COM7"'},
    r"HKEY_LOCAL_MACHINE\Software\kestro\DrawerOpenLevel": {
        "Receipt Printer": '"high"',
        "Office Laser": '""'},
}


def registry_file(com1_target):
    lines = ["Windows Registry Editor Version 5.00", ""]
    keys = {r"HKEY_LOCAL_MACHINE\Software\Wine\Ports": {"COM1": f'"{com1_target}"'}, **SETTINGS}
    for key, values in keys.items():
        lines.append(f"[{key}]")
        lines += [f'"{name}"={data}' for name, data in values.items()]
        lines.append("")
    return "\r\n".join(lines) + "\r\n"


def main():
    wine_run, prefix, tests, *gtest_arguments = sys.argv[1:]
    prefix = pathlib.Path(prefix)
    prefix.mkdir(parents=True, exist_ok=True)
    settings = prefix.parent / "drawer-link-settings.reg"

    def wine(*arguments, **options):
        return subprocess.run([wine_run, "--prefix", str(prefix), *arguments], check=False,
                              **options)

    with FakeDrawer(close_after=None, control_port=0) as drawer:
        try:
            wine("--stop")
            settings.write_text(registry_file(drawer.serial_path), encoding="utf-16")
            imported = wine("reg", "import", str(settings), capture_output=True)
            if imported.returncode != 0:
                sys.exit(f"reg import failed ({imported.returncode}): {imported.stderr!r}")
            wine("--stop")
            environment = {**os.environ,
                           "KESTRO_FAKE_DRAWER_TCP_PORT": str(drawer.tcp_port),
                           "KESTRO_FAKE_DRAWER_CONTROL_PORT": str(drawer.control_port),
                           "KESTRO_FAKE_DRAWER_PTY": drawer.pty_path}
            return wine(tests, *gtest_arguments, env=environment).returncode
        finally:
            wine("--stop")


if __name__ == "__main__":
    sys.exit(main())
