"""The loaders against a real ecCodes definitions tree (skipped when none is installed)."""

import pytest
from _mervane import TableSet
from conftest import message_for_tables


def versions(wmo):
    return sorted(int(p.name) for p in wmo.iterdir() if p.name.isdigit())


@pytest.fixture(scope="module")
def wmo(definitions_root):
    return definitions_root / "bufr" / "tables" / "0" / "wmo"


@pytest.fixture(scope="module")
def newest(wmo):
    version = versions(wmo)[-1]
    return version, TableSet.from_eccodes(str(wmo / str(version)))


def test_every_master_version_loads(definitions_root, wmo):
    for version in versions(wmo):
        message = message_for_tables(master_version=version)
        tables = TableSet.from_definitions(str(definitions_root), message)
        assert tables.element_count > 100, version
        assert tables.sequence_count > 100, version


def test_every_local_directory_loads_on_top_of_its_master(definitions_root, wmo):
    local = definitions_root / "bufr" / "tables" / "0" / "local"
    newest_version = versions(wmo)[-1]
    loaded = 0
    for subcentre_dir in sorted(local.glob("*/*/*")):
        name, centre, subcentre = subcentre_dir.relative_to(local).parts
        if not (centre.isdigit() and subcentre.isdigit()):
            continue
        if name.startswith("19-"):
            master_version, local_version = 19, int(name[3:])
        else:
            master_version, local_version = newest_version, int(name)
        message = message_for_tables(
            master_version=master_version,
            local_version=local_version,
            centre=int(centre),
            subcentre=int(subcentre),
        )
        tables = TableSet.from_definitions(str(definitions_root), message)
        master = TableSet.from_definitions(
            str(definitions_root), message_for_tables(master_version=master_version)
        )
        element_table = subcentre_dir / "element.table"
        if element_table.is_file():
            for line in element_table.read_text().splitlines():
                fields = line.split("|")
                if line.startswith("#") or len(fields) < 8:
                    continue
                element = tables.get_element(int(fields[0]))
                assert (element.name, element.width) == (fields[3], int(fields[7].strip())), line
        assert tables.element_count >= master.element_count
        loaded += 1
    assert loaded > 10


def element_line(directory, code):
    for line in (directory / "element.table").read_text().splitlines():
        if line.startswith(f"{code:06d}|"):
            return line.split("|")
    raise AssertionError(f"{code:06d} not in the file")


@pytest.mark.parametrize("code", [12101, 1001, 2001, 20003])
def test_elements_match_file_text(wmo, newest, code):
    version, tables = newest
    fields = element_line(wmo / str(version), code)
    e = tables.get_element(code)
    assert [e.abbreviation, e.element_type, e.name, e.unit] == fields[1:5]
    assert (e.scale, e.reference, e.width) == tuple(int(f) for f in fields[5:8])


def test_sequence_matches_file_text(wmo, newest):
    version, tables = newest
    text = (wmo / str(version) / "sequence.def").read_text()
    entry = next(line for line in text.splitlines() if line.startswith('"301001"'))
    members = [int(m) for m in entry.split("[")[1].split("]")[0].split(",")]
    assert tables.get_sequence(301001).members == members == [1001, 1002]


@pytest.mark.parametrize("code", [20003, 2001])
def test_code_table_meanings_match_file_text(wmo, newest, code):
    version, tables = newest
    lines = (wmo / str(version) / "codetables" / f"{code}.table").read_text().splitlines()
    checked = 0
    for line in lines:
        fields = line.split()
        if len(fields) >= 3 and not line.lstrip().startswith("#"):
            assert tables.get_meaning(code, int(fields[0])) == " ".join(fields[2:])
            checked += 1
    assert checked > 1


def test_mixed_width_local_table(definitions_root):
    """ecCodes' EUMETSAT local table mixes lines of 8 and 11 fields."""
    local = definitions_root / "bufr/tables/0/local/19-1/254/0"
    if not (local / "element.table").is_file():
        pytest.skip("no EUMETSAT local table in this tree")
    widths = {len(line.split("|")) for line in (local / "element.table").read_text().splitlines()}
    message = message_for_tables(master_version=19, local_version=1, centre=254)
    tables = TableSet.from_definitions(str(definitions_root), message)
    assert tables.get_element(1007) is not None
    assert widths >= {8, 11} or widths == {11}
