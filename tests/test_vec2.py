"""Vec2: its frame (construction, state, constants, text, equality, hash, indexing,
NumPy and list forms), its converter without a sequence path, and the members
only two components have: perp, perp_dot, rotate, angle_to, the 2-D
rotate_towards, extend and the x <= y position rule."""

import copy
import dataclasses
import math
import os
import pickle
import subprocess
import sys

import numpy as np
import pytest

from support import bits, same_bits, state_of
from vexorin import Vec2, Vec3, Vec4

NAN, INF, PI = math.nan, math.inf, math.pi


class XY:
    def __init__(self, x, y):
        self.x, self.y = x, y


# ---- frame ------------------------------------------------------------------

def test_constructor_and_signature():
    assert list(Vec2()) == [0.0, 0.0]
    assert list(Vec2(1)) == [1.0, 0.0]
    assert list(Vec2(y=2)) == [0.0, 2.0]
    assert list(Vec2(True, 3)) == [1.0, 3.0]
    assert Vec2.__text_signature__ == "(x=0.0, y=0.0, *, __pickle_state__=None)"
    with pytest.raises(TypeError, match=r"^Vec2.__new__\(\) takes from 0 to 2 positional arguments but 3 were given$"):
        Vec2(1, 2, 3)
    with pytest.raises(TypeError) as e:
        Vec2(1, "y")
    assert e.value.__notes__ == ["while processing 'y'"]


def test_pickled_state():
    args, kwargs = Vec2(1, 2).__getnewargs_ex__()
    state = kwargs["__pickle_state__"]
    assert args == () and state == state_of(1, 2) and len(state) == 23
    assert list(Vec2(9, 9, __pickle_state__=state)) == [1.0, 2.0]
    assert list(Vec2(__pickle_state__=pickle.dumps([1, 2, 3], protocol=3))) == [1.0, 2.0]
    with pytest.raises(ValueError, match="^pickle decode failed: invalid length 1, expected a sequence of 2 f64 values$"):
        Vec2(__pickle_state__=state_of(1))
    v = Vec2(-0.0, NAN)
    for w in (pickle.loads(pickle.dumps(v)), copy.copy(v), copy.deepcopy(v)):
        assert w is not v and same_bits(list(w), list(v))


def test_dataclass_fields_and_dict():
    v = Vec2(1, 2)
    assert [f.name for f in dataclasses.fields(v)] == ["x", "y"]
    assert dataclasses.replace(v, y=7) == Vec2(1, 7)
    assert v.__dict__ == {"x": 1.0, "y": 2.0} and v.__dict__ is not v.__dict__


def test_constants():
    expected = {
        "ZERO": (0.0, 0.0), "ONE": (1.0, 1.0), "NEG_ONE": (-1.0, -1.0), "X": (1.0, 0.0), "Y": (0.0, 1.0),
        "NEG_X": (-1.0, 0.0), "NEG_Y": (0.0, -1.0), "INFINITY": (INF, INF), "NEG_INFINITY": (-INF, -INF),
    }
    for name, value in expected.items():
        c = getattr(Vec2, name)
        assert type(c) is Vec2 and same_bits(list(c), value) and c is getattr(Vec2, name)
    assert [bits(c) for c in Vec2.NAN] == [0x7FF8000000000000] * 2
    assert not hasattr(Vec2, "Z") and not hasattr(Vec2, "z") and not hasattr(Vec2, "with_z")


def test_components_and_copies():
    v = Vec2(1, 2)
    assert (v.x, v.y) == (1.0, 2.0)
    assert v.with_x(5) == Vec2(5, 2) and v.with_y(-0.0).y == 0.0 and bits(v.with_y(-0.0).y) == bits(-0.0)
    with pytest.raises(AttributeError):
        v.x = 3


def test_text_forms():
    assert repr(Vec2(1, 2.5)) == "Vec2(1, 2.5)"
    assert str(Vec2(-0.0, NAN)) == "[-0, NaN]"
    assert repr(Vec2(1e20, 1e-7)) == "Vec2(100000000000000000000, 0.0000001)"


def test_equality_uses_the_vec2_converter():
    assert Vec2(1, 2) == Vec2(1.0, 2.0)
    assert Vec2(1, 2) == XY(1, 2) and Vec2(1, 2) == Vec3(1, 2, 99) and Vec2(1, 2) == Vec4(1, 2, 3, 4)
    assert Vec2(1, 2) != (1, 2) and not (Vec2(1, 2) == [1, 2])     # no sequence path
    assert Vec2(0.0, 0) == Vec2(-0.0, 0) and Vec2(NAN, 0) != Vec2(NAN, 0)
    with pytest.raises(TypeError):
        Vec2(1, 2) < Vec2(3, 4)


def test_hash_is_siphash13_of_the_component_bits():
    vectors = [(1.0, 2.0), (INF, NAN), (5e-324, -1e300), (0.1, 0.2)]
    code = ("import struct,sys\n"
            "for line in sys.stdin:\n"
            "    print(hash(struct.pack('<2d', *[float.fromhex(t) for t in line.split()])))\n")
    text = "".join(" ".join(x.hex() for x in v) + "\n" for v in vectors)
    out = subprocess.run([sys.executable, "-c", code], input=text, capture_output=True, text=True, check=True,
                         env=dict(os.environ, PYTHONHASHSEED="0"))
    assert [int(h) for h in out.stdout.split()] == [hash(Vec2(*v)) for v in vectors]
    assert hash(Vec2(1, 2)) == hash(Vec2(1.0, 2.0))


@pytest.mark.parametrize("idx, value", [(0, 1.0), (1, 2.0), (-1, 2.0), (-2, 1.0), (True, 2.0)])
def test_indexing(idx, value):
    assert Vec2(1, 2)[idx] == value and len(Vec2()) == 2


@pytest.mark.parametrize("idx, error", [(2, IndexError), (-3, IndexError), (1.0, TypeError), ("0", TypeError)])
def test_bad_indexes(idx, error):
    with pytest.raises(error) as e:
        Vec2(1, 2)[idx]
    if error is IndexError:
        assert str(e.value) == "index out of range"
    else:
        assert e.value.__notes__ == ["while processing 'idx'"]


def test_numpy_and_list_forms():
    v = Vec2(1, 2)
    a = v.to_numpy()
    assert a.dtype == np.float64 and a.shape == (2,) and a.flags.writeable and a.flags.c_contiguous
    a[0] = 9
    assert v.x == 1.0 and v.to_numpy() is not v.to_numpy()
    assert np.array_equal(np.asarray(v), [1.0, 2.0])
    assert v.to_list() == [1.0, 2.0] == v.to_array()
    assert Vec2.from_numpy(np.arange(4.0)[::2]) == Vec2(0, 2)
    assert Vec2.from_numpy(np.array([3, 4])) == Vec2(3, 4) and Vec2.from_numpy([5, 6]) == Vec2(5, 6)
    with pytest.raises(ValueError, match=r"^Vec2.from_numpy expected shape \(2,\)$"):
        Vec2.from_numpy(np.zeros(3))
    assert Vec2.from_array((1, 2)) == Vec2(1, 2)
    with pytest.raises(ValueError, match=r"^expected a sequence of length 2 \(got 3\)\nwhile processing 'a'$"):
        Vec2.from_array([1, 2, 3])
    for absent in ("to_dict", "from_dict", "to_json", "from_json", "try_from_json", "cross", "slerp", "truncate"):
        assert not hasattr(Vec2, absent)


def test_operators():
    assert Vec2(1, 2) + 1 == Vec2(2, 3) and 1 - Vec2(1, 2) == Vec2(0, -1) and 2 / Vec2(1, 4) == Vec2(2, 0.5)
    assert Vec2(1, 2) + Vec3(1, 2, 3) == Vec2(2, 4)
    assert Vec2(1, 2) * XY(3, 4) == Vec2(3, 8) and XY(3, 4) - Vec2(1, 2) == Vec2(2, 2)
    with pytest.raises(TypeError, match=r"^unsupported operand type for \+$"):
        Vec2(1, 2) + (1, 2)
    with pytest.raises(TypeError, match=r"^unsupported operand type for -$"):
        (1, 2) - Vec2(1, 2)
    with pytest.raises(TypeError):
        5 % Vec2(2, 3)


# ---- members only Vec2 has --------------------------------------------------

def test_perp_perp_dot_rotate_extend():
    assert Vec2(1, 2).perp() == Vec2(-2, 1)
    assert Vec2(1, 0).perp_dot(Vec2(0, 1)) == 1.0 and Vec2(0, 1).perp_dot(Vec2(1, 0)) == -1.0
    # computed as rhs.y·x − rhs.x·y
    x, y, rx, ry = 0.1, 0.7, 0.3, 1.9
    assert bits(Vec2(x, y).perp_dot(Vec2(rx, ry))) == bits(ry * x - rx * y)
    assert Vec2(1, 2).rotate(Vec2(0, 1)) == Vec2(-2, 1)
    assert Vec2(1, 2).rotate(Vec2(0, 2)) == Vec2(-4, 2)   # a longer rhs scales
    e = Vec2(1, 2).extend(3)
    assert type(e) is Vec3 and e == Vec3(1, 2, 3)


@pytest.mark.parametrize("v, rhs, angle", [
    ((1, 0), (0, 1), PI / 2), ((0, 1), (1, 0), -PI / 2), ((1, 0), (-1, 0), PI), ((2, 0), (3, 0), 0.0),
    ((1, 1), (-1, 1), PI / 2),
])
def test_angle_to(v, rhs, angle):
    assert Vec2(*v).angle_to(Vec2(*rhs)) == pytest.approx(angle, abs=1e-15)


def test_angle_to_sign_comes_from_the_sign_bit_of_perp_dot():
    assert Vec2(1, 0).angle_to(Vec2(-1, 0)) == PI               # perp_dot is +0.0
    assert Vec2(1, -0.0).angle_to(Vec2(-1, 0)) == PI
    assert Vec2(-1, 0).angle_to(Vec2(1, 0)) == -PI              # 0·(-1) − 1·0 = -0.0
    assert math.isnan(Vec2(0, 0).angle_to(Vec2(1, 0)))
    for ax, ay, bx, by in [(3, 1, -2, 5), (0.2, -4, 1, 1), (-1, -1, 1, -3)]:
        expected = math.atan2(ax * by - ay * bx, ax * bx + ay * by)
        assert Vec2(ax, ay).angle_to(Vec2(bx, by)) == pytest.approx(expected, abs=1e-14)


def test_rotate_towards():
    got = Vec2(1, 0).rotate_towards(Vec2(0, 1), 0.1)
    assert got.length() == pytest.approx(1.0, abs=1e-15) and math.atan2(got.y, got.x) == pytest.approx(0.1)
    assert list(Vec2(1, 0).rotate_towards(Vec2(0, 1), 10)) == pytest.approx([0, 1], abs=1e-15)
    assert list(Vec2(1, 0).rotate_towards(Vec2(0, 1), -10)) == pytest.approx([0, -1], abs=1e-15)
    assert list(Vec2(0, 2).rotate_towards(Vec2(5, 0), 0.5)) == pytest.approx(
        [2 * math.sin(0.5), 2 * math.cos(0.5)], abs=1e-15)  # clockwise: the angle takes the sign of a
    # the final rotation is (x·cos θ − y·sin θ, x·sin θ + y·cos θ)
    x, y, t = 0.3, 0.8, 0.25
    s, c = math.sin(t), math.cos(t)
    got = Vec2(x, y).rotate_towards(Vec2(-5, 9), t)
    assert same_bits(list(got), [x * c - y * s, x * s + y * c])


@pytest.mark.parametrize("values, lo, hi", [((1, 1), 0, 0), ((2, 1), 1, 0), ((1, 2), 0, 1), ((NAN, 1), 1, 1),
                                            ((1, NAN), 1, 1)])
def test_positions_compare_x_with_y(values, lo, hi):
    assert (Vec2(*values).min_position(), Vec2(*values).max_position()) == (lo, hi)


def test_vector_parameters_refuse_tuples():
    for call in (lambda v: v.dot((1, 2)), lambda v: v.lerp([1, 2], 0.5), lambda v: v.angle_to((0, 1))):
        with pytest.raises(AttributeError) as e:
            call(Vec2(1, 2))
        assert e.value.__notes__ == ["while processing 'rhs'"]
    assert Vec2(1, 2).dot(XY(3, 4)) == 11.0
