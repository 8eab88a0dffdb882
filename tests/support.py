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


def p_float(x: float) -> bytes:
    """BINFLOAT of a single-precision value widened (the libraries store f32)."""
    return b"G" + struct.pack(">d", struct.unpack("<f", struct.pack("<f", x))[0])


def p_bool(b: bool) -> bytes:
    return b"\x88" if b else b"\x89"


def p_tuple(*items: bytes) -> bytes:
    return b"(" + b"".join(items) + b"t"


def p_vec(*xs) -> bytes:
    return p_tuple(*(p_float(x) for x in xs))


def p_record(**fields: bytes) -> bytes:
    """EMPTY_DICT, MARK, key-value pairs in order, SETITEMS."""
    return b"}(" + b"".join(p_text(k) + v for k, v in fields.items()) + b"u"


def p_stream(body: bytes) -> bytes:
    return b"\x80\x03" + body + b"."
