#!/usr/bin/env python3
"""Prints a stand-in app transcript for people: the window the app got, each
request with its answer, and the bytes each printer's port file received,
with the drawer commands spelled out.

  show_transcript.py TRANSCRIPT [--port NAME=FILE]...
"""

import argparse
import json
import pathlib
import sys
import time


def describe_command(command):
    """One five-byte drawer command in words."""
    text = command.hex(" ")
    if len(command) == 5 and command[:2] == b"\x1bp":
        pin = 5 if command[2] in (0x01, 0x31) else 2
        form = "ASCII digit" if command[2] in (0x30, 0x31) else "number"
        return (f"{text}   ESC p: pulse on connector pin {pin} (drawer as {form}), "
                f"on {command[3]}, off {command[4]}")
    if len(command) == 5 and command[:2] == b"\x1b\x07":
        device = 2 if command[4] == 0x1A else 1
        return (f"{text}   ESC BEL (Star): drive pulse on {command[2]}, off {command[3]}, "
                f"external device {device}")
    return f"{text}   (not a drawer command)"


def describe_drawer_state(value):
    """A "getDrawerState" or "waitForDrawer" answer in words."""
    words = f"drawer {value['state']}"
    if "level" in value:
        words += f", level {value['level']}"
    if "reason" in value:
        words += f": {value['reason']}"
    words += f" (via {value.get('via', '?')})"
    if "reached" in value:
        words += f", {'reached' if value['reached'] else 'not reached'} after {value.get('waitedMs')} ms"
    if value["state"] == "closed":
        words += "; a drawer that is not connected reads closed too"
    return words


def describe_reply(reply):
    if "success" in reply:
        value = reply["success"]
        if isinstance(value, list):
            return f"success: {len(value)} printer(s)"
        if isinstance(value, dict) and "message" in value:
            words = value["message"]
            if "printerName" in value:
                words += f" ({value['printerName']})"
            if "errorCode" in value:
                words += f" [Windows error {value['errorCode']}]"
            if "drawerOpened" in value:
                words += "; drawer opened" if value["drawerOpened"] else "; drawer did not open"
            return ("sent: " if value.get("success") else "failed: ") + words
        if isinstance(value, dict) and "state" in value:
            return describe_drawer_state(value)
        return "success: " + json.dumps(value)
    if "error" in reply:
        return f"channel error {reply['error']['code']}: {reply['error']['message']}"
    if "notImplemented" in reply:
        return "not implemented"
    return json.dumps(reply)


def print_started(line):
    width, height = line["viewSize"]
    _, _, outer_width, outer_height = line["windowRect"]
    shown = "shown at the first frame" if line["windowVisible"] and not (
        line["windowShownBeforeFrame"] or line["windowVisibleBeforeFrame"]) else (
        "NOT shown as it should be")
    print(f'Window "{line["windowTitle"]}": {width} x {height} view in a {outer_width} x '
          f'{outer_height} window at {line["dpi"]} dpi, {shown}')
    print(f"  app files: {line['assetsPath']}, {line['icuDataPath']}, {line['aotLibraryPath']}")
    plugins = ", ".join(p["name"] + ("" if p["registrar"] else " (no registrar)")
                        for p in line["plugins"])
    print(f"  plugins registered: {plugins}")


def print_request(number, line):
    request = line["request"]
    what = request.get("method", "raw " + request.get("raw", ""))
    if "arguments" in request:
        what += " " + json.dumps(request["arguments"])
    print(f"\n{number}. {what}")
    if line.get("timedOut"):
        print("   -> no answer")
        return
    print(f"   -> {describe_reply(line['reply'])}")
    success = line["reply"].get("success")
    if isinstance(success, list):
        for printer in success:
            mark = " (default)" if printer.get("isDefault") else ""
            print(f"        {printer['name']}{mark}: driver {printer['driverName']}, "
                  f"port {printer['portName']}")


def expected_bytes(lines):
    """How many bytes each printer was sent, from the answers."""
    counts = {}
    for line in lines:
        value = line.get("reply", {}).get("success")
        if isinstance(value, dict) and value.get("success") and "printerName" in value:
            counts[value["printerName"]] = counts.get(value["printerName"], 0) + 5
    return counts


def read_port(path, expected, timeout=15.0):
    # The spooler hands each job to the port after the job ends.
    deadline = time.monotonic() + timeout
    while True:
        data = path.read_bytes() if path.exists() else b""
        if len(data) >= expected or time.monotonic() > deadline:
            return data
        time.sleep(0.2)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("transcript", type=pathlib.Path)
    parser.add_argument("--port", action="append", default=[], metavar="NAME=FILE")
    arguments = parser.parse_args()
    lines = [json.loads(text) for text in
             arguments.transcript.read_text(encoding="utf-8").splitlines() if text.strip()]
    if not lines:
        sys.exit(f"{arguments.transcript} is empty: the app never started")
    number = 0
    for line in lines:
        if line.get("event") == "started":
            print_started(line)
        elif "request" in line:
            number += 1
            print_request(number, line)
        elif line.get("event") == "closing":
            print(f"\nClosing: {line['answered']} answered, {line['timedOut']} without answer")
        elif "event" in line:
            print(f"\n{line['event']}: {line.get('message', '')}")
    counts = expected_bytes(lines)
    if arguments.port:
        print("\nBytes each printer received:")
    for entry in arguments.port:
        name, _, file_name = entry.partition("=")
        path = pathlib.Path(file_name)
        data = read_port(path, counts.get(name, 0))
        print(f"  {name} ({path}): {len(data)} bytes")
        for start in range(0, len(data), 5):
            print("    " + describe_command(data[start:start + 5]))


if __name__ == "__main__":
    main()
