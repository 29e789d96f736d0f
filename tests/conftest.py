import os
from pathlib import Path

import _mervane
import pytest

SHARED = Path(__file__).resolve().parents[2] / "shared"
CORPUS = SHARED / "corpus"


@pytest.fixture(scope="session")
def corpus_dir():
    if not (CORPUS / "MANIFEST.tsv").is_file():
        pytest.skip(f"BUFR corpus not found at {CORPUS}")
    return CORPUS


@pytest.fixture(scope="session")
def definitions_root():
    """A real ecCodes definitions tree (MERVANE_DEFINITIONS, else Debian's libeccodes-data)."""
    root = Path(os.environ.get("MERVANE_DEFINITIONS", "/usr/share/eccodes/definitions"))
    if not (root / "bufr" / "tables").is_dir():
        pytest.skip(f"no ecCodes definitions tree at {root}")
    return root


def _element_line(entry):
    if isinstance(entry, str):
        return entry
    code, *rest = entry
    if isinstance(code, int):
        code = f"{code:06d}"
    return "|".join([code, *(str(field) for field in rest)])


def _sequence_entry(code, members):
    if isinstance(members, str):
        return members
    listed = ", ".join(f"{m:06d}" if isinstance(m, int) else m for m in members)
    return f'"{code:06d}" = [ {listed} ]'


def write_table_dir(path, elements=(), sequences=(), codetables=None, header=True):
    """Writes an ecCodes table directory at `path` (created if needed) and returns `path`.

    elements: element.table lines, each a str written as it is or a tuple
        (code, abbreviation, type, name, unit, scale, reference, width, ...) joined with "|"
        (an int code is written as six digits). None leaves element.table out.
    sequences: {code: [member codes]} (or its items) written as `"301001" = [ 001001, 001002 ]`
        lines; a str value is written as the whole entry. None leaves sequence.def out.
    codetables: {code or file name: {raw: meaning} or str content}; an int code is written as
        "<code>.table", a dict as "<raw> <raw> <meaning>" lines. None writes no codetables dir.
    header: start element.table with ecCodes' "#code|abbreviation|..." comment line.
    """
    path = Path(path)
    path.mkdir(parents=True, exist_ok=True)
    if elements is not None:
        lines = ["#code|abbreviation|type|name|unit|scale|reference|width"] if header else []
        lines += [_element_line(e) for e in elements]
        (path / "element.table").write_text("".join(line + "\n" for line in lines))
    if sequences is not None:
        entries = dict(sequences).items()
        text = "".join(_sequence_entry(c, m) + "\n" for c, m in entries)
        (path / "sequence.def").write_text(text)
    if codetables is not None:
        directory = path / "codetables"
        directory.mkdir(exist_ok=True)
        for key, table in codetables.items():
            name = f"{key}.table" if isinstance(key, int) else key
            if isinstance(table, dict):
                table = "".join(f"{raw} {raw} {meaning}\n" for raw, meaning in table.items())
            data = table.encode() if isinstance(table, str) else table
            (directory / name).write_bytes(data)
    return path


def element(
    code,
    name="NAME",
    unit="K",
    scale=0,
    reference=0,
    width=8,
    abbreviation="abbr",
    element_type="long",
):
    """One element.table tuple for write_table_dir, with harmless defaults."""
    return (code, abbreviation, element_type, name, unit, scale, reference, width)


@pytest.fixture
def table_dir(tmp_path):
    """write_table_dir bound to a fresh directory: table_dir(elements=..., ...) -> path."""

    def make(name="tables", **kwargs):
        return write_table_dir(tmp_path / name, **kwargs)

    return make


def message_for_tables(master_version=13, local_version=0, centre=98, subcentre=0, master_table=0):
    """A minimal edition 4 message carrying the section 1 fields the loader reads."""
    section1 = bytes([0, 0, 22, master_table]) + centre.to_bytes(2, "big")
    section1 += subcentre.to_bytes(2, "big") + bytes([0, 0, 0, 0, 0, master_version, local_version])
    section1 += (2026).to_bytes(2, "big") + bytes([12, 11, 6, 0, 0])
    section3 = bytes([0, 0, 10, 0, 0, 1, 0x80, 0x04, 0x01, 0])
    section4 = bytes([0, 0, 6, 0, 0, 0])
    body = section1 + section3 + section4 + b"7777"
    return _mervane.parse_bytes(b"BUFR" + (8 + len(body)).to_bytes(3, "big") + b"\x04" + body)
