"""Writes examples/sample.bufr: two made-up land stations, uncompressed, master table 35."""

import sys
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPO / "tests"))

from bufr_writer import Bits, message  # noqa: E402

STATIONS = [
    # block, station, name, type, latitude, longitude, temperature (K)
    (6, 260, "DE BILT", 0, 52.10, 5.18, 276.35),
    (10, 384, "BERLIN", 1, 52.47, 13.40, 274.85),
]

bits = Bits()
for block, station, name, kind, lat, lon, temp in STATIONS:
    bits.uint(block, 7).uint(station, 10).text(name, 160).uint(kind, 2)
    bits.uint(2024, 12).uint(5, 4).uint(17, 6).uint(12, 5).uint(0, 6)
    bits.uint(round(lat * 1e5) + 9000000, 25).uint(round(lon * 1e5) + 18000000, 26)
    bits.uint(round(temp * 100), 16)

data = message([301001, 1015, 2001, 301011, 301012, 301021, 12101], bits, subsets=2)
(REPO / "examples" / "sample.bufr").write_bytes(data)
