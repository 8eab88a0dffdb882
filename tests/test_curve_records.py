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
     b"\x80\x03}(" + key("t") + f(0.5) + key("point") + b"(" + f(1.0) + f(2.0) + f(3.0) + b"t"
     + key("dist_sq") + f(4.0) + b"u.",
     "Nearest(t=0.5, point=[1, 2, 3], dist_sq=4)", "Nearest requires t, point, dist_sq arguments"),
]


def values(r):
    return [r.min, r.max] if type(r) is Interval else [r.t, r.point.x, r.point.y, r.point.z, r.dist_sq]


def shaped(cls, v):
    if cls is Interval:
        return SimpleNamespace(min=v[0], max=v[1])
    return SimpleNamespace(t=v[0], point=v[1:4], dist_sq=v[4])


@pytest.mark.parametrize("cls, fields, state, text, missing", RECORDS, ids=["Interval", "Nearest"])
def test_record_conventions(cls, fields, state, text, missing):
    r = cls(**fields)
    assert repr(r) == text and list(cls.__dataclass_fields__) == list(fields) and r.__dict__.keys() == fields.keys()
    assert r.__getnewargs_ex__() == ((), {"__pickle_state__": state}) and pickle.loads(state) == fields
    odd = cls(**{k: 0.1 if k != "point" else (0.1, -0.0, math.nan) for k in fields})
    assert values(odd)[0] == 0.10000000149011612
    for d in [pickle.loads(pickle.dumps(odd, p)) for p in (2, 3, 4, 5)] + [copy.deepcopy(odd)]:
        assert type(d) is cls and same_bits(values(d), values(odd))
    names = list(fields)
    for given in ({}, {names[0]: fields[names[0]]}, {**fields, names[-1]: None}):
        with pytest.raises(ValueError, match=f"^{missing}$"):
            cls(**given)
    with pytest.raises(ValueError, match="^pickle decode failed: trailing bytes found$"):
        cls(__pickle_state__=state + b".")
    with pytest.raises(ValueError, match="^pickle decode failed: invalid type"):
        cls(__pickle_state__=pickle.dumps(1.0, protocol=3))
    # abs_diff_eq: any object with the fields; each field alone decides.
    assert r.abs_diff_eq(r, 0.0) and not r.abs_diff_eq(r, -1.0)
    for k in range(len(values(r))):
        shifted = shaped(cls, [v + 0.5 * (i == k) for i, v in enumerate(values(r))])
        assert r.abs_diff_eq(shifted, 0.5) and not r.abs_diff_eq(shifted, 0.4)
    with pytest.raises(AttributeError) as e:
        r.abs_diff_eq(SimpleNamespace(**{k: v for k, v in list(fields.items())[:-1]}), 1.0)
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
    assert repr(Interval(1e-7, 1e20)) == "Interval(min=0.0000001, max=100000000000000000000)"
    assert repr(Interval(0.1, 2.5)) == "Interval(min=0.1, max=2.5)"


@pytest.mark.parametrize("lo, hi, t, expected", [
    (2.0, 1.0, 0.0, 2.0),  # below min first, whatever max says
    (2.0, 1.0, 1.5, 2.0),
    (2.0, 1.0, 3.0, 1.0),
    (math.nan, 1.0, 5.0, 1.0),  # a NaN bound never compares
    (0.0, math.nan, 5.0, 5.0),
    (math.nan, math.nan, -3.0, -3.0),
])
def test_clamp_with_reversed_or_nan_bounds_applies_the_plain_comparisons(lo, hi, t, expected):
    assert Interval(lo, hi).clamp(t) == expected
    assert not Interval(lo, 1.0).contains(math.nan)


def test_nearest_distance_is_taken_in_double_precision():
    n = Nearest(t=0.5, point=[1, 2, 3], dist_sq=2.0)
    assert type(n.point) is Vec3 and n.distance() == math.sqrt(2.0)
    # A curve's distance() takes the root in single precision.
    assert CubicBezier(*[(0, 0, 0)] * 4).distance((1, 1, 0)) == 1.4142135381698608
