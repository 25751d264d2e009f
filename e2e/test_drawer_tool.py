"""kestro-drawer.exe, the technician's tool, from the bundle against the real
spooler of the tests' Wine prefix: it lists the printers the prefix holds,
sends what the host sends in each dialect, and reports a refused call with
its code. Wine's spooler keeps no queue (it prints each job inside
EndDocPrinter, and EnumJobsW is a stub that fails), so only the failure of
`jobs` is seen here; the queue commands are tested with the fake spooler."""

import json
import unittest

import kestro_e2e as e2e

RECEIPT = e2e.RECEIPT_PRINTER
DIALECTS = [{}, {"protocol": "escPosAscii", "pin": 1}, {"protocol": "starPrnt"}]
TOOL_OPTIONS = {"protocol": "--protocol", "pin": "--pin"}
UNKNOWN = "K\u00fcchendrucker"


def tearDownModule():
    e2e.stop_wine()


def tool_arguments(arguments):
    options = []
    for key, value in arguments.items():
        options += [TOOL_OPTIONS[key], str(value)]
    return options


class DrawerToolTest(unittest.TestCase):

    def test_list_names_the_installed_printers_in_the_hosts_order(self):
        run = e2e.run_drawer_tool("list", "--json")
        self.assertEqual(run.exit_code, 0, run.stderr)
        listed = json.loads(run.stdout)["printers"]
        shown = [{key: p[key] for key in ("name", "driverName", "portName", "isDefault")}
                 for p in listed]
        self.assertEqual(shown, e2e.installed_printers())
        # Wine's test driver is a classic one, and its printers report no trouble.
        self.assertEqual({(p["xpsDriver"], p["status"], p["queuedJobs"]) for p in listed},
                         {(False, 0, 0)})

    def test_open_delivers_the_hosts_bytes_in_each_dialect(self):
        e2e.clear_port_files()
        host = e2e.run_kestro("tool-dialects", [{"method": "openDrawer", "arguments": a}
                                                for a in DIALECTS])
        self.assertEqual(host.exit_code, 0, host.stderr)
        host_bytes = e2e.wait_for_port_bytes(RECEIPT, 5 * len(DIALECTS))
        e2e.clear_port_files()
        for arguments in DIALECTS:
            run = e2e.run_drawer_tool("open", *tool_arguments(arguments), "--json")
            self.assertEqual(run.exit_code, 0, run.stdout + run.stderr)
            report = json.loads(run.stdout)
            self.assertEqual(report["answer"], {
                "success": True, "printerName": RECEIPT,
                "message": "The cash drawer command was sent to the printer."})
            # Wine prints the job inside EndDocPrinter: the watch's first look
            # finds it gone.
            self.assertEqual((report["kick"]["fate"], report["kick"]["errorCode"]),
                             ("leftQueue", 0))
        tool_bytes = e2e.wait_for_port_bytes(RECEIPT, 5 * len(DIALECTS))
        self.assertEqual(tool_bytes.hex(), "1b700019fa" "1b703119fa" "1b07197f07")
        self.assertEqual(tool_bytes, host_bytes)

    def test_an_unknown_printer_is_refused_with_the_spoolers_code(self):
        run = e2e.run_drawer_tool("open", "--printer", UNKNOWN)
        self.assertEqual(run.exit_code, 1, run.stderr)
        self.assertIn(f"Printer:   {UNKNOWN}, by --printer \"{UNKNOWN}\" as given: no installed "
                      "printer bears that name\n", run.stdout)
        self.assertIn('Answer:    {"errorCode":1801,"message":"Windows could not open the '
                      'selected printer.","success":false}\n', run.stdout)
        run = e2e.run_drawer_tool("jobs", "--printer", UNKNOWN)
        self.assertEqual((run.exit_code, run.stdout),
                         (1, f"{UNKNOWN}: OpenPrinterW failed, error 1801\n"))

    def test_a_malformed_command_line_gets_the_usage(self):
        run = e2e.run_drawer_tool("open", "--pin", "one")
        self.assertEqual(run.exit_code, 2)
        self.assertEqual(run.stdout, "")
        self.assertTrue(run.stderr.startswith(
            'kestro-drawer: --pin takes a 32-bit whole number, not "one"\n'
            "usage: kestro-drawer list [--json]\n"), run.stderr)

    def test_jobs_reports_wines_failing_queue_listing_with_its_code(self):
        run = e2e.run_drawer_tool("jobs", "--json")
        self.assertEqual(run.exit_code, 1, run.stderr)
        printers = json.loads(run.stdout)["printers"]
        self.assertEqual([p["name"] for p in printers],
                         [p["name"] for p in e2e.installed_printers()])
        # Wine's EnumJobsW is a stub that fails without setting a code.
        for printer in printers:
            self.assertEqual((sorted(printer), printer["call"], printer["errorCode"]),
                             (["call", "errorCode", "name"], "EnumJobsW", 0))


if __name__ == "__main__":
    unittest.main()
