"""Vector math of Vec2, Vec3 and Vec4.

Results are compared bit for bit with oracles computed here: the C library
through ctypes where a method is "the C library's function", exact rational
arithmetic for the fused multiply-add, Decimal for rounding, NumPy for the
element-wise operators, and the written formulas evaluated in Python floats
(IEEE doubles, one rounding per operation) where the order of operations is
fixed.
"""
import ctypes
import ctypes.util
import math
import random
import re
from decimal import ROUND_HALF_UP, Decimal
from fractions import Fraction

import numpy as np
import pytest

from support import bits
from vexorin import Vec2, Vec3, Vec4

CLASSES = (Vec2, Vec3, Vec4)
NAN, INF, PI = math.nan, math.inf, math.pi

libm = ctypes.CDLL(ctypes.util.find_library("m"))
for _name in ("exp", "exp2", "log", "log2", "sin", "cos", "fmod"):
    getattr(libm, _name).restype = ctypes.c_double
    getattr(libm, _name).argtypes = [ctypes.c_double]
libm.pow.restype = ctypes.c_double
libm.pow.argtypes = [ctypes.c_double, ctypes.c_double]
libm.fmod.argtypes = [ctypes.c_double, ctypes.c_double]


def assert_same(actual, expected):
    """Equal bit patterns per component; a NaN only needs to be a NaN (its
    payload and sign come from the hardware)."""
    actual, expected = list(actual), list(expected)
    assert len(actual) == len(expected), (actual, expected)
    for a, e in zip(actual, expected):
        if math.isnan(e):
            assert math.isnan(a), (actual, expected)
        else:
            assert bits(a) == bits(e), (actual, expected)


def dim(cls):
    return len(cls())


def first2(v):
    return list(v)[:2]


SPECIAL = [0.0, -0.0, 1.0, -1.0, 0.5, -0.5, 2.5, -2.5, 1e-300, -1e300, INF, -INF, NAN,
           0.49999999999999994, 7.0, -7.0, 5e-324]


def samples(n, count=60, seed=0, special=True):
    rng = random.Random(seed * 10 + n)
    out = []
    for _ in range(count):
        out.append(tuple(rng.choice(SPECIAL) if special and rng.random() < 0.3 else rng.uniform(-10, 10)
                         for _ in range(n)))
    return out


def left_sum(terms):
    total = terms[0]
    for t in terms[1:]:
        total = total + t
    return total


def dot(a, b):
    return left_sum([x * y for x, y in zip(a, b)])


# ---- element-wise functions ------------------------------------------------

def round_half_away(c):
    if not math.isfinite(c) or abs(c) >= 2.0 ** 52:  # already integral
        return c
    return float(Decimal(c).quantize(Decimal(1), rounding=ROUND_HALF_UP))


def recip(c):
    return math.copysign(INF, c) if c == 0 else 1.0 / c


def saturate(c):
    if math.isnan(c) or c <= 0.0:
        return 0.0
    return 1.0 if c >= 1.0 else c


def np1(f):
    def apply(c):
        with np.errstate(all="ignore"):
            return float(f(np.float64(c)))
    return apply


UNARY = {
    "abs": math.fabs,
    "signum": lambda c: NAN if math.isnan(c) else math.copysign(1.0, c),
    "floor": np1(np.floor),
    "ceil": np1(np.ceil),
    "trunc": np1(np.trunc),
    "round": round_half_away,
    "fract": lambda c: c - np1(np.trunc)(c),
    "fract_gl": lambda c: c - np1(np.floor)(c),
    "exp": libm.exp,
    "exp2": libm.exp2,
    "ln": libm.log,
    "log2": libm.log2,
    "sqrt": np1(np.sqrt),
    "recip": recip,
    "sin": libm.sin,
    "cos": libm.cos,
    "saturate": saturate,
}


@pytest.mark.parametrize("cls", CLASSES)
@pytest.mark.parametrize("name", sorted(UNARY))
def test_unary_functions_match_the_oracle(cls, name):
    f = UNARY[name]
    for v in samples(dim(cls), seed=1):
        assert_same(getattr(cls(*v), name)(), [f(c) for c in v])


@pytest.mark.parametrize("cls", CLASSES)
def test_sin_cos_is_the_pair_of_sin_and_cos(cls):
    for v in samples(dim(cls), seed=2):
        s, c = cls(*v).sin_cos()
        assert type(s) is cls and type(c) is cls
        assert_same(s, [libm.sin(x) for x in v])
        assert_same(c, [libm.cos(x) for x in v])


@pytest.mark.parametrize("cls", CLASSES)
def test_signed_zero_and_nan_rules_of_unary_functions(cls):
    n = dim(cls)
    pad = [0.0] * (n - 2)
    assert_same(cls(-0.0, 0.0, *pad).signum(), [-1.0, 1.0] + [1.0] * (n - 2))
    s = cls(NAN, -INF, *pad).signum()
    assert math.isnan(s[0]) and bits(s[0]) == 0x7FF8000000000000 and s[1] == -1.0
    # saturate: NaN and -0.0 both come out as +0.0
    assert_same(cls(-0.0, NAN, *pad).saturate(), [0.0] * n)
    assert_same(first2(cls(2.0, 0.25, *pad).saturate()), [1.0, 0.25])
    assert_same(first2(cls(2.5, -2.5, *pad).round()), [3.0, -3.0])
    assert_same(first2(cls(0.5, -0.49999999999999994, *pad).round()), [1.0, -0.0])
    assert_same(first2(cls(-1.25, 1.25, *pad).fract()), [-0.25, 0.25])
    assert_same(first2(cls(-1.25, 1.25, *pad).fract_gl()), [0.75, 0.25])
    assert_same(first2(cls(0.0, -0.0, *pad).recip()), [INF, -INF])
    assert_same(first2(cls(-1.0, 0.0, *pad).ln()), [NAN, -INF])


BINARY = {
    "copysign": math.copysign,
    "step": lambda e, x: 0.0 if x < e else 1.0,
    "min": lambda a, b: a if a < b else b,
    "max": lambda a, b: a if a > b else b,
    "rem_euclid": lambda a, b: (lambda r: r + abs(b) if r < 0 else r)(libm.fmod(a, b)),
    "div_euclid": lambda a, b: (lambda q, r: (q - 1 if b > 0 else q + 1) if r < 0 else q)(
        np1(np.trunc)(a / b), libm.fmod(a, b)),
}


@pytest.mark.parametrize("cls", CLASSES)
@pytest.mark.parametrize("name", sorted(BINARY))
def test_binary_functions_match_the_oracle(cls, name):
    f = BINARY[name]
    n = dim(cls)
    for a, b in zip(samples(n, seed=3), samples(n, seed=4)):
        if name == "div_euclid" and any(y == 0 for y in b):
            continue  # the quotient of a zero divisor is checked below
        assert_same(getattr(cls(*a), name)(cls(*b)), [f(x, y) for x, y in zip(a, b)])


def test_euclid_pair_against_fmod_and_python_modulo():
    a, b = Vec3(-7, 7, -7), Vec3(2, -2, -2)
    assert_same(a.div_euclid(b), [-4.0, -3.0, 4.0])
    assert_same(a.rem_euclid(b), [1.0, 1.0, 1.0])
    # For a positive divisor rem_euclid agrees with Python's float modulo.
    for x in (-7.5, -0.25, 3.0, 1e10 + 0.5):
        assert Vec2(x, x).rem_euclid(Vec2(2.0, 0.75))[0] == x % 2.0
    # Quotient and remainder recombine to the dividend.
    rng = random.Random(5)
    for _ in range(200):
        x, y = rng.uniform(-100, 100), rng.choice([-1, 1]) * rng.uniform(0.1, 10)
        q = Vec4(x, 0, 0, 0).div_euclid(Vec4(y, 1, 1, 1))[0]
        r = Vec4(x, 0, 0, 0).rem_euclid(Vec4(y, 1, 1, 1))[0]
        assert 0.0 <= r <= abs(y)
        assert q * y + r == pytest.approx(x, abs=1e-9)
    assert_same(Vec2(1.0, -1.0).div_euclid(Vec2(0.0, 0.0)), [INF, -INF])


@pytest.mark.parametrize("cls", CLASSES)
def test_min_max_take_rhs_on_nan_and_on_equal_zeros(cls):
    n = dim(cls)
    pad = [0.0] * (n - 2)
    assert_same(first2(cls(NAN, 1, *pad).max(cls(5, 0, *pad))), [5.0, 1.0])
    assert_same(first2(cls(1, 1, *pad).max(cls(NAN, 0, *pad))), [NAN, 1.0])
    assert_same(first2(cls(0.0, -0.0, *pad).min(cls(-0.0, 0.0, *pad))), [-0.0, 0.0])
    # clamp: no check of min <= max; where min > max the result is max
    assert_same(first2(cls(5, 5, *pad).clamp(cls(4, 4, *pad), cls(1, 1, *pad))), [1.0, 1.0])
    assert_same(first2(cls(5, -5, *pad).clamp(cls(0, 0, *pad), cls(1, 2, *pad))), [1.0, 0.0])
    # a NaN component loses to min, then the result is below max
    assert_same(first2(cls(NAN, NAN, *pad).clamp(cls(0, 0.5, *pad), cls(1, 1, *pad))), [0.0, 0.5])


@pytest.mark.parametrize("cls", CLASSES)
def test_powf_is_the_c_pow(cls):
    for v in samples(dim(cls), seed=6):
        for p in (2.0, 0.5, -1.5, 3.0, 0.0):
            assert_same(cls(*v).powf(p), [libm.pow(c, p) for c in v])


@pytest.mark.parametrize("cls", CLASSES)
def test_mul_add_is_rounded_once(cls):
    n = dim(cls)
    for s, a, b in zip(samples(n, seed=7, special=False), samples(n, seed=8, special=False),
                       samples(n, seed=9, special=False)):
        expected = [float(Fraction(x) * Fraction(y) + Fraction(z)) for x, y, z in zip(s, a, b)]
        assert_same(cls(*s).mul_add(cls(*a), cls(*b)), expected)
    # 0.1·10 − 1 is 0.0 with two roundings, the representation error of 0.1 with one.
    fused = cls(*[0.1] * n).mul_add(cls(*[10.0] * n), cls(*[-1.0] * n))
    assert_same(fused, [5.551115123125783e-17] * n)


# ---- reductions ----------------------------------------------------------------

@pytest.mark.parametrize("cls", CLASSES)
def test_element_sum_and_product_run_left_to_right(cls):
    for v in samples(dim(cls), seed=10):
        assert_same([cls(*v).element_sum()], [left_sum(list(v))])
        product = v[0]
        for c in v[1:]:
            product = product * c
        assert_same([cls(*v).element_product()], [product])


@pytest.mark.parametrize("values, lo, hi", [
    ((1, 1, 1), 1.0, 1.0),
    ((NAN, 1, 2), 1.0, 2.0),       # the NaN x loses both folds
    ((1, NAN, 2), 1.0, 2.0),
    ((1, 2, NAN), NAN, NAN),       # the fold starts from the last component
    ((3, 1, 1, 2), 1.0, 3.0),
    ((NAN, 1, 2, 3), 1.0, 3.0),
    ((2, 1), 1.0, 2.0),
    ((1, NAN), NAN, NAN),
    ((NAN, 1), 1.0, 1.0),
])
def test_min_and_max_element(values, lo, hi):
    v = {2: Vec2, 3: Vec3, 4: Vec4}[len(values)](*values)
    assert_same([v.min_element(), v.max_element()], [lo, hi])


@pytest.mark.parametrize("values, lo, hi", [
    ((1, 1, 1), 0, 0),
    ((1, 3, 3), 0, 1),
    ((1, 2, 3), 0, 2),
    ((3, 2, 1), 2, 0),
    ((NAN, 1, 2), 0, 0),           # a NaN x is held: nothing compares below or above it
    ((1, NAN, 2), 0, 2),
    ((3, 1, 1, 2), 1, 0),
    ((1, 5, 5, 2), 0, 1),
    ((NAN, 1, 2, 3), 0, 0),
    ((4, 3, 2, 1), 3, 0),
    ((1, 1), 0, 0),                # two components: x <= y and x >= y, so NaN gives 1
    ((NAN, 1), 1, 1),
    ((1, NAN), 1, 1),
    ((2, 1), 1, 0),
])
def test_min_and_max_position(values, lo, hi):
    v = {2: Vec2, 3: Vec3, 4: Vec4}[len(values)](*values)
    assert (v.min_position(), v.max_position()) == (lo, hi)
    assert type(v.min_position()) is int


# ---- lengths and normalisation -------------------------------------------

@pytest.mark.parametrize("cls", CLASSES)
def test_length_family(cls):
    n = dim(cls)
    for a, b in zip(samples(n, seed=11), samples(n, seed=12)):
        va, vb = cls(*a), cls(*b)
        sq = dot(a, a)
        assert_same([va.length_squared(), va.length(), va.length_recip()], [sq, math.sqrt(sq), 1 / math.sqrt(sq)
                                                                            if sq else INF])
        assert_same([va.dot(vb)], [dot(a, b)])
        diff = [x - y for x, y in zip(a, b)]
        assert_same([va.distance_squared(vb), va.distance(vb)], [dot(diff, diff), math.sqrt(dot(diff, diff))])
    for a in samples(n, seed=13, special=False):
        assert cls(*a).length() == pytest.approx(np.linalg.norm(a), rel=1e-15)


@pytest.mark.parametrize("cls", CLASSES)
def test_normalize_family(cls):
    n = dim(cls)
    zero, x_axis, fallback = cls(), cls(1, *[0] * (n - 1)), cls(*[7] * n)
    for a in samples(n, seed=14, special=False):
        r = 1.0 / math.sqrt(dot(a, a))
        expected = [c * r for c in a]
        v = cls(*a)
        assert_same(v.normalize(), expected)
        assert_same(v.try_normalize(), expected)
        assert_same(v.normalize_or(fallback), expected)
        assert_same(v.normalize_or_zero(), expected)
        unit, length = v.normalize_and_length()
        assert_same(unit, expected)
        assert_same([length], [math.sqrt(dot(a, a))])
        assert unit.is_normalized()
    tiny = cls(*[0] * (n - 1), 1e-200)  # the squared length underflows: 1/length is inf
    for bad in (zero, tiny, cls(*[INF] * n), cls(NAN, *[1] * (n - 1))):
        assert bad.try_normalize() is None
        assert_same(bad.normalize_or(fallback), fallback)
        assert_same(bad.normalize_or_zero(), [0.0] * n)
        unit, length = bad.normalize_and_length()
        assert type(unit) is cls
        assert_same(unit, x_axis)
        assert_same([length], [0.0])
    assert_same(zero.normalize(), [NAN] * n)
    assert zero.length_recip() == INF


@pytest.mark.parametrize("cls", CLASSES)
def test_normalize_or_converts_the_fallback_first(cls):
    v = cls(1, 2)
    with pytest.raises(AttributeError) as info:
        v.normalize_or(None)
    assert "while processing 'fallback'" in getattr(info.value, "__notes__", [])


@pytest.mark.parametrize("cls", CLASSES)
@pytest.mark.parametrize("x, expected", [
    (1.0, True), (1.00005, True), (1.00009, True), (1.0001, False), (0.99991, True), (0.9998, False),
    (NAN, False), (INF, False),
])
def test_is_normalized_tests_the_squared_length(cls, x, expected):
    assert cls(x).is_normalized() is expected


@pytest.mark.parametrize("cls", CLASSES)
def test_predicates(cls):
    n = dim(cls)
    pad = [0.0] * (n - 1)
    assert cls(1, *pad).is_finite() and not cls(INF, *pad).is_finite() and not cls(NAN, *pad).is_finite()
    assert cls(NAN, *pad).is_nan() and not cls(INF, *pad).is_nan()
    a = cls(1, *pad)
    assert a.abs_diff_eq(cls(1.5, *pad), 0.5) and not a.abs_diff_eq(cls(1.5, *pad), 0.4999)
    assert not cls(NAN, *pad).abs_diff_eq(cls(NAN, *pad), INF)
    assert not a.abs_diff_eq(a, NAN)


@pytest.mark.parametrize("cls", CLASSES)
def test_clamp_length_family(cls):
    n = dim(cls)
    pad = [0.0] * (n - 2)
    v = cls(3, 4, *pad)
    assert_same(v.clamp_length(1, 2), [3 / 5 * 2, 4 / 5 * 2] + pad)
    assert_same(v.clamp_length(6, 10), [3 / 5 * 6, 4 / 5 * 6] + pad)
    assert_same(v.clamp_length(1, 10), v)
    assert_same(v.clamp_length_max(2), [3 / 5 * 2, 4 / 5 * 2] + pad)
    assert_same(v.clamp_length_max(10), v)
    assert_same(v.clamp_length_min(10), [3 / 5 * 10, 4 / 5 * 10] + pad)
    assert_same(cls().clamp_length_min(1), [NAN] * n)
    assert_same(cls().clamp_length(1, 2), [NAN] * n)
    # the direction is a division by sqrt(q), then the scale
    for a in samples(n, seed=15, special=False):
        q = dot(a, a)
        assert_same(cls(*a).clamp_length(0, 1), [c / math.sqrt(q) * 1.0 if q > 1 else c for c in a])


# ---- interpolation and projection -----------------------------------------

@pytest.mark.parametrize("cls", CLASSES)
def test_interpolation_and_projection_formulas(cls):
    n = dim(cls)
    for a, b in zip(samples(n, seed=16, special=False), samples(n, seed=17, special=False)):
        va, vb = cls(*a), cls(*b)
        for s in (0.0, 0.25, 1.0, -2.0, 3.5):
            assert_same(va.lerp(vb, s), [y * s + (1 - s) * x for x, y in zip(a, b)])
        assert_same(va.midpoint(vb), [(x + y) * 0.5 for x, y in zip(a, b)])
        d, k = dot(a, b), 1.0 / dot(b, b)
        projected = [(y * d) * k for y in b]
        assert_same(va.project_onto(vb), projected)
        assert_same(va.reject_from(vb), [x - p for x, p in zip(a, projected)])
        assert_same(va.project_onto_normalized(vb), [y * d for y in b])
        assert_same(va.reject_from_normalized(vb), [x - y * d for x, y in zip(a, b)])
        dn = dot(b, a)
        assert_same(va.reflect(vb), [x - y * (dn + dn) for x, y in zip(a, b)])
        for eta in (0.5, 1.0, 1.5):
            k = 1 - eta * eta * (1 - dn * dn)
            expected = [x * eta - y * (eta * dn + math.sqrt(k)) for x, y in zip(a, b)] if k >= 0 else [0.0] * n
            assert_same(va.refract(vb, eta), expected)
    assert_same(cls(1, 2).project_onto(cls()), [NAN] * n)


@pytest.mark.parametrize("cls", CLASSES)
def test_move_towards(cls):
    n = dim(cls)
    pad = [0.0] * (n - 1)
    origin = cls()
    assert_same(origin.move_towards(cls(10, *pad), 3), [3.0] + pad)
    assert_same(origin.move_towards(cls(10, *pad), 20), [10.0] + pad)
    assert_same(origin.move_towards(cls(0.00005, *pad), 0), [0.00005] + pad)   # within 1e-4
    assert_same(origin.move_towards(cls(0.0002, *pad), 0), [0.0] + pad)
    assert_same(cls(2, *pad).move_towards(origin, 0.5), [1.5] + pad)
    assert_same(origin.move_towards(cls(10, *pad), NAN), [NAN] * n)


@pytest.mark.parametrize("cls", (Vec3, Vec4))
def test_refract_total_internal_reflection_gives_zero(cls):
    n = dim(cls)
    assert_same(cls(1).refract(cls(0, 1), 2.0), [0.0] * n)


# ---- Vec3: products, angles and rotations ----------------------------------

def test_cross_matches_numpy():
    for a, b in zip(samples(3, seed=18), samples(3, seed=19)):
        with np.errstate(all="ignore"):
            assert_same(Vec3(*a).cross(Vec3(*b)), np.cross(a, b).tolist())


def test_rotate_about_the_axes():
    for v in samples(3, seed=20, special=False):
        for angle in (0.0, PI / 2, 1.0, -2.5):
            s, c = libm.sin(angle), libm.cos(angle)
            x, y, z = v
            assert_same(Vec3(*v).rotate_x(angle), [x, c * y - s * z, s * y + c * z])
            assert_same(Vec3(*v).rotate_y(angle), [c * x + s * z, y, c * z - s * x])
            assert_same(Vec3(*v).rotate_z(angle), [c * x - s * y, s * x + c * y, z])
    assert_same(Vec3(1, 0, 0).rotate_z(PI / 2), [6.123233995736766e-17, 1.0, 0.0])


def quat_rotate(axis, angle, v):
    """The quaternion rotation with the grouping c·cross(u, v) + (v·a + u·b)."""
    h = angle / 2
    u = [c * libm.sin(h) for c in axis]
    w = libm.cos(h)
    a = w * w - dot(u, u)
    b = 2 * dot(v, u)
    c = w + w
    n = np.cross(u, v).tolist()
    return [c * n[i] + (v[i] * a + u[i] * b) for i in range(3)]


def test_rotate_axis():
    for v, axis in zip(samples(3, seed=21, special=False), samples(3, seed=22, special=False)):
        for angle in (0.3, -2.0, PI):
            assert_same(Vec3(*v).rotate_axis(Vec3(*axis), angle), quat_rotate(axis, angle, v))
        # a unit axis keeps the length and matches Rodrigues' formula
        unit = np.array(axis) / np.linalg.norm(axis)
        got = np.array(list(Vec3(*v).rotate_axis(Vec3(*unit), 0.7)))
        vv = np.array(v)
        rodrigues = (vv * math.cos(0.7) + np.cross(unit, vv) * math.sin(0.7)
                     + unit * np.dot(unit, vv) * (1 - math.cos(0.7)))
        assert np.allclose(got, rodrigues, atol=1e-12)


def test_angle_between():
    assert Vec3(1, 0, 0).angle_between(Vec3(-1, 0, 0)) == PI
    assert Vec3(1, 0, 0).angle_between(Vec3(0, 3, 0)) == PI / 2
    assert Vec3(1, 1, 0).angle_between(Vec3(2, 2, 0)) == 0.0   # clamped above 1
    assert math.isnan(Vec3().angle_between(Vec3(1, 0, 0)))


def test_rotate_towards_clamps_the_angle():
    got = Vec3(1, 0, 0).rotate_towards(Vec3(0, 1, 0), 10.0)
    assert np.allclose(list(got), [0, 1, 0], atol=1e-15)
    got = Vec3(1, 0, 0).rotate_towards(Vec3(0, 1, 0), -10.0)
    assert np.allclose(list(got), [0, -1, 0], atol=1e-15)
    got = Vec3(2, 0, 0).rotate_towards(Vec3(0, 5, 0), 0.25)
    assert np.allclose(list(got), [2 * math.cos(0.25), 2 * math.sin(0.25), 0], atol=1e-15)
    # parallel and opposite vectors turn about any_orthogonal_vector
    axis = [-0.0, 0.0, 1.0]  # any_orthogonal_vector((1, 0, 0)) = (-0.0, 0.0, 1.0)
    assert_same(Vec3(1, 0, 0).rotate_towards(Vec3(3, 0, 0), 1.0), quat_rotate(axis, 0.0, [1.0, 0.0, 0.0]))
    got = Vec3(1, 0, 0).rotate_towards(Vec3(-1, 0, 0), 0.5)
    assert_same(got, quat_rotate(axis, 0.5, [1.0, 0.0, 0.0]))
    assert np.allclose(list(got), [math.cos(0.5), math.sin(0.5), 0], atol=1e-15)


@pytest.mark.parametrize("cls", (Vec2, Vec3))
@pytest.mark.parametrize("v, rhs", [
    ("zero", "x"), ("x", "zero"), ("inf", "x"), ("nan", "x"), ("x", "nan"),
])
def test_rotate_towards_without_an_angle_gives_nan(cls, v, rhs):
    n = dim(cls)
    make = {"zero": cls(), "x": cls(1), "inf": cls(INF, 1), "nan": cls(NAN, 1)}
    assert_same(make[v].rotate_towards(make[rhs], 0.5), [NAN] * n)
    assert_same(make[v].rotate_towards(make[rhs], NAN), [NAN] * n)


def test_slerp():
    got = Vec3(1, 0, 0).slerp(Vec3(0, 2, 0), 0.5)
    assert got.length() == pytest.approx(1.5, rel=1e-15)
    assert got[0] == pytest.approx(got[1], rel=1e-15) and got[2] == 0.0
    assert_same(Vec3(1, 0, 0).slerp(Vec3(2, 0, 0), 0.5), [1.5, 0.0, 0.0])       # lerp branch
    assert_same(Vec3().slerp(Vec3(2, 0, 0), 0.5), [1.0, 0.0, 0.0])               # NaN d: lerp
    # the general branch, term by term
    a, b, s = [1.0, 2.0, 3.0], [-2.0, 0.5, 1.0], 0.3
    ls, lr = math.sqrt(dot(a, a)), math.sqrt(dot(b, b))
    d = dot(b, a) / (lr * ls)
    L = ls + s * (lr - ls)
    th = math.acos(d)
    expected = [(x * (L / ls) * libm.sin((1 - s) * th) + y * (L / lr) * libm.sin(s * th)) * (1 / libm.sin(th))
                for x, y in zip(a, b)]
    assert_same(Vec3(*a).slerp(Vec3(*b), s), expected)
    # nearly opposite: a half turn about the normalised any_orthogonal_vector
    got = Vec3(2, 0, 0).slerp(Vec3(-4, 0, 0), 0.5)
    rotated = quat_rotate([-0.0, 0.0, 1.0], 0.5 * PI, [2.0, 0.0, 0.0])
    assert_same(got, [c * (3.0 / 2.0) for c in rotated])


def test_orthogonal_vectors():
    assert_same(Vec3(3, 1, 2).any_orthogonal_vector(), [-2.0, 0.0, 3.0])
    assert_same(Vec3(1, 3, 2).any_orthogonal_vector(), [0.0, 2.0, -3.0])
    for v in samples(3, seed=23, special=False):
        unit = Vec3(*v).normalize()
        o = unit.any_orthonormal_vector()
        p, q = unit.any_orthonormal_pair()
        assert_same(q, o)
        for w in (o, p):
            assert abs(w.dot(unit)) < 1e-14 and abs(w.length() - 1) < 1e-14
        assert abs(p.dot(q)) < 1e-14
        x, y, z = list(unit)
        sigma = math.copysign(1.0, z)
        a = -1 / (sigma + z)
        b = x * y * a
        assert_same(p, [1 + sigma * x * x * a, sigma * b, -sigma * x])
        assert_same(q, [b, sigma + y * y * a, -y])


# ---- calling conventions --------------------------------------------------

def test_vector_parameters_take_no_plain_number():
    with pytest.raises(AttributeError) as info:
        Vec3(5, 5, 5).clamp(0.0, 1.0)
    assert "while processing 'min'" in info.value.__notes__


def test_vec3_parameters_take_sequences_and_attribute_objects():
    class P:
        x, y, z = 1, 2, 3
    for rhs in ((1, 2, 3), [1, 2, 3], np.array([1, 2, 3]), np.array([1.0, 2.0, 3.0]), P()):
        assert Vec3(1, 1, 1).dot(rhs) == 6.0
    assert Vec3(1, 1, 1).lerp(rhs=(3, 3, 3), s=0.5) == Vec3(2, 2, 2)


def test_vec2_parameters_refuse_sequences():
    with pytest.raises(AttributeError) as info:
        Vec2(1, 2).dot((1, 2))
    assert "while processing 'rhs'" in info.value.__notes__
    assert Vec2(1, 2).dot(Vec3(1, 1, 99)) == 3.0


def test_arguments_are_converted_in_signature_order():
    with pytest.raises(AttributeError) as info:
        Vec3(1, 2, 3).lerp("no vector", "no number")
    assert info.value.__notes__ == ["while processing 'rhs'"]
    with pytest.raises(TypeError) as info:
        Vec3(1, 2, 3).lerp((1, 2, 3), "no number")
    assert info.value.__notes__ == ["while processing 's'"]


@pytest.mark.parametrize("cls", CLASSES)
def test_splat_works_on_the_class_and_an_instance(cls):
    assert_same(cls.splat(2.5), [2.5] * dim(cls))
    assert_same(cls().splat(-0.0), [-0.0] * dim(cls))


@pytest.mark.parametrize("cls, method, signature", [
    (Vec3, "clamp", "($self, min, max)"),
    (Vec3, "rotate_towards", "($self, rhs, max_angle)"),
    (Vec3, "splat", "(v)"),
    (Vec2, "angle_to", "($self, rhs)"),
    (Vec4, "mul_add", "($self, a, b)"),
    (Vec4, "abs_diff_eq", "($self, rhs, max_abs_diff)"),
])
def test_text_signatures(cls, method, signature):
    assert getattr(cls, method).__text_signature__ == signature


# ---- the operator protocol -----------------------------------------------

OPS = {"+": lambda a, b: a + b, "-": lambda a, b: a - b, "*": lambda a, b: a * b, "/": lambda a, b: a / b}


@pytest.mark.parametrize("cls", CLASSES)
@pytest.mark.parametrize("op", sorted(OPS))
def test_operators_match_numpy(cls, op):
    f = OPS[op]
    n = dim(cls)
    for a, b in zip(samples(n, seed=24), samples(n, seed=25)):
        with np.errstate(all="ignore"):
            expected = f(np.array(a), np.array(b))
            scalar = f(np.array(a), np.float64(b[0]))
            reflected = f(np.float64(b[0]), np.array(a))
        assert_same(f(cls(*a), cls(*b)), expected)
        assert_same(f(cls(*a), b[0]), scalar)
        assert_same(f(b[0], cls(*a)), reflected)


@pytest.mark.parametrize("cls", CLASSES)
def test_remainder_is_fmod_and_forward_only(cls):
    n = dim(cls)
    for a, b in zip(samples(n, seed=26), samples(n, seed=27)):
        assert_same(cls(*a) % cls(*b), [libm.fmod(x, y) for x, y in zip(a, b)])
        assert_same(cls(*a) % 4.0, [math.fmod(x, 4.0) if math.isfinite(x) else NAN for x in a])
    assert_same(cls(-7.5, 7.5) % 2.0, [-1.5, 1.5] + [0.0] * (n - 2))
    with pytest.raises(TypeError) as info:
        2.0 % cls(1, 2)
    assert str(info.value) != "unsupported operand type for %"


@pytest.mark.parametrize("cls", CLASSES)
@pytest.mark.parametrize("op", ["+", "-", "*", "/", "%"])
def test_refused_operands_raise_the_operator_message(cls, op):
    f = {**OPS, "%": lambda a, b: a % b}[op]
    for other in ("abc", None, (1,), object()):
        with pytest.raises(TypeError, match=f"^{re.escape('unsupported operand type for ' + op)}$"):
            f(cls(1, 2), other)
    if op != "%":
        with pytest.raises(TypeError, match=f"^{re.escape('unsupported operand type for ' + op)}$"):
            f(None, cls(1, 2))


@pytest.mark.parametrize("cls", CLASSES)
def test_operands_through_the_converter(cls):
    n = dim(cls)

    class P:
        x, y, z, w = 10, 20, 30, 40
    expected = [11.0, 22.0, 33.0, 44.0][:n]
    assert_same(cls(*[1, 2, 3, 4][:n]) + P(), expected)
    seq = tuple([10, 20, 30, 40][:n])
    if cls is Vec2:
        with pytest.raises(TypeError):
            cls(1, 2) + seq
    else:
        assert_same(cls(*[1, 2, 3, 4][:n]) + seq, expected)
        assert_same(seq + cls(*[1, 2, 3, 4][:n]), expected)
        assert_same(list(seq) - cls(*[1, 2, 3, 4][:n]), [9.0, 18.0, 27.0, 36.0][:n])
        assert_same(cls(*[1, 2, 3, 4][:n]) * np.array(seq), [10.0, 40.0, 90.0, 160.0][:n])
    assert_same(True + cls(*[1] * n), [2.0] * n)


@pytest.mark.parametrize("cls", CLASSES)
def test_unary_operators(cls):
    n = dim(cls)
    neg = -cls.ZERO
    assert_same(neg, [-0.0] * n)
    assert neg == cls.ZERO
    v = cls(1, NAN)
    assert (+v) is not v and type(+v) is cls
    assert_same(+v, v)
    u = v
    u += 1
    assert u is not v and v[0] == 1.0


def test_mixed_classes_follow_the_left_operand():
    assert_same(Vec3(1, 2, 3) + Vec4(1, 2, 3, 4), [2.0, 4.0, 6.0])
    with pytest.raises(TypeError, match="unsupported operand type for \\+"):
        Vec4(1, 2, 3, 4) + Vec3(1, 2, 3)
    assert_same(Vec2(1, 2) + Vec3(1, 2, 3), [2.0, 4.0])
    assert type(Vec2(1, 2) + Vec3(1, 2, 3)) is Vec2
