"""The cash drawer's audit trail from the bundled programs under Wine: the
events kestro.exe and kestro-drawer.exe report to the Windows Event Log, read
from Wine's traces of ReportEventW (its stub traces the event's type, id and
count with fixme+advapi, and each insertion string with +eventlog), against
the catalogue in audit/audit_events.h; the same events in the local record
under the prefix's ProgramData; and the machine's settings, read from the
prefix's registry, as `kestro-drawer config` shows them.

Wine's spooler prints each job inside EndDocPrinter, so no kick is ever left
to withdraw there; the withdrawals come from a copy of the bundle that loads a
winspool.drv which keeps every job queued, or printing on one printer
(queue_holding_spooler_win.cpp).
The message table itself is checked with FormatMessageW by
runner/message_table_win_test.cpp."""

import json
import os
import pathlib
import re
import shutil
import subprocess
import unittest

import kestro_e2e as e2e

SOURCE = pathlib.Path(os.environ["KESTRO_SOURCE_DIR"])
HOLDING_SPOOLER = pathlib.Path(os.environ["KESTRO_HOLDING_SPOOLER"])
HOLDING_BUNDLE = e2e.WORK / "holding-bundle"
TRACED = {"WINEDEBUG": "+eventlog,fixme+advapi"}
HOLDING = {**TRACED, "WINEDLLOVERRIDES": "winspool.drv=n"}
RECORD = e2e.PREFIX / "drive_c" / "ProgramData" / "kestro" / "drawer-log"
RECORD_FILES = ["drawer-log.4.jsonl", "drawer-log.3.jsonl", "drawer-log.2.jsonl",
                "drawer-log.1.jsonl", "drawer-log.jsonl"]
HKLM = "HKEY_LOCAL_MACHINE\\"
POLICY_KEY = HKLM + r"Software\Policies\kestro"
MACHINE_KEY = HKLM + r"Software\kestro"

NOT_REGISTERED = ('Warning: the Windows Event Log has no source "kestro" on this machine (the '
                  'package registers it); its cash drawer events show without their text')
NOT_OPENED = "Windows could not open the selected printer."
# ReportEventW's event types.
EVENT_TYPES = {0x0004: "information", 0x0002: "warning", 0x0001: "error"}
# A whole number that a run decides (a job id, a time), in an expected event.
NUMBER = object()

REPORT_LINE = re.compile(r"^(\w+):fixme:advapi:ReportEventW \(\w+,0x(\w+),0x\w+,0x(\w+),\w+,"
                         r"0x(\w+),")
STRING_LINE = re.compile(r'^(\w+):(?:trace|warn|err):eventlog:ReportEventW L"(.*)"$')


def catalogue():
    """{event id: (name, severity, fields)} from the one list of the events."""
    text = (SOURCE / "audit" / "audit_events.h").read_text(encoding="utf-8")
    body = re.search(r"#define KESTRO_AUDIT_EVENTS\(X\)(.*?)\n\n", text, re.S)[1]
    body = body.replace("\\\n", " ")
    events = {}
    for kind, event_id, name, severity, fields in re.findall(
            r'X\((k\w+), (\d+), "(\w+)", k(\w+)((?:,\s*"\w+")*)\)', body):
        events[int(event_id)] = (name, severity.lower(), re.findall(r'"(\w+)"', fields))
    return events


def version():
    text = (SOURCE / "CMakeLists.txt").read_text(encoding="utf-8")
    return re.search(r"project\(kestro VERSION (\d+\.\d+\.\d+)", text)[1]


def unescape(text):
    """A string as Wine's debugstr_w writes it, read back."""
    named = {"n": "\n", "r": "\r", "t": "\t"}
    return re.sub(r"\\(x[0-9a-fA-F]{2,4}|.)",
                  lambda m: chr(int(m[1][1:], 16)) if m[1][0] == "x" and len(m[1]) > 1
                  else named.get(m[1], m[1]), text)


class ReportedEvents:
    """The events of one run's traces, each with the name its id has in the
    catalogue, its type and its strings, in the order they were reported;
    the test fails on an id the catalogue lacks, a type other than the
    catalogue's, or a count of strings other than its fields'."""

    def __init__(self, test, stderr):
        known = catalogue()
        self.events = []
        filling = {}  # by thread: [event, strings still to come]
        for line in stderr.splitlines():
            line = line.rstrip("\r")
            if found := REPORT_LINE.match(line):
                thread, event_type, event_id, count = found.groups()
                event_id = int(event_id, 16)
                test.assertIn(event_id, known, line)
                name, severity, fields = known[event_id]
                test.assertEqual(int(count, 16), len(fields), name)
                # The runs here all end well: every event has the catalogue's type.
                test.assertEqual(EVENT_TYPES[int(event_type, 16)], severity, name)
                event = {"name": name, "type": severity, "strings": []}
                self.events.append(event)
                filling[thread] = [event, int(count, 16)]
            elif (found := STRING_LINE.match(line)) and filling.get(found[1], [None, 0])[1] > 0:
                entry = filling[found[1]]
                entry[0]["strings"].append(unescape(found[2]))
                entry[1] -= 1

    def matching(self, test, expected):
        """Checks the events against `expected` [(name, type, strings)], in any
        order across threads; NUMBER matches any whole number."""
        def matches(event, want):
            name, event_type, strings = want
            return (event["name"], event["type"]) == (name, event_type) and \
                len(event["strings"]) == len(strings) and \
                all(s == w or (w is NUMBER and s.isdigit())
                    for s, w in zip(event["strings"], strings))
        left = list(self.events)
        for want in expected:
            found = next((event for event in left if matches(event, want)), None)
            test.assertIsNotNone(found, f"{want} not among {left}")
            left.remove(found)
        test.assertEqual(left, [])


def record_lines():
    """The local record's lines, oldest first."""
    lines = []
    for name in RECORD_FILES:
        path = RECORD / name
        if path.exists():
            lines += path.read_text(encoding="utf-8").splitlines()
    return lines


def reg(*arguments):
    completed = subprocess.run([e2e.WINE_RUN, "--prefix", str(e2e.PREFIX), "reg", *arguments],
                               capture_output=True, text=True, timeout=120, check=False)
    return completed.returncode


def as_strings(line):
    """A record line's fields as the Event Log's insertion strings."""
    fields = json.loads(line)
    del fields["time"]
    name = fields.pop("event")
    return name, ["none" if v is None else str(v) for v in fields.values()]


def setUpModule():
    shutil.rmtree(HOLDING_BUNDLE, ignore_errors=True)
    shutil.copytree(e2e.BUNDLE, HOLDING_BUNDLE)
    shutil.copy2(HOLDING_SPOOLER, HOLDING_BUNDLE / "winspool.drv")


def tearDownModule():
    e2e.stop_wine()


class AppAuditTest(unittest.TestCase):

    def run_app(self, name, requests, env, bundle=e2e.BUNDLE):
        """Runs kestro.exe; returns the run and the record lines it added."""
        before = len(record_lines())
        run = e2e.run_kestro(name, requests, env=env, bundle=bundle)
        self.assertEqual(run.exit_code, 0, run.stderr)
        return run, record_lines()[before:]

    def test_a_kick_and_a_failed_send_are_reported_between_start_and_end(self):
        run, added = self.run_app("audit", [
            {"method": "openDrawer", "arguments": {"printerName": e2e.RECEIPT_PRINTER}},
            {"method": "openDrawer", "arguments": {"printerName": "Kitchen Printer"}},
        ], TRACED)
        events = ReportedEvents(self, run.stderr)
        events.matching(self, [
            ("programStarted", "information", [version()]),
            ("kickSent", "information", [e2e.RECEIPT_PRINTER, NUMBER, "escPos", "0", "app"]),
            ("kickNotSent", "error", ["Kitchen Printer", NOT_OPENED, "1801", "app"]),
            ("programEnded", "information", ["the window was closed", "0"]),
        ])
        self.assertEqual([event["name"] for event in events.events],
                         ["programStarted", "kickSent", "kickNotSent", "programEnded"])
        # The record holds the same events with the same values.
        self.assertEqual([as_strings(line) for line in added],
                         [(event["name"], event["strings"]) for event in events.events])
        # The prefix has no event source registered: said once, not a failure.
        self.assertEqual(run.stderr_lines().count(NOT_REGISTERED), 1)

    def test_the_apps_watch_reports_its_withdrawals_and_a_failed_one(self):
        run, added = self.run_app("audit-withdrawals", [
            {"method": "openDrawer",
             "arguments": {"printerName": printer, "expireAfterMs": 1}}
            for printer in ("Held Printer", "Locked Printer", "Printing Printer")
        ], HOLDING, bundle=HOLDING_BUNDLE)
        events = ReportedEvents(self, run.stderr)
        events.matching(self, [
            ("programStarted", "information", [version()]),
            ("kickSent", "information", ["Held Printer", NUMBER, "escPos", "0", "app"]),
            ("kickSent", "information", ["Locked Printer", NUMBER, "escPos", "0", "app"]),
            ("kickSent", "information", ["Printing Printer", NUMBER, "escPos", "0", "app"]),
            ("kickWithdrawn", "warning", ["Held Printer", NUMBER, NUMBER, "app"]),
            ("withdrawalFailed", "error", ["Locked Printer", NUMBER, "5", "app"]),
            ("kickWithdrawnWhilePrinting", "warning", ["Printing Printer", NUMBER, NUMBER, "app"]),
            ("programEnded", "information", ["the window was closed", "0"]),
        ])
        self.assertEqual(sorted(as_strings(line) for line in added),
                         sorted((event["name"], event["strings"]) for event in events.events))


class ToolAuditTest(unittest.TestCase):

    def test_the_tool_reports_its_kicks_and_what_became_of_them(self):
        # A kick withdrawn while printing may have opened the drawer: done.
        cases = [
            ("Held Printer", 1,
             [("kickWithdrawn", "warning", ["Held Printer", NUMBER, NUMBER, "tool"])]),
            ("Locked Printer", 1,
             [("withdrawalFailed", "error", ["Locked Printer", NUMBER, "5", "tool"])]),
            ("Printing Printer", 0,
             [("kickWithdrawnWhilePrinting", "warning",
               ["Printing Printer", NUMBER, NUMBER, "tool"])]),
        ]
        for printer, exit_code, ending in cases:
            with self.subTest(printer=printer):
                # The shortest watch: --wait-ms 0 would leave the kick unwatched.
                run = e2e.run_drawer_tool("open", "--printer", printer, "--wait-ms", "1",
                                          env=HOLDING, bundle=HOLDING_BUNDLE)
                self.assertEqual(run.exit_code, exit_code, run.stdout + run.stderr)
                ReportedEvents(self, run.stderr).matching(self, [
                    ("kickSent", "information", [printer, NUMBER, "escPos", "0", "tool"]),
                    *ending])

    def test_config_shows_each_setting_and_where_it_came_from(self):
        open_levels = MACHINE_KEY + r"\DrawerOpenLevel"
        values = [(POLICY_KEY, "ExpireAfterMs", "REG_DWORD", "5000"),
                  (MACHINE_KEY, "ExpireAfterMs", "REG_DWORD", "9000"),
                  (MACHINE_KEY, "OpenWarningSeconds", "REG_DWORD", "90"),
                  (POLICY_KEY, "DrawerLogSizeKB", "REG_SZ", "64"),
                  (POLICY_KEY + r"\DrawerStateVia", e2e.RECEIPT_PRINTER, "REG_SZ", "COM1"),
                  (open_levels, e2e.RECEIPT_PRINTER, "REG_SZ", "high")]
        try:
            for key, name, kind, data in values:
                self.assertEqual(reg("add", key, "/v", name, "/t", kind, "/d", data, "/f"), 0)
            run = e2e.run_drawer_tool("config", "--json")
        finally:
            reg("delete", POLICY_KEY, "/f")
            reg("delete", open_levels, "/f")
            for _, name, _, _ in values[1:3]:
                reg("delete", MACHINE_KEY, "/v", name, "/f")
        self.assertEqual(run.exit_code, 0, run.stderr)
        printers = {p["name"]: p for p in json.loads(run.stdout)["printers"]}
        self.assertEqual(set(printers), {p["name"] for p in e2e.installed_printers()})
        self.assertEqual(printers[e2e.RECEIPT_PRINTER], {
            "name": e2e.RECEIPT_PRINTER,
            "drawerStateVia": {"setting": "COM1", "source": "policy", "portChannel": None,
                               "portReason": None},
            "drawerOpenLevel": {"level": "high", "source": "machine"}})
        self.assertEqual(json.loads(run.stdout)["settings"], [
            {"name": "ExpireAfterMs", "value": 5000, "from": "policy"},
            {"name": "OpenWarningSeconds", "value": 90, "from": "machine"},
            {"name": "DrawerLog", "value": 1, "from": "default"},
            {"name": "DrawerLogSizeKB", "value": 1024, "from": "default"},
        ])
        self.assertIn("Warning: ignored the setting HKLM\\Software\\Policies\\kestro\\"
                      "DrawerLogSizeKB: it is not a REG_DWORD value",
                      run.stderr.replace("\r", "").split("\n"))


if __name__ == "__main__":
    unittest.main()
