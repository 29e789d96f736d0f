import re
import time

import _mervane
import pytest
from _mervane import TableSet

# Sequences of the test tables: a chain 300001 -> 300002 -> ... for the depth limit, a
# sequence that names itself, one that switches an associated field on, and an empty one.
CHAIN = {300000 + i: [300000 + i + 1] for i in range(1, 66)}
CHAIN[300066] = [1001]
SEQUENCES = {
    301001: [1001, 1002],
    301099: [301099],
    302001: [204007, 1001],
    303001: [],
    **CHAIN,
}


@pytest.fixture(scope="module")
def tables_dir(tmp_path_factory):
    from conftest import write_table_dir

    return write_table_dir(tmp_path_factory.mktemp("expand"), elements=[], sequences=SEQUENCES)


@pytest.fixture(scope="module")
def tables(tables_dir):
    return TableSet.from_eccodes(str(tables_dir))


CASES = [
    ("empty", [], []),
    ("unknown-element-copied", [63255], [63255]),
    ("sequence", [301001, 12001], [1001, 1002, 12001]),
    ("empty-sequence", [303001, 1001], [1001]),
    ("fixed-replication", [102003, 1001, 1002], [1001, 1002] * 3),
    ("replicated-sequence", [101002, 301001], [1001, 1002] * 2),
    ("delayed-replication", [101000, 31001, 12001], [31001, 12001]),
    ("factor-expanded-like-any-code", [101000, 301001, 12001], [1001, 1002, 12001]),
    ("y-modulo-256", [101300, 1001], [1001] * 44),
    ("associated-field", [204008, 1001, 31021, 204000, 1002], [999999, 1001, 31021, 1002]),
    (
        "associated-field-outlives-sequence",
        [302001, 1002, 204000, 1003],
        [999999, 1001, 999999, 1002, 1003],
    ),
    ("associated-field-changes-between-repetitions", [102002, 1001, 204007], [1001, 999999, 1001]),
    ("operators-removed", [201130, 202129, 1001, 207001, 208010, 206016, 1002], [1001, 1002]),
    ("operators-kept", [222000, 236000, 203014, 205010], [222000, 236000, 203014, 205010]),
    ("chain-at-depth-64", [300003], [1001]),
]


@pytest.mark.parametrize("codes, expected", [c[1:] for c in CASES], ids=[c[0] for c in CASES])
def test_expansion(tables, tables_dir, codes, expected):
    assert tables.expand(codes) == expected
    assert tables.expand(descriptors=tuple(codes)) == expected
    assert _mervane.expand_descriptors(str(tables_dir), codes) == expected


ERRORS = [
    ("invalid-descriptor", [1001, 999999], "csv/table parse error: invalid descriptor 999999"),
    ("missing-sequence", [300099], "descriptor 300099 was not found in Table D"),
    (
        "delayed-without-group",
        [101000, 31001],
        "delayed replication descriptor 101000 is missing its replication factor or replicated "
        "descriptors",
    ),
    ("delayed-alone", [101000], "unsupported replication descriptor 101000"),
    ("fixed-short-group", [103002, 1001, 1002], "unsupported replication descriptor 103002"),
    ("x-zero", [100000, 1001], "unsupported replication descriptor 100000"),
    (
        "chain-at-depth-65",
        [300002],
        "csv/table parse error: sequence expansion exceeded recursion depth",
    ),
    (
        "self-reference",
        [301099],
        "csv/table parse error: sequence expansion exceeded recursion depth",
    ),
    (
        "replication-counts-as-a-level",
        [101001, 300003],
        "csv/table parse error: sequence expansion exceeded recursion depth",
    ),
]


@pytest.mark.parametrize("codes, text", [c[1:] for c in ERRORS], ids=[c[0] for c in ERRORS])
def test_expansion_errors(tables, tables_dir, codes, text):
    for call in (
        lambda: tables.expand(codes),
        lambda: _mervane.expand_descriptors(str(tables_dir), codes),
    ):
        with pytest.raises(ValueError) as exc:
            call()
        assert str(exc.value) == text


@pytest.mark.parametrize("depth", [6, 10])
def test_nested_fixed_replications_end_quickly(tables, depth):
    # 255**depth repetitions: of one element, and of a group that produces nothing.
    nested = [100000 + (depth - k) * 1000 + 255 for k in range(depth)]
    for inner in ([1001], [201130]):
        start = time.monotonic()
        with pytest.raises(ValueError) as exc:
            tables.expand(nested + inner)
        assert (
            str(exc.value) == "csv/table parse error: descriptor expansion exceeded 1048576 steps"
        )
        assert time.monotonic() - start < 30


@pytest.mark.parametrize(
    "descriptors, error",
    [
        ("301001", TypeError),
        (5, TypeError),
        ({1001}, TypeError),
        ([1001, 1.0], TypeError),
        ([1001, "1002"], TypeError),
        ([-1], OverflowError),
        ([4294967296], OverflowError),
    ],
    ids=["str", "int", "set", "float-item", "str-item", "negative", "too-large"],
)
def test_descriptor_argument(tables, tables_dir, descriptors, error):
    with pytest.raises(error, match="'descriptors'"):
        tables.expand(descriptors)
    with pytest.raises(error, match="'descriptors'"):
        _mervane.expand_descriptors(str(tables_dir), descriptors)


def test_descriptors_emptied_while_read(tables, tables_dir):
    # An item's __index__ may change the list it sits in; the codes given at the call count.
    for call in (tables.expand, lambda codes: _mervane.expand_descriptors(str(tables_dir), codes)):
        codes = []

        class Emptying:
            def __index__(self):
                codes.clear()
                return 1002

        tail = [1000 + i for i in range(20000)]
        codes.extend([Emptying(), *tail])
        del tail
        assert call(codes) == [1002, *(1000 + i for i in range(20000))]


def test_expand_descriptors_arguments(tmp_path):
    with pytest.raises(TypeError, match="'table_dir'"):
        _mervane.expand_descriptors(tmp_path, [])
    # Arguments are checked before anything is read; the tables are loaded even for no codes.
    with pytest.raises(TypeError, match="'descriptors'"):
        _mervane.expand_descriptors(str(tmp_path / "absent"), "x")
    with pytest.raises(ValueError) as exc:
        _mervane.expand_descriptors(table_dir=str(tmp_path / "absent"), descriptors=[])
    assert str(exc.value) == "csv/table parse error: No such file or directory (os error 2)"
    assert TableSet().expand([]) == []
    assert TableSet.expand.__text_signature__ == "($self, descriptors)"


def _master_dir(definitions_root):
    wmo = definitions_root / "bufr" / "tables" / "0" / "wmo"
    versions = sorted((p for p in wmo.iterdir() if p.name.isdigit()), key=lambda p: int(p.name))
    return versions[-1].resolve()


def test_every_sequence_of_a_real_master_directory(definitions_root, tmp_path):
    master = _master_dir(definitions_root)
    # The same Table D without the code tables, so that loading it for every call stays cheap.
    light = tmp_path / "light"
    light.mkdir()
    for name in ("element.table", "sequence.def"):
        (light / name).symlink_to(master / name)
    codes = [int(c) for c in re.findall(r'^"(\d{6})"', (master / "sequence.def").read_text(), re.M)]
    assert len(codes) > 300
    tables = TableSet.from_eccodes(str(master))
    allowed = re.compile(
        r"descriptor \d{6} was not found in Table D|unsupported replication descriptor \d{6}|"
        r"delayed replication descriptor \d{6} is missing .*|csv/table parse error: .*"
    )
    expanded = 0
    for code in codes:
        try:
            mine = tables.expand([code])
        except ValueError as exc:
            assert allowed.fullmatch(str(exc)), code
            with pytest.raises(ValueError) as again:
                _mervane.expand_descriptors(str(light), [code])
            assert str(again.value) == str(exc)
            continue
        assert _mervane.expand_descriptors(str(light), [code]) == mine, code
        expanded += 1
    assert expanded > 0.9 * len(codes)
