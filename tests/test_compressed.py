"""Compressed section 4: columns, their missing rules, texts, factors and subset order."""

from __future__ import annotations

import pytest
from bufr_writer import Bits
from decode_helpers import decode, fields, make_tables

PREFIX = "csv/table parse error: "
# Fixed replications nested ten deep around a marker: 255^10 walks.
NESTED_FIXED = [100255 + 1000 * x for x in range(10, 0, -1)] + [222000]


@pytest.fixture(scope="module")
def tables(tmp_path_factory):
    return make_tables(tmp_path_factory.mktemp("tables"))


def column(bits: Bits, width: int, r0: int, nbinc: int = 0, increments=()) -> Bits:
    bits.uint(r0, width).uint(nbinc, 6)
    for inc in increments:
        bits.uint(inc, nbinc)
    return bits


def text_column(bits: Bits, width: int, reference: str, nbinc: int = 0, texts=()) -> Bits:
    bits.text(reference, width).uint(nbinc, 6)
    for text in texts:
        bits.text(text, 8 * nbinc)
    return bits


def cdecode(tables, descriptors, bits, subsets):
    return decode(tables, descriptors, bits, subsets=subsets, compressed=True)


def failure(tables, descriptors, bits, subsets) -> str:
    with pytest.raises(ValueError) as exc:
        cdecode(tables, descriptors, bits, subsets)
    return str(exc.value)


@pytest.mark.parametrize(
    "bits, expected",
    [
        (column(Bits(), 12, 100, 3, [2, 5]), [(102, 10.2), (105, 10.5)]),
        (column(Bits(), 12, 100), [(100, 10.0), (100, 10.0)]),
        (column(Bits(), 12, 4095, 2, [1, 2]), [(4095, None), (4095, None)]),
        (column(Bits(), 12, 100, 2, [3, 1]), [(100, None), (101, 10.1)]),
    ],
    ids=["increments", "nbinc-0", "r0-missing", "increment-missing"],
)
def test_numeric_columns(tables, bits, expected):
    # The element after the column shows that every increment was consumed.
    column(bits, 7, 9)
    values = cdecode(tables, [12001, 1001], bits, 2)
    assert [(v.descriptor, v.raw, v.raw_value) for v in values] == [
        (12001, *expected[0]),
        (1001, 9, 9.0),
        (12001, *expected[1]),
        (1001, 9, 9.0),
    ]


def test_class_31_column_is_never_missing(tables):
    values = cdecode(tables, [31001], column(Bits(), 8, 255, 1, [0, 1]), 2)
    assert [(v.raw, v.raw_value) for v in values] == [(255, 255.0), (256, 256.0)]


def test_missing_increment_shows_the_missing_meaning_like_an_uncompressed_message(tables):
    compressed = cdecode(tables, [2001], column(Bits(), 2, 0, 2, [0, 3]), 2)
    plain = decode(tables, [2001], Bits().uint(0, 2).uint(3, 2), subsets=2)
    assert (
        [v.data for v in compressed]
        == [v.data for v in plain]
        == [
            "Automatic station",
            "Missing value",
        ]
    )
    assert [(v.raw, v.raw_value, v.raw_meaning) for v in compressed] == [
        (0, 0.0, "Automatic station"),
        (0, None, "Missing value"),
    ]


def test_associated_field_columns(tables):
    bits = column(Bits(), 6, 1)
    column(bits, 3, 7, 3, [7, 0])  # all ones still give numbers
    column(bits, 12, 100)
    values = cdecode(tables, [204003, 31021, 12001], bits, 2)
    assert [(v.descriptor, v.raw, v.raw_value) for v in values] == [
        (31021, 1, 1.0),
        (999999, 14, 14.0),
        (12001, 100, 10.0),
        (31021, 1, 1.0),
        (999999, 7, 7.0),
        (12001, 100, 10.0),
    ]


def test_shared_text_columns_are_numbered_column_by_column(tables):
    bits = text_column(Bits(), 64, "ABC")
    text_column(bits, 64, "XY")
    values = cdecode(tables, [1015, 1015], bits, 3)
    assert [(v.raw_text, v.raw_value) for v in values] == [
        ("ABC", 1008.0),
        ("XY", 4008.0),
        ("ABC", 2008.0),
        ("XY", 5008.0),
        ("ABC", 3008.0),
        ("XY", 6008.0),
    ]


def test_text_column_with_increments_ignores_its_reference(tables):
    bits = text_column(Bits(), 64, "ZZZ", 4, ["AB", "CDEF"])
    column(bits, 7, 9)
    values = cdecode(tables, [1015, 1001], bits, 2)
    assert fields(values) == [
        (1015, None, 1008.0, "AB", None),
        (1001, 9, 9.0, None, None),
        (1015, None, 2008.0, "CDEF", None),
        (1001, 9, 9.0, None, None),
    ]


@pytest.mark.parametrize(
    "descriptors, bits, expected",
    [
        (
            [101000, 31001, 1001],
            column(column(column(Bits(), 8, 2), 7, 1), 7, 2),
            [31001, 1001, 1001],
        ),
        (
            # The first subset's factor has no number: nothing is replicated.
            [101000, 1001, 1002],
            column(Bits(), 7, 0, 7, [127, 3, 3]),
            [1001],
        ),
        ([101000, 63016, 1002], text_column(Bits(), 8, "3"), [63016]),
    ],
    ids=["same-factor", "first-factor-missing", "text-factor"],
)
def test_delayed_replication_columns(tables, descriptors, bits, expected):
    values = cdecode(tables, descriptors, bits, 3)
    assert [v.descriptor for v in values] == expected * 3


def test_varying_factors_fail(tables):
    bits = column(Bits(), 8, 2, 1, [0, 1])
    assert failure(tables, [101000, 31001, 1001], bits, 2) == (
        PREFIX + "compressed delayed replication with varying factors is not implemented"
    )


def test_zero_subsets_still_consume_every_column(tables):
    bits = column(Bits(), 7, 5)
    text_column(bits, 64, "A")
    data = bits.to_bytes()
    assert cdecode(tables, [1001, 1015], data, 0) == []
    assert failure(tables, [1001, 1015], data[:10], 0) == PREFIX + (
        "not enough bits while reading section 4 at bit 77 for width 6 (80 bits available)"
    )


def test_markers_and_bitmaps_as_columns(tables):
    descriptors = [1001, 1002, 222000, 236000, 101002, 31031, 223255, 223255]
    bits = column(Bits(), 7, 1)
    column(bits, 10, 2, 2, [0, 1])
    column(column(bits, 1, 1), 1, 0)
    column(bits, 10, 40, 3, [0, 7])
    values = cdecode(tables, descriptors, bits, 2)
    per_subset = [(v.descriptor, v.raw) for v in values]
    assert per_subset == [
        (1001, 1),
        (1002, 2),
        (222000, 0),
        (236000, 0),
        (31031, 1),
        (31031, 0),
        (1002, 40),
        (1001, 1),
        (1002, 3),
        (222000, 0),
        (236000, 0),
        (31031, 1),
        (31031, 0),
        (1002, 40),  # its increment is all ones: missing, raw stays R0
    ]
    assert values[-1].raw_value is None


def test_difference_statistics_column(tables):
    bits = column(Bits(), 12, 7)
    column(bits, 1, 0)
    column(bits, 13, 5000, 2, [0, 3])
    values = cdecode(tables, [63004, 236000, 101001, 31031, 225255], bits, 2)
    assert [(v.descriptor, v.raw, v.raw_value) for v in values if v.descriptor == 63004] == [
        (63004, 7, 0.2),
        (63004, 5000, 90.4),
        (63004, 7, 0.2),
        (63004, 5000, None),
    ]


def test_compressed_and_uncompressed_messages_decode_alike(tables):
    plain = Bits().uint(1, 7).uint(2731, 12).uint(1, 2).uint(2, 7).uint(2735, 12).uint(3, 2)
    packed = column(Bits(), 7, 1, 2, [0, 1])
    column(packed, 12, 2731, 3, [0, 4])
    column(packed, 2, 1, 2, [0, 3])
    a = decode(tables, [1001, 12001, 2001], plain, subsets=2)
    b = cdecode(tables, [1001, 12001, 2001], packed, 2)
    assert [v.data for v in a] == [v.data for v in b]
    assert [(v.descriptor, v.raw_value, v.raw_meaning) for v in a] == [
        (v.descriptor, v.raw_value, v.raw_meaning) for v in b
    ]


@pytest.mark.parametrize(
    "descriptors, text",
    [
        ([340000], PREFIX + "compressed descriptor decode exceeded recursion depth"),
        ([301004], PREFIX + "invalid descriptor 999999"),
        ([203010, 1001], PREFIX + "unsupported operator 203010"),
        ([205001, 1001], PREFIX + "unsupported operator 205001"),
        (
            [101000, 31001],
            "delayed replication descriptor 101000 is missing its replication "
            "factor or replicated descriptors",
        ),
        ([63255], "descriptor 063255 was not found in Table B"),
    ],
    ids=["depth-65", "f-above-3", "op203", "op205", "delayed-incomplete", "element-not-in-b"],
)
def test_compressed_walk_failures(tables, descriptors, text):
    assert failure(tables, descriptors, bytes(16), 2) == text


@pytest.mark.parametrize(
    "data, text",
    [
        (
            b"\x00",
            PREFIX + "not enough bits while reading section 4 at bit 8 for width 6 "
            "(8 bits available)",
        ),
        (column(Bits(), 8, 0).to_bytes(), "descriptor 063255 was not found in Table B"),
    ],
    ids=["field-column-fails-first", "then-lookup"],
)
def test_associated_field_column_is_read_before_the_table_b_lookup(tables, data, text):
    assert failure(tables, [204008, 63255], data, 2) == text


def test_depth_64_decodes(tables):
    values = cdecode(tables, [340001], column(Bits(), 7, 9), 2)
    assert [v.raw for v in values] == [9, 9]


@pytest.mark.parametrize(
    "descriptors, bits, subsets, limit",
    [
        ([206064, 101000, 31001, 222000], column(Bits(), 64, 2**64 - 1), 3, "value"),
        ([206064, 101000, 31001, 222000], column(Bits(), 64, 2**64 - 1), 1000, "value"),
        (NESTED_FIXED, Bits(), 2, "step"),
    ],
    ids=["huge-factor", "huge-factor-many-subsets", "nested-fixed"],
)
def test_runaway_walks_end_with_an_error(tables, descriptors, bits, subsets, limit):
    assert failure(tables, descriptors, bits, subsets) == (
        PREFIX + f"compressed descriptor decode exceeded {limit} limit"
    )
