"""Every kind of core error reaches Python as a ValueError carrying its exact text."""

import _mervane
import pytest
from _mervane import TableSet
from message_builder import message


def _decode_unknown_element(tmp_path):
    from conftest import write_table_dir

    tables = write_table_dir(tmp_path / "t", elements=[], sequences={})
    return _mervane.decode_values(message(descriptors=[1001]), str(tables))


KINDS = [
    ("TooShort", lambda p: _mervane.parse_bytes(b"BUFR"), "message is too short to be BUFR"),
    ("MissingMarker", lambda p: _mervane.parse_bytes(b"GRIB\0\0\x08\x04"), "missing BUFR marker"),
    (
        "UnsupportedEdition",
        lambda p: _mervane.parse_bytes(message(edition=3)),
        "unsupported BUFR edition 3; only edition 4 is implemented",
    ),
    (
        "LengthMismatch",
        lambda p: _mervane.parse_bytes(message(total_length=120).ljust(118, b"\0")),
        "declared length 120 does not match buffer length 118",
    ),
    (
        "SectionTruncated",
        lambda p: _mervane.parse_bytes(message(s4=b"\x00\x01\x00\x00")),
        "section 4 at offset 39 is truncated",
    ),
    (
        "BadTerminator",
        lambda p: _mervane.parse_bytes(message(terminator=b"7778")),
        "section 5 terminator is not 7777",
    ),
    (
        "SequenceNotFound",
        lambda p: TableSet().expand([301001]),
        "descriptor 301001 was not found in Table D",
    ),
    (
        "DelayedReplicationIncomplete",
        lambda p: TableSet().expand([101000, 31001]),
        "delayed replication descriptor 101000 is missing its replication factor or replicated "
        "descriptors",
    ),
    (
        "UnsupportedReplication",
        lambda p: TableSet().expand([100000]),
        "unsupported replication descriptor 100000",
    ),
    ("ElementNotFound", _decode_unknown_element, "descriptor 001001 was not found in Table B"),
    (
        "Parse",
        lambda p: TableSet().expand([999999]),
        "csv/table parse error: invalid descriptor 999999",
    ),
    (
        "Io",
        lambda p: TableSet.from_bufr4_45(str(p / "absent")),
        "io error: No such file or directory (os error 2)",
    ),
]
# OddDescriptorBytes keeps its text but is never raised: an odd last octet of the section 3
# descriptor area is padding that edition 4 encoders still write.


@pytest.mark.parametrize("call, text", [k[1:] for k in KINDS], ids=[k[0] for k in KINDS])
def test_error_kind_text(tmp_path, call, text):
    with pytest.raises(ValueError) as exc:
        call(tmp_path)
    assert type(exc.value) is ValueError
    assert exc.value.args == (text,)
