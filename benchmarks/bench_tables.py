"""Loading one ecCodes master table directory, against reading its files' bytes.

Usage: python benchmarks/bench_tables.py [TABLE_DIR] [--runs N]

TABLE_DIR defaults to the newest master version under the definitions tree named by
MERVANE_DEFINITIONS (else /usr/share/eccodes/definitions). Prints the median time of
TableSet.from_eccodes, the median time to read the same files' bytes in Python, and their ratio.
"""

import argparse
import os
import statistics
import sys
import time
from pathlib import Path

from _mervane import TableSet


def newest_master():
    root = Path(os.environ.get("MERVANE_DEFINITIONS", "/usr/share/eccodes/definitions"))
    wmo = root / "bufr" / "tables" / "0" / "wmo"
    versions = [p for p in wmo.iterdir() if p.name.isdigit() and p.is_dir()]
    return max(versions, key=lambda p: int(p.name))


def table_files(directory):
    files = [directory / "element.table", directory / "sequence.def"]
    codetables = directory / "codetables"
    if codetables.is_dir():
        files += sorted(p for p in codetables.iterdir() if p.name.endswith(".table"))
    return files


def read_all(files):
    total = 0
    for path in files:
        with open(path, "rb") as f:
            total += len(f.read())
    return total


def median_time(fn, runs):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        fn()
        times.append(time.perf_counter() - start)
    return statistics.median(times)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("table_dir", nargs="?", type=Path)
    parser.add_argument("--runs", type=int, default=50)
    args = parser.parse_args()
    directory = args.table_dir or newest_master()
    files = table_files(directory)
    size = read_all(files)
    tables = TableSet.from_eccodes(str(directory))  # warm the page cache for both
    load = median_time(lambda: TableSet.from_eccodes(str(directory)), args.runs)
    read = median_time(lambda: read_all(files), args.runs)
    print(f"table directory   {directory}")
    print(f"files             {len(files)} ({size / 1e6:.2f} MB), {tables!r}")
    print(f"from_eccodes      {load * 1e3:8.2f} ms (median of {args.runs})")
    print(f"read bytes        {read * 1e3:8.2f} ms (median of {args.runs})")
    print(f"ratio             {load / read:8.2f}x")
    return 0


if __name__ == "__main__":
    sys.exit(main())
