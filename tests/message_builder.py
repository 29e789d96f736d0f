"""Byte-level builder of BUFR edition 4 messages for framing tests.

Every section can be replaced or given a false length, so that a test builds exactly the
malformed message that shows its fault.
"""

import struct


def u24(n):
    return n.to_bytes(3, "big")


def pack_descriptor(code):
    f, x, y = code // 100000, code // 1000 % 100, code % 1000
    return struct.pack(">H", (f << 14) | (x << 8) | y)


def section1(
    master_table=0,
    centre=98,
    subcentre=0,
    update=0,
    optional=0,
    category=0,
    international_subcategory=0,
    local_subcategory=0,
    master_version=13,
    local_version=0,
    year=2026,
    month=12,
    day=11,
    hour=6,
    minute=30,
    second=15,
    extra=b"",
):
    body = struct.pack(
        ">BHHBBBBBBBHBBBBB",
        master_table,
        centre,
        subcentre,
        update,
        optional,
        category,
        international_subcategory,
        local_subcategory,
        master_version,
        local_version,
        year,
        month,
        day,
        hour,
        minute,
        second,
    )
    return u24(3 + len(body) + len(extra)) + body + extra


def section3(descriptors=(), subsets=1, flags=0x80, pad=b""):
    area = b"".join(pack_descriptor(c) for c in descriptors) + pad
    return u24(7 + len(area)) + b"\x00" + struct.pack(">HB", subsets, flags) + area


def section4(data=b""):
    return u24(4 + len(data)) + b"\x00" + data


def message(
    descriptors=(1001,),
    subsets=1,
    flags=0x80,
    data=b"\x00",
    s1=None,
    s2=None,
    s3=None,
    s4=None,
    terminator=b"7777",
    edition=4,
    total_length=None,
    trailer=b"",
):
    """A whole message; `s2` given as body bytes adds a section 2 and sets the flag."""
    if s1 is None:
        s1 = section1(optional=0x80 if s2 is not None else 0)
    body = s1
    if s2 is not None:
        body += u24(4 + len(s2)) + b"\x00" + s2
    body += s3 if s3 is not None else section3(descriptors, subsets, flags)
    body += s4 if s4 is not None else section4(data)
    body += terminator + trailer
    length = 8 + len(body) if total_length is None else total_length
    return b"BUFR" + u24(length) + bytes([edition]) + body
