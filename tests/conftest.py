import os
from pathlib import Path

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
