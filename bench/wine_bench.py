"""What a cashier feels: the Windows host under Wine, measured against floors.

    python3 bench/wine_bench.py --windows-build build/windows --out build/bench/wine.json

Runs the bundled kestro.exe (with the stand-in engine and app) and the floor
programs of bench/floors in one Wine prefix with five spooler printers, in
rounds, each round running every measurement of the host beside its floor
(the host first in every other round) so that a change in the machine's load
falls on both alike:

- start -> first frame: the "started" time stamp of the host's transcript
  against floor-window's first paint, both in milliseconds since the Windows
  process was created (runs with no calls);
- a whole run with no calls: wall-clock time from starting the program until
  it has ended, the host with an empty script against floor-window;
- "listPrinters" and "openDrawer" per call: the time from the app sending the
  request until it has the answer, against floor-spooler making the same
  spooler calls in a loop.

Needs an X display (scripts/with-display gives one). Writes every sample and
the medians to the --out file; scripts/bench-report reports them.
"""

import argparse
import json
import os
import pathlib
import statistics
import subprocess
import sys
import time

SOURCE_DIR = pathlib.Path(__file__).resolve().parent.parent
WINE_RUN = str(SOURCE_DIR / "scripts" / "wine-run")

# The printers of a typical till, as in the native channel benchmarks.
PRINTERS = ["Microsoft Print to PDF", "Office Laser", "Receipt Printer", "Kitchen Printer",
            "Label Printer"]
DEFAULT_PRINTER = "Office Laser"
DRAWER_PRINTER = "Receipt Printer"
# The "openDrawer" call of the small_call workload: five bytes 1B 70 31 19 FA.
OPEN_DRAWER = {"method": "openDrawer",
               "arguments": {"printerName": DRAWER_PRINTER, "modelHint": "TM-T20", "pin": 1,
                             "pulseOn": 25, "pulseOff": 250, "protocol": "escPosAscii"}}
LIST_PRINTERS = {"method": "listPrinters"}
COMMAND_BYTES = 5
RUN_TIMEOUT_S = 300


class BenchError(Exception):
    pass


def windows_path(path):
    """The Windows path of a Unix path: Wine's drive Z: is the Unix root."""
    return "Z:" + str(pathlib.Path(path).resolve()).replace("/", "\\")


class Wine:
    """Runs Windows programs in the benchmark's own prefix."""

    def __init__(self, work):
        self.work = work
        self.prefix = work / "wine-prefix"
        self.keeper = None

    def run(self, program, *arguments, cwd=None):
        """Runs `program` to its end; returns the wall-clock seconds from
        starting it to its end. Its standard error goes to a file, not a pipe:
        the Wine services that a run may start keep what they inherit open
        long after the program has ended."""
        errors = self.work / "stderr.txt"
        with open(errors, "wb") as stderr:
            start = time.monotonic()
            completed = subprocess.run([WINE_RUN, "--prefix", str(self.prefix), str(program),
                                        *arguments], cwd=cwd, stdin=subprocess.DEVNULL,
                                       stdout=subprocess.DEVNULL, stderr=stderr,
                                       timeout=RUN_TIMEOUT_S, check=False)
            seconds = time.monotonic() - start
        if completed.returncode != 0:
            raise BenchError("%s %s ended with %d: %s" % (
                pathlib.Path(program).name, " ".join(arguments), completed.returncode,
                errors.read_text(errors="replace").strip()[-500:]))
        return seconds

    def hold(self):
        """Keeps one wineserver, and Wine's services, running across the runs:
        cmd.exe waits on a pipe that stays open until release()."""
        self.keeper = subprocess.Popen([WINE_RUN, "--prefix", str(self.prefix), "cmd.exe", "/c",
                                        "pause"], stdin=subprocess.PIPE,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def release(self):
        if self.keeper is not None:
            self.keeper.stdin.close()
            try:
                self.keeper.wait(timeout=30)
            except subprocess.TimeoutExpired:
                self.keeper.kill()
                self.keeper.wait()
        subprocess.run([WINE_RUN, "--prefix", str(self.prefix), "--stop"], timeout=120,
                       check=False)


class Programs:
    def __init__(self, windows_build):
        self.bundle = windows_build / "bundle"
        self.kestro = self.bundle / "kestro.exe"
        bin_dir = windows_build / "bin"
        self.floor_window = bin_dir / "floor-window.exe"
        self.floor_spooler = bin_dir / "floor-spooler.exe"
        self.wine_printers = bin_dir / "wine-printers.exe"
        for program in [self.kestro, self.floor_window, self.floor_spooler, self.wine_printers]:
            if not program.exists():
                raise BenchError("%s is missing; `make bench` builds it" % program)


def port_file(work, printer):
    return work / "ports" / (printer.lower().replace(" ", "-") + ".bin")


def prepare_printers(wine, programs, work):
    """Installs the five printers, each appending its jobs to a file of its own,
    once per prefix."""
    marker = wine.prefix / ".kestro-bench-printers"
    wanted = json.dumps(PRINTERS)
    if marker.exists() and marker.read_text() == wanted:
        return
    (work / "ports").mkdir(parents=True, exist_ok=True)
    for printer in PRINTERS:
        arguments = ["add-file", printer, str(port_file(work, printer))]
        if printer == DEFAULT_PRINTER:
            arguments.append("--default")
        wine.run(programs.wine_printers, *arguments)
    marker.write_text(wanted)


def read_lines(path):
    return [json.loads(line) for line in path.read_text(encoding="utf-8").splitlines()
            if line.strip()]


def run_host(wine, programs, work, name, requests):
    """Runs kestro.exe with `requests` as the stand-in app's script; returns
    the wall-clock seconds of the run and its transcript."""
    script = work / (name + ".jsonl")
    transcript = work / (name + ".transcript.jsonl")
    script.write_text("".join(json.dumps(r) + "\n" for r in requests), encoding="utf-8")
    if transcript.exists():
        transcript.unlink()
    seconds = wine.run(programs.kestro, "--script", windows_path(script), "--transcript",
                       windows_path(transcript), cwd=programs.bundle)
    lines = read_lines(transcript)
    if not lines or lines[0].get("event") != "started" or lines[-1].get("event") != "closing":
        raise BenchError("the %s run's transcript is incomplete" % name)
    return seconds, lines


def answered_requests(lines, name, check):
    requests = [line for line in lines if "request" in line]
    for line in requests:
        if "success" not in line.get("reply", {}) or not check(line["reply"]["success"]):
            raise BenchError("a %s request was not answered as expected: %s" % (name, line))
    return requests


def run_floor(wine, program, work, name, *arguments):
    out = work / (name + ".json")
    if out.exists():
        out.unlink()
    seconds = wine.run(program, windows_path(out), *arguments)
    return seconds, json.loads(out.read_text())


SAMPLE_KEYS = [
    "host_first_frame_ms", "floor_first_paint_ms", "host_whole_run_s", "floor_whole_run_s",
    "host_list_printers_ms", "host_list_printers_handler_ms", "floor_list_printers_ms",
    "host_open_drawer_ms", "host_open_drawer_handler_ms", "floor_open_drawer_ms"]


def one_round(wine, programs, work, calls, host_first):
    """One host run and one floor run of every measurement, side by side, the
    host's first when `host_first`; returns the round's samples by key."""
    samples = {key: [] for key in SAMPLE_KEYS}

    def host_without_calls():
        seconds, lines = run_host(wine, programs, work, "no-calls", [])
        samples["host_first_frame_ms"].append(lines[0]["ms"])
        samples["host_whole_run_s"].append(seconds)

    def floor_window():
        seconds, floor = run_floor(wine, programs.floor_window, work, "floor-window")
        samples["floor_first_paint_ms"].append(floor["firstPaintMs"][0])
        samples["floor_whole_run_s"].append(seconds)

    def host_calls(method, request, check):
        _, lines = run_host(wine, programs, work, method, [request] * calls)
        for line in answered_requests(lines, method, check):
            samples["host_%s_ms" % method].append(line["answeredMs"] - line["sentMs"])
            samples["host_%s_handler_ms" % method].append(line["handledMs"] - line["sentMs"])

    def floor_calls(method, floor_arguments):
        _, floor = run_floor(wine, programs.floor_spooler, work, "floor-" + method,
                             *floor_arguments, str(calls))
        samples["floor_%s_ms" % method].extend(floor["callMs"])

    pairs = [(host_without_calls, floor_window)]
    for method, request, floor_arguments, check in [
            ("list_printers", LIST_PRINTERS, ["list"], lambda answer: isinstance(answer, list)),
            ("open_drawer", OPEN_DRAWER, ["drawer", DRAWER_PRINTER],
             lambda answer: answer.get("success") is True)]:
        pairs.append((lambda m=method, r=request, c=check: host_calls(m, r, c),
                      lambda m=method, a=floor_arguments: floor_calls(m, a)))
    for host, floor in pairs:
        for run in ([host, floor] if host_first else [floor, host]):
            run()
    return samples


def wait_for_drawer_bytes(work, count, timeout_s=30):
    """The spooler hands a job to its port after the job has ended; the
    receipt printer's file must end up with every job's five bytes."""
    path = port_file(work, DRAWER_PRINTER)
    deadline = time.monotonic() + timeout_s
    while time.monotonic() < deadline:
        if path.exists() and path.stat().st_size >= count:
            break
        time.sleep(0.2)
    size = path.stat().st_size if path.exists() else 0
    if size != count:
        raise BenchError("the receipt printer received %d bytes, not %d" % (size, count))


def measure(windows_build, work, rounds, calls):
    programs = Programs(windows_build)
    work.mkdir(parents=True, exist_ok=True)
    wine = Wine(work)
    rounds_samples = []
    try:
        prepare_printers(wine, programs, work)
        drawer_port = port_file(work, DRAWER_PRINTER)
        drawer_port.write_bytes(b"")
        wine.hold()
        # A first run of each program, not counted, so that every counted run
        # finds Wine's files in the page cache and the services up.
        run_host(wine, programs, work, "warm-up", [LIST_PRINTERS])
        run_floor(wine, programs.floor_window, work, "warm-up-floor")
        # The order alternates, so that whatever one run leaves behind (a
        # busy page cache, a port's shell still ending) weighs on each side.
        for number in range(rounds):
            rounds_samples.append(one_round(wine, programs, work, calls, number % 2 == 0))
        wait_for_drawer_bytes(work, 2 * rounds * calls * COMMAND_BYTES)
    finally:
        wine.release()
    return rounds_samples


def summary(rounds_samples):
    """Every sample by key, the medians of all of them, and the median of
    each round (what the report pairs host and floor by)."""
    samples = {key: [value for round_samples in rounds_samples for value in round_samples[key]]
               for key in SAMPLE_KEYS}
    return {"medians": {key: statistics.median(values) for key, values in samples.items()},
            "round_medians": {key: [statistics.median(round_samples[key])
                                    for round_samples in rounds_samples] for key in SAMPLE_KEYS},
            "samples": samples}


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--windows-build", required=True, type=pathlib.Path)
    parser.add_argument("--out", required=True, type=pathlib.Path)
    parser.add_argument("--rounds", type=int, default=10)
    parser.add_argument("--calls", type=int, default=20, help="calls of each method per run")
    args = parser.parse_args(argv)
    if not os.environ.get("DISPLAY"):
        sys.exit("wine_bench: no X display; run it through scripts/with-display")
    load_before = os.getloadavg()
    try:
        rounds_samples = measure(args.windows_build.resolve(),
                                 args.out.resolve().parent / "wine", args.rounds, args.calls)
    except (BenchError, subprocess.TimeoutExpired) as error:
        sys.exit("wine_bench: %s" % error)
    result = {"rounds": args.rounds, "calls_per_run": args.calls,
              "load_before": load_before, "load_after": os.getloadavg()}
    result.update(summary(rounds_samples))
    args.out.write_text(json.dumps(result, indent=1) + "\n")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
