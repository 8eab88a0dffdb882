import struct

import pytest


def bits(x: float) -> int:
    return struct.unpack("<Q", struct.pack("<d", x))[0]


def same_bits(a, b) -> bool:
    """Component-wise bit equality of two sequences of floats (NaN payloads and zero signs included)."""
    return len(a) == len(b) and all(bits(x) == bits(y) for x, y in zip(a, b))


@pytest.fixture
def np():
    return pytest.importorskip("numpy")
