"""The drawer's state as the app and the technician's tool read it: kestro.exe
and kestro-drawer.exe under Wine against the fake drawer device, over a serial
port (a pseudo-terminal that the prefix maps to COM1) and over TCP on
127.0.0.1. The printer "Drawer Printer" hands its jobs to the device's
pseudo-terminal, so a kick opens the device's drawer, which closes again after
a while. The suite has a prefix of its own, since COM1 must be mapped before
the prefix's Wine server starts."""

import json
import subprocess
import unittest

import kestro_e2e as e2e
import standard_codec as codec
from drawer_link_wine_test import WINE_PORTS_KEY, import_registry
from fake_drawer import FakeDrawer

PREFIX = e2e.WORK / "drawer-state-prefix"
DRAWER_PRINTER = "Drawer Printer"
PLAIN_PRINTER = "Plain Printer"
# The device closes its drawer this long after a kick.
CLOSE_AFTER_S = 1.5
KICK = bytes.fromhex("1b700019fa")
ESC_POS_REQUEST = bytes.fromhex("100401")
STAR_REQUEST = bytes.fromhex("1b0601")
NO_CHANNEL = "no direct channel is set for this printer"

device = None


def setUpModule():
    global device
    device = FakeDrawer(pin=2, close_after=CLOSE_AFTER_S)
    device.start()
    try:
        import_registry(e2e.WINE_RUN, PREFIX, {
            WINE_PORTS_KEY: {"COM1": f'"{device.serial_path}"'},
            r"HKEY_LOCAL_MACHINE\Software\kestro\DrawerStateVia": {DRAWER_PRINTER: '"COM1"'},
        })
        printers = [e2e.WINE_RUN, "--prefix", str(PREFIX), e2e.WINE_PRINTERS]
        subprocess.run(printers + ["add", DRAWER_PRINTER, f"|cat > '{device.pty_path}'",
                                   "--default"], check=True, capture_output=True, timeout=300)
        plain_port = e2e.WORK / "drawer-state-plain.bin"
        subprocess.run(printers + ["add-file", PLAIN_PRINTER, str(plain_port)], check=True,
                       capture_output=True, timeout=300)
    except Exception:
        tearDownModule()
        raise


def tearDownModule():
    subprocess.run([e2e.WINE_RUN, "--prefix", str(PREFIX), "--stop"], check=False, timeout=120)
    if device is not None:
        device.stop()


def call(method, **arguments):
    return {"method": method, "arguments": {"printerName": DRAWER_PRINTER, **arguments}}


def answers(run):
    """Each request's answer value; a request that got none fails the test."""
    values = []
    for line in run.requests():
        kind, value = codec.decode_reply(bytes.fromhex(line["replyHex"]))
        if kind != "success":
            raise AssertionError(f"{line['request']} answered {kind}: {value}")
        values.append(value)
    return values


def only_requests(received, request):
    """Whether `received` is one or more copies of `request`, and nothing else."""
    return len(received) > 0 and received == request * (len(received) // len(request))


class DrawerStateTest(unittest.TestCase):

    def setUp(self):
        device.set_mode("normal")
        device.close_by_hand()
        device.clear_received()

    def run_app(self, name, requests):
        run = e2e.run_kestro(name, requests, app_args=["--reply-timeout-ms", "20000"],
                             prefix=PREFIX)
        self.assertEqual(run.exit_code, 0, run.stderr)
        self.assertEqual(len(run.requests()), len(requests), run.transcript)
        for line in run.requests():
            self.assertNotIn("timedOut", line)
        return run

    def assert_kicked_and_asked(self, transport, request=ESC_POS_REQUEST):
        """The device got the kick once through the printer's port and, over
        `transport`, nothing but status requests."""
        serial = device.received("serial")
        self.assertEqual(serial.count(KICK), 1, serial.hex())
        asked = device.received(transport)
        if transport == "serial":
            asked = asked.replace(KICK, b"")
        self.assertTrue(only_requests(asked, request), asked.hex())

    def test_over_com1_a_kick_is_confirmed_then_awaited_closed(self):
        run = self.run_app("state-com1", [
            call("openDrawer", confirmWithinMs=5000),
            call("waitForDrawer", state="closed", timeoutMs=10000),
            call("getDrawerState"),
        ])
        opened, waited, read = answers(run)
        self.assertEqual(opened, {"success": True, "printerName": DRAWER_PRINTER,
                                  "message": "The cash drawer command was sent to the printer.",
                                  "drawerOpened": True})
        self.assertEqual((waited["reached"], waited["state"], waited["via"]),
                         (True, "closed", "COM1"))
        self.assertEqual(read, {"state": "closed", "level": "high", "via": "COM1",
                                "printerName": DRAWER_PRINTER})
        self.assert_kicked_and_asked("serial")

    def test_over_tcp_the_call_names_the_channel(self):
        via = f"tcp:127.0.0.1:{device.tcp_port}"
        run = self.run_app("state-tcp", [
            call("openDrawer", confirmWithinMs=5000, via=via),
            call("waitForDrawer", state="closed", timeoutMs=10000, via=via, protocol="starPrnt"),
        ])
        opened, waited = answers(run)
        self.assertIs(opened["drawerOpened"], True)
        self.assertEqual((waited["reached"], waited["state"], waited["via"]),
                         (True, "closed", f"tcp 127.0.0.1:{device.tcp_port}"))
        tcp = device.received("tcp")
        # ESC/POS requests for the confirmation, then Star requests for the wait.
        first_star = tcp.find(STAR_REQUEST)
        self.assertGreater(first_star, 0, tcp.hex())
        self.assertTrue(only_requests(tcp[:first_star], ESC_POS_REQUEST), tcp.hex())
        self.assertTrue(only_requests(tcp[first_star:], STAR_REQUEST), tcp.hex())
        self.assertEqual(device.received("serial"), KICK)

    def test_a_silent_device_reads_unknown_within_the_time_given(self):
        device.set_mode("silent")
        run = self.run_app("state-silent", [
            call("getDrawerState", timeoutMs=1500),
            call("getDrawerState", timeoutMs=1500, via=f"tcp:127.0.0.1:{device.tcp_port}"),
            call("waitForDrawer", state="open", timeoutMs=1500),
        ])
        serial, tcp, waited = answers(run)
        self.assertEqual(serial, {"state": "unknown", "reason": "no answer", "via": "COM1",
                                  "printerName": DRAWER_PRINTER})
        self.assertEqual(tcp, {"state": "unknown", "reason": "no answer",
                               "via": f"tcp 127.0.0.1:{device.tcp_port}",
                               "printerName": DRAWER_PRINTER})
        self.assertEqual((waited["reached"], waited["state"]), (False, "unknown"))
        self.assertTrue(only_requests(device.received("serial"), ESC_POS_REQUEST))

    def test_a_printer_without_a_channel_is_never_asked(self):
        run = self.run_app("state-none", [{"method": "getDrawerState",
                                           "arguments": {"printerName": PLAIN_PRINTER}}])
        (read,) = answers(run)
        self.assertEqual((read["state"], read["reason"]), ("unknown", NO_CHANNEL))
        self.assertEqual((device.received("serial"), device.received("tcp")), (b"", b""))


class DrawerToolStateTest(unittest.TestCase):

    def setUp(self):
        device.set_mode("normal")
        device.close_by_hand()
        device.clear_received()

    def tool(self, *arguments):
        return e2e.run_drawer_tool(*arguments, prefix=PREFIX)

    def test_reads_the_state_where_the_machine_setting_says(self):
        closed = self.tool("state", "--printer", DRAWER_PRINTER, "--json")
        self.assertEqual(closed.exit_code, 0, closed.stdout + closed.stderr)
        report = json.loads(closed.stdout)
        self.assertEqual((report["state"], report["level"]), ("closed", "high"))
        self.assertEqual(report["channel"]["source"], "machine")
        device.open_by_hand()
        opened = self.tool("state", "--printer", DRAWER_PRINTER, "--protocol", "starPrnt")
        self.assertEqual(opened.exit_code, 0, opened.stdout + opened.stderr)
        self.assertIn("open", opened.stdout)
        self.assertEqual(device.received("serial"), ESC_POS_REQUEST + STAR_REQUEST)

    def test_a_wait_not_reached_and_a_printer_without_a_channel_exit_1(self):
        waited = self.tool("state", "--printer", DRAWER_PRINTER, "--wait", "open",
                           "--timeout-ms", "600", "--json")
        self.assertEqual(waited.exit_code, 1, waited.stdout + waited.stderr)
        self.assertIs(json.loads(waited.stdout)["wait"]["reached"], False)
        plain = self.tool("state", "--printer", PLAIN_PRINTER)
        self.assertEqual(plain.exit_code, 1, plain.stdout + plain.stderr)
        self.assertIn(NO_CHANNEL, plain.stdout)

    def test_open_reports_the_confirmation(self):
        opened = self.tool("open", "--printer", DRAWER_PRINTER, "--confirm-ms", "5000", "--json")
        self.assertEqual(opened.exit_code, 0, opened.stdout + opened.stderr)
        self.assertIs(json.loads(opened.stdout)["confirmation"]["drawerOpened"], True)
        self.assert_kick_once()

    def assert_kick_once(self):
        self.assertEqual(device.received("serial").count(KICK), 1)


if __name__ == "__main__":
    unittest.main()
