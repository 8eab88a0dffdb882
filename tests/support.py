"""Helpers shared by the test modules: bit patterns, hand-written pickled states, duck-typed arguments."""

import struct


def bits(x: float) -> int:
    """The 64-bit pattern of one double."""
    return struct.unpack("<Q", struct.pack("<d", x))[0]


def bits_of(values) -> list:
    return [bits(v) for v in values]


def same_bits(a, b) -> bool:
    """Component-wise bit equality of two sequences of floats (NaN payloads and zero signs included)."""
    return len(a) == len(b) and all(bits(x) == bits(y) for x, y in zip(a, b))


def state_of(*xs) -> bytes:
    """The pickled state of a flat run of doubles, written by hand: PROTO 3, MARK, BINFLOATs, TUPLE, STOP."""
    return b"\x80\x03(" + b"".join(b"G" + struct.pack(">d", x) for x in xs) + b"t."


def flat(m):
    return m.to_cols_array()


class Cols:
    """Any object with to_cols_array() is taken as a matrix."""

    def __init__(self, values):
        self.values = values

    def to_cols_array(self):
        return self.values


# ---- pickle protocol-3 forms, written by hand (the shapes' pickled states) ----

def p_text(s: str) -> bytes:
    """BINUNICODE."""
    return b"X" + struct.pack("<I", len(s.encode())) + s.encode()


def p_value(v) -> bytes:
    """A dict as EMPTY_DICT MARK pairs SETITEMS, a tuple as MARK items TUPLE, a list as EMPTY_LIST MARK items
    APPENDS, None as NONE, a bool as NEWTRUE/NEWFALSE, an int as BININT,
    a number as BINFLOAT of its single-precision value widened (the libraries store f32); bytes are an
    already encoded piece and stand as they are."""
    if isinstance(v, bytes):
        return v
    if isinstance(v, dict):
        return b"}(" + b"".join(p_text(k) + p_value(x) for k, x in v.items()) + b"u"
    if isinstance(v, tuple):
        return b"(" + b"".join(p_value(x) for x in v) + b"t"
    if isinstance(v, list):
        return b"](" + b"".join(p_value(x) for x in v) + b"e" if v else b"]"
    if v is None:
        return b"N"
    if isinstance(v, bool):
        return b"\x88" if v else b"\x89"
    if isinstance(v, int):
        return b"J" + struct.pack("<i", v)
    return b"G" + struct.pack(">d", struct.unpack("<f", struct.pack("<f", v))[0])


def p_stream(v) -> bytes:
    """PROTO 3, the value, STOP."""
    return b"\x80\x03" + p_value(v) + b"."
