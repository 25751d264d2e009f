"""The "kestro/cash_drawer" channel as the app uses it, against the real
spooler of the tests' Wine prefix: the printer list, the drawer command in
every dialect as the printer receives it, the answers to bad input, to an
unknown printer and to a spooler library that cannot be loaded. Replies are read from their bytes with an independent
decoder of the standard codec."""

import unittest

import kestro_e2e as e2e
import standard_codec as codec
from standard_codec import Int64

RECEIPT = e2e.RECEIPT_PRINTER
OFFICE = e2e.OFFICE_PRINTER
SENT = "The cash drawer command was sent to the printer."
MISSING = "Cash drawer arguments are missing."
NOT_OPENED = "Windows could not open the selected printer."
NO_PRINTER = "No installed or default Windows printer was found."


def open_drawer(arguments):
    return {"method": "openDrawer", "arguments": arguments}


def reply_of(line):
    return codec.decode_reply(bytes.fromhex(line["replyHex"]))


def tearDownModule():
    e2e.stop_wine()


class ListPrintersTest(unittest.TestCase):

    def test_lists_the_prefixs_printers_in_spooler_order_with_the_default_marked(self):
        run = e2e.run_kestro("list", [{"method": "listPrinters"},
                                      {"method": "listPrinters", "arguments": {"x": [1]}}])
        self.assertEqual(run.exit_code, 0, run.stderr)
        expected = e2e.installed_printers()
        requests = run.requests()
        self.assertEqual(len(requests), 2)
        for line in requests:
            self.assertEqual(reply_of(line), ("success", expected))
            self.assertEqual(line["reply"], {"success": expected})
        by_name = {p["name"]: p for p in expected}
        self.assertTrue(by_name[RECEIPT]["isDefault"])
        self.assertFalse(by_name[OFFICE]["isDefault"])
        self.assertIn("receipt.bin", by_name[RECEIPT]["portName"])
        # Each map lists its keys in the host's map order.
        self.assertEqual(bytes.fromhex(requests[0]["replyHex"]),
                         codec.encode_success_reply(expected))


class OpenDrawerTest(unittest.TestCase):
    """One run opens the drawer in each dialect and on each printer."""

    CASES = [
        # (arguments, printer that opens, bytes it receives)
        ({}, RECEIPT, "1b700019fa"),
        ({"protocol": "escPosAscii"}, RECEIPT, "1b703019fa"),
        ({"protocol": "escPosAscii", "pin": 1}, RECEIPT, "1b703119fa"),
        ({"protocol": "starPrnt"}, RECEIPT, "1b07197f07"),
        ({"protocol": "starPrnt", "pin": 1, "pulseOn": 0, "pulseOff": 500}, RECEIPT,
         "1b07017f1a"),
        ({"protocol": "StarPrnt", "pulseOn": 300, "pulseOff": -5}, RECEIPT, "1b7000ff00"),
        ({"printerName": "office laser", "pin": 1}, OFFICE, "1b700119fa"),
        ({"modelHint": "LASER", "protocol": "starPrnt"}, OFFICE, "1b07197f07"),
        # Mistyped entries take their defaults; the 64-bit pin keeps its low 32 bits.
        ({"printerName": 5, "pulseOn": 30.0, "pin": {"$int64": 4294967297},
          "protocol": "starPrnt"}, RECEIPT, "1b07197f1a"),
        # The shortest watch, and none: a command the printer took is never withdrawn.
        ({"expireAfterMs": 1}, RECEIPT, "1b700019fa"),
        ({"expireAfterMs": 0, "pin": 1}, RECEIPT, "1b700119fa"),
    ]

    @classmethod
    def setUpClass(cls):
        e2e.clear_port_files()
        cls.run_ = e2e.run_kestro("drawer", [open_drawer(a) for a, _, _ in cls.CASES])
        cls.received = {}
        for printer in (RECEIPT, OFFICE):
            expected = "".join(h for _, p, h in cls.CASES if p == printer)
            cls.received[printer] = e2e.wait_for_port_bytes(printer, len(expected) // 2)

    def test_exits_zero_after_the_script(self):
        self.assertEqual(self.run_.exit_code, 0, self.run_.stderr)

    def test_every_request_is_answered_with_a_sent_result(self):
        requests = self.run_.requests()
        self.assertEqual(len(requests), len(self.CASES))
        for line, (arguments, printer, _) in zip(requests, self.CASES):
            with self.subTest(arguments=arguments):
                self.assertEqual(reply_of(line), ("success", {
                    "success": True, "message": SENT, "printerName": printer}))

    def test_no_command_is_withdrawn(self):
        self.assertEqual([line for line in self.run_.stderr_lines() if "withdr" in line], [])

    def test_each_printer_receives_its_commands_in_order(self):
        for printer in (RECEIPT, OFFICE):
            with self.subTest(printer=printer):
                expected = "".join(h for _, p, h in self.CASES if p == printer)
                self.assertEqual(self.received[printer].hex(), expected)


class BadInputTest(unittest.TestCase):

    REQUESTS = [
        {"method": "openDrawer"},
        open_drawer(None),
        open_drawer([{"printerName": RECEIPT}]),
        open_drawer("Receipt Printer"),
        open_drawer(1),
        {"method": "OpenDrawer", "arguments": {}},
        {"method": "openDrawer ", "arguments": {}},
        {"method": "printReceipt"},
        {"raw": "03 01 00 00 00"},  # an integer where the method name belongs
        {"raw": ""},
        {"method": "listPrinters", "channel": "kestro/other"},
    ]

    @classmethod
    def setUpClass(cls):
        e2e.clear_port_files()
        cls.run_ = e2e.run_kestro("bad", cls.REQUESTS)
        cls.lines = cls.run_.requests()

    def test_every_request_is_answered_and_the_program_exits_zero(self):
        self.assertEqual(self.run_.exit_code, 0, self.run_.stderr)
        self.assertEqual([line["request"] for line in self.lines], self.REQUESTS)

    def test_open_drawer_without_a_map_is_a_channel_error(self):
        error = codec.encode_error_reply("invalid_arguments", MISSING)
        for line in self.lines[:5]:
            with self.subTest(request=line["request"]):
                self.assertEqual(bytes.fromhex(line["replyHex"]), error)
                self.assertEqual(line["reply"], {"error": {
                    "code": "invalid_arguments", "message": MISSING, "details": None}})

    def test_unknown_methods_are_not_implemented(self):
        for line in self.lines[5:8]:
            with self.subTest(request=line["request"]):
                self.assertEqual(line["replyHex"], "")
                self.assertEqual(line["reply"], {"notImplemented": True})

    def test_undecodable_bytes_get_an_empty_reply_and_one_error_line(self):
        self.assertEqual(self.lines[8]["replyHex"], "")
        self.assertEqual(self.lines[9]["replyHex"], "")
        unable = [line for line in self.run_.stderr_lines() if line.startswith("Unable to")]
        self.assertEqual(unable, ["Unable to construct method call from message on channel "
                                  "kestro/cash_drawer"] * 2)

    def test_other_channels_have_no_handler(self):
        self.assertTrue(self.lines[10].get("noHandler"))

    def test_no_printer_received_anything(self):
        for printer in (RECEIPT, OFFICE):
            self.assertEqual(e2e.wait_for_port_bytes(printer, 1, timeout=2), b"")


class UnknownPrinterTest(unittest.TestCase):

    def test_an_unknown_printer_answers_a_failure_map_with_the_error_code(self):
        run = e2e.run_kestro("unknown", [open_drawer({"printerName": "Kitchen Printer"})])
        self.assertEqual(run.exit_code, 0, run.stderr)
        kind, value = reply_of(run.requests()[0])
        self.assertEqual(kind, "success")
        self.assertEqual(sorted(value), ["errorCode", "message", "success"])
        self.assertEqual(value["success"], False)
        self.assertEqual(value["message"], NOT_OPENED)
        self.assertIsInstance(value["errorCode"], int)
        self.assertNotIsInstance(value["errorCode"], Int64)
        self.assertEqual(value["errorCode"], 1801)  # ERROR_INVALID_PRINTER_NAME


class SpoolerLibraryMissingTest(unittest.TestCase):
    """winspool.drv is loaded at the first spooler call. When it cannot be
    loaded, every spooler call fails with the load's error code instead of
    ending the program."""

    def test_the_app_gets_failure_answers_and_the_program_exits_zero(self):
        e2e.clear_port_files()
        run = e2e.run_kestro("no-spooler", [
            {"method": "listPrinters"},
            open_drawer({"printerName": RECEIPT}),
            open_drawer({}),
        ], env={"WINEDLLOVERRIDES": "winspool.drv=d"})
        self.assertEqual(run.exit_code, 0, run.stderr)
        self.assertEqual([reply_of(line) for line in run.requests()], [
            ("success", []),
            # ERROR_MOD_NOT_FOUND; the name is the caller's, since no printer is listed.
            ("success", {"success": False, "message": NOT_OPENED, "errorCode": 126}),
            ("success", {"success": False, "message": NO_PRINTER}),
        ])
        self.assertEqual(e2e.wait_for_port_bytes(RECEIPT, 1, timeout=2), b"")


if __name__ == "__main__":
    unittest.main()
