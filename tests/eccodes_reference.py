"""Reference decoding with ecCodes' Python bindings, and comparison with ours.

`eccodes_elements(message)` decodes one BUFR message with ecCodes (the `eccodes`
package, which carries its own definitions) and returns, per subset, the data
elements in the order their bits stand in section 4, as `(code, value)` pairs:
`value` is a `float` for numbers, a `str` for texts and `None` when missing.
Delayed replication factors are included, just before the values they replicate.

How ecCodes is read. After `unpack`, three bulk keys hold everything needed:

- `expandedDescriptors` (with `expandedUnits` beside it): the message's
  descriptors expanded through Table D once, as a template: fixed replications
  are unrolled, each delayed replication stands once as 1XX000 followed by its
  factor, X being rewritten to the number of template entries it repeats; the
  operators that only change the coding (201, 202, 204, 206, 207, 208) are gone,
  an associated field stands as 999999 before its element, and the markers
  (222000, 223000, 232000, 235000, 236000, 237000, ...) and the bitmapped reads
  (223255, 224255, 225255, 232255) stay;
- `numericValues`: one number per template entry other than a replication
  descriptor, subset after subset, for compressed and uncompressed messages
  alike; a missing value is -1e100; a text element holds n * 1000 + width in
  octets, n counting texts through the message;
- `stringValues`: in an uncompressed message, the n-th text of the message at
  index n - 1, padded with spaces as in the message. In a compressed message a
  text column that holds one text for all subsets keeps a single entry, so
  there each column is read from its own key instead, `#rank#abbreviation`
  (`expandedAbbreviations`, which like `expandedUnits` skips the 999999
  entries), whose array has one text per subset or one for all.

Template entries from 203YYY (YYY not 0 or 255) to 203255 define new
reference values and have no number in `numericValues`.

Walking the template against `numericValues` subset by subset, with each
delayed replication repeated as often as its factor says, gives every value its
code. The walk must consume `numericValues` exactly, or the message is reported
as not understood (`ReferenceLayoutError`) rather than compared wrongly. The keys
iterator was not used: it hides values that ecCodes turns into attributes of
other keys (associated-field significances, quality information, replaced and
statistical values), so its keys do not follow the bits of section 4.

What the comparison leaves out, on both sides, and why:

- operator markers (our values named "operator"; ecCodes' F = 2 template
  entries other than 2XX255): they carry no data, and the two decoders emit
  them for different sets of operators;
- associated fields (our descriptor 999999; ecCodes' 999999 entries): ecCodes
  keeps them as attributes of the element they precede, not as data elements;
- the code of a value read through a bitmap (2XX255): ecCodes names it by the
  operator (223255, 224255, 225255, 232255), we name it by the element the
  bitmap points to; such a pair is compared by value only;
- the running number of a text (our `raw_value` for a character element):
  texts are compared instead, as ecCodes can give them: the bindings return C
  strings, so a text ends at its first NUL octet; ecCodes keeps the padding
  that we strip, so trailing white space is removed on both sides; ecCodes
  gives a missing text as the empty text, so a missing text and an empty one
  agree; and the bindings decode octets as ASCII with one U+FFFD for each octet
  above 0x7F, where we write "?", so U+FFFD is read as "?";
- code-table meanings: ecCodes gives the code figure, as our `raw_value` does,
  so numbers are compared and meanings are not;
- the missing value of a class 31 element other than a replication factor
  (031021, 031031, ...): ecCodes reports all ones as missing, we give the
  number read (class 31 is never missing here), so our all-ones number
  (2^w - 1) agrees with ecCodes' missing value.

Numbers agree when they are within a relative 1e-9 (or 1e-12 absolute, for
values near zero): ecCodes scales by multiplying with a power of ten, we divide
by one, and the last bits differ.
"""

from __future__ import annotations

import math
from dataclasses import dataclass
from typing import Iterable, Optional, Sequence, Tuple, Union

Value = Union[float, str, None]
Element = Tuple[int, Value]

ECCODES_MISSING = -1e100
BITMAPPED_READS = frozenset({223255, 224255, 225255, 232255})
REPLICATION_FACTORS = frozenset({31000, 31001, 31002, 31011, 31012})
ASSOCIATED_FIELD = 999999
RELATIVE_TOLERANCE = 1e-9
ABSOLUTE_TOLERANCE = 1e-12
_WHITE_SPACE = "\t\n\v\f\r "


class ReferenceLayoutError(Exception):
    """ecCodes' bulk arrays do not fit the walk of its own template."""


@dataclass(frozen=True)
class Difference:
    """The first place where two element lists part, with text to show."""

    subset: int
    index: int
    text: str

    def __str__(self) -> str:
        return self.text


def eccodes_elements(message: bytes) -> list[list[Element]]:
    """Decodes one BUFR message with ecCodes: per subset, its (code, value) list."""
    import eccodes

    handle = eccodes.codes_new_from_message(bytes(message))
    try:
        eccodes.codes_set(handle, "unpack", 1)
        subsets = eccodes.codes_get(handle, "numberOfSubsets")
        if subsets == 0:
            return []
        walk = _TemplateWalk(eccodes, handle)
        result = []
        for subset in range(subsets):
            result.append(walk.subset(subset))
        if walk.position != len(walk.numbers):
            raise ReferenceLayoutError(
                f"the template walk used {walk.position} of {len(walk.numbers)} numericValues"
            )
        return result
    finally:
        eccodes.codes_release(handle)


class _TemplateWalk:
    def __init__(self, eccodes, handle) -> None:
        self.eccodes = eccodes
        self.handle = handle
        self.compressed = eccodes.codes_get(handle, "compressedData") == 1
        self.template = [int(c) for c in eccodes.codes_get_array(handle, "expandedDescriptors")]
        units = list(eccodes.codes_get_string_array(handle, "expandedUnits"))
        names = list(eccodes.codes_get_string_array(handle, "expandedAbbreviations"))
        # Units and abbreviations leave out the associated-field entries.
        expected = len(self.template) - self.template.count(ASSOCIATED_FIELD)
        if len(units) != expected or len(names) != expected:
            raise ReferenceLayoutError(
                f"{len(units)} units and {len(names)} abbreviations for {expected} descriptors"
            )
        self.text_names: list[Optional[str]] = []
        for code in self.template:
            if code == ASSOCIATED_FIELD:
                self.text_names.append(None)
                continue
            name = names.pop(0)
            self.text_names.append(name if units.pop(0) == "CCITT IA5" else None)
        self.numbers = [float(v) for v in eccodes.codes_get_array(handle, "numericValues")]
        self.texts: list[str] = []
        if not self.compressed and any(self.text_names):
            self.texts = list(eccodes.codes_get_string_array(handle, "stringValues"))
        self.ranks: dict[str, int] = {}
        self.columns: list[list[str]] = []
        self.text_column = 0
        self.defining_references = False
        self.position = 0

    def subset(self, subset: int) -> list[Element]:
        elements: list[Element] = []
        self.text_column = 0
        self.defining_references = False
        self.run(0, len(self.template), elements, subset)
        return elements

    def _take(self, subset: int) -> float:
        if self.position >= len(self.numbers):
            raise ReferenceLayoutError(
                f"numericValues ran out in subset {subset + 1} at entry {self.position}"
            )
        number = self.numbers[self.position]
        self.position += 1
        return number

    def _is_replication(self, i: int) -> bool:
        code = self.template[i]
        if code // 100000 == 1:
            return True
        # The rewritten X is packed as X * 1000, so a group of more than 99 entries
        # would carry into F: such an entry still stands just before its factor.
        return (
            code % 1000 == 0
            and code // 100000 >= 2
            and i + 1 < len(self.template)
            and self.template[i + 1] in REPLICATION_FACTORS
        )

    def run(self, start: int, end: int, out: list[Element], subset: int) -> None:
        i = start
        while i < end:
            code = self.template[i]
            if code // 1000 == 203:
                # 203YYY ... 203255 define new reference values, which have no entry.
                self.defining_references = code % 1000 not in (0, 255)
                i += 1
                continue
            if self.defining_references:
                i += 1
                continue
            if self._is_replication(i):
                group = code // 1000 - 100
                if code % 1000 != 0 or i + 1 >= end or i + 2 + group > end:
                    raise ReferenceLayoutError(f"replication {code} at entry {i} does not fit")
                factor = self._take(subset)
                out.append((self.template[i + 1], _number(factor)))
                count = 0 if factor == ECCODES_MISSING else int(factor)
                for _ in range(count):
                    self.run(i + 2, i + 2 + group, out, subset)
                i += 2 + group
                continue
            number = self._take(subset)
            text_name = self.text_names[i]
            if code // 100000 == 2 and code not in BITMAPPED_READS:
                pass  # marker
            elif code == ASSOCIATED_FIELD:
                pass
            elif text_name is not None:
                out.append((code, self._text(number, text_name, subset)))
            else:
                out.append((code, _number(number)))
            i += 1

    def _text(self, number: float, name: str, subset: int) -> Optional[str]:
        if self.compressed:
            # A text column holding one text for every subset keeps a single
            # stringValues entry, so numbers do not index it: read the column's key.
            if subset == 0:
                rank = self.ranks.get(name, 0) + 1
                self.ranks[name] = rank
                column = self.eccodes.codes_get_string_array(self.handle, f"#{rank}#{name}")
                self.columns.append(list(column))
            column = self.columns[self.text_column]
            self.text_column += 1
            text = column[subset] if len(column) > 1 else column[0]
        else:
            if number == ECCODES_MISSING:
                return None
            index = int(number // 1000) - 1
            if not 0 <= index < len(self.texts):
                raise ReferenceLayoutError(f"text number {number} outside stringValues")
            text = self.texts[index]
        if text == "":
            return None  # how ecCodes gives a missing text
        # The bindings decode octets as ASCII, one U+FFFD for each octet above 0x7F.
        return text.replace("\ufffd", "?").rstrip(_WHITE_SPACE)


def _number(value: float) -> Optional[float]:
    return None if value == ECCODES_MISSING else value


def comparable(values: Iterable) -> list[Element]:
    """Turns our flat list of decoded values into (code, value) pairs, all subsets
    after each other, without operator markers and associated fields."""
    result: list[Element] = []
    for value in values:
        if value.name == "operator" or value.descriptor == ASSOCIATED_FIELD:
            continue
        if value.raw is None:  # only character values lack the raw integer
            text = value.raw_text
            if text is not None:
                text = text.split("\0", 1)[0].rstrip(_WHITE_SPACE)
            result.append((value.descriptor, text))
        else:
            result.append((value.descriptor, value.raw_value))
    return result


def values_agree(ours: Value, theirs: Value) -> bool:
    """Numbers within the tolerance, equal texts, or both missing."""
    if ours is None or theirs is None:
        # ecCodes cannot tell a missing text from an empty one.
        return ours in (None, "") and theirs in (None, "")
    if isinstance(ours, str) or isinstance(theirs, str):
        return isinstance(ours, str) and isinstance(theirs, str) and ours == theirs
    return math.isclose(ours, theirs, rel_tol=RELATIVE_TOLERANCE, abs_tol=ABSOLUTE_TOLERANCE)


def elements_agree(ours: Element, theirs: Element) -> bool:
    """Same code (any code for ecCodes' 2XX255) and agreeing values, as the module
    docstring sets out."""
    if ours[0] != theirs[0] and theirs[0] not in BITMAPPED_READS:
        return False
    if _is_all_ones_class_31(ours) and theirs[1] is None:
        return True
    return values_agree(ours[1], theirs[1])


def _is_all_ones_class_31(element: Element) -> bool:
    code, value = element
    if code // 1000 % 100 != 31 or not isinstance(value, float) or not value.is_integer():
        return False
    number = int(value)
    return number > 0 and number & (number + 1) == 0


def first_difference(
    ours: Sequence[Element], theirs: Sequence[Sequence[Element]], context: int = 3
) -> Optional[Difference]:
    """Compares our flat pairs with ecCodes' per-subset pairs; returns the first
    difference (or a length mismatch) with the pairs around it, or None. Subsets
    are counted from 1, elements within a subset from 0."""
    flat = [
        (subset, index, element)
        for subset, elements in enumerate(theirs)
        for index, element in enumerate(elements)
    ]
    for position, (subset, index, element) in enumerate(flat):
        if position >= len(ours):
            return Difference(
                subset + 1,
                index,
                (
                    f"ours ends after {len(ours)} elements; ecCodes goes on in subset {subset + 1} "
                    f"at element {index}: {_show(element)}"
                ),
            )
        if not elements_agree(ours[position], element):
            lo = max(0, position - context)
            hi = position + context + 1
            return Difference(
                subset + 1,
                index,
                (
                    f"subset {subset + 1}, element {index}: ours {_show(ours[position])}, "
                    f"ecCodes {_show(element)}\n"
                    f"  ours:    {_show_all(ours[lo:hi])}\n"
                    f"  ecCodes: {_show_all([e for _, _, e in flat[lo:hi]])}"
                ),
            )
    if len(ours) > len(flat):
        return Difference(
            len(theirs),
            len(flat),
            (
                f"ours has {len(ours) - len(flat)} elements more than ecCodes' {len(flat)}, "
                f"from {_show(ours[len(flat)])}"
            ),
        )
    return None


def _show(element: Element) -> str:
    return f"{element[0]:06d}={element[1]!r}"


def _show_all(elements: Iterable[Element]) -> str:
    return " ".join(_show(e) for e in elements)
