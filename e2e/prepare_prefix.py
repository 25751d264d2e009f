"""Prepares the end-to-end tests' Wine prefix once per test run: two printers,
"Receipt Printer" (the default) and "Office Laser", whose ports append each
job's bytes to a file of their own, and a note of how the spooler lists them
for the tests to compare with."""

import json
import subprocess
import sys

import kestro_e2e as e2e


def wine_printers(*arguments):
    completed = subprocess.run([e2e.WINE_RUN, "--prefix", str(e2e.PREFIX), e2e.WINE_PRINTERS,
                                *arguments], capture_output=True,
                               timeout=300, check=False)
    if completed.returncode != 0:
        sys.exit(f"wine-printers {' '.join(arguments)} failed ({completed.returncode}): "
                 f"{completed.stderr.decode('utf-8', 'replace')}")
    return completed.stdout.decode("utf-8", "replace")


def main():
    e2e.clear_port_files()
    try:
        wine_printers("add-file", e2e.OFFICE_PRINTER, str(e2e.PORT_FILES[e2e.OFFICE_PRINTER]))
        wine_printers("add-file", e2e.RECEIPT_PRINTER, str(e2e.PORT_FILES[e2e.RECEIPT_PRINTER]),
                      "--default")
        printers = []
        for line in wine_printers("list").splitlines():
            fields = line.rstrip("\r").split("\t")
            if len(fields) < 3:
                continue
            printers.append({"name": fields[0], "driverName": fields[1], "portName": fields[2],
                             "isDefault": fields[3:] == ["default"]})
    finally:
        e2e.stop_wine()
    names = [p["name"] for p in printers]
    if sorted(names) != sorted([e2e.OFFICE_PRINTER, e2e.RECEIPT_PRINTER]):
        sys.exit(f"the prefix lists {names}, not the two test printers")
    e2e.PRINTER_LIST.write_text(json.dumps(printers, indent=1), encoding="utf-8")
    print(f"prefix {e2e.PREFIX} ready with {names}")


if __name__ == "__main__":
    main()
