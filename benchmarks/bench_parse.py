"""Parsing touches only the headers: its cost should not grow with the size of section 4.

python benchmarks/bench_parse.py
"""

import statistics
import sys
import time
from pathlib import Path

import _mervane

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests"))
from message_builder import message, section4  # noqa: E402


def median_seconds(call, repeat=7, number=2000):
    runs = []
    for _ in range(repeat):
        start = time.perf_counter()
        for _ in range(number):
            call()
        runs.append((time.perf_counter() - start) / number)
    return statistics.median(runs)


def main():
    print("| section 4 octets | parse_bytes (µs) |")
    print("|---:|---:|")
    for size in (16, 1 << 10, 1 << 20, (1 << 24) - 100):
        data = message(descriptors=[307080], s4=section4(b"\x55" * size))
        seconds = median_seconds(lambda: _mervane.parse_bytes(data))
        print(f"| {size:,} | {seconds * 1e6:.2f} |")


if __name__ == "__main__":
    main()
