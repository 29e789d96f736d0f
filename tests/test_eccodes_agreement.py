"""Every edition-4 corpus message decodes, and its values agree with ecCodes' own.

Each message is decoded by ours with the definitions tree and by ecCodes with the
definitions its package carries, and the two are compared element by element,
subset by subset; eccodes_reference.py says what is compared and what is left
out. Messages that cannot agree are listed in EXCEPTIONS with the reason, and
each listing is checked as well (ours fails with exactly the text given, ecCodes
still fails, or the known difference is still the first one), so that the table
goes stale loudly when either decoder changes.
"""

from __future__ import annotations

import csv
import functools
import os
from dataclasses import dataclass
from pathlib import Path
from typing import Optional

import pytest

import _mervane
from eccodes_reference import comparable, eccodes_elements, first_difference

try:
    import eccodes
except (ImportError, RuntimeError):  # RuntimeError: bindings without their library
    eccodes = None

CORPUS = Path(__file__).resolve().parents[2] / "shared" / "corpus"
DEFINITIONS = Path(os.environ.get("MERVANE_DEFINITIONS", "/usr/share/eccodes/definitions"))


@dataclass(frozen=True)
class Expected:
    reason: str
    ours: Optional[str] = None  # our exact error text; None when ours decodes
    peer_fails: bool = False  # ecCodes raises on the message
    differs: Optional[str] = None  # text in the report of the first difference


def unsupported(operator: str) -> str:
    return f"csv/table parse error: unsupported operator {operator}"


def not_in_table_b(code: str) -> str:
    return f"descriptor {code} was not found in Table B"


# By file (every message of it) or by (file, message index).
EXCEPTIONS: dict[object, Expected] = {
    # Features outside our decoder: it refuses them rather than misread the bits after them.
    "bufr2netcdf/cdfin_ship": Expected(
        "205008 inserts 8 characters that our decoder does not read", ours=unsupported("205008")
    ),
    "dballe/wmo-ship-1.bufr": Expected(
        "205008 inserts 8 characters that our decoder does not read", ours=unsupported("205008")
    ),
    "pybufrkit/ISND02_LLBD.bufr": Expected(
        "203YYY new reference values are not decoded by ours", ours=unsupported("203014")
    ),
    "wreport/wigos.bufr": Expected(
        "203YYY new reference values are not decoded by ours", ours=unsupported("203014")
    ),
    # Messages ecCodes does not decode (the corpus README gives the details).
    "wreport/ed4.bufr": Expected(
        "centre 98 local table version 102: local descriptors (001212 ...) that ecCodes lacks",
        peer_fails=True,
    ),
    "wreport/ed4date.bufr": Expected(
        "centre 98 local table version 102: local descriptors (001212 ...) that ecCodes lacks",
        peer_fails=True,
    ),
    "dballe/arpa-station.bufr": Expected(
        "centre 200 local descriptors (001194 ...) in no table", ours=not_in_table_b("001194"),
        peer_fails=True,
    ),
    "dballe/generic-bug20140312.bufr": Expected(
        "centre 200 local descriptors (001194 ...) in no table", ours=not_in_table_b("001194"),
        peer_fails=True,
    ),
    "dballe/generic-bug20140326.bufr": Expected(
        "centre 200 local descriptors (001194 ...) in no table", ours=not_in_table_b("001194"),
        peer_fails=True,
    ),
    "dballe/truncated-unicode.bufr": Expected(
        "centre 200 local descriptors (001194 ...) in no table", ours=not_in_table_b("001194"),
        peer_fails=True,
    ),
    "libecbufr/030XXX.bufr": Expected(
        "says master version 13 but was encoded with the 17-bit 014002 of version 14",
        peer_fails=True,
    ),
    "libecbufr/delayed_repl0.bufr": Expected(
        "master table version 2, which neither definitions tree has", peer_fails=True
    ),
    "pybufrkit/jason2.bufr": Expected(
        "section 4 ends inside 340010 with every table version", peer_fails=True
    ),
    "bufrpy/delayed_repetition.bufr": Expected(
        "031011 delayed repetition: one copy in section 4 for a factor of 3", peer_fails=True
    ),
}


def corpus_cases():
    manifest = CORPUS / "MANIFEST.tsv"
    if not manifest.is_file():
        reason = f"no corpus at {CORPUS}"
        return [pytest.param("", 0, 0, id="no-corpus", marks=pytest.mark.skip(reason=reason))]
    with open(manifest, newline="") as rows:
        return [
            pytest.param(row["file"], int(row["message_index"]), int(row["byte_offset"]),
                         id=f"{row['file']}#{row['message_index']}")
            for row in csv.DictReader(rows, delimiter="\t")
            if row["edition"] == "4"
        ]


@functools.lru_cache(maxsize=8)
def corpus_file(name: str) -> bytes:
    return (CORPUS / name).read_bytes()


def corpus_message(name: str, offset: int) -> bytes:
    data = corpus_file(name)
    length = int.from_bytes(data[offset + 4 : offset + 7], "big")
    return data[offset : offset + length]


def test_exceptions_name_corpus_files():
    if not (CORPUS / "MANIFEST.tsv").is_file():
        pytest.skip(f"no corpus at {CORPUS}")
    for key in EXCEPTIONS:
        name = key if isinstance(key, str) else key[0]
        assert (CORPUS / name).is_file(), name


@pytest.mark.parametrize(("name", "index", "offset"), corpus_cases())
def test_corpus_message_agrees_with_eccodes(name, index, offset):
    if eccodes is None:
        pytest.skip("the eccodes package is not importable")
    if not DEFINITIONS.is_dir():
        pytest.skip(f"no definitions tree at {DEFINITIONS}")
    data = corpus_message(name, offset)
    expected = EXCEPTIONS.get((name, index)) or EXCEPTIONS.get(name) or Expected("")

    ours = our_error = None
    try:
        ours = _mervane.decode_values_with_definitions(data, str(DEFINITIONS))
    except ValueError as exc:
        our_error = str(exc)
    theirs = peer_error = None
    try:
        theirs = eccodes_elements(data)
    except eccodes.CodesInternalError as exc:
        peer_error = f"{type(exc).__name__}: {exc}"

    assert our_error == expected.ours, expected.reason
    assert (peer_error is not None) == expected.peer_fails, peer_error or expected.reason
    if ours is None or theirs is None:
        return
    difference = first_difference(comparable(ours), theirs)
    if expected.differs is None:
        assert difference is None, str(difference)
    else:
        assert difference is not None and expected.differs in str(difference), str(difference)
