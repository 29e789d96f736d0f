"""The three decode functions: message selection, table sources and argument checks."""

from __future__ import annotations

import inspect

import _mervane
import pytest
from bufr_writer import Bits, message
from decode_helpers import fields, make_tables

FIRST = message([1001, 1002], Bits().uint(3, 7).uint(412, 10))
SECOND = message([1001], Bits().uint(5, 7))


@pytest.fixture(scope="module")
def tables(tmp_path_factory):
    return make_tables(tmp_path_factory.mktemp("tables"))


def test_first_message_only(tables):
    values = _mervane.decode_values(FIRST + SECOND, tables)
    assert fields(values) == fields(_mervane.decode_values(FIRST, tables))
    assert [v.raw for v in values] == [3, 412]


def test_junk_before_the_first_marker_is_skipped(tables):
    data = b"\0\1junk" + FIRST
    assert [v.raw for v in _mervane.decode_values(data, tables)] == [3, 412]
    with pytest.raises(ValueError):
        _mervane.parse_bytes(data)


@pytest.mark.parametrize(
    "data, text",
    [
        (b"", "missing BUFR marker"),
        (b"no marker here", "missing BUFR marker"),
        (FIRST + b"BUFR\0", "message is too short to be BUFR"),
        (FIRST[:-1] + b"8", "section 5 terminator is not 7777"),
    ],
    ids=["empty", "no-marker", "cut-off-second-marker", "bad-terminator"],
)
def test_message_failures(tables, data, text):
    for call in (
        lambda: _mervane.decode_values(data, tables),
        lambda: _mervane.decode_values_with_tables(data, _mervane.TableSet.from_eccodes(tables)),
        lambda: _mervane.decode_values_with_definitions(data, "/nonexistent"),
    ):
        with pytest.raises(ValueError) as exc:
            call()
        assert str(exc.value) == text


def test_message_is_checked_before_the_tables_are_loaded(tmp_path):
    with pytest.raises(ValueError) as exc:
        _mervane.decode_values(FIRST[:-1] + b"8", str(tmp_path / "missing"))
    assert str(exc.value) == "section 5 terminator is not 7777"


def test_missing_table_directory(tmp_path):
    with pytest.raises(ValueError) as exc:
        _mervane.decode_values(FIRST, str(tmp_path / "missing"))
    assert str(exc.value) == "csv/table parse error: No such file or directory (os error 2)"


def test_table_set_object_decodes_like_its_directory(tables):
    table_set = _mervane.TableSet.from_eccodes(tables)
    data = FIRST + SECOND
    first = _mervane.decode_values_with_tables(data, table_set)
    assert fields(first) == fields(_mervane.decode_values(data, tables))
    # The table set is only read: it serves the next call just as well.
    assert fields(_mervane.decode_values_with_tables(data=data, tables=table_set)) == fields(first)
    assert table_set.get_element(1001) is not None


@pytest.mark.parametrize(
    "call, text",
    [
        (
            lambda t: _mervane.decode_values("BUFR", t),
            "decode_values() argument 'data' must be bytes, not str",
        ),
        (
            lambda t: _mervane.decode_values(FIRST, None),
            "decode_values() argument 'table_dir' must be str, not None",
        ),
        (
            lambda t: _mervane.decode_values_with_tables(FIRST, t),
            "decode_values_with_tables() argument 'tables' must be TableSet, not str",
        ),
        (
            lambda t: _mervane.decode_values_with_tables(bytearray(FIRST), t),
            "decode_values_with_tables() argument 'data' must be bytes, not bytearray",
        ),
        (
            lambda t: _mervane.decode_values_with_definitions(FIRST, 3),
            "decode_values_with_definitions() argument 'definitions_root' must be str, not int",
        ),
    ],
    ids=["data", "table-dir", "tables", "tables-data", "definitions-root"],
)
def test_argument_types(tables, call, text):
    with pytest.raises(TypeError) as exc:
        call(tables)
    assert str(exc.value) == text


@pytest.mark.parametrize(
    "function, signature",
    [
        (_mervane.decode_values, "(data, table_dir)"),
        (_mervane.decode_values_with_tables, "(data, tables)"),
        (_mervane.decode_values_with_definitions, "(data, definitions_root)"),
    ],
    ids=lambda f: getattr(f, "__name__", ""),
)
def test_signatures(function, signature):
    assert str(inspect.signature(function)) == signature


def test_keywords_and_bytes_subclasses(tables):
    class Data(bytes):
        pass

    values = _mervane.decode_values(table_dir=tables, data=Data(FIRST))
    assert [v.raw for v in values] == [3, 412]


def test_definitions_tree_chooses_master_and_local_tables(tmp_path):
    from bufr_writer import write_tables

    root = tmp_path / "definitions"
    write_tables(
        root / "bufr" / "tables" / "0" / "wmo" / "35",
        [(1001, "WMO BLOCK NUMBER", "Numeric", 0, 0, 7), (1002, "STATION", "Numeric", 0, 0, 10)],
    )
    values = _mervane.decode_values_with_definitions(FIRST, str(root))
    assert [(v.name, v.raw) for v in values] == [("WMO BLOCK NUMBER", 3), ("STATION", 412)]
