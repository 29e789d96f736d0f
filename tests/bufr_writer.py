"""A tiny BUFR edition 4 writer and table-directory writer for building test inputs bit by bit."""

from __future__ import annotations

from pathlib import Path


class Bits:
    """Packs values most significant bit first."""

    def __init__(self) -> None:
        self.value = 0
        self.length = 0

    def uint(self, value: int, width: int) -> "Bits":
        assert 0 <= value < (1 << width) or width == 0 and value == 0, (value, width)
        self.value = (self.value << width) | value
        self.length += width
        return self

    def ones(self, width: int) -> "Bits":
        return self.uint((1 << width) - 1, width)

    def raw(self, data: bytes) -> "Bits":
        for b in data:
            self.uint(b, 8)
        return self

    def text(self, text: str, width: int) -> "Bits":
        """ASCII text padded with spaces to `width` bits (a multiple of 8)."""
        data = text.encode("ascii")
        assert len(data) * 8 <= width and width % 8 == 0
        return self.raw(data.ljust(width // 8, b" "))

    def extend(self, other: "Bits") -> "Bits":
        return self.uint(other.value, other.length) if other.length else self

    def to_bytes(self, pad_bits: int | None = None) -> bytes:
        """The bits padded with zeros to whole octets (plus `pad_bits` more zero bits)."""
        extra = (-self.length) % 8 if pad_bits is None else pad_bits
        total = self.length + extra
        assert total % 8 == 0, "padding must reach a whole octet"
        return (self.value << extra).to_bytes(total // 8, "big")


def packed(code: int) -> bytes:
    f, x, y = code // 100000, (code % 100000) // 1000, code % 1000
    return ((f << 14) | (x << 8) | y).to_bytes(2, "big")


def message(
    descriptors: list[int],
    data: Bits | bytes,
    *,
    subsets: int = 1,
    compressed: bool = False,
    master_version: int = 35,
    local_version: int = 0,
    centre: int = 98,
    subcentre: int = 0,
    category: int = 0,
    section2: bytes | None = None,
) -> bytes:
    """One edition 4 message; `data` is section 4's data (Bits are padded to an octet)."""
    payload = data.to_bytes() if isinstance(data, Bits) else data
    s1 = bytearray()
    s1 += (22).to_bytes(3, "big")
    s1 += bytes([0]) + centre.to_bytes(2, "big") + subcentre.to_bytes(2, "big")
    s1 += bytes([0, 0x80 if section2 is not None else 0, category, 0, 0])
    s1 += bytes([master_version, local_version]) + (2024).to_bytes(2, "big")
    s1 += bytes([5, 17, 12, 30, 0])
    s2 = b""
    if section2 is not None:
        s2 = (4 + len(section2)).to_bytes(3, "big") + b"\0" + section2
    desc = b"".join(packed(c) for c in descriptors)
    flags = 0x80 | (0x40 if compressed else 0)
    s3 = (7 + len(desc)).to_bytes(3, "big") + b"\0" + subsets.to_bytes(2, "big")
    s3 += bytes([flags]) + desc
    s4 = (4 + len(payload)).to_bytes(3, "big") + b"\0" + payload
    body = bytes(s1) + s2 + s3 + s4 + b"7777"
    return b"BUFR" + (8 + len(body)).to_bytes(3, "big") + b"\x04" + body


# (code, name, unit, scale, reference, width)
Element = tuple[int, str, str, int, int, int]


def write_tables(
    directory: Path,
    elements: list[Element],
    sequences: dict[int, list[int]] | None = None,
    codetables: dict[int, dict[int, str]] | None = None,
) -> Path:
    """An ecCodes-style table directory: element.table, sequence.def, codetables/."""
    directory.mkdir(parents=True, exist_ok=True)
    header = (
        "code|abbreviation|type|name|unit|scale|reference|width|crex_unit|crex_scale|crex_width"
    )
    lines = ["#" + header]
    for code, name, unit, scale, reference, width in elements:
        kind = "string" if unit == "CCITT IA5" else "long"
        fields = [f"{code:06}", f"e{code}", kind, name, unit, scale, reference, width, unit, 0, 1]
        lines.append("|".join(str(f) for f in fields))
    (directory / "element.table").write_text("\n".join(lines) + "\n")
    seq_lines = [
        f'"{code:06}" = [  ' + ", ".join(f"{m:06}" for m in members) + " ]"
        for code, members in (sequences or {}).items()
    ]
    (directory / "sequence.def").write_text("\n".join(seq_lines) + "\n")
    if codetables:
        ct = directory / "codetables"
        ct.mkdir(exist_ok=True)
        for code, entries in codetables.items():
            body = "".join(f"{raw} {raw} {meaning}\n" for raw, meaning in entries.items())
            (ct / f"{code}.table").write_text(body)
    return directory


# The elements most decode tests share. Class 63 codes are made up for edge cases.
STANDARD_ELEMENTS: list[Element] = [
    (1001, "WMO BLOCK NUMBER", "Numeric", 0, 0, 7),
    (1002, "WMO STATION NUMBER", "Numeric", 0, 0, 10),
    (1015, "STATION OR SITE NAME", "CCITT IA5", 0, 0, 64),
    (2001, "TYPE OF STATION", "CODE TABLE", 0, 0, 2),
    (12001, "TEMPERATURE/AIR TEMPERATURE", "K", 1, 0, 12),
    (12101, "TEMPERATURE/AIR TEMPERATURE", "K", 2, 0, 16),
    (31001, "DELAYED DESCRIPTOR REPLICATION FACTOR", "Numeric", 0, 0, 8),
    (31002, "EXTENDED DELAYED DESCRIPTOR REPLICATION FACTOR", "Numeric", 0, 0, 16),
    (31021, "ASSOCIATED FIELD SIGNIFICANCE", "CODE TABLE", 0, 0, 6),
    (31031, "DATA PRESENT INDICATOR", "FLAG TABLE", 0, 0, 1),
    (63000, "ZERO WIDTH", "Numeric", 0, 0, 0),
    (63001, "SIXTY-FOUR BITS", "Numeric", 0, 0, 64),
    (63002, "SCALE MINUS FIVE", "Numeric", -5, 0, 8),
    (63003, "TEN BITS SCALED", "K", 1, -40, 10),
    (63004, "TWELVE BITS SCALED", "K", 1, -5, 12),
    (63005, "HUGE REFERENCE", "Numeric", 0, 2**53 + 1, 2),
    (63006, "TINY STEP", "Numeric", 5, 0, 4),
    (63007, "EXTREME SCALE", "Numeric", -400, 0, 2),
    (63008, "EXTREME SCALE NEGATIVE", "Numeric", -400, -1, 1),
    (63010, "THREE BITS", "Numeric", 0, 0, 3),
    (63011, "FIVE BITS", "Numeric", 0, 0, 5),
    (63012, "SIXTY BITS", "Numeric", 0, 0, 60),
    (63013, "WIDEST", "Numeric", 0, 0, 65535),
    (63014, "TWELVE BIT TEXT", "CCITT IA5", 0, 0, 12),
    (63015, "SIXTEEN BIT TEXT", "CCITT IA5", 0, 0, 16),
    (63016, "TEXT FACTOR", "CCITT IA5", 0, 0, 8),
    (63017, "SIXTY-THREE BITS", "Numeric", 0, 0, 63),
]

STANDARD_CODETABLES = {
    2001: {0: "Automatic station", 1: "Manned station", 3: "Missing value"},
    31021: {1: "1-bit indicator of quality"},
}


def write_standard_tables(directory: Path, sequences: dict[int, list[int]] | None = None) -> Path:
    return write_tables(directory, STANDARD_ELEMENTS, sequences, STANDARD_CODETABLES)
