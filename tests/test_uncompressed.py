"""Uncompressed section 4: element reading, operators, bitmaps, replication and the walk."""

from __future__ import annotations

import math

import pytest
from bufr_writer import Bits
from decode_helpers import decode, fields, make_tables

PREFIX = "csv/table parse error: "


@pytest.fixture(scope="module")
def tables(tmp_path_factory):
    return make_tables(tmp_path_factory.mktemp("tables"))


def failure(tables, descriptors, data, **kwargs) -> str:
    with pytest.raises(ValueError) as exc:
        decode(tables, descriptors, data, **kwargs)
    return str(exc.value)


# Bit reading -------------------------------------------------------------------------------


def test_reads_bits_across_widths(tables):
    # 0xB0: three bits 101 then five bits 10000.
    values = decode(tables, [63010, 63011], bytes([0xB0]))
    assert [v.raw for v in values] == [5, 16]


def test_sixty_four_bits_all_ones_is_a_number(tables):
    (v,) = decode(tables, [63001], bytes([0xFF] * 8))
    assert v.raw == 18446744073709551615
    assert v.raw_value == 18446744073709551615.0


@pytest.mark.parametrize(
    "descriptors, data, text",
    [
        (
            [1002, 1001],
            bytes(2),
            "not enough bits while reading section 4 at bit 10 for width 7 (16 bits available)",
        ),
        (
            [63012, 201135, 63012],
            bytes(16),
            "cannot read 67 bits into u64",
        ),
        (
            # A width past 65535 names the true width rather than wrapping to a small one.
            [201255, 63013],
            bytes(16),
            "cannot read 65662 bits into u64",
        ),
        (
            [63015],
            b"A",
            "not enough bits while reading section 4 at bit 8 for width 8 (8 bits available)",
        ),
        (
            # The last partial byte of a text fails with its own width.
            [63011, 63014],
            bytes(2),
            "not enough bits while reading section 4 at bit 13 for width 4 (16 bits available)",
        ),
    ],
    ids=["past-end", "width-above-64", "width-above-65535", "text-whole-byte", "text-rest"],
)
def test_bit_reader_failures(tables, descriptors, data, text):
    assert failure(tables, descriptors, data) == PREFIX + text


def test_reading_up_to_the_last_bit_succeeds(tables):
    bits = Bits().uint(1, 10).uint(63, 6)
    values = decode(tables, [1002, 63010, 63010], bits.to_bytes())
    assert [v.raw for v in values] == [1, 7, 7]


def test_twelve_bit_text_keeps_its_last_byte_left_aligned(tables):
    # 0x41 then the nibble 0x2: bytes 0x41 0x20, "A" once the trailing space goes.
    (v,) = decode(tables, [63014], Bits().uint(0x41, 8).uint(0x2, 4))
    assert v.raw_text == "A"
    assert v.raw_value == 1001.0


# Numbers and missing values ----------------------------------------------------------------


@pytest.mark.parametrize(
    "code, bits, raw, number",
    [
        (1001, Bits().ones(7), 127, None),
        (31001, Bits().ones(8), 255, 255.0),
        (63000, Bits(), 0, None),
        (63003, Bits().uint(50, 10), 50, 1.0),
        (63002, Bits().uint(1, 8), 1, 99999.99999999999),
        (63005, Bits().uint(1, 2), 1, 9007199254740994.0),
        (63006, Bits().uint(1, 4), 1, 1e-5),
        (63007, Bits().uint(1, 2), 1, math.inf),
        (63008, Bits().uint(0, 1), 0, -math.inf),
    ],
    ids=[
        "all-ones-missing",
        "class-31-never-missing",
        "width-0-missing",
        "scale-and-reference",
        "negative-scale-reciprocal",
        "exact-sum",
        "small-scale",
        "overflow-to-inf",
        "overflow-to-minus-inf",
    ],
)
def test_numeric_values(tables, code, bits, raw, number):
    (v,) = decode(tables, [code], bits)
    assert (v.descriptor, v.raw, v.raw_value) == (code, raw, number)


def test_nan_from_zero_over_zero(tables):
    (v,) = decode(tables, [63007], Bits().uint(0, 2))
    assert math.isnan(v.raw_value)
    assert repr(v) == "DecodedValue(063007, Some(nan))"


def test_missing_value_still_gets_its_meaning(tables):
    (v,) = decode(tables, [2001], Bits().uint(3, 2))
    assert (v.raw, v.raw_value, v.data) == (3, None, "Missing value")
    assert v.raw_meaning == "Missing value"


# Operators ---------------------------------------------------------------------------------


@pytest.mark.parametrize(
    "descriptors, bits, expected",
    [
        ([201129, 63003, 201000, 63003], Bits().uint(90, 11).uint(50, 10), [(90, 5.0), (50, 1.0)]),
        ([201128, 63003], Bits().uint(50, 10), [(50, 1.0)]),
        ([202129, 63003], Bits().uint(50, 10), [(50, 0.1)]),
        ([202126, 202000, 63003], Bits().uint(50, 10), [(50, 1.0)]),
        (
            # 207002: 19 bits, scale 3, reference -500; 201130 then makes the width 14.
            [207002, 63004, 201130, 63004, 207000, 63004],
            Bits().uint(1000, 19).uint(1000, 14).uint(15, 12),
            [(1000, 0.5), (1000, 0.5), (15, 1.0)],
        ),
        (
            [206016, 1001, 1001, 206000, 1001],
            Bits().uint(300, 16).uint(5, 7),
            [(300, 300.0), (5, 5.0), (0, None)],
        ),
        ([203000, 203255, 205000, 209000, 221000, 1001], Bits().uint(5, 7), [(5, 5.0)]),
    ],
    ids=["201", "201128", "202", "202000", "207", "206", "ignored-without-bits"],
)
def test_operators_adjust_coding(tables, descriptors, bits, expected):
    values = decode(tables, descriptors, bits)
    assert [(v.raw, v.raw_value) for v in values] == expected


@pytest.mark.parametrize("code", [203001, 203014, 203254, 205010, 209032, 221005])
def test_operators_carrying_unread_bits_fail(tables, code):
    assert failure(tables, [1001, code, 1001], Bits().uint(1, 7).uint(2, 7)) == (
        PREFIX + f"unsupported operator {code:06}"
    )


def test_character_width_operator(tables):
    bits = Bits().text("ABCDEFGHIJ", 80).text("XY", 64)
    values = decode(tables, [208010, 1015, 208000, 1015], bits)
    assert [(v.raw_text, v.raw_value) for v in values] == [("ABCDEFGHIJ", 1010.0), ("XY", 2008.0)]


@pytest.mark.parametrize(
    "data, text",
    [
        (b"AB  \t\r\n", "AB"),
        (b"\x41\xc3", "A?"),
        (b"\xff" * 2, None),
        (b"  ", ""),
        (b"A\0B\0", "A\0B\0"),
        (b" A B", " A B"),
    ],
    ids=["trailing-space", "high-bytes", "all-ff", "only-spaces", "nul-kept", "leading-space"],
)
def test_ia5_text(tables, tmp_path, data, text):
    from bufr_writer import write_tables

    width = 8 * len(data)
    directory = write_tables(tmp_path, [(1015, "NAME", "CCITT IA5", 0, 0, width)])
    (v,) = decode(str(directory), [1015], data)
    assert v.raw_text == text
    assert v.raw is None and v.raw_meaning is None
    assert v.raw_value == 1000.0 + len(data)


def test_associated_fields(tables):
    bits = Bits().uint(1, 6).uint(5, 7).uint(50, 10).uint(2, 8).uint(9, 7).uint(1, 7)
    bits.uint(3, 7).uint(2, 7).uint(4, 7)
    values = decode(tables, [204007, 31021, 63003, 101000, 31001, 1001, 204000, 1001], bits)
    assert [(v.descriptor, v.raw) for v in values] == [
        (31021, 1),
        (999999, 5),
        (63003, 50),
        (31001, 2),
        (999999, 9),
        (1001, 1),
        (999999, 3),
        (1001, 2),
        (1001, 4),
    ]
    assert values[1].name == "associatedField"
    assert values[1].raw_value == 5.0 and values[1].raw_meaning is None


# Bitmaps -----------------------------------------------------------------------------------


def test_bitmap_reads_present_entries(tables):
    descriptors = [1001, 1002, 222000, 236000, 101002, 31031, 223000, 223255, 223255]
    bits = Bits().uint(1, 7).uint(2, 10).uint(1, 1).uint(0, 1).uint(77, 10)
    values = decode(tables, descriptors, bits)
    assert [(v.descriptor, v.raw) for v in values] == [
        (1001, 1),
        (1002, 2),
        (222000, 0),
        (236000, 0),
        (31031, 1),
        (31031, 0),
        (223000, 0),
        (1002, 77),
    ]
    assert values[2].name == "operator" and values[2].raw_value == 0.0


def test_bitmap_is_reused_after_237000(tables):
    # History A B C D at 236000; bitmap 1 0 0 1: B, C, nothing; after 237000 B again.
    descriptors = [63010, 63011, 1001, 1002, 236000, 101004, 31031]
    descriptors += [223255, 223255, 223255, 237000, 223255]
    bits = Bits().uint(1, 3).uint(2, 5).uint(3, 7).uint(4, 10).uint(0b1001, 4)
    bits.uint(21, 5).uint(33, 7).uint(22, 5)
    values = decode(tables, descriptors, bits)
    assert [(v.descriptor, v.raw) for v in values[9:]] == [
        (63011, 21),
        (1001, 33),
        (237000, 0),
        (63011, 22),
    ]


@pytest.mark.parametrize(
    "ending, reads",
    [([235000], []), ([237001], []), ([237000], [(1002, 9)]), ([222000], [])],
    ids=["235000-cancels", "237yyy-cancels", "237000-reuses", "cursor-stays-at-end"],
)
def test_bitmap_after_its_end(tables, ending, reads):
    descriptors = [1001, 1002, 236000, 101002, 31031, 223255] + ending + [223255]
    bits = Bits().uint(1, 7).uint(2, 10).uint(1, 1).uint(0, 1).uint(7, 10).uint(9, 10)
    values = decode(tables, descriptors, bits)
    assert [(v.descriptor, v.raw) for v in values[5:] if v.name != "operator"] == [
        (1002, 7),
        *reads,
    ]


def test_bitmap_past_history_fails(tables):
    # Six entries anchored at four history entries: entry 4 points past the history.
    descriptors = [1001, 1001, 1001, 1001, 236000, 101006, 31031, 223255]
    bits = Bits().uint(1, 7).uint(1, 7).uint(1, 7).uint(1, 7).uint(0b111100, 6)
    text = failure(tables, descriptors, bits)
    assert text == PREFIX + "bitmap reference is outside descriptor history"


def test_difference_statistics_read_one_bit_more(tables):
    descriptors = [63004, 236000, 101001, 31031, 225255]
    bits = Bits().uint(7, 12).uint(0, 1).uint(5000, 13)
    values = decode(tables, descriptors, bits)
    assert (values[-1].descriptor, values[-1].raw, values[-1].raw_value) == (63004, 5000, 90.4)


@pytest.mark.parametrize(
    "raw, number",
    [(2**63, 0.0), (2**64 - 1, 9.223372036854776e18), (0, -9.223372036854776e18)],
    ids=["middle", "all-ones-not-missing", "zero"],
)
def test_difference_statistics_of_63_bits_read_64_with_reference_minus_2_63(tables, raw, number):
    bits = Bits().uint(5, 63).uint(0, 1).uint(raw, 64)
    values = decode(tables, [63017, 236000, 101001, 31031, 225255], bits)
    assert (values[-1].raw, values[-1].raw_value) == (raw, number)


def test_difference_statistics_of_64_bits_cannot_be_read(tables):
    bits = Bits().uint(5, 64).uint(0, 1).uint(0, 64)
    text = failure(tables, [63001, 236000, 101001, 31031, 225255], bits.to_bytes(pad_bits=7))
    assert text == PREFIX + "cannot read 65 bits into u64"


# Replication, sequences and the walk -------------------------------------------------------


@pytest.mark.parametrize(
    "descriptors, bits, expected",
    [
        (
            [101000, 31001, 12001],
            Bits().uint(3, 8).uint(2731, 12).uint(2732, 12).uint(2733, 12),
            [(31001, 3.0), (12001, 273.1), (12001, 273.2), (12001, 273.3)],
        ),
        ([101000, 31001, 12001], Bits().uint(0, 8), [(31001, 0.0)]),
        (
            [301003],
            Bits().uint(1, 7).uint(2, 10).uint(3, 7).uint(4, 10),
            [(1001, 1.0), (1002, 2.0), (1001, 3.0), (1002, 4.0)],
        ),
        (
            # A missing factor replicates nothing; a text factor has no number either.
            [101000, 1001, 1002, 101000, 63016, 1002],
            Bits().ones(7).text("9", 8),
            [(1001, None), (63016, 1001.0)],
        ),
        (
            # 201130 inside a sequence still widens what follows it.
            [301002, 1001],
            Bits().uint(1, 9).uint(2, 9),
            [(1001, 1.0), (1001, 2.0)],
        ),
    ],
    ids=["delayed", "delayed-zero", "fixed", "factor-without-number", "operator-outlives-sequence"],
)
def test_replication_and_sequences(tables, descriptors, bits, expected):
    values = decode(tables, descriptors, bits)
    assert [(v.descriptor, v.raw_value) for v in values] == expected


@pytest.mark.parametrize(
    "descriptors, text",
    [
        ([101000], "unsupported replication descriptor 101000"),
        ([103002, 1001, 1002], "unsupported replication descriptor 103002"),
        ([100002, 1001], "unsupported replication descriptor 100002"),
        (
            [101000, 31001],
            "delayed replication descriptor 101000 is missing its replication factor or "
            "replicated descriptors",
        ),
        ([63255], "descriptor 063255 was not found in Table B"),
        ([101000, 31009, 1001], "descriptor 031009 was not found in Table B"),
        ([363255], "descriptor 363255 was not found in Table D"),
        ([301004], PREFIX + "invalid descriptor 999999"),
        ([340000], PREFIX + "descriptor decode exceeded recursion depth"),
        ([340100], PREFIX + "descriptor decode exceeded recursion depth"),
    ],
    ids=[
        "replication-alone",
        "too-few-after",
        "x-zero",
        "delayed-without-group",
        "element-not-in-b",
        "factor-not-in-b",
        "sequence-not-in-d",
        "f-above-3",
        "depth-65",
        "self-containing",
    ],
)
def test_walk_failures(tables, descriptors, text):
    assert failure(tables, descriptors, bytes(8)) == text


@pytest.mark.parametrize(
    "data, text",
    [
        (
            b"",
            PREFIX + "not enough bits while reading section 4 at bit 0 for width 8 "
            "(0 bits available)",
        ),
        (b"\x00", "descriptor 063255 was not found in Table B"),
    ],
    ids=["field-fails-first", "then-lookup"],
)
def test_associated_field_is_read_before_the_table_b_lookup(tables, data, text):
    assert failure(tables, [204008, 63255], data) == text


def test_depth_64_decodes(tables):
    (v,) = decode(tables, [340001], Bits().uint(9, 7))
    assert v.raw == 9


def test_subsets_share_the_reader_and_number_texts_through_the_message(tables):
    bits = Bits().uint(1, 7).text("A", 64).uint(2, 7).text("B", 64)
    values = decode(tables, [1001, 1015], bits, subsets=2)
    assert fields(values) == [
        (1001, 1, 1.0, None, None),
        (1015, None, 1008.0, "A", None),
        (1001, 2, 2.0, None, None),
        (1015, None, 2008.0, "B", None),
    ]


def test_operators_do_not_carry_into_the_next_subset(tables):
    values = decode(tables, [1001, 201129], Bits().uint(1, 7).uint(2, 7), subsets=2)
    assert [v.raw for v in values] == [1, 2]


def test_zero_subsets_read_nothing(tables):
    assert decode(tables, [1001], b"", subsets=0) == []


def test_spare_bits_are_ignored_and_a_short_section_fails(tables):
    assert [v.raw for v in decode(tables, [1002, 1002], Bits().uint(1, 10).uint(2, 10))] == [1, 2]
    text = failure(tables, [1002, 1002, 1001], Bits().uint(1, 10).uint(2, 10))
    assert text == PREFIX + (
        "not enough bits while reading section 4 at bit 20 for width 7 (24 bits available)"
    )


# Runaway descriptor lists ------------------------------------------------------------------


@pytest.mark.parametrize(
    "descriptors, bits",
    [
        # A 64-bit factor (206064 is not consumed by a factor) over a group that reads nothing.
        ([206064, 101000, 31001, 222000], Bits().ones(64)),
        # Fixed replications nested ten deep around a marker: 255^10 walks.
        ([100255 + 1000 * x for x in range(10, 0, -1)] + [222000], Bits()),
    ],
    ids=["huge-delayed-factor", "nested-fixed"],
)
def test_runaway_walks_end_with_an_error(tables, descriptors, bits):
    assert failure(tables, descriptors, bits) == PREFIX + "descriptor decode exceeded step limit"


def test_values_that_read_no_bits_are_bounded_by_the_size_of_section_4(tables):
    # A 64-bit factor over a marker: markers cost no bits, so past two values for every bit of
    # section 4 (and a floor for small messages) the walk stops before its step limit.
    data = Bits().ones(64).uint(0, 20 * 8192)
    text = failure(tables, [206064, 101000, 31001, 222000], data)
    assert text == PREFIX + "descriptor decode exceeded value limit"
