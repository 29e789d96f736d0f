import inspect

import pytest
from _mervane import ElementDefinition, SequenceDefinition, TableSet
from conftest import element


def test_empty_table_set():
    tables = TableSet()
    assert (tables.element_count, tables.sequence_count) == (0, 0)
    assert repr(tables) == "TableSet(elements=0, sequences=0)"
    assert tables.get_element(1001) is None
    assert tables.get_sequence(301001) is None
    assert tables.get_meaning(1001, 0) is None


@pytest.mark.parametrize(
    "args, kwargs", [((1,), {}), ((), {"path": "x"})], ids=["positional", "keyword"]
)
def test_table_set_takes_no_arguments(args, kwargs):
    with pytest.raises(TypeError) as exc:
        TableSet(*args, **kwargs)
    assert str(exc.value) == "TableSet() takes no arguments"


@pytest.mark.parametrize("cls", [ElementDefinition, SequenceDefinition], ids=lambda c: c.__name__)
def test_definitions_have_no_constructor(cls):
    with pytest.raises(TypeError):
        cls()


@pytest.mark.parametrize(
    "cls", [TableSet, ElementDefinition, SequenceDefinition], ids=lambda c: c.__name__
)
def test_classes_cannot_be_subclassed(cls):
    with pytest.raises(TypeError):
        type("Sub", (cls,), {})


@pytest.mark.parametrize(
    "member, signature",
    [
        (TableSet, "()"),
        (TableSet.from_eccodes, "(path)"),
        (TableSet.from_definitions, "(path, message)"),
        (TableSet.from_bufr4_45, "(path)"),
        (TableSet.get_element, "(self, /, code)"),
        (TableSet.get_sequence, "(self, /, code)"),
        (TableSet.get_meaning, "(self, /, code, raw)"),
        (TableSet.expand, "(self, /, descriptors)"),
    ],
    ids=lambda v: getattr(v, "__name__", None) or v,
)
def test_text_signatures(member, signature):
    assert str(inspect.signature(member)) == signature


@pytest.fixture
def tables(table_dir):
    path = table_dir(
        elements=[
            element(1001, name="WMO BLOCK NUMBER", unit="Numeric", width=7),
            ("012101", "airTemperature", "double", "TEMPERATURE/AIR TEMPERATURE", "K", 2, 0, 16),
            element(5, name='say "hi" \\ there'),
            element(1234567, name="WIDE"),
            element(2, name="FIRST"),
            element(2, name="SECOND", width=12),
            # A quoted field may hold the line breaks.
            '000003|abbr|long|"tab\there\r\n\x00\x01\x7f\u200bé\'"|K|0|0|8',
        ],
        sequences={301001: [1001, 1002], 301002: [], 301003: [1]},
    )
    return TableSet.from_eccodes(str(path))


def test_element_attributes(tables):
    e = tables.get_element(12101)
    assert type(e) is ElementDefinition
    assert (e.code, e.abbreviation, e.element_type, e.name, e.unit) == (
        12101,
        "airTemperature",
        "double",
        "TEMPERATURE/AIR TEMPERATURE",
        "K",
    )
    assert (e.scale, e.reference, e.width) == (2, 0, 16)
    with pytest.raises(AttributeError):
        e.width = 3


def test_later_entry_wins_and_counts_once(tables):
    assert tables.get_element(2).name == "SECOND"
    assert tables.get_element(2).width == 12
    assert tables.element_count == 6
    assert tables.sequence_count == 3
    assert repr(tables) == "TableSet(elements=6, sequences=3)"


@pytest.mark.parametrize(
    "code, text",
    [
        (1001, 'ElementDefinition(001001, name="WMO BLOCK NUMBER")'),
        (5, 'ElementDefinition(000005, name="say \\"hi\\" \\\\ there")'),
        (1234567, 'ElementDefinition(1234567, name="WIDE")'),
        (3, 'ElementDefinition(000003, name="tab\\there\\r\\n\\0\\u{1}\\u{7f}\\u{200b}é\'")'),
    ],
    ids=["plain", "quote-backslash", "seven-digits", "escapes"],
)
def test_element_repr(tables, code, text):
    assert repr(tables.get_element(code)) == text


@pytest.mark.parametrize(
    "code, members, text",
    [
        (301001, [1001, 1002], "SequenceDefinition(301001, members=[1001, 1002])"),
        (301002, [], "SequenceDefinition(301002, members=[])"),
        (301003, [1], "SequenceDefinition(301003, members=[1])"),
    ],
    ids=["two", "empty", "one"],
)
def test_sequences(tables, code, members, text):
    s = tables.get_sequence(code)
    assert type(s) is SequenceDefinition
    assert (s.code, s.members) == (code, members)
    assert repr(s) == text


def test_lookups_give_independent_copies(tables):
    first, second = tables.get_sequence(301001), tables.get_sequence(301001)
    assert first is not second
    first.members.append(5)
    assert first.members == [1001, 1002]
    assert first.members is not first.members
    e = tables.get_element(1001)
    del tables
    assert e.name == "WMO BLOCK NUMBER"


class Index:
    def __init__(self, value):
        self.value = value

    def __index__(self):
        return self.value


@pytest.mark.parametrize("method", ["get_element", "get_sequence"])
@pytest.mark.parametrize("code", [0, 4294967295, 999999], ids=["zero", "max", "absent"])
def test_absent_codes_give_none(tables, method, code):
    assert getattr(tables, method)(code) is None


def test_codes_by_keyword_and_index(tables):
    assert tables.get_element(code=1001).code == 1001
    assert tables.get_sequence(Index(301001)).code == 301001
    assert tables.get_meaning(code=Index(1), raw=Index(2)) is None


@pytest.mark.parametrize("method", ["get_element", "get_sequence"])
@pytest.mark.parametrize(
    "code, error, text",
    [
        (-1, OverflowError, "{}() argument 'code' must be in range 0..4294967295"),
        (4294967296, OverflowError, "{}() argument 'code' must be in range 0..4294967295"),
        (Index(-1), OverflowError, "{}() argument 'code' must be in range 0..4294967295"),
        ("001001", TypeError, "{}() argument 'code' must be int, not str"),
        (1.0, TypeError, "{}() argument 'code' must be int, not float"),
        (None, TypeError, "{}() argument 'code' must be int, not None"),
    ],
    ids=["negative", "too-large", "index-negative", "str", "float", "none"],
)
def test_code_argument_errors(tables, method, code, error, text):
    with pytest.raises(error) as exc:
        getattr(tables, method)(code)
    assert str(exc.value) == text.format(method)


@pytest.mark.parametrize(
    "args, error, text",
    [
        ((-1, 0), OverflowError, "get_meaning() argument 'code' must be in range 0..4294967295"),
        (
            (0, 2**64),
            OverflowError,
            "get_meaning() argument 'raw' must be in range 0..18446744073709551615",
        ),
        (
            (0, -1),
            OverflowError,
            "get_meaning() argument 'raw' must be in range 0..18446744073709551615",
        ),
        (("0", 0), TypeError, "get_meaning() argument 'code' must be int, not str"),
        ((0, 1.5), TypeError, "get_meaning() argument 'raw' must be int, not float"),
    ],
    ids=["code-negative", "raw-too-large", "raw-negative", "code-str", "raw-float"],
)
def test_get_meaning_argument_errors(args, error, text):
    with pytest.raises(error) as exc:
        TableSet().get_meaning(*args)
    assert str(exc.value) == text


@pytest.mark.parametrize(
    "call, text",
    [
        (
            lambda: TableSet.from_eccodes(b"x"),
            "from_eccodes() argument 'path' must be str, not bytes",
        ),
        (
            lambda: TableSet.from_definitions(1, None),
            "from_definitions() argument 'path' must be str, not int",
        ),
        (
            lambda: TableSet.from_definitions("x", "msg"),
            "from_definitions() argument 'message' must be BufrMessage, not str",
        ),
        (
            lambda: TableSet.from_bufr4_45(None),
            "from_bufr4_45() argument 'path' must be str, not None",
        ),
    ],
    ids=[
        "from_eccodes-bytes",
        "from_definitions-path",
        "from_definitions-message",
        "from_bufr4_45",
    ],
)
def test_loader_argument_errors(call, text):
    with pytest.raises(TypeError) as exc:
        call()
    assert str(exc.value) == text


def test_loader_rejects_path_object(tmp_path):
    with pytest.raises(TypeError) as exc:
        TableSet.from_eccodes(tmp_path)
    assert str(exc.value) == "from_eccodes() argument 'path' must be str, not PosixPath"


def test_path_with_nul_is_a_value_error():
    with pytest.raises(ValueError) as exc:
        TableSet.from_eccodes("a\0b")
    assert str(exc.value) == "io error: file name contained an unexpected NUL byte"
