"""Runs the bundled kestro.exe under Wine, the way the end-to-end tests need
it: with a script for the stand-in app, reading back its transcript, its
exit code, its standard error and the bytes the printers received.

Paths come from the environment that ctest sets (see CMakeLists.txt):
KESTRO_E2E_WORK (a folder of the build for prefixes, scripts and port files),
KESTRO_BUNDLE_DIR, KESTRO_WINE_RUN, KESTRO_WINE_PRINTERS and
KESTRO_E2E_LAUNCHER."""

import dataclasses
import json
import os
import pathlib
import subprocess
import time

WORK = pathlib.Path(os.environ["KESTRO_E2E_WORK"])
BUNDLE = pathlib.Path(os.environ["KESTRO_BUNDLE_DIR"])
WINE_RUN = os.environ["KESTRO_WINE_RUN"]
WINE_PRINTERS = os.environ.get("KESTRO_WINE_PRINTERS", "")
LAUNCHER = os.environ.get("KESTRO_E2E_LAUNCHER", "")

PREFIX = WORK / "wine-prefix"
PORTS = WORK / "ports"
RECEIPT_PRINTER = "Receipt Printer"
OFFICE_PRINTER = "Office Laser"
PORT_FILES = {RECEIPT_PRINTER: PORTS / "receipt.bin", OFFICE_PRINTER: PORTS / "office.bin"}
# Written by prepare_prefix.py: the printers as the spooler lists them.
PRINTER_LIST = WORK / "printers.json"

# Stands for one unpaired UTF-16 surrogate in an argument given to the
# launcher, which no Unix command line can carry to a Windows program.
UNPAIRED_SURROGATE = "{unpaired-surrogate}"

PLUGINS = [
    "AppLinksPluginCApi",
    "AudioplayersWindowsPlugin",
    "ConnectivityPlusWindowsPlugin",
    "PrintingPlugin",
    "SharePlusWindowsPluginCApi",
    "Sqlite3FlutterLibsPlugin",
    "UrlLauncherWindows",
    "WindowsSingleInstancePlugin",
]


def windows_path(path):
    """The Windows path of a Unix path: Wine's drive Z: is the Unix root."""
    return "Z:" + str(pathlib.Path(path).resolve()).replace("/", "\\")


def stop_wine():
    """Ends every Wine process of the tests' prefix, and its wineserver."""
    subprocess.run([WINE_RUN, "--prefix", str(PREFIX), "--stop"], check=True, timeout=120)


@dataclasses.dataclass
class Run:
    exit_code: int
    stderr: str
    transcript: list
    # With end_session: the launcher's lines (each message and its answer),
    # and the transcript as it was when WM_ENDSESSION returned.
    stdout: str = ""
    transcript_at_session_end: list = dataclasses.field(default_factory=list)

    def started(self):
        return self.transcript[0] if self.transcript else {}

    def requests(self):
        return [line for line in self.transcript if "request" in line]

    def stderr_lines(self):
        return [line.rstrip("\r") for line in self.stderr.split("\n") if line.strip()]


def read_transcript(path):
    if not path.exists():
        return []
    return [json.loads(line) for line in path.read_text(encoding="utf-8").splitlines()
            if line.strip()]


def run_kestro(name, requests=None, app_args=(), env=None, via_launcher=False,
               end_session=False, timeout=120, prefix=PREFIX, bundle=BUNDLE):
    """Runs kestro.exe from the bundle (or a copy of it) in `prefix` with the
    stand-in app's `requests` (a list of script lines, or None for no script)
    and `app_args` after the app's own options. Returns the exit code,
    standard error and transcript. With `end_session` the launcher ends the
    session once the window shows."""
    WORK.mkdir(parents=True, exist_ok=True)
    script = WORK / f"{name}.jsonl"
    transcript = WORK / f"{name}.transcript.jsonl"
    at_session_end = WORK / f"{name}.session-end.jsonl"
    for path in (transcript, at_session_end):
        if path.exists():
            path.unlink()
    arguments = []
    if requests is not None:
        script.write_text("".join(json.dumps(r) + "\n" for r in requests), encoding="utf-8")
        arguments += ["--script", windows_path(script)]
    arguments += ["--transcript", windows_path(transcript)]
    arguments += list(app_args)
    command = [WINE_RUN, "--prefix", str(prefix)]
    if end_session:
        command += [LAUNCHER, "--end-session", windows_path(transcript),
                    windows_path(at_session_end), windows_path(bundle / "kestro.exe")]
    elif via_launcher:
        command += [LAUNCHER, windows_path(bundle / "kestro.exe")]
    else:
        command += [str(bundle / "kestro.exe")]
    completed = subprocess.run(command + arguments, cwd=bundle, env={**os.environ, **(env or {})},
                               stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE, timeout=timeout, check=False)
    return Run(completed.returncode, completed.stderr.decode("utf-8", "replace"),
               read_transcript(transcript), completed.stdout.decode("utf-8", "replace"),
               read_transcript(at_session_end))


def clear_port_files():
    PORTS.mkdir(parents=True, exist_ok=True)
    for path in PORT_FILES.values():
        path.write_bytes(b"")


def wait_for_port_bytes(printer, count, timeout=30):
    """The bytes printer `printer` received, once there are at least `count`
    of them or when `timeout` seconds have passed. The spooler hands a job to
    the port after the job has ended, so the bytes may arrive a little after
    the host's answer."""
    path = PORT_FILES[printer]
    deadline = time.monotonic() + timeout
    while True:
        data = path.read_bytes() if path.exists() else b""
        if len(data) >= count or time.monotonic() > deadline:
            return data
        time.sleep(0.2)


def installed_printers():
    return json.loads(PRINTER_LIST.read_text(encoding="utf-8"))


@dataclasses.dataclass
class ToolRun:
    exit_code: int
    stdout: str
    stderr: str


def run_drawer_tool(*arguments, timeout=120, env=None, prefix=PREFIX, bundle=BUNDLE):
    """Runs the bundled kestro-drawer.exe (or the one in a copy of the
    bundle) with `arguments` in `prefix`; its output is UTF-8 when it goes to
    a pipe."""
    completed = subprocess.run([WINE_RUN, "--prefix", str(prefix),
                                str(bundle / "kestro-drawer.exe"), *arguments],
                               cwd=bundle, env={**os.environ, **(env or {})},
                               stdin=subprocess.DEVNULL, capture_output=True,
                               timeout=timeout, check=False)
    return ToolRun(completed.returncode, completed.stdout.decode("utf-8"),
                   completed.stderr.decode("utf-8", "replace"))
