"""The installer package as a shop's IT uses it, in one walk through a Wine
prefix of its own: a setting property out of range refused; a silent
installation of an older package with START_AT_LOGON=1; the upgrade to this
version's package, signed with a certificate made for the test, given the
machine settings EXPIRE_AFTER_MS and OPEN_WARNING_SECONDS but not
START_AT_LOGON, which it keeps; the installed program started from Program
Files against a spooler printer, writing its record; a refused downgrade;
the silent removal. After each step the installed files (the policy
templates among them) are compared byte for byte with the bundle the package
was built from, and the shortcut, the "Apps & features" entry, the Run
value, the machine settings and the event source are read from the prefix.

Paths come from the environment that ctest sets (packaging/CMakeLists.txt),
which gives the end-to-end helpers (e2e/kestro_e2e.py) a work folder and so a
prefix of the walk's own."""

import hashlib
import json
import os
import pathlib
import re
import shutil
import subprocess
import unittest

import kestro_e2e as e2e

WORK = e2e.WORK
MAKE_MSI = os.environ["KESTRO_MAKE_MSI"]
# The arguments every package of the build is made with, one a line.
MAKE_MSI_ARGUMENTS = pathlib.Path(os.environ["KESTRO_MAKE_MSI_ARGUMENTS"])
VERSION = os.environ["KESTRO_VERSION"]
PUBLISHER = os.environ["KESTRO_PUBLISHER"]

DRIVE_C = e2e.PREFIX / "drive_c"
INSTALL_DIR = DRIVE_C / "Program Files" / "kestro"
INSTALLED_PROGRAM = r"C:\Program Files\kestro\kestro.exe"
OLDER_VERSION = "0.9.0"
# Only the older package holds this file: the upgrade must take it away.
OLDER_ONLY = "older-only.txt"
# The older package holds other bytes in this file: the upgrade must replace them.
CHANGED = "data/app.so"
DOWNGRADE_MESSAGE = ("A newer version of kestro is already installed. "
                     "Remove it first to install this older version.")
# msiexec's exit code for a refused installation; a Unix exit status keeps
# its low byte.
ERROR_INSTALL_FAILURE = 1603

SOFTWARE = r"HKEY_LOCAL_MACHINE\Software"
RUN_KEY = SOFTWARE + r"\Microsoft\Windows\CurrentVersion\Run"
UNINSTALL_KEY = SOFTWARE + r"\Microsoft\Windows\CurrentVersion\Uninstall"
PRODUCTS_KEY = SOFTWARE + r"\Classes\Installer\Products"
OWN_KEY = SOFTWARE + r"\kestro"
EVENT_SOURCE_KEY = (r"HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\EventLog"
                    r"\Application\kestro")
POLICY_SOURCE = pathlib.Path(__file__).resolve().parent / "policy"
RECORD_FOLDER = DRIVE_C / "ProgramData" / "kestro" / "drawer-log"
SETTINGS = ["EXPIRE_AFTER_MS=5000", "OPEN_WARNING_SECONDS=90"]
# A value line of `reg query`: four blanks before the name, the type and the value.
VALUE_LINE = re.compile(r"^ {4}(.+?) {4}(REG_\w+)(?: {4}(.*))?$")

PRINTER = e2e.RECEIPT_PRINTER
SENT = "The cash drawer command was sent to the printer."
DRAWER_KICK = "1b700019fa"


def unix_path(path):
    """The file in the prefix that a C: path names."""
    return DRIVE_C / path.removeprefix("C:\\").replace("\\", "/")


def wine(*arguments, timeout=300):
    return subprocess.run([e2e.WINE_RUN, "--prefix", str(e2e.PREFIX), *arguments],
                          capture_output=True, text=True, errors="replace", timeout=timeout,
                          check=False)


def msiexec(log_name, *arguments):
    """Runs msiexec silently with a verbose log; returns its exit code and
    the log's text."""
    log = WORK / f"{log_name}.log"
    code = wine("msiexec", *arguments, "/qn", "/l*v", e2e.windows_path(log)).returncode
    text = log.read_bytes().decode("utf-8", "replace") if log.exists() else ""
    return code, text


def registry(key, with_types=False):
    """{key: {value name: value}} for `key` and every key below it, each
    value with its type when asked ((type, value)); empty when `key` does not
    exist."""
    tree, values = {}, None
    for line in wine("reg", "query", key, "/s").stdout.splitlines():
        line = line.rstrip("\r")
        if line.startswith("HKEY_"):
            values = tree.setdefault(line, {})
        elif values is not None and (found := VALUE_LINE.match(line)):
            values[found[1]] = (found[2], found[3] or "") if with_types else found[3] or ""
    return tree


def uninstall_entries():
    """The "Apps & features" entries of the prefix, by product code."""
    return {key.rsplit("\\", 1)[1]: values
            for key, values in registry(UNINSTALL_KEY).items() if key != UNINSTALL_KEY}


def shortcuts():
    """{path in drive C: bytes} of every shortcut in the prefix's Start menus."""
    menus = [DRIVE_C / "ProgramData/Microsoft/Windows/Start Menu",
             *DRIVE_C.glob("users/*/AppData/Roaming/Microsoft/Windows/Start Menu")]
    return {p.relative_to(DRIVE_C).as_posix(): p.read_bytes()
            for menu in menus for p in sorted(menu.rglob("*.lnk"))}


def file_digests(folder):
    """{path inside `folder`: SHA-256 of the file} for every file under it."""
    return {p.relative_to(folder).as_posix(): hashlib.sha256(p.read_bytes()).hexdigest()
            for p in sorted(folder.rglob("*")) if p.is_file()}


def make_msi(*arguments):
    """Runs make-msi with the build's arguments; returns its standard output."""
    completed = subprocess.run([MAKE_MSI, f"@{MAKE_MSI_ARGUMENTS}", *arguments],
                               capture_output=True, text=True, timeout=300, check=False)
    if completed.returncode != 0:
        raise AssertionError(f"make-msi failed: {completed.stderr}")
    return completed.stdout


def build_arguments(option):
    """The values the build gives make-msi for `option`, in order."""
    lines = MAKE_MSI_ARGUMENTS.read_text(encoding="utf-8").splitlines()
    return [lines[i + 1] for i, line in enumerate(lines[:-1]) if line == option]


def msi_table(package, table):
    """The rows of a table of the package, as lists of fields."""
    text = subprocess.run(["msiinfo", "export", str(package), table], capture_output=True,
                          text=True, check=True).stdout
    return [line.split("\t") for line in text.splitlines()[3:]]


def run_installed_program():
    """Starts the installed kestro.exe by its C: path, from another folder,
    with a script that lists the printers and opens the drawer; returns the
    exit code, standard error and the transcript."""
    script = WORK / "script.jsonl"
    transcript = WORK / "transcript.jsonl"
    requests = [{"method": "listPrinters"},
                {"method": "openDrawer", "arguments": {"printerName": PRINTER}}]
    script.write_text("".join(json.dumps(r) + "\n" for r in requests), encoding="utf-8")
    completed = wine(INSTALLED_PROGRAM, "--script", e2e.windows_path(script),
                     "--transcript", e2e.windows_path(transcript), timeout=120)
    lines = [json.loads(line) for line in transcript.read_text(encoding="utf-8").splitlines()
             if line.strip()] if transcript.exists() else []
    return completed.returncode, completed.stderr, lines


class PackageWalkTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        shutil.rmtree(WORK, ignore_errors=True)
        WORK.mkdir(parents=True)
        # The older bundle: this one with one file changed and one added.
        cls.older_bundle = WORK / "older-bundle"
        shutil.copytree(e2e.BUNDLE, cls.older_bundle)
        with (cls.older_bundle / CHANGED).open("ab") as changed:
            changed.write(b"older")
        (cls.older_bundle / OLDER_ONLY).write_text("from the older package\n")
        cls.older = WORK / f"kestro-{OLDER_VERSION}-x64.msi"
        cls.older_output = make_msi("--bundle", str(cls.older_bundle), "--version", OLDER_VERSION,
                                    "--output", str(cls.older))
        # This version, signed with a certificate made here and now.
        cls.cert, key = WORK / "cert.pem", WORK / "key.pem"
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1",
                        "-subj", "/CN=kestro test signing", "-keyout", str(key),
                        "-out", str(cls.cert)], capture_output=True, check=True)
        cls.signed_bundle = WORK / "signed-bundle"
        cls.newer = WORK / f"kestro-{VERSION}-x64.msi"
        make_msi("--bundle", str(e2e.BUNDLE), "--version", VERSION, "--output", str(cls.newer),
                 "--sign-cert", str(cls.cert), "--sign-key", str(key),
                 "--signed-bundle", str(cls.signed_bundle))
        completed = wine(e2e.WINE_PRINTERS, "add-file", PRINTER, str(e2e.PORT_FILES[PRINTER]),
                         "--default")
        if completed.returncode != 0:
            raise AssertionError(f"wine-printers failed: {completed.stderr}")

    @classmethod
    def tearDownClass(cls):
        e2e.stop_wine()

    def test_install_upgrade_run_downgrade_and_remove(self):
        self.check_packages()
        before = self.prefix_state()
        self.check_a_setting_out_of_range_is_refused(before)
        self.check_installs_silently(self.older, OLDER_VERSION, self.older_bundle,
                                     ["START_AT_LOGON=1"], before)
        self.assertEqual(registry(OWN_KEY, with_types=True)[OWN_KEY],
                         {"StartMenuShortcut": ("REG_DWORD", "0x1")})
        # An upgrade that does not give START_AT_LOGON keeps it.
        self.check_installs_silently(self.newer, VERSION, self.signed_bundle, SETTINGS, before,
                                     starts_at_logon=True)
        self.check_settings_event_source_and_policies()
        self.check_signatures()
        self.check_installed_program_opens_the_drawer()
        self.check_downgrade_is_refused()
        self.check_removes_silently(before)

    def check_packages(self):
        self.assertEqual(self.older_output.splitlines(), [
            f"{self.older}: {self.older.stat().st_size} bytes, not signed (no certificate "
            "given: see \"Installing on a till\" in README.md)"])
        properties = dict(row[:2] for row in msi_table(self.newer, "Property"))
        self.assertEqual((properties["ProductName"], properties["ProductVersion"],
                          properties["Manufacturer"]), ("kestro", VERSION, PUBLISHER))
        # The program's version resource and the package name one version.
        versions = {row[2]: row[4] for row in msi_table(self.newer, "File")}
        self.assertEqual(versions["kestro.exe"], VERSION + ".0")

    def prefix_state(self):
        """What the walk's checks look at that exists before any installation."""
        return {"entries": uninstall_entries(), "shortcuts": shortcuts(),
                "run": registry(RUN_KEY).get(RUN_KEY, {}), "products": registry(PRODUCTS_KEY)}

    def check_a_setting_out_of_range_is_refused(self, before):
        code, log = msiexec("out-of-range", "/i", e2e.windows_path(self.older),
                            "EXPIRE_AFTER_MS=600001")
        self.assertEqual(code, ERROR_INSTALL_FAILURE % 256, log[-3000:])
        self.assertFalse(INSTALL_DIR.exists())
        self.assertEqual(self.prefix_state(), before)

    def check_installs_silently(self, package, version, bundle, properties, before,
                                starts_at_logon=None):
        code, log = msiexec(f"install-{version}", "/i", e2e.windows_path(package), *properties)
        self.assertEqual(code, 0, log[-3000:])
        self.assertEqual(file_digests(INSTALL_DIR), file_digests(bundle))

        entries = uninstall_entries()
        self.assertEqual(len(entries), len(before["entries"]) + 1, entries)
        (entry,) = [v for k, v in entries.items() if k not in before["entries"]]
        self.assertEqual((entry["DisplayName"], entry["DisplayVersion"], entry["Publisher"]),
                         ("kestro", version, PUBLISHER))
        product = {k: v for k, v in registry(PRODUCTS_KEY).items() if k not in before["products"]}
        icons = [v["ProductIcon"] for v in product.values() if "ProductIcon" in v]
        self.assertEqual(len(icons), 1, product)
        (icon_option,) = build_arguments("--icon")
        self.assertEqual(unix_path(icons[0]).read_bytes(), pathlib.Path(icon_option).read_bytes())

        added = {k: v for k, v in shortcuts().items() if k not in before["shortcuts"]}
        self.assertEqual([pathlib.PurePosixPath(k).name for k in added], ["kestro.lnk"])
        (shortcut,) = added.values()
        self.assertIn(INSTALLED_PROGRAM.encode() + b"\0", shortcut)
        self.assertIn(icons[0].encode("utf-16-le"), shortcut)

        run = registry(RUN_KEY).get(RUN_KEY, {})
        expected_run = dict(before["run"])
        if starts_at_logon or "START_AT_LOGON=1" in properties:
            expected_run["kestro"] = f'"{INSTALLED_PROGRAM}"'
        self.assertEqual(run, expected_run)

    def check_settings_event_source_and_policies(self):
        self.assertEqual(registry(OWN_KEY, with_types=True)[OWN_KEY], {
            "StartMenuShortcut": ("REG_DWORD", "0x1"),
            "ExpireAfterMs": ("REG_DWORD", "0x1388"),
            "OpenWarningSeconds": ("REG_DWORD", "0x5a")})
        self.assertEqual(registry(EVENT_SOURCE_KEY, with_types=True), {EVENT_SOURCE_KEY: {
            "EventMessageFile": ("REG_EXPAND_SZ", INSTALLED_PROGRAM),
            "TypesSupported": ("REG_DWORD", "0x7")}})
        for template in ("kestro.admx", "en-US/kestro.adml"):
            self.assertEqual((INSTALL_DIR / "policy" / template).read_bytes(),
                             (POLICY_SOURCE / template).read_bytes())
        self.assertTrue(RECORD_FOLDER.is_dir())
        # The folder's permissions, which Wine does not apply, are in the package.
        (permissions,) = msi_table(self.newer, "MsiLockPermissionsEx")
        self.assertEqual(permissions[1:3], ["RecordFolder", "CreateFolder"])

    def check_signatures(self):
        signed = build_arguments("--sign-file")
        self.assertIn("kestro.exe", signed)
        for path in [self.newer] + [INSTALL_DIR / name for name in signed]:
            with self.subTest(signed=path.name):
                completed = subprocess.run(["osslsigncode", "verify", "-CAfile", str(self.cert),
                                            "-in", str(path)], capture_output=True, text=True,
                                           check=False)
                self.assertEqual(completed.returncode, 0, completed.stdout + completed.stderr)
        # Signing changed the signed files alone.
        unsigned = {k: v for k, v in file_digests(self.signed_bundle).items() if k not in signed}
        self.assertEqual(unsigned,
                         {k: v for k, v in file_digests(e2e.BUNDLE).items() if k not in signed})

    def check_installed_program_opens_the_drawer(self):
        e2e.clear_port_files()
        code, stderr, transcript = run_installed_program()
        self.assertEqual(code, 0, stderr)
        self.assertTrue(transcript and transcript[0].get("bundleFilesFound"), transcript)
        requests = [line for line in transcript if "request" in line]
        self.assertEqual(len(requests), 2, requests)
        printers = requests[0]["reply"]["success"]
        self.assertEqual([(p["name"], p["isDefault"]) for p in printers], [(PRINTER, True)])
        self.assertEqual(requests[1]["reply"], {"success": {
            "success": True, "message": SENT, "printerName": PRINTER}})
        received = e2e.wait_for_port_bytes(PRINTER, len(DRAWER_KICK) // 2)
        self.assertEqual(received.hex(), DRAWER_KICK)
        # The registered source takes the events without a word; the record has them.
        self.assertNotIn("no source", stderr)
        record = [json.loads(line) for line in
                  (RECORD_FOLDER / "drawer-log.jsonl").read_text(encoding="utf-8").splitlines()]
        self.assertEqual([(r["event"], r.get("printer")) for r in record],
                         [("programStarted", None), ("kickSent", PRINTER),
                          ("programEnded", None)])

    def check_downgrade_is_refused(self):
        installed = file_digests(INSTALL_DIR)
        entries = uninstall_entries()
        code, log = msiexec("downgrade", "/i", e2e.windows_path(self.older))
        self.assertEqual(code, ERROR_INSTALL_FAILURE % 256, log[-3000:])
        # Refused because of the newer version found. Windows logs the launch
        # condition's message, which the package carries; Wine logs none.
        self.assertIn("WIX_DOWNGRADE_DETECTED = {", log)
        self.assertIn(["NOT WIX_DOWNGRADE_DETECTED", DOWNGRADE_MESSAGE],
                      msi_table(self.older, "LaunchCondition"))
        self.assertEqual(file_digests(INSTALL_DIR), installed)
        self.assertEqual(uninstall_entries(), entries)

    def check_removes_silently(self, before):
        code, log = msiexec("remove", "/x", e2e.windows_path(self.newer))
        self.assertEqual(code, 0, log[-3000:])
        self.assertFalse(INSTALL_DIR.exists())
        self.assertEqual(self.prefix_state(), before)
        self.assertEqual(registry(OWN_KEY), {})
        self.assertEqual(registry(EVENT_SOURCE_KEY), {})
        # What the program wrote stays.
        self.assertTrue((RECORD_FOLDER / "drawer-log.jsonl").is_file())


if __name__ == "__main__":
    unittest.main()
