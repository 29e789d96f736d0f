"""Writes examples/sample.bufr: two SYNOP-like subsets coded with WMO master table 13.

Run from the repository root: python examples/make_sample.py
"""

from pathlib import Path

# (descriptor, width in bits, scale, reference) in section 4 order, as WMO Table B gives them.
ELEMENTS = [
    (1001, 7, 0, 0),  # WMO block number
    (1002, 10, 0, 0),  # WMO station number
    (1015, 160, 0, 0),  # station name, 20 characters
    (2001, 2, 0, 0),  # type of station (code table)
    (4001, 12, 0, 0),  # year
    (4002, 4, 0, 0),  # month
    (4003, 6, 0, 0),  # day
    (4004, 5, 0, 0),  # hour
    (4005, 6, 0, 0),  # minute
    (5001, 25, 5, -9000000),  # latitude
    (6001, 26, 5, -18000000),  # longitude
    (10004, 14, -1, 0),  # pressure
    (12101, 16, 2, 0),  # temperature
]
# 301001 = 001001 001002; 301011 = year month day; 301012 = hour minute; 301021 = lat lon.
DESCRIPTORS = [301001, 1015, 2001, 301011, 301012, 301021, 10004, 12101]

STATIONS = [
    (6, 260, "DE BILT", 1, (2026, 12, 11, 6, 0), 52.1, 5.18, 101320, 275.15),
    (6, 240, "SCHIPHOL", 0, (2026, 12, 11, 6, 0), 52.318, 4.79, 101290, None),
]


class Bits:
    def __init__(self):
        self.value, self.count = 0, 0

    def put(self, value, width):
        self.value = (self.value << width) | value
        self.count += width

    def octets(self):
        pad = -self.count % 8
        return (self.value << pad).to_bytes((self.count + pad) // 8, "big")


def encode(value, width, scale, reference):
    if value is None:
        return (1 << width) - 1
    if isinstance(value, str):
        return int.from_bytes(value.ljust(width // 8).encode("ascii"), "big")
    return round(value * 10**scale) - reference


def main():
    bits = Bits()
    for block, station, name, kind, when, lat, lon, pressure, temperature in STATIONS:
        values = [block, station, name, kind, *when, lat, lon, pressure, temperature]
        for value, (_, width, scale, reference) in zip(values, ELEMENTS):
            bits.put(encode(value, width, scale, reference), width)
    data = bits.octets()

    def u24(n):
        return n.to_bytes(3, "big")

    section1 = bytes([0, 0, 99, 0, 0, 0, 0, 0, 0, 0, 13, 0]) + (2026).to_bytes(2, "big")
    section1 = u24(3 + len(section1) + 5) + section1 + bytes([12, 11, 6, 0, 0])
    codes = b"".join(
        ((c // 100000 << 14) | (c // 1000 % 100 << 8) | c % 1000).to_bytes(2, "big")
        for c in DESCRIPTORS
    )
    section3 = u24(7 + len(codes)) + b"\x00" + len(STATIONS).to_bytes(2, "big") + b"\x80" + codes
    section4 = u24(4 + len(data)) + b"\x00" + data
    body = section1 + section3 + section4 + b"7777"
    out = b"BUFR" + u24(8 + len(body)) + b"\x04" + body
    Path(__file__).with_name("sample.bufr").write_bytes(out)


if __name__ == "__main__":
    main()
