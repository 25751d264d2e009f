"""The fake drawer device (fake_drawer.py) through its own terminal and TCP
port, as a link would talk to it, and from its command line."""

import json
import os
import select
import socket
import subprocess
import sys
import unittest

from fake_drawer import FakeDrawer

ESCPOS_REQUEST = bytes.fromhex("100401")
STAR_REQUEST = bytes.fromhex("1b0601")
WAIT = 10.0  # seconds; only a device that does not answer ever waits this long


class SerialEnd:
    """The user's end of the device's terminal, opened through serial_path."""

    def __init__(self, path):
        self.fd = os.open(path, os.O_RDWR | os.O_NOCTTY)

    def send(self, data):
        os.write(self.fd, data)

    def ready(self, timeout):
        return bool(select.select([self.fd], [], [], timeout)[0])

    def read_some(self):
        return os.read(self.fd, 4096)

    def close(self):
        os.close(self.fd)


class TcpEnd:
    def __init__(self, port):
        self.socket = socket.create_connection(("127.0.0.1", port), timeout=WAIT)

    def send(self, data):
        self.socket.sendall(data)

    def ready(self, timeout):
        return bool(select.select([self.socket], [], [], timeout)[0])

    def read_some(self):
        return self.socket.recv(4096)

    def close(self):
        self.socket.close()


ENDS = {"serial": lambda drawer: SerialEnd(drawer.serial_path),
        "tcp": lambda drawer: TcpEnd(drawer.tcp_port)}


def read_exactly(end, count):
    data = b""
    while len(data) < count and end.ready(WAIT):
        data += end.read_some()
    return data


def exchange(drawer, transport, request, answer_size):
    """Sends `request` once the device holds its own state, and returns the
    answer, with what the device received."""
    drawer.clear_received()
    end = ENDS[transport](drawer)
    try:
        end.send(request)
        return read_exactly(end, answer_size), drawer.received(transport)
    finally:
        end.close()


class FakeDrawerTest(unittest.TestCase):

    def test_answers_each_request_in_each_state_over_both_transports(self):
        def star(status):
            return bytes([0x23, 0x02, status]) + bytes(6)
        # (open_level, drawer open, request, answer)
        cases = [("low", False, ESCPOS_REQUEST, b"\x16"), ("low", True, ESCPOS_REQUEST, b"\x12"),
                 ("high", False, ESCPOS_REQUEST, b"\x12"), ("high", True, ESCPOS_REQUEST, b"\x16"),
                 ("low", False, STAR_REQUEST, star(0x04)), ("low", True, STAR_REQUEST, star(0x00)),
                 ("high", True, STAR_REQUEST, star(0x04))]
        for open_level, is_open, request, answer in cases:
            with FakeDrawer(open_level=open_level, close_after=None) as drawer:
                if is_open:
                    drawer.open_by_hand()
                for transport in ENDS:
                    with self.subTest(open_level=open_level, open=is_open, request=request.hex(),
                                      transport=transport):
                        self.assertEqual(exchange(drawer, transport, request, len(answer)),
                                         (answer, request))

    def test_opens_only_for_a_kick_on_its_pin(self):
        # (bytes sent, pin they kick or None)
        kicks = [("1b700019fa", 2), ("1b703019fa", 2), ("1b700119fa", 5), ("1b703119fa", 5),
                 ("1b700219fa", None), ("1b07197f07", 2), ("1b07197f1a", 5), ("07", 2),
                 ("1a", 5), ("1b0601", None), ("0a1b", None)]
        for pin in (2, 5):
            for sent, kicked in kicks:
                for transport in ENDS:
                    with self.subTest(pin=pin, sent=sent, transport=transport), \
                            FakeDrawer(pin=pin, close_after=None) as drawer:
                        end = ENDS[transport](drawer)
                        # One byte a write: commands arrive cut.
                        for byte in bytes.fromhex(sent):
                            end.send(bytes([byte]))
                        self.assertTrue(drawer.wait_until(
                            lambda: drawer.received(transport) == bytes.fromhex(sent), WAIT))
                        self.assertEqual(drawer.drawer_open, kicked == pin)
                        end.close()

    def test_closes_by_itself_and_reports_each_change(self):
        with FakeDrawer(close_after=0.2, asb="escpos") as drawer:
            watcher = TcpEnd(drawer.tcp_port)
            kicker = SerialEnd(drawer.serial_path)
            kicker.send(bytes.fromhex("1b700019fa"))
            # Open (switch low), then closed (high), each a four-byte frame.
            self.assertEqual(read_exactly(watcher, 8), bytes.fromhex("10000000" "14000000"))
            self.assertFalse(drawer.drawer_open)
            self.assertEqual(read_exactly(kicker, 8), bytes.fromhex("10000000" "14000000"))
            watcher.close()
            kicker.close()

    def test_modes(self):
        garbage = bytes.fromhex("ff00fe01")
        with FakeDrawer() as drawer:
            for mode, answer in [("garbage", garbage), ("slow", b"\x16"), ("normal", b"\x16")]:
                drawer.set_mode(mode)
                for transport in ENDS:
                    with self.subTest(mode=mode, transport=transport):
                        self.assertEqual(exchange(drawer, transport, ESCPOS_REQUEST, len(answer)),
                                         (answer, ESCPOS_REQUEST))

            drawer.set_mode("silent")
            for transport, open_end in ENDS.items():
                with self.subTest(mode="silent", transport=transport):
                    drawer.clear_received()
                    end = open_end(drawer)
                    end.send(ESCPOS_REQUEST)
                    self.assertTrue(drawer.wait_until(
                        lambda: drawer.received(transport) == ESCPOS_REQUEST, WAIT))
                    # An answer would have been written before the request was recorded.
                    self.assertFalse(end.ready(0))
                    end.close()

            for mode in ("busy", "reset"):
                drawer.set_mode(mode)
                with self.subTest(mode=mode):
                    with self.assertRaises(IsADirectoryError):
                        SerialEnd(drawer.serial_path)
                    if mode == "busy":
                        with self.assertRaises(ConnectionRefusedError):
                            TcpEnd(drawer.tcp_port)
                    else:
                        # At the connection, or at the first exchange on it.
                        with self.assertRaises(ConnectionResetError):
                            exchange(drawer, "tcp", ESCPOS_REQUEST, 1)
            drawer.set_mode("normal")
            self.assertEqual(exchange(drawer, "tcp", ESCPOS_REQUEST, 1), (b"\x16", ESCPOS_REQUEST))

    def test_command_line_and_control_port(self):
        device = subprocess.Popen(
            [sys.executable, "fake_drawer.py", "--control-port", "0", "--open-level", "high"],
            cwd=os.path.dirname(os.path.abspath(__file__)), stdin=subprocess.PIPE,
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        try:
            info = json.loads(device.stdout.readline())
            self.assertEqual(sorted(info), ["controlPort", "pty", "serialPath", "tcpPort"])
            device_end = TcpEnd(info["tcpPort"])
            device_end.send(STAR_REQUEST)
            self.assertEqual(read_exactly(device_end, 9), bytes([0x23, 0x02, 0x00]) + bytes(6))
            device_end.close()
            control = socket.create_connection(("127.0.0.1", info["controlPort"]), timeout=WAIT)
            lines = control.makefile("rw")
            replies = []
            for command in ["open", "drawer", "received tcp", "bogus words", "mode nonsense"]:
                lines.write(command + "\n")
                lines.flush()
                replies.append(lines.readline().rstrip("\n"))
            control.close()
            self.assertEqual(replies, ["ok", "open", "1b0601", "error: unknown command bogus words",
                                       "error: unknown command mode nonsense"])
            device.stdin.write("drawer\n")
            device.stdin.flush()
            self.assertEqual(device.stdout.readline(), "open\n")
            device.stdin.close()
            self.assertEqual(device.wait(WAIT), 0)
        finally:
            device.kill()
            device.wait()
            device.stdout.close()


if __name__ == "__main__":
    unittest.main()
