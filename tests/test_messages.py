import csv
import inspect
import pathlib

import _mervane
import pytest
from message_builder import message, section1, section3, u24

CLASSES = [
    "BufrMessage",
    "DecodedValue",
    "Descriptor",
    "ElementDefinition",
    "SequenceDefinition",
    "TableSet",
]
FUNCTIONS = {
    "parse_bytes": "(data)",
    "parse_file": "(path)",
    "parse_all_bytes": "(data)",
    "parse_all_file": "(path)",
    "expand_descriptors": "(table_dir, descriptors)",
    "decode_values": "(data, table_dir)",
    "decode_values_with_tables": "(data, tables)",
    "decode_values_with_definitions": "(data, definitions_root)",
}


def test_module_lists_classes_then_functions_in_registration_order():
    assert _mervane.__all__ == CLASSES + list(FUNCTIONS)
    assert _mervane.__doc__ is None
    for name in CLASSES:
        assert getattr(_mervane, name).__name__ == name
    for name in FUNCTIONS:
        assert getattr(_mervane, name).__module__ == "_mervane"


@pytest.mark.parametrize("name", FUNCTIONS)
def test_function_docstring_is_its_text_signature(name):
    function = getattr(_mervane, name)
    # CPython keeps a docstring of the form "name(args)\n--\n\n" as the text signature only.
    assert function.__text_signature__ == FUNCTIONS[name]
    assert function.__doc__ is None
    assert str(inspect.signature(function)) == FUNCTIONS[name]


def test_keyword_arguments_are_accepted(tmp_path):
    path = tmp_path / "one.bufr"
    path.write_bytes(message())
    assert _mervane.parse_bytes(data=message()).total_length == len(message())
    assert _mervane.parse_file(path=str(path)).total_length == len(message())
    assert len(_mervane.parse_all_bytes(data=message())) == 1
    assert len(_mervane.parse_all_file(path=str(path))) == 1


@pytest.mark.parametrize("function", ["parse_bytes", "parse_all_bytes"])
@pytest.mark.parametrize(
    "value, type_name",
    [(bytearray(b"BUFR"), "bytearray"), (memoryview(b"BUFR"), "memoryview"), ("BUFR", "str")],
    ids=["bytearray", "memoryview", "str"],
)
def test_data_must_be_bytes(function, value, type_name):
    with pytest.raises(TypeError) as exc:
        getattr(_mervane, function)(value)
    assert str(exc.value) == f"{function}() argument 'data' must be bytes, not {type_name}"


def test_bytes_subclass_is_read():
    class Payload(bytes):
        pass

    assert _mervane.parse_bytes(Payload(message())).number_of_subsets == 1


@pytest.mark.parametrize("function", ["parse_file", "parse_all_file"])
@pytest.mark.parametrize(
    "value, type_name",
    [(b"/tmp/x", "bytes"), (pathlib.Path("/tmp/x"), "PosixPath")],
    ids=["bytes", "path-object"],
)
def test_path_must_be_str(function, value, type_name):
    with pytest.raises(TypeError) as exc:
        getattr(_mervane, function)(value)
    assert str(exc.value) == f"{function}() argument 'path' must be str, not {type_name}"


@pytest.mark.parametrize("call", ["missing", "surplus", "unknown-keyword"])
def test_wrong_argument_count_is_a_type_error(call):
    args, kwargs = {
        "missing": ((), {}),
        "surplus": ((b"", b""), {}),
        "unknown-keyword": ((), {"bytes": b""}),
    }[call]
    with pytest.raises(TypeError):
        _mervane.parse_bytes(*args, **kwargs)


@pytest.mark.parametrize("function", ["parse_file", "parse_all_file"])
def test_unreadable_file_raises_os_error_with_the_system_text(function, tmp_path):
    with pytest.raises(OSError) as exc:
        getattr(_mervane, function)(str(tmp_path / "absent.bufr"))
    assert str(exc.value) == "No such file or directory (os error 2)"
    assert type(exc.value) is FileNotFoundError or type(exc.value) is OSError
    assert (exc.value.errno, exc.value.strerror, exc.value.filename) == (None, None, None)

    with pytest.raises(OSError) as exc:
        getattr(_mervane, function)(str(tmp_path))
    assert str(exc.value) == "Is a directory (os error 21)"

    with pytest.raises(OSError) as exc:
        getattr(_mervane, function)("bad\0name")
    assert str(exc.value) == "file name contained an unexpected NUL byte"


def test_message_fields(tmp_path):
    data = message(
        descriptors=[307080, 1001, 363255],  # the last is the octets 0xFF 0xFF
        subsets=300,
        flags=0x80,
        data=b"\x12\x34\x56",
        s1=section1(
            master_table=0,
            centre=0x1234,
            subcentre=0xABCD,
            update=2,
            category=1,
            international_subcategory=3,
            local_subcategory=4,
            master_version=36,
            local_version=7,
            year=2026,
            month=12,
            day=11,
            hour=23,
            minute=59,
            second=58,
            extra=b"\x00\x00",
        ),
    )
    m = _mervane.parse_bytes(data)
    expected = {
        "total_length": len(data),
        "edition": 4,
        "section1_length": 24,
        "master_table_number": 0,
        "originating_centre": 0x1234,
        "originating_subcentre": 0xABCD,
        "update_sequence_number": 2,
        "local_section_present": False,
        "data_category": 1,
        "international_data_subcategory": 3,
        "local_data_subcategory": 4,
        "master_tables_version_number": 36,
        "local_tables_version_number": 7,
        "typical_year": 2026,
        "typical_month": 12,
        "typical_day": 11,
        "typical_hour": 23,
        "typical_minute": 59,
        "typical_second": 58,
        "section2_length": 0,
        "section3_length": 13,
        "number_of_subsets": 300,
        "observed_data": True,
        "compressed_data": False,
        "unexpanded_descriptors": [307080, 1001, 363255],
        "section4_length": 7,
        "section4_data_offset": 8 + 24 + 13 + 4,
        "section4_data_length": 3,
    }
    assert {name: getattr(m, name) for name in expected} == expected
    assert [name for name in dir(m) if not name.startswith("_")] == sorted(expected)
    assert repr(m) == (
        f"BufrMessage(edition=4, length={len(data)}, subsets=300, "
        "descriptors=[307080, 1001, 363255])"
    )
    assert data[m.section4_data_offset : m.section4_data_offset + 3] == b"\x12\x34\x56"


def test_message_record_is_a_copy():
    m = _mervane.parse_bytes(message(descriptors=[1001, 1002]))
    codes = m.unexpanded_descriptors
    codes.append(5)
    assert m.unexpanded_descriptors == [1001, 1002]
    assert repr(_mervane.parse_bytes(message(descriptors=[]))).endswith("descriptors=[])")
    with pytest.raises(AttributeError):
        m.edition = 3
    with pytest.raises(TypeError):
        _mervane.BufrMessage()


@pytest.mark.parametrize(
    "flags, observed, compressed",
    [(0xC0, True, True), (0x3F, False, False), (0x40, False, True)],
)
def test_section3_flags(flags, observed, compressed):
    m = _mervane.parse_bytes(message(flags=flags))
    assert (m.observed_data, m.compressed_data) == (observed, compressed)


def test_section2_is_read_when_the_flag_byte_is_nonzero():
    body = b"local"
    m = _mervane.parse_bytes(message(s1=section1(optional=0x01), s2=body, descriptors=[1001]))
    assert m.local_section_present
    assert m.section2_length == 4 + len(body)
    assert m.unexpanded_descriptors == [1001]


@pytest.mark.parametrize("pad", [b"\x00", b" "], ids=["zero", "space"])
def test_padded_descriptor_area_ignores_its_last_octet(pad):
    m = _mervane.parse_bytes(message(s3=section3([301011, 1001], pad=pad)))
    assert m.section3_length == 12
    assert m.unexpanded_descriptors == [301011, 1001]


def test_short_section4_has_no_data():
    # Any shorter declared length would put the terminator inside the length field.
    m = _mervane.parse_bytes(message(s4=u24(3)))
    assert (m.section4_length, m.section4_data_length) == (3, 0)
    assert m.section4_data_offset == 8 + 22 + 9 + 4


def test_bytes_after_the_terminator_inside_the_message_are_accepted():
    assert _mervane.parse_bytes(message(trailer=b"xyz")).total_length == len(message()) + 3


def _tiny(section1_length, rest):
    """Section 0 plus a section 1 of the given declared length and whatever follows."""
    body = u24(section1_length) + rest
    return b"BUFR" + u24(8 + len(body)) + b"\x04" + body


def _framing_cases():
    good = message()
    s3_at = 8 + 22
    yield "empty", b"", "message is too short to be BUFR"
    yield "seven-bytes", b"BUFR\x00\x00\x07", "message is too short to be BUFR"
    yield "junk-first", b"x" + good, "missing BUFR marker"
    yield (
        "edition-3",
        message(edition=3),
        ("unsupported BUFR edition 3; only edition 4 is implemented"),
    )
    yield (
        "edition-checked-before-length",
        message(edition=5, total_length=1),
        ("unsupported BUFR edition 5; only edition 4 is implemented"),
    )
    yield (
        "declared-longer",
        message(total_length=len(good) + 2),
        (f"declared length {len(good) + 2} does not match buffer length {len(good)}"),
    )
    yield (
        "two-messages",
        good + good,
        (f"declared length {len(good)} does not match buffer length {2 * len(good)}"),
    )
    yield (
        "section1-length-field-cut",
        b"BUFR" + u24(10) + b"\x04\x00\x00",
        ("section 1 at offset 8 is truncated"),
    )
    yield "section1-too-long", _tiny(100, b"\x00" * 20), "section 1 at offset 8 is truncated"
    yield "flag-byte-past-end", _tiny(3, b"\x00"), "section 0 at offset 17 is truncated"
    yield "year-past-end", _tiny(3, b"\x00" * 12), "section 0 at offset 23 is truncated"
    yield (
        "section2-past-end",
        message(s1=section1(optional=1), s3=b"", s4=b"", terminator=b""),
        ("section 2 at offset 30 is truncated"),
    )
    yield (
        "section2-too-long",
        message(s1=section1(optional=1), s3=u24(100) + b"\x00" * 10, s4=b"", terminator=b""),
        "section 2 at offset 30 is truncated",
    )
    yield (
        "section3-too-long",
        message(s3=u24(200) + b"\x00" * 6),
        (f"section 3 at offset {s3_at} is truncated"),
    )
    yield (
        "section3-under-7",
        message(s3=u24(6) + b"\x00" * 3),
        (f"section 3 at offset {s3_at} is truncated"),
    )
    yield (
        "section4-too-long",
        message(s4=u24(100) + b"\x00"),
        (f"section 4 at offset {s3_at + 9} is truncated"),
    )
    yield (
        "terminator-cut",
        message(terminator=b"777"),
        (f"section 5 at offset {s3_at + 9 + 5} is truncated"),
    )
    yield "terminator-7778", message(terminator=b"7778"), "section 5 terminator is not 7777"
    # Sections overlapping section 1 can leave its last fields past the end of the message.
    yield (
        "fields-past-end",
        _tiny(3, b"\x00\x00\x07\x00\x00\x01\x00" + u24(4) + b"\x00" + b"7777"),
        ("section 0 at offset 26 is truncated"),
    )


@pytest.mark.parametrize(
    "data, text", [c[1:] for c in _framing_cases()], ids=[c[0] for c in _framing_cases()]
)
def test_malformed_message_texts(data, text):
    with pytest.raises(ValueError) as exc:
        _mervane.parse_bytes(data)
    assert str(exc.value) == text
    assert exc.value.args == (text,)


@pytest.mark.parametrize("cut", range(0, 40))
def test_every_truncation_is_an_error_not_a_crash(cut):
    data = message(descriptors=[301011, 1001], s2=b"abc")[:cut]
    with pytest.raises(ValueError):
        _mervane.parse_bytes(data)
    if cut < 4:
        assert _mervane.parse_all_bytes(data) == []
    else:
        with pytest.raises(ValueError):
            _mervane.parse_all_bytes(data)


def test_split_skips_bytes_around_messages():
    first, second = message(descriptors=[1001]), message(descriptors=[1002], data=b"BUFR\x00")
    data = b"junk" + first + b"\r\n\x03 more junk " + second + b"tail"
    found = _mervane.parse_all_bytes(data)
    assert [m.unexpanded_descriptors for m in found] == [[1001], [1002]]
    with pytest.raises(ValueError):
        _mervane.parse_bytes(data)


@pytest.mark.parametrize(
    "data, result",
    [(b"", []), (b"BUF", []), (b"no marker at all, just text" * 3, [])],
    ids=["empty", "three-bytes", "no-marker"],
)
def test_split_without_messages_gives_an_empty_list(data, result):
    assert _mervane.parse_all_bytes(data) == result


@pytest.mark.parametrize(
    "tail, text",
    [
        (b"BUFR\x00\x00", "message is too short to be BUFR"),
        (b"BUFR\x00\x00\x10\x04", None),
        (b"BUFR" + u24(0) + b"\x04", "message is too short to be BUFR"),
        (b"BUFR" + u24(5) + b"\x04", "message is too short to be BUFR"),
    ],
    ids=["marker-in-last-7-bytes", "last-message-cut", "length-0", "length-5"],
)
def test_split_failures_discard_earlier_messages(tail, text):
    good = message()
    data = b"ab" + good + tail
    if text is None:
        text = f"section 0 at offset {2 + len(good)} is truncated"
    with pytest.raises(ValueError) as exc:
        _mervane.parse_all_bytes(data)
    assert str(exc.value) == text


def test_damaged_second_message_fails_the_whole_file(tmp_path):
    path = tmp_path / "two.bufr"
    path.write_bytes(message() + message(terminator=b"7778"))
    with pytest.raises(ValueError) as exc:
        _mervane.parse_all_file(str(path))
    assert str(exc.value) == "section 5 terminator is not 7777"


def test_file_is_one_message_exactly(tmp_path):
    path = tmp_path / "m.bufr"
    path.write_bytes(b"")
    assert _mervane.parse_all_file(str(path)) == []
    path.write_bytes(b"x" + message())
    with pytest.raises(ValueError) as exc:
        _mervane.parse_file(str(path))
    assert str(exc.value) == "missing BUFR marker"
    path.write_bytes(message())
    assert _mervane.parse_file(str(path)).total_length == len(message())


def _manifest(corpus_dir):
    with open(corpus_dir / "MANIFEST.tsv", newline="") as f:
        return list(csv.DictReader(f, delimiter="\t"))


def test_every_corpus_file_parses_as_the_manifest_records(corpus_dir):
    rows = _manifest(corpus_dir)
    by_file = {}
    for row in rows:
        by_file.setdefault(row["file"], []).append(row)
    checked = 0
    for name, expected in sorted(by_file.items()):
        path = str(corpus_dir / name)
        if expected[0]["edition"] != "4":
            with pytest.raises(ValueError) as exc:
                _mervane.parse_all_file(path)
            assert str(exc.value) == (
                f"unsupported BUFR edition {expected[0]['edition']}; only edition 4 is implemented"
            )
            continue
        messages = _mervane.parse_all_file(path)
        assert len(messages) == len(expected), name
        for m, row in zip(messages, expected):
            codes = row["descriptors"].split()
            shown = [f"{c:06d}" for c in m.unexpanded_descriptors[:12]]
            if len(m.unexpanded_descriptors) > 12:
                shown.append("...")
            assert shown == codes, name
            assert (
                m.edition,
                m.compressed_data,
                m.number_of_subsets,
                m.master_tables_version_number,
                m.local_tables_version_number,
                m.originating_centre,
                m.originating_subcentre,
                m.data_category,
            ) == (
                4,
                row["compressed"] == "yes",
                int(row["subsets"]),
                int(row["master_version"]),
                int(row["local_version"]),
                int(row["centre"]),
                int(row["subcentre"]),
                int(row["category"]),
            ), name
            checked += 1
    assert checked == sum(1 for r in rows if r["edition"] == "4")


def test_the_initialiser_is_the_only_export():
    import shutil
    import subprocess

    nm = shutil.which("nm")
    if nm is None:
        pytest.skip("nm is not installed")
    out = subprocess.run(
        [nm, "-D", "--defined-only", _mervane.__file__], capture_output=True, text=True, check=True
    )
    assert [line.split()[-1] for line in out.stdout.splitlines()] == ["PyInit__mervane"]


def test_one_module_per_process_and_no_second_interpreter():
    import subprocess
    import sys

    script = """
import sys
import _mervane
try:
    import _xxsubinterpreters as interpreters
except ImportError:
    interpreters = None
del sys.modules["_mervane"]
import _mervane as again
print(again is _mervane)
if interpreters is not None:
    other = interpreters.create()
    try:
        interpreters.run_string(other, "import _mervane")
    except interpreters.RunFailedError as exc:
        print(exc)
"""
    out = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True, check=True)
    lines = out.stdout.splitlines()
    assert lines[0] == "True"
    if len(lines) > 1:
        assert lines[1] == (
            "<class 'ImportError'>: _mervane can be imported in only one interpreter per process"
        )
