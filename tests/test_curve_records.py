"""Interval and Nearest: the records of the curve classes."""

import copy
import math
import pickle
import struct
from types import SimpleNamespace

import pytest

from support import same_bits
from vexorin import CubicBezier, Interval, Nearest, Vec3


def key(name):
    return b"X" + struct.pack("<I", len(name)) + name.encode()


def f(x):
    return b"G" + struct.pack(">d", x)


# class, fields, state by hand, repr, missing-field message
RECORDS = [
    (Interval, {"min": 2.0, "max": 1.0}, b"\x80\x03}(" + key("min") + f(2.0) + key("max") + f(1.0) + b"u.",
     "Interval(min=2, max=1)", "Interval requires min, max arguments"),
    (Nearest, {"t": 0.5, "point": (1.0, 2.0, 3.0), "dist_sq": 4.0},
     b"\x80\x03}(" + key("t") + f(0.5) + key("point") + b"(" + f(1.0) + f(2.0) + f(3.0) + b"t" + key("dist_sq") + f(4.0)
     + b"u.", "Nearest(t=0.5, point=[1, 2, 3], dist_sq=4)", "Nearest requires t, point, dist_sq arguments"),
]


def values(r):
    return [r.min, r.max] if type(r) is Interval else [r.t, r.point.x, r.point.y, r.point.z, r.dist_sq]


@pytest.fixture(params=RECORDS, ids=["Interval", "Nearest"])
def row(request):
    return request.param


def test_fields_state_and_repr(row):
    cls, fields, state, text, _ = row
    r = cls(**fields)
    assert repr(r) == text
    args, kwargs = r.__getnewargs_ex__()
    assert args == () and kwargs == {"__pickle_state__": state}
    assert pickle.loads(state) == {k: tuple(v) if isinstance(v, tuple) else v for k, v in fields.items()}
    assert list(cls.__dataclass_fields__) == list(fields)
    assert r.__dict__.keys() == fields.keys()
    assert values(cls(__pickle_state__=state)) == values(r)


@pytest.mark.parametrize("protocol", [2, 3, 4, 5])
def test_round_trips_keep_every_bit(row, protocol):
    cls, fields, _, _, _ = row
    r = cls(**{k: 0.1 if k != "point" else (0.1, -0.0, math.nan) for k in fields})
    for d in (pickle.loads(pickle.dumps(r, protocol)), copy.deepcopy(r)):
        assert type(d) is cls and same_bits(values(d), values(r))
    assert values(r)[0] == 0.10000000149011612


def test_missing_fields_and_bad_state(row):
    cls, fields, state, _, message = row
    names = list(fields)
    for given in ({}, {names[0]: fields[names[0]]}, {**fields, names[-1]: None}):
        with pytest.raises(ValueError, match=f"^{message}$"):
            cls(**given)
    with pytest.raises(ValueError, match="^pickle decode failed: trailing bytes found$"):
        cls(__pickle_state__=state + b".")
    with pytest.raises(ValueError, match="^pickle decode failed: invalid type"):
        cls(__pickle_state__=pickle.dumps(1.0, protocol=3))


def test_abs_diff_eq_reads_any_object_with_the_fields(row):
    cls, fields, _, _, _ = row
    r = cls(**fields)
    assert r.abs_diff_eq(r, 0.0) and not r.abs_diff_eq(r, -1.0)
    flat = values(r)
    for k in range(len(flat)):  # each field alone decides
        moved = [v + 0.5 * (i == k) for i, v in enumerate(flat)]
        shifted = (SimpleNamespace(min=moved[0], max=moved[1]) if cls is Interval
                   else SimpleNamespace(t=moved[0], point=moved[1:4], dist_sq=moved[4]))
        assert r.abs_diff_eq(shifted, 0.5) and not r.abs_diff_eq(shifted, 0.4)
    partial = SimpleNamespace(**{k: v for k, v in list(fields.items())[:-1]})
    with pytest.raises(AttributeError) as e:
        r.abs_diff_eq(partial, 1.0)
    assert e.value.__notes__ == ["while processing 'rhs'"]


def test_interval_arithmetic():
    reversed_ = Interval(2.0, 1.0)
    assert reversed_.span() == -1.0 and not reversed_.contains(1.5) and reversed_.is_finite()
    unit = Interval.unit()
    assert unit.lerp(2.0) == 2.0 and Interval(1, 3).lerp(0.5) == 2.0
    assert unit.clamp(-5) == 0.0 and unit.clamp(5) == 1.0 and math.isnan(unit.clamp(math.nan))
    everything = Interval.all()
    assert repr(everything) == "Interval(min=-inf, max=inf)"
    assert not everything.is_finite() and everything.contains(1e30) and everything.span() == math.inf
    assert repr(Interval(0.1, 2.5)) == "Interval(min=0.1, max=2.5)"
    assert repr(Interval(1e-7, 1e20)) == "Interval(min=0.0000001, max=100000000000000000000)"


@pytest.mark.parametrize("lo, hi, t, expected", [
    (2.0, 1.0, 0.0, 2.0),       # below min first, whatever max says
    (2.0, 1.0, 1.5, 2.0),
    (2.0, 1.0, 3.0, 1.0),
    (math.nan, 1.0, 5.0, 1.0),  # a NaN bound never compares
    (0.0, math.nan, 5.0, 5.0),
    (math.nan, math.nan, -3.0, -3.0),
])
def test_clamp_with_reversed_or_nan_bounds_applies_the_plain_comparisons(lo, hi, t, expected):
    assert Interval(lo, hi).clamp(t) == expected
    assert not Interval(lo, 1.0).contains(math.nan)


def test_nearest_fields():
    n = Nearest(t=0.5, point=[1, 2, 3], dist_sq=4.0)
    assert type(n.point) is Vec3 and n.distance() == 2.0
    # distance() takes the root in double precision, a curve's distance() in single.
    odd = Nearest(0.0, (0, 0, 0), 2.0)
    assert odd.distance() == math.sqrt(2.0)
    curve = CubicBezier((0, 0, 0), (0, 0, 0), (0, 0, 0), (0, 0, 0))
    assert curve.distance((1, 1, 0)) == 1.4142135381698608 != math.sqrt(2.0)
