"""Shared set-up of the decoding tests: one table directory and short ways to decode."""

from __future__ import annotations

from pathlib import Path

import _mervane
from bufr_writer import Bits, message, write_standard_tables

# 340001 -> 340002 -> ... -> 340064 -> [001001]: its deepest members are walked at depth 64.
SEQUENCES: dict[int, list[int]] = {340000 + k: [340001 + k] for k in range(1, 64)}
SEQUENCES[340064] = [1001]
SEQUENCES[340000] = [340001]  # one level deeper than allowed
SEQUENCES[340100] = [340100]  # contains itself
SEQUENCES[301001] = [1001, 1002]
SEQUENCES[301002] = [201130, 1001]
SEQUENCES[301003] = [102002, 1001, 1002]
SEQUENCES[301004] = [999999]  # no section 3 can hold a code with F above 3


def make_tables(directory: Path) -> str:
    return str(write_standard_tables(directory, SEQUENCES))


def decode(tables: str, descriptors: list[int], data: Bits | bytes, **kwargs):
    return _mervane.decode_values(message(descriptors, data, **kwargs), tables)


def fields(values) -> list[tuple]:
    """What a value holds, as one comparable tuple per value."""
    return [(v.descriptor, v.raw, v.raw_value, v.raw_text, v.raw_meaning) for v in values]
