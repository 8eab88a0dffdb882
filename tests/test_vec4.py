"""Vec4: its frame (construction, state, constants, text, equality, hash, indexing,
NumPy and list forms), its converter, and the members only it has (w, with_w,
W, NEG_W, truncate to Vec3)."""

import copy
import dataclasses
import math
import os
import pickle
import struct
import subprocess
import sys

import numpy as np
import pytest

from support import bits, same_bits, state_of
from vexorin import Vec2, Vec3, Vec4

NAN, INF = math.nan, math.inf


class XYZW:
    x, y, z, w = 1, 2, 3, 4


def test_constructor_and_signature():
    assert list(Vec4()) == [0.0] * 4
    assert list(Vec4(1, 2)) == [1.0, 2.0, 0.0, 0.0]
    assert list(Vec4(w=5)) == [0.0, 0.0, 0.0, 5.0]
    assert Vec4.__text_signature__ == "(x=0.0, y=0.0, z=0.0, w=0.0, *, __pickle_state__=None)"
    with pytest.raises(TypeError) as e:
        Vec4(1, 2, 3, None)
    assert e.value.__notes__ == ["while processing 'w'"]


def test_pickled_state():
    args, kwargs = Vec4(1, 2, 3, 4).__getnewargs_ex__()
    state = kwargs["__pickle_state__"]
    assert args == () and state == state_of(1, 2, 3, 4) and len(state) == 41
    assert pickle.loads(state) == (1.0, 2.0, 3.0, 4.0)
    assert list(Vec4(9, __pickle_state__=state)) == [1.0, 2.0, 3.0, 4.0]
    with pytest.raises(ValueError, match="^pickle decode failed: invalid length 3, expected a sequence of 4 f64 values$"):
        Vec4(__pickle_state__=state_of(1, 2, 3))
    payload = struct.unpack("<d", struct.pack("<Q", 0x7FF0_0000_0000_1234))[0]
    v = Vec4(-0.0, NAN, -INF, payload)
    for w in (pickle.loads(pickle.dumps(v)), copy.copy(v), copy.deepcopy(v)):
        assert w is not v and same_bits(list(w), list(v))


def test_dataclass_fields_and_dict():
    v = Vec4(1, 2, 3, 4)
    assert [f.name for f in dataclasses.fields(v)] == ["x", "y", "z", "w"]
    assert dataclasses.asdict(v) == {"x": 1.0, "y": 2.0, "z": 3.0, "w": 4.0}
    assert dataclasses.replace(v, w=0) == Vec4(1, 2, 3, 0)
    assert v.__dict__ == {"x": 1.0, "y": 2.0, "z": 3.0, "w": 4.0}


def test_constants():
    expected = {
        "ZERO": (0, 0, 0, 0), "ONE": (1, 1, 1, 1), "NEG_ONE": (-1, -1, -1, -1),
        "X": (1, 0, 0, 0), "Y": (0, 1, 0, 0), "Z": (0, 0, 1, 0), "W": (0, 0, 0, 1),
        "NEG_X": (-1, 0, 0, 0), "NEG_Y": (0, -1, 0, 0), "NEG_Z": (0, 0, -1, 0), "NEG_W": (0, 0, 0, -1),
        "INFINITY": (INF,) * 4, "NEG_INFINITY": (-INF,) * 4,
    }
    for name, value in expected.items():
        c = getattr(Vec4, name)
        assert type(c) is Vec4 and same_bits(list(c), [float(x) for x in value]) and c is getattr(Vec4, name)
    assert [bits(c) for c in Vec4.NAN] == [0x7FF8000000000000] * 4
    assert Vec4.ZERO.w == 0.0 and bits(Vec4.ZERO.w) == 0      # positive zeros, not -0.0


def test_components_copies_and_truncate():
    v = Vec4(1, 2, 3, 4)
    assert (v.x, v.y, v.z, v.w) == (1.0, 2.0, 3.0, 4.0)
    assert v.with_w(0) == Vec4(1, 2, 3, 0) and v.with_x(9) == Vec4(9, 2, 3, 4) and v.with_z(-1) == Vec4(1, 2, -1, 4)
    t = v.truncate()
    assert type(t) is Vec3 and t == Vec3(1, 2, 3)
    for absent in ("cross", "slerp", "rotate_towards", "to_dict", "to_json", "extend", "perp"):
        assert not hasattr(Vec4, absent)


def test_text_equality_hash_and_indexing():
    v = Vec4(1, 2, 3, 4)
    assert repr(v) == "Vec4(1, 2, 3, 4)" and str(v) == "[1, 2, 3, 4]"
    assert v == (1, 2, 3, 4) and v == [1, 2, 3, 4] and v == XYZW() and v == np.array([1, 2, 3, 4])
    assert not (v == "abc") and v != (1, 2, 3)
    # Vec4's converter refuses a Vec3; the NotImplemented lets Vec3 compare its x, y, z.
    assert v == Vec3(1, 2, 3)
    assert Vec4.ZERO == -Vec4.ZERO
    assert (v[0], v[-1], v[3], v[-4]) == (1.0, 4.0, 4.0, 1.0) and len(v) == 4
    for idx in (4, -5):
        with pytest.raises(IndexError, match="^index out of range$"):
            v[idx]
    code = ("import struct,sys\n"
            "for line in sys.stdin:\n"
            "    print(hash(struct.pack('<4d', *[float.fromhex(t) for t in line.split()])))\n")
    vectors = [(1.0, 2.0, 3.0, 4.0), (INF, NAN, 5e-324, -1e300)]
    text = "".join(" ".join(x.hex() for x in vec) + "\n" for vec in vectors)
    out = subprocess.run([sys.executable, "-c", code], input=text, capture_output=True, text=True, check=True,
                         env=dict(os.environ, PYTHONHASHSEED="0"))
    assert [int(h) for h in out.stdout.split()] == [hash(Vec4(*vec)) for vec in vectors]


def test_equality_with_quat_reads_its_attributes():
    vexorin = pytest.importorskip("vexorin")
    if not hasattr(vexorin, "Quat"):
        pytest.skip("Quat not built")
    assert Vec4(0, 0, 0, 1) == vexorin.Quat()


def test_numpy_and_list_forms():
    v = Vec4(1, 2, 3, 4)
    a = v.to_numpy()
    assert a.dtype == np.float64 and a.shape == (4,) and a.flags.writeable
    a[0] = 9
    assert v.x == 1.0
    assert np.array_equal(np.asarray(v), [1, 2, 3, 4]) and v.to_list() == v.to_array() == [1.0, 2.0, 3.0, 4.0]
    assert Vec4.from_numpy([1, 2, 3, 4]) == v and Vec4.from_numpy(np.arange(8.0)[::2]) == Vec4(0, 2, 4, 6)
    with pytest.raises(ValueError, match=r"^Vec4.from_numpy expected shape \(4,\)$"):
        Vec4.from_numpy(np.zeros(3))
    assert Vec4.from_array((1, 2, 3, 4)) == v
    with pytest.raises(ValueError, match=r"^expected a sequence of length 4 \(got 2\)\nwhile processing 'a'$"):
        Vec4.from_array([1, 2])


def test_operators():
    assert 10 - Vec4(1, 2, 3, 4) == Vec4(9, 8, 7, 6)
    assert Vec4(1, 2, 3, 4) * (1, 0, 1, 0) == Vec4(1, 0, 3, 0)
    assert same_bits(list(Vec4(-7.5, 7.5, 1, 0) % 2), [-1.5, 1.5, 1.0, 0.0])
    assert Vec4(1, 2, 3, 4) + XYZW() == Vec4(2, 4, 6, 8)
    with pytest.raises(TypeError, match=r"^unsupported operand type for \+$"):
        Vec4(1, 2, 3, 4) + Vec3(1, 2, 3)
    with pytest.raises(TypeError):
        2 % Vec4(1, 2, 3, 4)


def test_vector_parameters_take_sequences_but_no_vec3():
    assert Vec4(1, 1, 1, 1).dot((1, 2, 3, 4)) == 10.0
    with pytest.raises(AttributeError) as e:
        Vec4(1, 1, 1, 1).dot(Vec3(1, 2, 3))
    assert e.value.__notes__ == ["while processing 'rhs'"]
    with pytest.raises(AttributeError):
        Vec4.ONE.clamp(0.0, 1.0)
    with pytest.raises(AttributeError):
        Vec4(1, 2, 3, 4).dot(Vec2(1, 1))


def test_checked_normalisation_of_zero():
    unit, length = Vec4.ZERO.normalize_and_length()
    assert unit == Vec4(1, 0, 0, 0) and type(unit) is Vec4 and length == 0.0
    assert Vec4.ZERO.try_normalize() is None
    z = Vec4.ZERO.normalize_or_zero()
    assert z == Vec4.ZERO and z is not Vec4.ZERO
    assert Vec4.ZERO.length_recip() == INF
    assert Vec4(0.5, 0.5, 0.5, 0.5).is_normalized() and not Vec4(1, 1, 1, 1).is_normalized()
