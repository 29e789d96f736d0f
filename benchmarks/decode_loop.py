"""The decode loop alone, for profiling: every corpus message that decodes, tables preloaded.

    python benchmarks/decode_loop.py [--repeat 5]
    perf record -g python benchmarks/decode_loop.py

Prints the best pass over the messages and the values per second; nothing else runs in the
loop, so a profile of it shows the module's own costs.
"""

from __future__ import annotations

import argparse
import csv
import os
import time
from pathlib import Path

import _mervane

REPO = Path(__file__).resolve().parents[1]


def main() -> None:
    parser = argparse.ArgumentParser()
    parser.add_argument("--corpus", type=Path, default=REPO.parent / "shared" / "corpus")
    parser.add_argument(
        "--definitions",
        default=os.environ.get("MERVANE_DEFINITIONS", "/usr/share/eccodes/definitions"),
    )
    parser.add_argument("--repeat", type=int, default=5)
    args = parser.parse_args()

    tables: dict[tuple, object] = {}
    work = []
    with open(args.corpus / "MANIFEST.tsv", newline="") as rows:
        for row in csv.DictReader(rows, delimiter="\t"):
            if row["edition"] != "4":
                continue
            data = (args.corpus / row["file"]).read_bytes()
            offset = int(row["byte_offset"])
            message = data[offset : offset + int.from_bytes(data[offset + 4 : offset + 7], "big")]
            parsed = _mervane.parse_bytes(message)
            key = (
                parsed.master_table_number,
                parsed.master_tables_version_number,
                parsed.originating_centre,
                parsed.originating_subcentre,
                parsed.local_tables_version_number,
            )
            try:
                if key not in tables:
                    tables[key] = _mervane.TableSet.from_definitions(args.definitions, parsed)
                _mervane.decode_values_with_tables(message, tables[key])
            except ValueError:
                continue
            work.append((message, tables[key]))

    best = float("inf")
    count = 0
    for _ in range(args.repeat):
        start = time.perf_counter()
        count = sum(len(_mervane.decode_values_with_tables(m, t)) for m, t in work)
        best = min(best, time.perf_counter() - start)
    print(
        f"{len(work)} messages, {count} values: best pass {best * 1000:.1f} ms, "
        f"{count / best / 1e6:.2f} M values/s"
    )


if __name__ == "__main__":
    main()
