"""Runs the drawer links' Windows tests (cash_drawer/drawer_links_win_test.cpp)
under Wine against the fake drawer device, in a Wine prefix of their own.

A prefix's COM port leads to the device's serial line only when the port is
set before the prefix's Wine server starts: at start Wine makes the link
dosdevices/comN from the value COMn of HKLM\\Software\\Wine\\Ports, over any
link put there by hand. So the driver starts the device, imports that value
and the settings the tests read with Wine's reg, ends the prefix's Wine
processes, and only then runs the tests; it ends them again when they are
done. import_registry() serves any prefix that needs the same.

    drawer_link_wine_test.py WINE_RUN PREFIX TESTS_EXE [GTEST_ARGS...]
"""

import os
import pathlib
import subprocess
import sys

from fake_drawer import FakeDrawer

WINE_PORTS_KEY = r"HKEY_LOCAL_MACHINE\Software\Wine\Ports"

# What the settings test reads back (RegistrySettingsStoreTest): each key
# with its values, as .reg text.
SETTINGS = {
    r"HKEY_LOCAL_MACHINE\Software\Policies\kestro": {
        "ExpireAfterMs": "dword:00001388",
        "OpenWarningSeconds": '"90"'},
    r"HKEY_LOCAL_MACHINE\Software\kestro": {
        "ExpireAfterMs": "dword:ffffffff",
        # REG_QWORD 1
        "DrawerLog": "hex(b):01,00,00,00,00,00,00,00"},
    r"HKEY_LOCAL_MACHINE\Software\WOW6432Node\kestro": {
        "DrawerLogSizeKB": "dword:00000040"},
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


def import_registry(wine_run, prefix, keys):
    """Writes `keys` ({key: {value name: .reg data}}) into the prefix with
    Wine's `reg import`, and leaves no Wine process of the prefix running, so
    that the next program starts a server that reads them (a COM port's
    target among them)."""
    prefix = pathlib.Path(prefix)
    prefix.mkdir(parents=True, exist_ok=True)
    lines = ["Windows Registry Editor Version 5.00", ""]
    for key, values in keys.items():
        lines.append(f"[{key}]")
        lines += [f'"{name}"={data}' for name, data in values.items()]
        lines.append("")
    settings = prefix.parent / (prefix.name + "-import.reg")
    settings.write_text("\r\n".join(lines) + "\r\n", encoding="utf-16")
    stop = [wine_run, "--prefix", str(prefix), "--stop"]
    subprocess.run(stop, check=True)
    imported = subprocess.run([wine_run, "--prefix", str(prefix), "reg", "import", str(settings)],
                              capture_output=True, check=False)
    subprocess.run(stop, check=True)
    if imported.returncode != 0:
        raise RuntimeError(f"reg import failed ({imported.returncode}): {imported.stderr!r}")


def main():
    wine_run, prefix, tests, *gtest_arguments = sys.argv[1:]
    with FakeDrawer(close_after=None, control_port=0) as drawer:
        try:
            import_registry(wine_run, prefix,
                            {WINE_PORTS_KEY: {"COM1": f'"{drawer.serial_path}"'}, **SETTINGS})
            environment = {**os.environ,
                           "KESTRO_FAKE_DRAWER_TCP_PORT": str(drawer.tcp_port),
                           "KESTRO_FAKE_DRAWER_CONTROL_PORT": str(drawer.control_port),
                           "KESTRO_FAKE_DRAWER_PTY": drawer.pty_path}
            return subprocess.run([wine_run, "--prefix", prefix, tests, *gtest_arguments],
                                  env=environment, check=False).returncode
        finally:
            subprocess.run([wine_run, "--prefix", prefix, "--stop"], check=False)


if __name__ == "__main__":
    sys.exit(main())
