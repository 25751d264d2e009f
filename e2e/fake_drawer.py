#!/usr/bin/env python3
"""A receipt printer with a cash drawer, as the drawer's direct channels see
it, for tests: it serves a pseudo-terminal (the serial line) and a TCP port
on 127.0.0.1, answers both status requests, opens its drawer when a kick for
its pin arrives and closes it after a set time, and can be made silent, slow,
busy or to speak garbage. It records every byte it receives, per transport.

    from fake_drawer import FakeDrawer
    with FakeDrawer(pin=2, close_after=0.5) as drawer:
        drawer.pty_path      # "/dev/pts/N": a printer port "|cat > /dev/pts/N" reaches it
        drawer.serial_path   # a link to the pty that "busy" turns away (Wine's COM1 target)
        drawer.tcp_port      # on 127.0.0.1
        drawer.set_mode("silent")
        drawer.received("serial"), drawer.received("tcp")

What it speaks:
  10 04 01         ESC/POS real-time status: one byte 0b0xx1xx10, bit 2 the
                   drawer switch's level, bit 3 offline.
  1B 06 01         Star automatic status: a 9-byte frame, 23 02 S 00 ... 00,
                   S with bit 2 the switch's level, bit 3 offline, bit 5 cover open.
  1B 70 m t1 t2    ESC/POS kick: m 0 or 0x30 is pin 2, 1 or 0x31 pin 5.
  1B 07 n1 n2      Star pulse widths; the BEL (07) or SUB (1A) after it, or
                   on its own, kicks pin 2 or pin 5.
The switch's level is low while the drawer is open ("open_level" high turns
that round). With automatic status on ("asb" "escpos" or "star") every
change of the drawer sends a frame on every transport: ESC/POS 4 bytes,
1S 00 00 00 with S as above in bits 2 and 3 of 0b0xx1xx00, or Star's frame.

Modes: "normal"; "silent" (never answers, sends no frames); "slow" (answers
after slow_delay seconds); "garbage" (answers with the garbage bytes
instead); "busy" (TCP connections are refused; serial_path leads to a
directory, so opening it fails with access denied under Wine); "reset" (TCP
connections are accepted and reset at once; serial as in "busy").
Connections already open are served in every mode.

The control port, when asked for, takes one command a line and answers one
line: "mode NAME", "asb off|escpos|star", "open", "close" (by hand),
"frame escpos|star" (one status frame now, on every transport), "clear"
(forget what was received) answer "ok"; "drawer" answers "open" or "closed";
"received serial|tcp" the bytes as lower-case hex. An unknown command answers
"error: ..." The command line takes the same commands on standard input.

    python3 fake_drawer.py [--pin 2|5] [--close-after-ms N] [--open-level low|high]
                           [--mode MODE] [--slow-ms N] [--asb escpos|star]
                           [--tcp-port N] [--control-port N]

prints one JSON line {"pty", "serialPath", "tcpPort", "controlPort"}, then
each event on standard error, and serves until standard input ends.
"""

import argparse
import heapq
import itertools
import json
import os
import queue
import selectors
import shutil
import socket
import struct
import sys
import tempfile
import threading
import time
import tty

ESCPOS_STATUS_REQUEST = b"\x10\x04\x01"
STAR_STATUS_REQUEST = b"\x1b\x06\x01"
MODES = ("normal", "silent", "slow", "garbage", "busy", "reset")
DIALECTS = ("escpos", "star")
TRANSPORTS = ("serial", "tcp")
DEFAULT_GARBAGE = b"\xff\x00\xfe\x01"

ESC, DLE, BEL, SUB = 0x1B, 0x10, 0x07, 0x1A
KICK_PINS = {0x00: 2, 0x30: 2, 0x01: 5, 0x31: 5}
STAR_DRIVE_PINS = {BEL: 2, SUB: 5}


def escpos_status(level_high, offline=False):
    """The ESC/POS real-time status byte."""
    return bytes([0x12 | level_high << 2 | offline << 3])


def escpos_asb_frame(level_high, offline=False):
    """An ESC/POS automatic status back frame."""
    return bytes([0x10 | level_high << 2 | offline << 3, 0x00, 0x00, 0x00])


def star_status(level_high, offline=False, cover_open=False):
    """Star's 9-byte automatic status frame."""
    return bytes([0x23, 0x02, level_high << 2 | offline << 3 | cover_open << 5]) + bytes(6)


def parse_commands(buffer):
    """Takes every whole command off the front of `buffer` (a bytearray) and
    returns them as (kind, value): ("status", dialect), ("kick", pin). Bytes
    of no command are dropped; a command cut short stays for more bytes."""
    commands = []
    while buffer:
        first = buffer[0]
        if first == DLE:
            if len(buffer) < 3 and ESCPOS_STATUS_REQUEST.startswith(bytes(buffer)):
                break
            if buffer[:3] == ESCPOS_STATUS_REQUEST:
                commands.append(("status", "escpos"))
                del buffer[:3]
                continue
        elif first == ESC:
            if len(buffer) < 2:
                break
            needed = {0x06: 3, 0x70: 5, 0x07: 4}.get(buffer[1])
            if needed is not None:
                if len(buffer) < needed:
                    break
                if buffer[1] == 0x06 and buffer[2] == 0x01:
                    commands.append(("status", "star"))
                elif buffer[1] == 0x70 and buffer[2] in KICK_PINS:
                    commands.append(("kick", KICK_PINS[buffer[2]]))
                del buffer[:needed]
                continue
        elif first in STAR_DRIVE_PINS:
            commands.append(("kick", STAR_DRIVE_PINS[first]))
        del buffer[:1]
    return commands


class _Stream:
    """One source of bytes: the pty, or one TCP connection."""

    def __init__(self, transport, write):
        self.transport = transport
        self.write = write
        self.buffer = bytearray()


class FakeDrawer:
    """The device. Every change runs on its own thread; the methods below may
    be called from any thread and return when it has been made."""

    def __init__(self, pin=2, close_after=1.0, open_level="low", mode="normal", slow_delay=0.5,
                 garbage=DEFAULT_GARBAGE, asb=None, tcp_port=0, control_port=None,
                 offline=False, cover_open=False, on_event=None):
        if pin not in (2, 5) or open_level not in ("low", "high") or mode not in MODES:
            raise ValueError("pin is 2 or 5, open_level low or high, mode one of MODES")
        self.pin = pin
        self.close_after = close_after
        self.open_level = open_level
        self.slow_delay = slow_delay
        self.garbage = garbage
        self.offline = offline
        self.cover_open = cover_open
        self._mode = mode
        self._asb = asb
        self._on_event = on_event
        self._wanted_tcp_port = tcp_port
        self._wanted_control_port = control_port
        self._drawer_open = False
        self._close_timer = None
        self._received = {t: bytearray() for t in TRANSPORTS}
        self._timers = []
        self._timer_ids = itertools.count()
        self._calls = queue.Queue()
        self._streams = {}
        self._thread = None
        self._running = False

    # Starting and stopping.

    def start(self):
        self._folder = tempfile.mkdtemp(prefix="fake-drawer-")
        self._busy_target = os.path.join(self._folder, "busy")
        os.mkdir(self._busy_target)
        self._master, self._slave = os.openpty()
        # Raw both ways; the device keeps a descriptor of the terminal open
        # so that its side never sees a hang-up when a user closes it.
        tty.setraw(self._slave)
        os.set_blocking(self._master, False)
        self.pty_path = os.ttyname(self._slave)
        self.serial_path = os.path.join(self._folder, "serial")
        self._selector = selectors.DefaultSelector()
        self._wake_reader, self._wake_writer = socket.socketpair()
        self._selector.register(self._wake_reader, selectors.EVENT_READ, ("wake", None))
        self._selector.register(self._master, selectors.EVENT_READ,
                                ("data", _Stream("serial", self._write_pty)))
        self._listener = None
        self._listen(self._wanted_tcp_port)
        self.tcp_port = self._listener.getsockname()[1]
        self.control_port = None
        if self._wanted_control_port is not None:
            control = socket.create_server(("127.0.0.1", self._wanted_control_port))
            control.setblocking(False)
            self._selector.register(control, selectors.EVENT_READ, ("control-accept", None))
            self.control_port = control.getsockname()[1]
        self._apply_mode(self._mode)
        self._running = True
        self._thread = threading.Thread(target=self._serve, name="fake-drawer", daemon=True)
        self._thread.start()
        return self

    def stop(self):
        if not self._running:
            return
        self._call(self._finish)
        self._thread.join()
        for key in list(self._selector.get_map().values()):
            if key.fileobj is not self._master:
                key.fileobj.close()
        self._selector.close()
        self._wake_writer.close()
        os.close(self._master)
        os.close(self._slave)
        shutil.rmtree(self._folder, ignore_errors=True)

    def __enter__(self):
        return self.start()

    def __exit__(self, *_):
        self.stop()

    # What tests change and read.

    def set_mode(self, mode):
        if mode not in MODES:
            raise ValueError(f"mode is one of {MODES}")
        self._call(lambda: self._apply_mode(mode))

    def set_asb(self, dialect):
        """Automatic status frames on each change: "escpos", "star" or None."""
        self._call(lambda: setattr(self, "_asb", dialect))

    def open_by_hand(self):
        """Opens the drawer as a hand would: it stays open until closed."""
        self._call(lambda: self._set_drawer(True, "by hand"))

    def close_by_hand(self):
        self._call(lambda: self._set_drawer(False, "by hand"))

    def send_status_frame(self, dialect):
        """Sends one unsolicited status frame now, on every transport."""
        self._call(lambda: self._broadcast(self._frame(dialect)))

    @property
    def drawer_open(self):
        return self._call(lambda: self._drawer_open)

    @property
    def mode(self):
        return self._call(lambda: self._mode)

    def received(self, transport):
        """Every byte received on "serial" or "tcp" since the start or the
        last clear_received(), in order."""
        return self._call(lambda: bytes(self._received[transport]))

    def clear_received(self):
        self._call(lambda: [r.clear() for r in self._received.values()])

    def wait_until(self, condition, timeout=10.0):
        """Whether `condition()` held within `timeout` seconds (asked every 10 ms)."""
        deadline = time.monotonic() + timeout
        while not condition():
            if time.monotonic() > deadline:
                return False
            time.sleep(0.01)
        return True

    # The device's own thread.

    def _call(self, function):
        if threading.current_thread() is self._thread or not self._running:
            return function()
        done = threading.Event()
        outcome = {}

        def run():
            outcome["value"] = function()
            done.set()
        self._calls.put(run)
        self._wake_writer.send(b"\0")
        done.wait()
        return outcome["value"]

    def _finish(self):
        self._running = False

    def _serve(self):
        while self._running:
            timeout = None
            if self._timers:
                timeout = max(0.0, self._timers[0][0] - time.monotonic())
            for key, _ in self._selector.select(timeout):
                kind, stream = key.data
                if kind == "wake":
                    self._wake_reader.recv(4096)
                elif kind == "accept":
                    self._accept(key.fileobj)
                elif kind == "control-accept":
                    self._accept_control(key.fileobj)
                elif kind == "control":
                    self._read_control(key.fileobj, stream)
                else:
                    self._read(key.fileobj, stream)
            while not self._calls.empty():
                self._calls.get()()
            now = time.monotonic()
            while self._timers and self._timers[0][0] <= now:
                heapq.heappop(self._timers)[2]()

    def _after(self, seconds, action):
        entry = [time.monotonic() + seconds, next(self._timer_ids), action]
        heapq.heappush(self._timers, entry)
        return entry

    def _cancel(self, entry):
        if entry in self._timers:
            self._timers.remove(entry)
            heapq.heapify(self._timers)

    def _event(self, text):
        if self._on_event:
            self._on_event(text)

    # Transports.

    def _listen(self, port):
        listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        listener.bind(("127.0.0.1", port))
        listener.listen(8)
        listener.setblocking(False)
        self._selector.register(listener, selectors.EVENT_READ, ("accept", None))
        self._listener = listener

    def _apply_mode(self, mode):
        self._mode = mode
        turned_away = mode in ("busy", "reset")
        # The serial path leads to the terminal, or to a directory, which no
        # one can open as a device.
        link = self.serial_path + ".new"
        os.symlink(self._busy_target if turned_away else self.pty_path, link)
        os.replace(link, self.serial_path)
        refusing = mode == "busy"
        if refusing and self._listener is not None:
            self._selector.unregister(self._listener)
            self._listener.close()
            self._listener = None
        elif not refusing and self._listener is None:
            self._listen(self.tcp_port)
        self._event(f"mode {mode}")

    def _accept(self, listener):
        try:
            connection, _ = listener.accept()
        except BlockingIOError:
            return
        if self._mode == "reset":
            connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            connection.close()
            self._event("tcp: connection reset")
            return
        connection.settimeout(1.0)
        stream = _Stream("tcp", lambda data: self._write_socket(connection, data))
        self._selector.register(connection, selectors.EVENT_READ, ("data", stream))
        self._streams[connection] = stream
        self._event("tcp: connected")

    def _drop(self, connection):
        self._selector.unregister(connection)
        self._streams.pop(connection, None)
        connection.close()

    def _write_socket(self, connection, data):
        try:
            connection.sendall(data)
        except OSError:
            pass

    def _write_pty(self, data):
        try:
            os.write(self._master, data)
        except BlockingIOError:
            self._event(f"serial: {len(data)} bytes dropped, no one reads the line")

    def _read(self, source, stream):
        try:
            data = os.read(source, 4096) if source is self._master else source.recv(4096)
        except (BlockingIOError, InterruptedError):
            return
        except OSError:
            data = b""
        if not data:
            if source is not self._master:
                self._drop(source)
            return
        self._received[stream.transport] += data
        stream.buffer += data
        for kind, value in parse_commands(stream.buffer):
            if kind == "status":
                self._answer(stream, value)
            else:
                self._kick(stream.transport, value)

    # The printer.

    def _level_high(self):
        return self._drawer_open == (self.open_level == "high")

    def _frame(self, dialect, answer=False):
        if dialect == "star":
            return star_status(self._level_high(), self.offline, self.cover_open)
        if answer:
            return escpos_status(self._level_high(), self.offline)
        return escpos_asb_frame(self._level_high(), self.offline)

    def _answer(self, stream, dialect):
        reply = self._frame(dialect, answer=True)
        self._event(f"{stream.transport}: {dialect} status request, mode {self._mode}")
        if self._mode == "silent":
            return
        if self._mode == "garbage":
            reply = self.garbage
        if self._mode == "slow":
            self._after(self.slow_delay, lambda: stream.write(reply))
        else:
            stream.write(reply)

    def _kick(self, transport, pin):
        self._event(f"{transport}: kick for pin {pin}")
        if pin != self.pin or self._drawer_open:
            return
        self._set_drawer(True, f"kicked over {transport}")
        if self.close_after is not None:
            self._close_timer = self._after(self.close_after,
                                            lambda: self._set_drawer(False, "closed by itself"))

    def _set_drawer(self, is_open, how):
        if self._close_timer is not None:
            self._cancel(self._close_timer)
            self._close_timer = None
        if self._drawer_open == is_open:
            return
        self._drawer_open = is_open
        self._event(f"drawer {'open' if is_open else 'closed'} ({how})")
        if self._asb and self._mode != "silent":
            self._broadcast(self._frame(self._asb))

    def _broadcast(self, data):
        self._write_pty(data)
        for stream in self._streams.values():
            stream.write(data)

    # The control port.

    def _accept_control(self, listener):
        try:
            connection, _ = listener.accept()
        except BlockingIOError:
            return
        connection.settimeout(1.0)
        self._selector.register(connection, selectors.EVENT_READ, ("control", bytearray()))

    def _read_control(self, connection, pending):
        try:
            data = connection.recv(4096)
        except OSError:
            data = b""
        if not data:
            self._selector.unregister(connection)
            connection.close()
            return
        pending += data
        while b"\n" in pending:
            line, _, rest = bytes(pending).partition(b"\n")
            pending[:] = rest
            reply = self.command(line.decode("ascii", "replace").strip())
            self._write_socket(connection, (reply + "\n").encode("ascii"))

    def command(self, line):
        """Runs one control command (see the module's text) and returns its answer."""
        return self._call(lambda: self._command(line.split()))

    def _command(self, words):
        verb, argument = (words + ["", ""])[:2]
        if verb == "mode" and argument in MODES:
            self._apply_mode(argument)
        elif verb == "asb" and argument in DIALECTS + ("off",):
            self._asb = None if argument == "off" else argument
        elif verb in ("open", "close") and len(words) == 1:
            self._set_drawer(verb == "open", "by hand")
        elif verb == "frame" and argument in DIALECTS:
            self._broadcast(self._frame(argument))
        elif verb == "clear" and len(words) == 1:
            for record in self._received.values():
                record.clear()
        elif verb == "drawer" and len(words) == 1:
            return "open" if self._drawer_open else "closed"
        elif verb == "received" and argument in TRANSPORTS:
            return self._received[argument].hex()
        else:
            return "error: unknown command " + " ".join(words)
        return "ok"


def main(argv=None):
    parser = argparse.ArgumentParser(description="A fake receipt printer with a cash drawer.")
    parser.add_argument("--pin", type=int, choices=(2, 5), default=2)
    parser.add_argument("--close-after-ms", type=int, default=1000)
    parser.add_argument("--open-level", choices=("low", "high"), default="low")
    parser.add_argument("--mode", choices=MODES, default="normal")
    parser.add_argument("--slow-ms", type=int, default=500)
    parser.add_argument("--asb", choices=DIALECTS)
    parser.add_argument("--tcp-port", type=int, default=0)
    parser.add_argument("--control-port", type=int)
    options = parser.parse_args(argv)

    def event(text):
        print(text, file=sys.stderr, flush=True)

    drawer = FakeDrawer(pin=options.pin, close_after=options.close_after_ms / 1000,
                        open_level=options.open_level, mode=options.mode,
                        slow_delay=options.slow_ms / 1000, asb=options.asb,
                        tcp_port=options.tcp_port, control_port=options.control_port,
                        on_event=event)
    with drawer:
        print(json.dumps({"pty": drawer.pty_path, "serialPath": drawer.serial_path,
                          "tcpPort": drawer.tcp_port, "controlPort": drawer.control_port}),
              flush=True)
        for line in sys.stdin:
            if line.strip():
                print(drawer.command(line.strip()), flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
