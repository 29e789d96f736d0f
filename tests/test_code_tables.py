import os

import pytest
from _mervane import TableSet
from conftest import element, write_table_dir


def load_codetables(tmp_path, files):
    """Loads a table directory whose codetables directory holds `files` (name -> text/bytes)."""
    path = write_table_dir(tmp_path / "t", elements=[element(1003)], codetables=files)
    return TableSet.from_eccodes(str(path))


def load_error(tmp_path, files):
    with pytest.raises(ValueError) as exc:
        load_codetables(tmp_path, files)
    return str(exc.value)


@pytest.mark.parametrize(
    "line, raw, meaning",
    [
        ("0 0 Land station", 0, "Land station"),
        ("1   1   Sea    station  (ship)", 1, "Sea station (ship)"),
        ("  \t7 x  trimmed\t \r", 7, "trimmed"),
        ("+7 7 text", 7, "text"),
        ("007 7 leading zeros", 7, "leading zeros"),
        ("18446744073709551615 x max", 18446744073709551615, "max"),
        ("3\u00a03\u3000wide\u2003spaces\u00a0", 3, "wide spaces"),
        ("4 4 Ümlaut ünd ñ", 4, "Ümlaut ünd ñ"),
        ("5 abbr # not a comment", 5, "# not a comment"),
    ],
    ids=[
        "simple",
        "runs-of-space",
        "trimmed",
        "plus",
        "zeros",
        "u64-max",
        "unicode-space",
        "non-ascii",
        "hash-inside",
    ],
)
def test_line_rules(tmp_path, line, raw, meaning):
    tables = load_codetables(tmp_path, {1003: line + "\n"})
    assert tables.get_meaning(1003, raw) == meaning


@pytest.mark.parametrize(
    "text",
    ["# 3 3 comment\n", "   \n\t\n", "5 5\n", "x x\n", "  # x x y\n", "\n\n", ""],
    ids=[
        "comment",
        "blank",
        "two-fields",
        "two-bad-fields",
        "indented-comment",
        "empty-lines",
        "empty-file",
    ],
)
def test_lines_that_store_nothing(tmp_path, text):
    tables = load_codetables(tmp_path, {1003: text + "9 9 kept"})
    assert [tables.get_meaning(1003, raw) for raw in (3, 5, 9)] == [None, None, "kept"]


def test_line_endings(tmp_path):
    tables = load_codetables(tmp_path, {1003: "1 1 one\r\n2 2 two\r\n3 3 last"})
    assert [tables.get_meaning(1003, raw) for raw in (1, 2, 3)] == ["one", "two", "last"]


def test_later_line_wins(tmp_path):
    tables = load_codetables(tmp_path, {1003: "1 1 first\n1 1 second\n"})
    assert tables.get_meaning(1003, 1) == "second"


def test_flag_table_values_are_whole_numbers(tmp_path):
    tables = load_codetables(tmp_path, {2002: "1 1 first\n2 2 second\n"})
    assert [tables.get_meaning(2002, raw) for raw in (1, 2, 3)] == ["first", "second", None]


def test_empty_table_and_missing_lookups(tmp_path):
    tables = load_codetables(tmp_path, {"020003.table": ""})
    assert tables.get_meaning(20003, 0) is None
    assert tables.get_meaning(1003, 999) is None
    assert tables.get_meaning(999999, 0) is None


def test_keyword_arguments(tmp_path):
    tables = load_codetables(tmp_path, {1003: "1 1 one\n"})
    assert tables.get_meaning(raw=1, code=1003) == "one"


@pytest.mark.parametrize(
    "line, text",
    [
        ("x x text", 'bad code table key "x": invalid digit found in string'),
        ("-1 -1 text", 'bad code table key "-1": invalid digit found in string'),
        ("+ 1 text", 'bad code table key "+": invalid digit found in string'),
        ("1.0 1 text", 'bad code table key "1.0": invalid digit found in string'),
        ('"1" 1 text', 'bad code table key "\\"1\\"": invalid digit found in string'),
        (
            "18446744073709551616 x text",
            'bad code table key "18446744073709551616": number too large to fit in target type',
        ),
    ],
    ids=["letter", "negative", "lone-plus", "decimal", "quoted", "u64-overflow"],
)
def test_bad_keys(tmp_path, line, text):
    assert (
        load_error(tmp_path, {1003: "1 1 fine\n" + line + "\n"}) == "csv/table parse error: " + text
    )


def test_file_order_and_whole_replacement(tmp_path):
    tables = load_codetables(
        tmp_path,
        {
            "001003.table": "0 0 from padded\n1 1 only padded\n",
            "1003.table": "0 0 from plain\n",
            "001002.table": "0 0 other\n",
        },
    )
    assert tables.get_meaning(1003, 0) == "from plain"
    assert tables.get_meaning(1003, 1) is None
    assert tables.get_meaning(1002, 0) == "other"


@pytest.mark.parametrize(
    "name, code",
    [
        (" 1003 .table", 1003),
        ('"1003".table', 1003),
        ('""1003"".table', 1003),
        ("+1003.table", 1003),
        ("\u30001003\u00a0.table", 1003),
        ("1003.x.table", None),
    ],
    ids=["spaces", "quotes", "double-quotes", "plus", "unicode-space", "inner-dot"],
)
def test_file_stems(tmp_path, name, code):
    if code is None:
        assert load_error(tmp_path, {name: "1 1 x\n"}) == (
            'csv/table parse error: bad descriptor code "1003.x": invalid digit found in string'
        )
    else:
        assert load_codetables(tmp_path, {name: "1 1 x\n"}).get_meaning(code, 1) == "x"


@pytest.mark.parametrize(
    "name, text",
    [
        ("notes.table", 'bad descriptor code "notes": invalid digit found in string'),
        (".table", 'bad descriptor code ".table": invalid digit found in string'),
        ('"".table', 'bad descriptor code "\\"\\"": cannot parse integer from empty string'),
        (" .table", 'bad descriptor code " ": cannot parse integer from empty string'),
        ("-1.table", 'bad descriptor code "-1": invalid digit found in string'),
        (
            "4294967296.table",
            'bad descriptor code "4294967296": number too large to fit in target type',
        ),
    ],
    ids=["word", "dot-only", "quotes-only", "space-only", "negative", "too-large"],
)
def test_bad_file_stems(tmp_path, name, text):
    assert load_error(tmp_path, {name: ""}) == "csv/table parse error: " + text


def test_other_files_are_ignored(tmp_path):
    tables = load_codetables(
        tmp_path, {"001003.txt": "bad", "README": "x", "001003.table.bak": "", 1003: "1 1 x\n"}
    )
    assert tables.get_meaning(1003, 1) == "x"


def test_directory_entries_are_listed_whatever_their_type(tmp_path):
    path = write_table_dir(tmp_path / "t", elements=[element(1003)], codetables={})
    (path / "codetables" / "sub.table").mkdir()
    with pytest.raises(ValueError) as exc:
        TableSet.from_eccodes(str(path))
    assert (
        str(exc.value)
        == 'csv/table parse error: bad descriptor code "sub": invalid digit found in string'
    )
    (path / "codetables" / "sub.table").rmdir()
    (path / "codetables" / "1003.table").mkdir()
    with pytest.raises(ValueError) as exc:
        TableSet.from_eccodes(str(path))
    assert str(exc.value) == "io error: Is a directory (os error 21)"


def test_stem_not_utf8_is_skipped(tmp_path):
    path = write_table_dir(tmp_path / "t", elements=[element(1003)], codetables={1003: "1 1 x\n"})
    (path / "codetables" / os.fsdecode(b"\xff.table")).write_text("garbage")
    tables = TableSet.from_eccodes(str(path))
    assert tables.get_meaning(1003, 1) == "x"


def test_file_not_utf8(tmp_path):
    assert (
        load_error(tmp_path, {1003: b"1 1 caf\xe9\n"})
        == "io error: stream did not contain valid UTF-8"
    )
