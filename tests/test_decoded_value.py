"""DecodedValue objects: attributes, the data property and the repr, byte for byte."""

from __future__ import annotations

import math

import _mervane
import pytest
from bufr_writer import STANDARD_ELEMENTS, Bits, message, write_tables

ELEMENTS = STANDARD_ELEMENTS + [
    (63100, "PLAIN", "Numeric", 0, 0, 64),
    (63101, "SCALE 4", "Numeric", 4, 0, 8),
    (63102, "SCALE 5", "Numeric", 5, 0, 8),
    (63103, "SCALE 6", "Numeric", 6, 0, 8),
    (63104, "NEGATIVE", "Numeric", -2, -2500000000000000000, 2),
    (63105, "EXTREME", "Numeric", -400, 0, 2),
    (63106, "EXTREME NEGATIVE", "Numeric", -400, -1, 2),
    (63107, "ANY TEXT", "CCITT IA5", 0, 0, 96),
    (63108, "QUOTED MEANINGS", "CODE TABLE", 0, 0, 4),
]
CODETABLES = {
    2001: {0: "Automatic station", 1: "Sea station"},
    63108: {
        1: 'say "hi"\\',
        2: "Station \u00e9t\u00e9 \u00b0C 'a'",
        3: "e\u0301 zero\u200bwidth",
    },
}


@pytest.fixture(scope="module")
def tables(tmp_path_factory):
    return str(write_tables(tmp_path_factory.mktemp("tables"), ELEMENTS, {}, CODETABLES))


def one(tables, code, bits, **kwargs):
    values = _mervane.decode_values(message([code], bits, **kwargs), tables)
    assert len(values) == 1
    return values[0]


@pytest.mark.parametrize(
    "code, width, raw, shown",
    [
        (63100, 64, 0, "0.0"),
        (63100, 64, 1, "1.0"),
        (12101, 16, 27315, "273.15"),
        (63101, 8, 1, "0.0001"),
        (63102, 8, 15, "0.00015"),
        (63102, 8, 1, "1e-5"),
        (63103, 8, 15, "1.5e-5"),
        (63100, 64, 1234567890123456, "1234567890123456.0"),
        (63100, 64, 10**16, "1e16"),
        (63100, 64, 2**64 - 1, "1.8446744073709552e19"),
        (63104, 2, 0, "-2.5e20"),
        (63105, 2, 1, "inf"),
        (63106, 2, 0, "-inf"),
    ],
    ids=lambda p: str(p),
)
def test_numbers_in_the_repr(tables, code, width, raw, shown):
    v = one(tables, code, Bits().uint(raw, width))
    assert repr(v) == f"DecodedValue({code:06}, Some({shown}))"
    assert v.raw_value == float(shown)
    assert v.data == v.raw_value and type(v.data) is float


def test_numeric_value(tables):
    v = one(tables, 12101, Bits().uint(27315, 16))
    assert (v.descriptor, v.name, v.raw, v.raw_value, v.raw_text, v.raw_meaning) == (
        12101,
        "TEMPERATURE/AIR TEMPERATURE",
        27315,
        273.15,
        None,
        None,
    )


def test_missing_value(tables):
    v = one(tables, 1001, Bits().ones(7))
    assert (v.raw, v.raw_value, v.data) == (127, None, None)
    assert repr(v) == "DecodedValue(001001, None)"


def test_code_table_value_shows_its_meaning(tables):
    v = one(tables, 2001, Bits().uint(1, 2))
    assert (v.raw_value, v.raw_meaning, v.data) == (1.0, "Sea station", "Sea station")
    assert repr(v) == 'DecodedValue(002001, "Sea station")'


@pytest.mark.parametrize(
    "data, text, shown",
    [(b"ABC", "ABC", '"ABC"'), (b"\xff" * 8, None, "Some(1008.0)")],
    ids=["text", "missing-text"],
)
def test_character_values(tables, data, text, shown):
    v = one(tables, 1015, data.ljust(8, b" "))
    assert (v.raw, v.raw_meaning, v.raw_text, v.raw_value) == (None, None, text, 1008.0)
    assert v.data == (text if text is not None else 1008.0)
    assert repr(v) == f"DecodedValue(001015, {shown})"


def test_text_escapes(tables):
    v = one(tables, 63107, b'A"\\\tB\rC\n\0\x1bZ'.ljust(12, b" "))
    assert v.raw_text == 'A"\\\tB\rC\n\0\x1bZ'
    assert repr(v) == 'DecodedValue(063107, "A\\"\\\\\\tB\\rC\\n\\0\\u{1b}Z")'


@pytest.mark.parametrize(
    "raw, shown",
    [
        (1, '"say \\"hi\\"\\\\"'),
        (2, "\"Station \u00e9t\u00e9 \u00b0C 'a'\""),
        (3, '"e\\u{301} zero\\u{200b}width"'),
    ],
    ids=["quote-backslash", "non-ascii-kept", "combining-and-format"],
)
def test_meanings_are_quoted(tables, raw, shown):
    v = one(tables, 63108, Bits().uint(raw, 4))
    assert v.data == CODETABLES[63108][raw]
    assert repr(v) == f"DecodedValue(063108, {shown})"


def test_associated_field_and_marker(tables):
    values = _mervane.decode_values(
        message([204003, 1001, 204000, 222000], Bits().uint(5, 3).uint(9, 7)), tables
    )
    field, element, marker = values
    assert (field.descriptor, field.name, field.raw, field.raw_value, field.data) == (
        999999,
        "associatedField",
        5,
        5.0,
        5.0,
    )
    assert repr(field) == "DecodedValue(999999, Some(5.0))"
    assert element.raw == 9
    assert (marker.name, marker.raw, marker.raw_value, marker.data) == ("operator", 0, 0.0, 0.0)
    assert repr(marker) == "DecodedValue(222000, Some(0.0))"


def test_nan_prints_like_python(tables):
    v = one(tables, 63105, Bits().uint(0, 2))
    assert math.isnan(v.data)
    assert repr(v) == "DecodedValue(063105, Some(nan))"


def test_two_subsets_give_one_flat_list(tables):
    bits = Bits()
    for k in range(6):
        bits.uint(k, 7)
    values = _mervane.decode_values(message([1001, 1001, 1001], bits, subsets=2), tables)
    assert type(values) is list
    assert [type(v) for v in values] == [_mervane.DecodedValue] * 6
    assert [v.raw for v in values] == list(range(6))


def test_class_cannot_be_made_or_changed(tables):
    with pytest.raises(TypeError):
        _mervane.DecodedValue()
    v = one(tables, 1001, Bits().uint(1, 7))
    for name in ("descriptor", "name", "raw_value", "raw", "raw_text", "raw_meaning", "data"):
        with pytest.raises(AttributeError):
            setattr(v, name, None)
