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
from types import SimpleNamespace
from typing import Optional

import _mervane
import pytest
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


def not_enough_bits(bit: int, width: int, available: int) -> str:
    return (
        f"csv/table parse error: not enough bits while reading section 4 at bit {bit} "
        f"for width {width} ({available} bits available)"
    )


CHARACTERS_INSERTED = Expected(
    "205060 inserts 60 characters into the data, which our decoder does not read",
    ours=unsupported("205060"),
)
NEW_REFERENCE_VALUES = Expected(
    "203014 changes reference values from the data, which our decoder does not read",
    ours=unsupported("203014"),
)
CENTRE_98_LOCAL = Expected(
    "centre 98, local table version 102: local descriptors (001212 ...) that neither "
    "definitions tree has",
    ours=not_in_table_b("001212"),
    peer_fails=True,
)
CENTRE_200_LOCAL = Expected(
    "centre 200: local descriptors (001194 ...) that neither definitions tree has",
    ours=not_in_table_b("001194"),
    peer_fails=True,
)
TEXT_OF_0XFF_THEN_NULS = Expected(
    '001011 holds one 0xFF octet and then NULs: ecCodes reads the C string "\\xff" and '
    'calls it missing, ours keeps the text, "?" and the NULs',
    differs="element 2: ours 001011='?', ecCodes 001011=None",
)

# By file (every message of it) or by (file, message index).
EXCEPTIONS: dict[object, Expected] = {
    # Features outside our decoder: it refuses them rather than misread the bits after them.
    "bufr2synop/20160402121749_IUSH01_DRRN_021100.bufr": CHARACTERS_INSERTED,
    "dballe/temp-huge.bufr": CHARACTERS_INSERTED,
    "pybufrkit/IUSK73_AMMC_040000.bufr": CHARACTERS_INSERTED,
    "pybufrkit/IUSK73_AMMC_182300.bufr": CHARACTERS_INSERTED,
    "wreport/temp-gts1.bufr": CHARACTERS_INSERTED,
    "pybufrkit/ISND02_LLBD.bufr": NEW_REFERENCE_VALUES,
    "wreport/wigos.bufr": NEW_REFERENCE_VALUES,
    "bufrconv/A_IUPC41RJTD280000_C_RJTD_20191028001631_4.bufr": Expected(
        "local element 025192 (centre 34) is in no table; ecCodes skips its bits by the width "
        "206YYY announces, ours needs every element in Table B",
        ours=not_in_table_b("025192"),
    ),
    # Messages that neither decodes.
    "wreport/ed4.bufr": CENTRE_98_LOCAL,
    "wreport/ed4date.bufr": CENTRE_98_LOCAL,
    "dballe/arpa-station.bufr": CENTRE_200_LOCAL,
    "dballe/generic-bug20140312.bufr": CENTRE_200_LOCAL,
    "dballe/generic-bug20140326.bufr": CENTRE_200_LOCAL,
    "dballe/truncated-unicode.bufr": CENTRE_200_LOCAL,
    "libecbufr/030XXX.bufr": Expected(
        "says master version 13 but was encoded with the 17-bit 014002 of version 14 and later, "
        "so section 4 runs out",
        ours=not_enough_bits(22373, 62, 22416),
        peer_fails=True,
    ),
    "libecbufr/delayed_repl0.bufr": Expected(
        "master table version 2, whose Table D (302036) neither definitions tree has",
        ours="descriptor 302036 was not found in Table D",
        peer_fails=True,
    ),
    "pybufrkit/jason2.bufr": Expected(
        "section 4 ends inside 340010 with every table version",
        ours=not_enough_bits(540114, 16, 540120),
        peer_fails=True,
    ),
    "bufrpy/delayed_repetition.bufr": Expected(
        "031011 delayed repetition with a factor of 3 and one copy of the data in section 4",
        ours=not_enough_bits(32, 4, 32),
        peer_fails=True,
    ),
    # Known differences of the peer.
    ("dballe/dbapi-emptymsg.bufr", 0): TEXT_OF_0XFF_THEN_NULS,
    ("dballe/dbapi-emptymsg.bufr", 1): TEXT_OF_0XFF_THEN_NULS,
}


def corpus_cases():
    manifest = CORPUS / "MANIFEST.tsv"
    if not manifest.is_file():
        reason = f"no corpus at {CORPUS}"
        return [pytest.param("", 0, 0, id="no-corpus", marks=pytest.mark.skip(reason=reason))]
    with open(manifest, newline="") as rows:
        return [
            pytest.param(
                row["file"],
                int(row["message_index"]),
                int(row["byte_offset"]),
                id=f"{row['file']}#{row['message_index']}",
            )
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


def decoded(descriptor, raw_value=None, raw=0, raw_text=None, name="element"):
    return SimpleNamespace(
        descriptor=descriptor, name=name, raw_value=raw_value, raw=raw, raw_text=raw_text
    )


def test_comparable_drops_markers_and_associated_fields_and_normalises_texts():
    values = [
        decoded(222000, 0.0, name="operator"),
        decoded(999999, 5.0, raw=5, name="associatedField"),
        decoded(12101, 273.15, raw=2731),
        decoded(1015, 1020.0, raw=None, raw_text="CORK\0\0 junk"),
        decoded(1019, 2020.0, raw=None, raw_text="A B  \t"),
        decoded(1011, 3009.0, raw=None),
        decoded(12101, None, raw=65535),
    ]
    assert comparable(values) == [
        (12101, 273.15),
        (1015, "CORK"),
        (1019, "A B"),
        (1011, None),
        (12101, None),
    ]


@pytest.mark.parametrize(
    ("ours", "theirs", "report"),
    [
        ([(1001, 3.0), (12101, 273.15)], [[(1001, 3.0)], [(12101, 273.15 + 1e-12)]], None),
        ([(31021, 63.0)], [[(31021, None)]], None),
        (
            [(31021, 62.0)],
            [[(31021, None)]],
            "subset 1, element 0: ours 031021=62.0, ecCodes 031021=None\n"
            "  ours:    031021=62.0\n  ecCodes: 031021=None",
        ),
        ([(12101, 250.0)], [[(223255, 250.0)]], None),
        ([(1015, "")], [[(1015, None)]], None),
        (
            [(1001, 3.0), (1002, 951.0)],
            [[(1001, 3.0)], [(1002, 952.0)]],
            "subset 2, element 0: ours 001002=951.0, ecCodes 001002=952.0\n"
            "  ours:    001001=3.0 001002=951.0\n  ecCodes: 001001=3.0 001002=952.0",
        ),
        (
            [(1001, 3.0)],
            [[(1002, 3.0)]],
            "subset 1, element 0: ours 001001=3.0, ecCodes 001002=3.0\n"
            "  ours:    001001=3.0\n  ecCodes: 001002=3.0",
        ),
        (
            [(1001, 3.0)],
            [[(1001, 3.0), (1002, None)]],
            "ours ends after 1 elements; ecCodes goes on in subset 1 at element 1: 001002=None",
        ),
        (
            [(1001, 3.0), (1002, None)],
            [[(1001, 3.0)]],
            "ours has 1 elements more than ecCodes' 1, from 001002=None",
        ),
        (
            [(1015, "3")],
            [[(1015, 3.0)]],
            "subset 1, element 0: ours 001015='3', ecCodes 001015=3.0\n"
            "  ours:    001015='3'\n  ecCodes: 001015=3.0",
        ),
    ],
    ids=[
        "equal-within-tolerance",
        "class-31-all-ones",
        "class-31-not-all-ones",
        "bitmapped",
        "empty-text-is-missing",
        "second-subset",
        "code",
        "ours-shorter",
        "ours-longer",
        "text-against-number",
    ],
)
def test_first_difference(ours, theirs, report):
    difference = first_difference(ours, theirs)
    assert (None if difference is None else str(difference)) == report
