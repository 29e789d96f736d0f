import os

import pytest
from _mervane import TableSet
from conftest import element, message_for_tables, write_table_dir

NOT_FOUND = "No such file or directory (os error 2)"


def load(path):
    return TableSet.from_eccodes(str(path))


def load_error(path):
    with pytest.raises(ValueError) as exc:
        load(path)
    return str(exc.value)


def write_element_table(tmp_path, data):
    directory = tmp_path / "t"
    write_table_dir(directory, elements=None, sequences={})
    (directory / "element.table").write_bytes(data)
    return directory


def write_sequence_def(tmp_path, data):
    directory = tmp_path / "t"
    write_table_dir(directory, elements=[], sequences=None)
    (directory / "sequence.def").write_bytes(data if isinstance(data, bytes) else data.encode())
    return directory


LINE = b"001001|blockNumber|long|WMO BLOCK NUMBER|Numeric|0|0|7"


# element.table


@pytest.mark.parametrize(
    "data",
    [
        b"#code|abbreviation\n" + LINE + b"\n",
        LINE,
        b"\n\r\n" + LINE + b"\r\n\r\n",
        LINE + b"\r",
        b"#\xff\xfe any bytes in a comment\n" + LINE + b"\n",
        b" 001001 |blockNumber|long|WMO BLOCK NUMBER|Numeric|0|0|7\n",
        b'"""001001"""|blockNumber|long|WMO BLOCK NUMBER|Numeric|0|0|7\n',
        b'001001|"blockNumber"|long|"WMO BLOCK ""NUMBER"""|Numeric|+0|-0|07\n',
    ],
    ids=[
        "header",
        "no-newline",
        "crlf-blank",
        "cr",
        "binary-comment",
        "spaced-code",
        "quoted-code",
        "quoted-fields",
    ],
)
def test_element_table_forms(tmp_path, data):
    tables = load(write_element_table(tmp_path, data))
    e = tables.get_element(1001)
    assert (e.code, e.abbreviation, e.element_type, e.unit, e.scale, e.reference, e.width) == (
        1001,
        "blockNumber",
        "long",
        "Numeric",
        0,
        0,
        7,
    )
    assert e.name in ("WMO BLOCK NUMBER", 'WMO BLOCK "NUMBER"')
    assert tables.element_count == 1


def test_element_fields_verbatim(tmp_path):
    data = b'000123| ab |"x|y"| name  |unit "u"|-12|-9223372036854775808|65535|extra\n'
    e = load(write_element_table(tmp_path, data)).get_element(123)
    assert (e.abbreviation, e.element_type, e.name, e.unit) == (
        " ab ",
        "x|y",
        " name  ",
        'unit "u"',
    )
    assert (e.scale, e.reference, e.width) == (-12, -9223372036854775808, 65535)


@pytest.mark.parametrize(
    "lines, count",
    [
        ([LINE + b"|C|0|2", b"001002|b|long|N|U|0|0|8"], 2),
        ([b"001002|b|long|N|U|0|0|8", LINE + b"|C|0|2"], 2),
        ([b"001001|a|t|n|u|0|0", b"001002|a|t|n|u|0|0"], 0),
        ([b"001001|a|t|n|u|0|0", LINE], 1),
    ],
    ids=["eleven-then-eight", "eight-then-eleven", "all-seven", "seven-then-eight"],
)
def test_lines_of_eight_or_more_fields_are_read_whatever_the_count(tmp_path, lines, count):
    tables = load(write_element_table(tmp_path, b"\n".join(lines) + b"\n"))
    assert tables.element_count == count


@pytest.mark.parametrize(
    "data, text",
    [
        (
            b"#code|abbreviation|type\n" + LINE + b"\n   \n",
            "CSV error: record 1 (line: 3, byte: 79): found record with 1 fields, "
            "but the previous record has 8 fields",
        ),
        (
            LINE + b"|C|0|2\n" + LINE + b"\n#comment\n\n001002|a|b|c\n",
            "CSV error: record 2 (line: 3, byte: 116): found record with 4 fields, "
            "but the previous record has 11 fields",
        ),
        (
            b"001001|a|b\n001002|a|b|c|d|e|f\n",
            "CSV error: record 1 (line: 2, byte: 11): found record with 7 fields, "
            "but the previous record has 3 fields",
        ),
        (
            b"#h\n" + LINE + b'\n"001002"|"two\nlines"|t|n|u|0|0|7\n|\n',
            "CSV error: record 2 (line: 5, byte: 91): found record with 2 fields, "
            "but the previous record has 8 fields",
        ),
        (
            b"#h\r" + LINE + b"\r\n\r" + LINE + b'\r"x\ry"|2\n',
            "CSV error: record 2 (line: 5, byte: 115): found record with 2 fields, "
            "but the previous record has 8 fields",
        ),
    ],
    ids=["blank-looking-line", "after-comment", "short-lines", "quoted-line-break", "cr-endings"],
)
def test_field_count_error(tmp_path, data, text):
    assert load_error(write_element_table(tmp_path, data)) == "csv/table parse error: " + text


@pytest.mark.parametrize(
    "data, text",
    [
        (
            b"001001|a|t|na\xffme|u|0|0|7\n",
            "record 0 (line 1, field: 3, byte: 0): invalid utf-8: "
            "invalid UTF-8 in field 3 near byte index 2",
        ),
        (
            b"#h\n" + LINE + b"\n#c\n001002|a|t|n|\xe2\x82|0|0|7\n",
            "record 1 (line 3, field: 4, byte: 58): invalid utf-8: "
            "invalid UTF-8 in field 4 near byte index 0",
        ),
        (
            b'001001|a|t|"x""\xc3\x28"|u|0|0|7\n',
            "record 0 (line 1, field: 3, byte: 0): invalid utf-8: "
            "invalid UTF-8 in field 3 near byte index 2",
        ),
    ],
    ids=["first-line", "after-comment", "quoted"],
)
def test_utf8_error(tmp_path, data, text):
    assert (
        load_error(write_element_table(tmp_path, data))
        == "csv/table parse error: CSV parse error: " + text
    )


@pytest.mark.parametrize(
    "line, text",
    [
        (b"30100A|a|t|n|u|0|0|7", 'bad descriptor code "30100A": invalid digit found in string'),
        (b"-1|a|t|n|u|0|0|7", 'bad descriptor code "-1": invalid digit found in string'),
        (b"|a|t|n|u|0|0|7", 'bad descriptor code "": cannot parse integer from empty string'),
        (
            b'""""|a|t|n|u|0|0|7',
            'bad descriptor code "\\"": cannot parse integer from empty string',
        ),
        (
            b"4294967296|a|t|n|u|0|0|7",
            'bad descriptor code "4294967296": number too large to fit in target type',
        ),
        (
            b"99999999999x|a|t|n|u|0|0|7",
            'bad descriptor code "99999999999x": number too large to fit in target type',
        ),
        (
            b"1x99999999999|a|t|n|u|0|0|7",
            'bad descriptor code "1x99999999999": invalid digit found in string',
        ),
        (b"1|a|t|n|u| 0|0|7", 'bad i32 " 0": invalid digit found in string'),
        (b"1|a|t|n|u|0 |0|7", 'bad i32 "0 ": invalid digit found in string'),
        (b"1|a|t|n|u||0|7", 'bad i32 "": cannot parse integer from empty string'),
        (b"1|a|t|n|u|-|0|7", 'bad i32 "-": invalid digit found in string'),
        (b"1|a|t|n|u|+|0|7", 'bad i32 "+": invalid digit found in string'),
        (
            b"1|a|t|n|u|2147483648|0|7",
            'bad i32 "2147483648": number too large to fit in target type',
        ),
        (
            b"1|a|t|n|u|-2147483649|0|7",
            'bad i32 "-2147483649": number too small to fit in target type',
        ),
        (
            b"1|a|t|n|u|0|9223372036854775808|7",
            'bad i64 "9223372036854775808": number too large to fit in target type',
        ),
        (
            b"1|a|t|n|u|0|-9223372036854775809|7",
            'bad i64 "-9223372036854775809": number too small to fit in target type',
        ),
        (b"1|a|t|n|u|0|1.5|7", 'bad i64 "1.5": invalid digit found in string'),
        (b"1|a|t|n|u|0|0|65536", 'bad u16 "65536": number too large to fit in target type'),
        (b"1|a|t|n|u|0|0|-1", 'bad u16 "-1": invalid digit found in string'),
        (b"1|a|t|n|u|0|0|\xd9\xa3", 'bad u16 "\u0663": invalid digit found in string'),
        (
            "1|a|t|n|u|\u00a00|0|7".encode(),
            'bad i32 "\\u{a0}0": invalid digit found in string',
        ),
        (
            "1|a|t|n|u|0|\u30000|7".encode(),
            'bad i64 "\\u{3000}0": invalid digit found in string',
        ),
        (b"1|a|t|n|u|x|y|z", 'bad i32 "x": invalid digit found in string'),
    ],
    ids=lambda v: v if isinstance(v, str) and len(v) < 30 else None,
)
def test_field_parse_errors(tmp_path, line, text):
    assert (
        load_error(write_element_table(tmp_path, line + b"\n")) == "csv/table parse error: " + text
    )


@pytest.mark.parametrize(
    "scale, reference, width, expected",
    [
        ("-0", "0", "0", (0, 0, 0)),
        ("-2147483648", "9223372036854775807", "65535", (-2147483648, 9223372036854775807, 65535)),
        ("+2147483647", "-9223372036854775808", "+00016", (2147483647, -9223372036854775808, 16)),
    ],
    ids=["zeros", "limits", "plus-signs"],
)
def test_numeric_limits(tmp_path, scale, reference, width, expected):
    line = f"1|a|t|n|u|{scale}|{reference}|{width}\n".encode()
    e = load(write_element_table(tmp_path, line)).get_element(1)
    assert (e.scale, e.reference, e.width) == expected


@pytest.mark.parametrize(
    "line, width",
    [
        (b"1|a|t|n|u|0|0|3 ", 3),
        (b"1|a|t|n|u|0|0|31 \t", 31),
        (b"1|a|t|n|u|0|0|3 |C|0|1", 'bad u16 "3 ": invalid digit found in string'),
        (b"1|a|t|n|u|0|0| 3", 'bad u16 " 3": invalid digit found in string'),
    ],
    ids=["line-end-space", "line-end-tab", "space-before-more-fields", "leading-space"],
)
def test_white_space_at_line_end_is_not_part_of_the_width(tmp_path, line, width):
    """ecCodes' EUMETSAT local table ends some lines with "|3 "."""
    directory = write_element_table(tmp_path, line + b"\n")
    if isinstance(width, str):
        assert load_error(directory) == "csv/table parse error: " + width
    else:
        assert load(directory).get_element(1).width == width


@pytest.mark.parametrize(
    "data, width",
    [
        (b"1|a|t|n|u|0|5|", 'bad u16 "": cannot parse integer from empty string'),
        (b'1|a|t|n|u|0|"5"|', 'bad u16 "": cannot parse integer from empty string'),
        (b"1|a|t|n|u|0|5|7|", 7),
    ],
    ids=["empty-width", "after-quoted-field", "empty-ninth-field"],
)
def test_separator_at_end_of_file_opens_an_empty_field(tmp_path, data, width):
    directory = write_element_table(tmp_path, data)
    if isinstance(width, str):
        assert load_error(directory) == "csv/table parse error: " + width
    else:
        assert load(directory).get_element(1).width == width


# sequence.def


@pytest.mark.parametrize(
    "text, expected",
    [
        ('"301001" = [ 001001, 001002 ]\n', {301001: [1001, 1002]}),
        ('"301001" = [\n  001001,\n 001002\n]\n', {301001: [1001, 1002]}),
        ('"301001" = [ 001001, , 001002, ]\n', {301001: [1001, 1002]}),
        ('"301001" = [ ]\n"301002" = []\n', {301001: [], 301002: []}),
        ('  # comment ]\n\n\t"301001" = [ 1 ]  \r\n', {301001: [1]}),
        (']\n"301001" = [ 1 ]\n', {301001: [1]}),
        ('"301001" = [ 1 ] "301002" = [ 2 ]\n', {301001: [1]}),
        ('"301001" = [ 1 ]\n"301002" = [ 2, 3\n', {301001: [1]}),
        ('"301001" = [ 1 ]\n"301001" = [ 2 ]\n', {301001: [2]}),
        (' " 301001 " = [ "001001" , ""1002"", +3 ]\n', {301001: [1001, 1002, 3]}),
        ("301001=[1,2]", {301001: [1, 2]}),
        (
            '"301001" = [ 1 ] x = [ 2 ]\n"301002" = [\u3000001002\u00a0]\n',
            {301001: [1], 301002: [1002]},
        ),
    ],
    ids=[
        "one-line",
        "three-lines",
        "empty-pieces",
        "empty",
        "comments-crlf",
        "stray-close",
        "second-entry-on-line",
        "open-at-end",
        "later-wins",
        "quotes-and-spaces",
        "no-newline",
        "unicode-space",
    ],
)
def test_sequence_def_forms(tmp_path, text, expected):
    directory = write_sequence_def(tmp_path, text)
    tables = load(directory)
    assert {c: tables.get_sequence(c).members for c in expected} == expected
    assert tables.sequence_count == len(expected)


@pytest.mark.parametrize(
    "text, message",
    [
        ('"301001" = 001001 ]\n', '"301001" = 001001 ]'),
        ('"301001" =\n  001001,\n 001002 ]\n', '"301001" = 001001, 001002 ]'),
        (
            '"301001" = [ 001001\n"301002" = 1 ]\n',
            'bad descriptor code "001001 \\"301002\\" = 1": invalid digit found in string',
        ),
        ('"301001" = ] 001001 [\n', '"301001" = ] 001001 ['),
        ('"30100A" = [ 1 ]\n', 'bad descriptor code "30100A": invalid digit found in string'),
        ('" " = [ 1 ]\n', 'bad descriptor code " ": cannot parse integer from empty string'),
        (
            '"301001" = [ 001001, 00100x ]\n',
            'bad descriptor code "00100x": invalid digit found in string',
        ),
        (
            '"301001" = [ 001001 002 ]\n',
            'bad descriptor code "001001 002": invalid digit found in string',
        ),
        ('"30100A" = ]\n', 'bad descriptor code "30100A": invalid digit found in string'),
    ],
    ids=[
        "no-open-bracket",
        "no-open-bracket-joined",
        "joined-entry",
        "close-before-open",
        "bad-code",
        "empty-code",
        "bad-member",
        "spaced-member",
        "code-before-brackets",
    ],
)
def test_sequence_def_errors(tmp_path, text, message):
    assert load_error(write_sequence_def(tmp_path, text)) == "csv/table parse error: " + message


def test_sequence_def_not_utf8(tmp_path):
    directory = write_sequence_def(tmp_path, b'"301001" = [ 1 ] # \xff\n')
    assert load_error(directory) == "io error: stream did not contain valid UTF-8"


# from_eccodes


def test_directory_without_codetables(tmp_path):
    path = write_table_dir(tmp_path / "t", elements=[element(1001)], sequences={301001: [1001]})
    tables = load(path)
    assert repr(tables) == "TableSet(elements=1, sequences=1)"
    assert tables.get_meaning(1001, 0) is None


@pytest.mark.parametrize(
    "elements, sequences, text",
    [
        (None, None, "csv/table parse error: " + NOT_FOUND),
        (None, {}, "csv/table parse error: " + NOT_FOUND),
        ([], None, "io error: " + NOT_FOUND),
    ],
    ids=["missing-dir", "no-element-table", "no-sequence-def"],
)
def test_missing_files(tmp_path, elements, sequences, text):
    path = tmp_path / "t"
    if elements is not None or sequences is not None:
        write_table_dir(path, elements=elements, sequences=sequences)
    assert load_error(path) == text


def test_unreadable_element_table_is_a_directory(tmp_path):
    path = write_table_dir(tmp_path / "t", elements=None)
    (path / "element.table").mkdir()
    assert load_error(path) == "csv/table parse error: Is a directory (os error 21)"


def test_codetables_symlink_is_followed(tmp_path):
    write_table_dir(
        tmp_path / "shared", elements=None, sequences=None, codetables={1003: {0: "zero"}}
    )
    path = write_table_dir(tmp_path / "t", elements=[element(1003)])
    os.symlink(tmp_path / "shared" / "codetables", path / "codetables")
    assert load(path).get_meaning(1003, 0) == "zero"


def test_dangling_codetables_link_is_absent(tmp_path):
    path = write_table_dir(tmp_path / "t", elements=[element(1003)])
    os.symlink(tmp_path / "nowhere", path / "codetables")
    assert load(path).get_meaning(1003, 0) is None


def test_codetables_file_is_a_listing_error(tmp_path):
    path = write_table_dir(tmp_path / "t", elements=[element(1003)])
    (path / "codetables").write_text("")
    assert load_error(path) == "io error: Not a directory (os error 20)"


# from_definitions


@pytest.fixture
def tree(tmp_path):
    """A definitions tree with master 13 and 39 (element 1001 named after the version)."""
    wmo = tmp_path / "bufr" / "tables" / "0" / "wmo"
    for version in (13, 39):
        write_table_dir(
            wmo / str(version),
            elements=[element(1001, name=f"MASTER {version}"), element(1002, name="KEPT")],
            sequences={301001: [1001]},
            codetables={1003: {0: "master zero", 1: "master one"}} if version == 39 else None,
        )
    return tmp_path


def from_definitions(root, **fields):
    return TableSet.from_definitions(str(root), message_for_tables(**fields))


def definitions_error(root, **fields):
    with pytest.raises(ValueError) as exc:
        from_definitions(root, **fields)
    return str(exc.value)


def test_master_only(tree):
    write_table_dir(tree / "bufr/tables/0/local/0/98/0", elements=[element(1001, name="NEVER")])
    tables = from_definitions(tree, master_version=13)
    assert tables.get_element(1001).name == "MASTER 13"
    assert tables.get_meaning(1003, 0) is None
    assert repr(tables) == "TableSet(elements=2, sequences=1)"


def test_keyword_arguments(tree):
    tables = TableSet.from_definitions(
        path=str(tree), message=message_for_tables(master_version=39)
    )
    assert tables.get_element(1001).name == "MASTER 39"


@pytest.mark.parametrize(
    "content", ["39", " 39 \n", "\t39\r\n", "alias\n"], ids=["plain", "spaces", "tab-crlf", "chain"]
)
def test_alias(tree, content):
    wmo = tree / "bufr/tables/0/wmo"
    (wmo / "40").write_text(content)
    (wmo / "alias").write_text("39")
    assert from_definitions(tree, master_version=40).get_element(1001).name == "MASTER 39"


def test_alias_through_symlink(tree):
    wmo = tree / "bufr/tables/0/wmo"
    (wmo / "target").write_text("13")
    os.symlink("target", wmo / "40")
    assert from_definitions(tree, master_version=40).get_element(1001).name == "MASTER 13"


@pytest.mark.parametrize(
    "content, shown",
    [
        ("../39", '"../39"'),
        ("", '""'),
        (" \n", '""'),
        ("a\\b", '"a\\\\b"'),
        ("/abs", '"/abs"'),
        ("39\0x", '"39\\0x"'),
        ("39\0", '"39\\0"'),
    ],
    ids=["parent", "empty", "blank", "backslash", "absolute", "nul", "nul-at-end"],
)
def test_invalid_alias(tree, content, shown):
    (tree / "bufr/tables/0/wmo/40").write_text(content)
    assert definitions_error(tree, master_version=40) == (
        f"csv/table parse error: invalid ecCodes table alias {tree}/bufr/tables/0/wmo/40 -> {shown}"
    )


def test_alias_loop_ends(tree):
    wmo = tree / "bufr/tables/0/wmo"
    (wmo / "40").write_text("a")
    (wmo / "a").write_text("b")
    (wmo / "b").write_text("a")
    assert definitions_error(tree, master_version=40) == (
        f'csv/table parse error: invalid ecCodes table alias {wmo}/b -> "a": the aliases form a loop'
    )


def test_alias_to_itself(tree):
    (tree / "bufr/tables/0/wmo/40").write_text("40")
    assert definitions_error(tree, master_version=40) == (
        f"csv/table parse error: invalid ecCodes table alias {tree}/bufr/tables/0/wmo/40 -> "
        '"40": the aliases form a loop'
    )


@pytest.mark.parametrize("setup", ["missing", "alias-to-missing", "dangling-link"])
def test_master_missing(tree, setup):
    wmo = tree / "bufr/tables/0/wmo"
    shown = wmo / "40"
    if setup == "alias-to-missing":
        (wmo / "40").write_text("38\n")
        shown = wmo / "38"
    elif setup == "dangling-link":
        os.symlink("nowhere", wmo / "40")
    assert definitions_error(tree, master_version=40) == (
        f"csv/table parse error: ecCodes table directory does not exist: {shown}"
    )


def test_path_bytes_that_are_not_utf8_show_as_replacement(tmp_path):
    root = tmp_path / os.fsdecode(b"def\xff")
    root.mkdir()
    assert definitions_error(root, master_version=39) == (
        f"csv/table parse error: ecCodes table directory does not exist: "
        f"{tmp_path}/def\ufffd/bufr/tables/0/wmo/39"
    )


def test_master_table_number_in_path(tree):
    assert definitions_error(tree, master_table=3, master_version=39) == (
        f"csv/table parse error: ecCodes table directory does not exist: {tree}/bufr/tables/3/wmo/39"
    )


def test_alias_not_utf8(tree):
    (tree / "bufr/tables/0/wmo/40").write_bytes(b"3\xff9")
    assert (
        definitions_error(tree, master_version=40) == "io error: stream did not contain valid UTF-8"
    )


def test_alias_unreadable(tree):
    path = tree / "bufr/tables/0/wmo/40"
    path.write_text("39")
    path.chmod(0)
    try:
        if os.access(path, os.R_OK):
            pytest.skip("running with permission to read anything")
        assert (
            definitions_error(tree, master_version=40)
            == "io error: Permission denied (os error 13)"
        )
    finally:
        path.chmod(0o644)


@pytest.mark.parametrize(
    "master_version, local_dir",
    [(19, "19-2"), (13, "2")],
    ids=["version-19", "other-version"],
)
def test_local_directory_path(tree, master_version, local_dir):
    write_table_dir(
        tree / "bufr/tables/0/wmo/19",
        elements=[element(1001, name="MASTER 19"), element(1002, name="KEPT")],
    )
    for name in ("19-2", "2"):
        write_table_dir(
            tree / "bufr/tables/0/local" / name / "98/0",
            elements=[element(1001, name=f"LOCAL {name}"), element(64001)],
            sequences=None,
        )
    tables = from_definitions(tree, master_version=master_version, local_version=2)
    assert tables.get_element(1001).name == f"LOCAL {local_dir}"
    assert tables.element_count == 3
    assert tables.get_element(1002).name == "KEPT"


def test_local_sequences_only(tree):
    write_table_dir(
        tree / "bufr/tables/0/local/1/85/7",
        elements=None,
        sequences={301001: [1002], 340001: [1001]},
    )
    tables = from_definitions(tree, master_version=39, local_version=1, centre=85, subcentre=7)
    assert tables.get_sequence(301001).members == [1002]
    assert tables.get_sequence(340001).members == [1001]
    assert tables.get_element(1001).name == "MASTER 39"
    assert tables.get_meaning(1003, 1) == "master one"


def test_local_codetables_replace_whole_tables(tree):
    write_table_dir(
        tree / "bufr/tables/0/local/1/98/0",
        elements=None,
        sequences=None,
        codetables={1003: {0: "local zero"}, 1004: {5: "five"}},
    )
    tables = from_definitions(tree, master_version=39, local_version=1)
    assert tables.get_meaning(1003, 0) == "local zero"
    assert tables.get_meaning(1003, 1) is None
    assert tables.get_meaning(1004, 5) == "five"


@pytest.mark.parametrize(
    "layout",
    ["no-centre", "no-subcentre", "empty-dir"],
)
def test_missing_local_tables_are_no_failure(tree, layout):
    local = tree / "bufr/tables/0/local/1"
    if layout == "no-subcentre":
        (local / "98").mkdir(parents=True)
    elif layout == "empty-dir":
        (local / "98" / "0").mkdir(parents=True)
    tables = from_definitions(tree, master_version=39, local_version=1)
    assert repr(tables) == "TableSet(elements=2, sequences=1)"


@pytest.mark.parametrize(
    "files, text",
    [
        (
            {"element.table": b"1|a|t|n|u|x|0|7\n"},
            'csv/table parse error: bad i32 "x": invalid digit found in string',
        ),
        ({"sequence.def": b'"3" = [ 1 ] \xff'}, "io error: stream did not contain valid UTF-8"),
        (
            {"codetables/bad.table": b""},
            'csv/table parse error: bad descriptor code "bad": invalid digit found in string',
        ),
    ],
    ids=["element", "sequence", "codetable"],
)
def test_local_failures(tree, files, text):
    local = tree / "bufr/tables/0/local/1/98/0"
    for name, data in files.items():
        (local / name).parent.mkdir(parents=True, exist_ok=True)
        (local / name).write_bytes(data)
    assert definitions_error(tree, master_version=39, local_version=1) == text


def test_master_sequence_def_is_required(tree):
    (tree / "bufr/tables/0/wmo/13/sequence.def").unlink()
    assert definitions_error(tree, master_version=13) == "io error: " + NOT_FOUND
