import pytest
from _mervane import Descriptor


@pytest.mark.parametrize(
    "made, fxy, text",
    [
        (lambda: Descriptor(0, 1, 1), 1001, "Descriptor(001001)"),
        (lambda: Descriptor(f=3, x=1, y=11), 301011, "Descriptor(301011)"),
        (lambda: Descriptor(255, 255, 255), 25755255, "Descriptor(25755255)"),
        (lambda: Descriptor.from_fxy(301011), 301011, "Descriptor(301011)"),
        (lambda: Descriptor.from_fxy(code=0), 0, "Descriptor(000000)"),
    ],
    ids=["element", "keywords", "all-255", "from-fxy", "zero"],
)
def test_packed_code_and_repr(made, fxy, text):
    d = made()
    assert d.fxy == fxy
    assert repr(d) == text
    assert d.f * 100000 + d.x * 1000 + d.y == fxy


@pytest.mark.parametrize(
    "code, parts",
    [(301011, (3, 1, 11)), (1300, (0, 1, 44)), (4294967295, (197, 67, 39))],
    ids=["sequence", "y-over-255", "largest"],
)
def test_from_fxy_reduces_parts_modulo_256(code, parts):
    d = Descriptor.from_fxy(code)
    assert (d.f, d.x, d.y) == parts


@pytest.mark.parametrize(
    "call, error",
    [
        (lambda: Descriptor(0, 256, 0), OverflowError),
        (lambda: Descriptor(-1, 0, 0), OverflowError),
        (lambda: Descriptor(0, 1.5, 0), TypeError),
        (lambda: Descriptor(0, "1", 0), TypeError),
        (lambda: Descriptor(0, 1), TypeError),
        (lambda: Descriptor.from_fxy(-1), OverflowError),
        (lambda: Descriptor.from_fxy(4294967296), OverflowError),
        (lambda: Descriptor.from_fxy("301011"), TypeError),
    ],
    ids=[
        "x-256",
        "f-negative",
        "float",
        "str",
        "missing",
        "code-negative",
        "code-2**32",
        "code-str",
    ],
)
def test_bad_arguments(call, error):
    with pytest.raises(error):
        call()


def test_argument_errors_name_the_argument():
    with pytest.raises(TypeError, match="'x'"):
        Descriptor(0, 1.5, 0)
    with pytest.raises(TypeError, match="'code'"):
        Descriptor.from_fxy(1.0)


def test_identity_semantics_and_immutability():
    a, b = Descriptor(0, 1, 1), Descriptor(0, 1, 1)
    assert a != b
    assert a == a
    assert len({a, b}) == 2
    with pytest.raises(AttributeError):
        a.f = 2
    with pytest.raises(AttributeError):
        a.extra = 1
    assert Descriptor.__text_signature__ == "(f, x, y)"
    assert Descriptor.from_fxy.__text_signature__ == "(code)"
