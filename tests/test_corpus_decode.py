"""Every edition-4 message of the shared corpus decodes with a real definitions tree.

Messages that cannot decode are listed by file with the exact error and the reason; each
listing is checked too, so the table goes stale loudly when the decoder or the tables change.
Agreement of the values with ecCodes is tested in test_eccodes_agreement.py.
"""

from __future__ import annotations

import csv
from collections import defaultdict
from pathlib import Path

import _mervane
import pytest

CORPUS = Path(__file__).resolve().parents[2] / "shared" / "corpus"
DEFINITIONS = Path("/usr/share/eccodes/definitions")

UNSUPPORTED = "csv/table parse error: unsupported operator "

# file -> (error text of every message in it, reason)
FAILURES = {
    # Operators that carry bits the decoder does not read: refused rather than misread.
    "bufr2synop/20160402121749_IUSH01_DRRN_021100.bufr": (
        UNSUPPORTED + "205060",
        "205YYY characters inserted in the data",
    ),
    "dballe/temp-huge.bufr": (UNSUPPORTED + "205060", "205YYY characters inserted in the data"),
    "pybufrkit/IUSK73_AMMC_040000.bufr": (
        UNSUPPORTED + "205060",
        "205YYY characters inserted in the data",
    ),
    "pybufrkit/IUSK73_AMMC_182300.bufr": (
        UNSUPPORTED + "205060",
        "205YYY characters inserted in the data",
    ),
    "wreport/temp-gts1.bufr": (UNSUPPORTED + "205060", "205YYY characters inserted in the data"),
    "pybufrkit/ISND02_LLBD.bufr": (UNSUPPORTED + "203014", "203YYY new reference values"),
    "wreport/wigos.bufr": (UNSUPPORTED + "203014", "203YYY new reference values"),
    # Local descriptors that no table of the tree defines.
    "wreport/ed4.bufr": (
        "descriptor 001212 was not found in Table B",
        "centre 98 local table version 102",
    ),
    "wreport/ed4date.bufr": (
        "descriptor 001212 was not found in Table B",
        "centre 98 local table version 102",
    ),
    "dballe/arpa-station.bufr": ("descriptor 001194 was not found in Table B", "centre 200"),
    "dballe/generic-bug20140312.bufr": (
        "descriptor 001194 was not found in Table B",
        "centre 200",
    ),
    "dballe/generic-bug20140326.bufr": (
        "descriptor 001194 was not found in Table B",
        "centre 200",
    ),
    "dballe/truncated-unicode.bufr": ("descriptor 001194 was not found in Table B", "centre 200"),
    "bufrconv/A_IUPC41RJTD280000_C_RJTD_20191028001631_4.bufr": (
        "descriptor 025192 was not found in Table B",
        "centre 34 local table version 1",
    ),
    # Messages that disagree with their own section 1 or section 4.
    "libecbufr/delayed_repl0.bufr": (
        "descriptor 302036 was not found in Table D",
        "master table version 2, which the tree does not have",
    ),
    "libecbufr/030XXX.bufr": (
        "csv/table parse error: not enough bits while reading section 4 at bit 22373 for "
        "width 62 (22416 bits available)",
        "says master version 13 but was encoded with the 17-bit 014002 of version 14",
    ),
    "pybufrkit/jason2.bufr": (
        "csv/table parse error: not enough bits while reading section 4 at bit 540114 for "
        "width 16 (540120 bits available)",
        "section 4 ends inside 340010 with every table version",
    ),
    "bufrpy/delayed_repetition.bufr": (
        "csv/table parse error: not enough bits while reading section 4 at bit 32 for width 4 "
        "(32 bits available)",
        "031011 delayed repetition of 3 with one copy in section 4",
    ),
}


def corpus_files():
    manifest = CORPUS / "MANIFEST.tsv"
    if not manifest.is_file():
        return [pytest.param("", [], id="no-corpus", marks=pytest.mark.skip(reason="no corpus"))]
    offsets = defaultdict(list)
    with open(manifest, newline="") as rows:
        for row in csv.DictReader(rows, delimiter="\t"):
            if row["edition"] == "4":
                offsets[row["file"]].append(int(row["byte_offset"]))
    return [pytest.param(name, found, id=name) for name, found in offsets.items()]


@pytest.mark.parametrize("name, offsets", corpus_files())
def test_corpus_file_decodes(name, offsets):
    if not DEFINITIONS.is_dir():
        pytest.skip(f"no definitions tree at {DEFINITIONS}")
    data = (CORPUS / name).read_bytes()
    expected = FAILURES.get(name)
    for offset in offsets:
        length = int.from_bytes(data[offset + 4 : offset + 7], "big")
        one = data[offset : offset + length]
        if expected is None:
            values = _mervane.decode_values_with_definitions(one, str(DEFINITIONS))
            subsets = _mervane.parse_bytes(one).number_of_subsets
            assert (len(values) > 0) == (subsets > 0)
        else:
            with pytest.raises(ValueError) as exc:
                _mervane.decode_values_with_definitions(one, str(DEFINITIONS))
            assert str(exc.value) == expected[0], expected[1]


def test_failures_name_corpus_files():
    if not (CORPUS / "MANIFEST.tsv").is_file():
        pytest.skip("no corpus")
    for name in FAILURES:
        assert (CORPUS / name).is_file(), name
