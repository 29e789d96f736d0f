import csv

import pytest
from _mervane import TableSet

B_HEADER = "ClassNo,ClassName_en,FXY,ElementName_en,BUFR_Unit,BUFR_Scale,BUFR_ReferenceValue,BUFR_DataWidth_Bits"
D_HEADER = "Category,CategoryOfSequences_en,FXY1,Title_en,SubTitle_en,FXY2"


def b_row(
    code="001001", name="WMO block number", unit="Numeric", scale="0", reference="0", width="7"
):
    return f"01,Identification,{code},{name},{unit},{scale},{reference},{width}"


def d_row(sequence, member):
    return f"01,Location,{sequence:06d},(title),,{member:06d}"


def write(directory, name, lines, newline="\n", prefix=""):
    (directory / name).write_bytes((prefix + newline.join(lines) + newline).encode())


def load(directory):
    return TableSet.from_bufr4_45(str(directory))


def test_empty_directory_gives_empty_tables(tmp_path):
    assert repr(load(tmp_path)) == "TableSet(elements=0, sequences=0)"


def test_missing_directory_is_an_io_error(tmp_path):
    with pytest.raises(ValueError) as exc:
        load(tmp_path / "absent")
    assert str(exc.value) == "io error: No such file or directory (os error 2)"


def test_path_must_be_str(tmp_path):
    for bad in (tmp_path, bytes(tmp_path)):
        with pytest.raises(TypeError, match="'path'"):
            TableSet.from_bufr4_45(bad)
    assert TableSet.from_bufr4_45.__text_signature__ == "(path)"


def test_table_b_columns(tmp_path):
    write(
        tmp_path,
        "BUFRCREX_TableB_en_01.csv",
        [
            B_HEADER,
            b_row("001001", "Block", "Numeric", "0", "0", "7"),
            b_row('" 001002 "', "Code", "Code table", "-1", "-5", "10"),
            b_row("001003", "Flags", "Flag table"),
            b_row("001004", "Text", "CCITT IA5"),
            b_row("001005", "Lower", "code table"),
            b_row("001006", "Spaced", " CCITT IA5"),
            b_row("001007", '"Name, with comma"', "K", "+2", "-1000000000000", "65535"),
        ],
    )
    tables = load(tmp_path)
    got = {c: tables.get_element(c) for c in range(1001, 1008)}
    assert [got[c].element_type for c in sorted(got)] == [
        "long",
        "code",
        "flags",
        "string",
        "long",
        "long",
        "long",
    ]
    assert all(e.abbreviation == "" for e in got.values())
    e = got[1002]
    assert (e.code, e.name, e.unit, e.scale, e.reference, e.width) == (
        1002,
        "Code",
        "Code table",
        -1,
        -5,
        10,
    )
    e = got[1007]
    assert (e.name, e.scale, e.reference, e.width) == ("Name, with comma", 2, -1000000000000, 65535)
    assert tables.get_meaning(1002, 0) is None


def test_dialect_bom_crlf_quotes_and_line_breaks(tmp_path):
    write(
        tmp_path,
        "BUFRCREX_TableB_en_00.csv",
        [
            B_HEADER,
            b_row("000001", '"Two\r\nlines and ""quotes"""'),
            "",
            b_row("000002", "After blank"),
        ],
        newline="\r\n",
        prefix="\ufeff",
    )
    tables = load(tmp_path)
    assert tables.get_element(1).name == 'Two\r\nlines and "quotes"'
    assert tables.get_element(2).name == "After blank"


def test_header_row_is_dropped_unread(tmp_path):
    write(tmp_path, "BUFRCREX_TableB_en_00.csv", [b_row("001001"), b_row("001002")])
    tables = load(tmp_path)
    assert tables.get_element(1001) is None
    assert tables.get_element(1002) is not None


def test_narrow_files_add_nothing(tmp_path):
    write(tmp_path, "BUFRCREX_TableB_en_00.csv", ["a,b,c,d,e,f,g", "0,1,001001,n,u,0,0"])
    write(tmp_path, "BUFR_TableD_en_00.csv", ["a,b,c,d,e", "0,1,301001,t,s"])
    assert repr(load(tmp_path)) == "TableSet(elements=0, sequences=0)"


@pytest.mark.parametrize(
    "row, text",
    [
        (b_row(scale=" 0"), 'bad i32 " 0": invalid digit found in string'),
        (b_row(reference="1e3"), 'bad i64 "1e3": invalid digit found in string'),
        (b_row(width="65536"), 'bad u16 "65536": number too large to fit in target type'),
        (b_row(width="-1"), 'bad u16 "-1": invalid digit found in string'),
        (b_row(code="0010O1"), 'bad descriptor code "0010O1": invalid digit found in string'),
        (
            b_row() + ",extra",
            f"CSV error: record 1 (line: 2, byte: {len(B_HEADER) + 1}): found record with 9 fields, "
            "but the previous record has 8 fields",
        ),
    ],
    ids=[
        "scale-with-space",
        "reference",
        "width-too-large",
        "width-negative",
        "code",
        "extra-field",
    ],
)
def test_table_b_errors(tmp_path, row, text):
    write(tmp_path, "BUFRCREX_TableB_en_00.csv", [B_HEADER, row])
    with pytest.raises(ValueError) as exc:
        load(tmp_path)
    assert str(exc.value) == "csv/table parse error: " + text


def test_record_that_is_not_utf8(tmp_path):
    (tmp_path / "BUFRCREX_TableB_en_00.csv").write_bytes(
        (B_HEADER + "\n" + b_row() + "\n").encode() + b"01,x,001002,bad \xff name,u,0,0,8\n"
    )
    with pytest.raises(ValueError) as exc:
        load(tmp_path)
    offset = len(B_HEADER) + len(b_row()) + 2
    assert str(exc.value) == (
        f"csv/table parse error: CSV parse error: record 2 (line 3, field: 3, byte: {offset}): "
        "invalid utf-8: invalid UTF-8 in field 3 near byte index 4"
    )


def test_table_d_groups_records_per_file_and_the_last_file_wins(tmp_path):
    write(
        tmp_path,
        "BUFR_TableD_en_00.csv",
        [
            D_HEADER,
            d_row(301001, 1001),
            d_row(301001, 1002),
            d_row(301002, 4001),
            d_row(301001, 1003),
            d_row(301003, 5001),
        ],
    )
    write(tmp_path, "BUFR_TableD_en_01.csv", [D_HEADER, d_row(301003, 6001), d_row(301003, 6002)])
    tables = load(tmp_path)
    assert tables.get_sequence(301001).members == [1001, 1002, 1003]
    assert tables.get_sequence(301002).members == [4001]
    assert tables.get_sequence(301003).members == [6001, 6002]
    assert tables.sequence_count == 3


def test_file_selection_and_order(tmp_path):
    write(tmp_path, "BUFRCREX_TableB_en_00.csv", [B_HEADER, b_row(name="first")])
    write(tmp_path, "BUFRCREX_TableB_en_01.csv", [B_HEADER, b_row(name="second")])
    for ignored in ("BUFRCREX_TableB_en_02.txt", "BUFR_TableB_en_03.csv", "TableB_en_04.csv"):
        write(tmp_path, ignored, [B_HEADER, b_row(name=ignored)])
    tables = load(tmp_path)
    assert tables.get_element(1001).name == "second"
    assert tables.element_count == 1


def test_bad_table_d_member(tmp_path):
    write(tmp_path, "BUFR_TableD_en_00.csv", [D_HEADER, "01,x,301001,t,s,bad"])
    with pytest.raises(ValueError) as exc:
        load(tmp_path)
    assert str(exc.value) == (
        'csv/table parse error: bad descriptor code "bad": invalid digit found in string'
    )


@pytest.fixture(scope="module")
def wmo_dir():
    from conftest import SHARED

    directory = SHARED / "tables" / "wmo-bufr4"
    if not any(directory.glob("BUFRCREX_TableB_en_*.csv")):
        pytest.skip(f"WMO BUFR4 CSV tables not found at {directory}")
    return directory


def _codes(files, column):
    codes = set()
    for path in files:
        with open(path, newline="", encoding="utf-8-sig") as f:
            rows = list(csv.reader(f))[1:]
        codes.update(int(row[column].strip().strip('"')) for row in rows if len(row) > 5)
    return codes


def test_real_wmo_release_loads_with_independent_counts(wmo_dir):
    tables = load(wmo_dir)
    elements = _codes(sorted(wmo_dir.glob("BUFRCREX_TableB_en_*.csv")), 2)
    sequences = _codes(sorted(wmo_dir.glob("BUFR_TableD_en_*.csv")), 2)
    assert (tables.element_count, tables.sequence_count) == (len(elements), len(sequences))
    temperature = tables.get_element(12101)
    assert (temperature.unit, temperature.scale, temperature.reference, temperature.width) == (
        "K",
        2,
        0,
        16,
    )
    assert tables.get_sequence(301001).members == [1001, 1002]


def test_real_wmo_and_eccodes_tables_expand_alike(wmo_dir, definitions_root):
    wmo = load(wmo_dir)
    wmo_dirs = definitions_root / "bufr/tables/0/wmo"
    newest = max((p for p in wmo_dirs.iterdir() if p.name.isdigit()), key=lambda p: int(p.name))
    eccodes = TableSet.from_eccodes(str(newest))
    for code in (301001, 301011, 301012, 301021, 301090, 302001, 302031, 307080, 309052):
        assert wmo.expand([code]) == eccodes.expand([code]), code


def test_unreadable_files_and_directories(tmp_path):
    (tmp_path / "BUFRCREX_TableB_en_00.csv").mkdir()
    with pytest.raises(ValueError) as exc:
        load(tmp_path)
    assert str(exc.value) == "csv/table parse error: Is a directory (os error 21)"
    (tmp_path / "plain").write_text("")
    with pytest.raises(ValueError) as exc:
        load(tmp_path / "plain")
    assert str(exc.value) == "io error: Not a directory (os error 20)"
