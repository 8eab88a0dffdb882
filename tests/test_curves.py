"""The four curve classes: shared conventions driven from one table, then what each class does of its own.

Oracles: finite differences, SciPy's adaptive quadrature and dense sampling in double precision, transformed
sample points, hand-written pickles read back by CPython's pickle, NumPy float32 arithmetic for exact bits.
"""

import copy
import math
import pickle
import struct

import numpy as np
import pytest
from scipy.integrate import quad

from support import bits, same_bits
from vexorin import Affine3, CubicBezier, Cuboid, LineSegment, Mat3, Polyline, Quat, QuadraticBezier, Spline, Vec3

BENT = [(0.0, 0.0, 0.0), (1.0, 2.0, 0.5), (3.0, 2.5, -1.0), (4.0, 0.0, 1.0), (6.0, 1.0, 0.0)]
# class, control points, repr
CURVES = [
    (CubicBezier, BENT[:4], "CubicBezier(4 points)"),
    (QuadraticBezier, BENT[:3], "QuadraticBezier(3 points)"),
    (Spline, BENT, "Spline(points=5)"),
    (Polyline, BENT, "Polyline(points=5)"),
]
BEZIERS = (CubicBezier, QuadraticBezier)
INNER_T = [0.1, 0.37, 0.6, 0.9]  # inside one segment of the five-point spline and polyline


def xyz(v):
    return [v.x, v.y, v.z]


def xyzs(c):
    return [xyz(p) for p in c.points]


def curve_of(cls, points):
    return cls(*points) if cls in BEZIERS else cls(points)


def points_state(points):
    """The pickled state of a curve, by hand: {"points": [(x, y, z), ...]}."""
    body = b"".join(b"(" + b"".join(b"G" + struct.pack(">d", c) for c in p) + b"t" for p in points)
    return b"\x80\x03}(X\x06\x00\x00\x00points" + (b"](" + body + b"e" if points else b"]") + b"u."


@pytest.fixture(params=CURVES, ids=[row[0].__name__ for row in CURVES])
def row(request):
    cls, points, text = request.param
    return cls, points, text, curve_of(cls, points)


# ---- shared conventions ----


def test_construction_narrows_and_reads_back(row):
    cls, points, text, c = row
    fields = dict(zip(("p0", "p1", "p2", "p3"), points)) if cls in BEZIERS else {"points": points}
    assert xyzs(cls(**fields)) == xyzs(c) == [xyz(p) for p in c.control_points()] == [list(p) for p in points]
    assert repr(c) == text and c.__dict__ == {"points": c.points} and list(cls.__dataclass_fields__) == ["points"]
    assert repr(c.domain()) == "Interval(min=0, max=1)"
    assert xyzs(curve_of(cls, [(0.1, 1e39, -1e-50)] + points[1:]))[0] == [0.10000000149011612, math.inf, -0.0]
    box, lo, hi = c.aabb(), np.min(points, axis=0), np.max(points, axis=0)
    assert type(box) is Cuboid and box.axis_aligned
    assert xyz(box.center) == ((lo + hi) / 2).tolist() and list(box.half_extents) == ((hi - lo) / 2).tolist()


def test_pickled_state(row):
    cls, points, _, c = row
    args, kwargs = c.__getnewargs_ex__()
    state = points_state(points)
    assert args == () and kwargs == {"__pickle_state__": state} and type(kwargs["__pickle_state__"]) is bytes
    assert pickle.loads(state) == {"points": points}
    odd = curve_of(cls, [(0.1, -0.0, math.nan)] + points[1:])
    flat = [x for p in xyzs(odd) for x in p]
    copies = [pickle.loads(pickle.dumps(odd, p)) for p in (2, 3, 4, 5)] + [copy.copy(odd), copy.deepcopy(odd)]
    assert all(type(d) is cls and d is not odd and same_bits([x for p in xyzs(d) for x in p], flat) for d in copies)
    assert xyzs(cls(__pickle_state__=bytearray(state))) == [list(p) for p in points]
    with pytest.raises(ValueError, match="^pickle decode failed: trailing bytes found$"):
        cls(__pickle_state__=state + b"\x00")
    with pytest.raises(ValueError, match="^pickle decode failed: missing field `points`$"):
        cls(__pickle_state__=pickle.dumps({}, protocol=3))
    first = "p0" if cls in BEZIERS else "points"  # converted, and refused, before the state
    for bad in (5, "abc"):
        with pytest.raises((TypeError, AttributeError)) as e:
            cls(**{first: bad}, __pickle_state__=state)
        assert e.value.__notes__ == [f"while processing '{first}'"]


def test_derivatives_match_finite_differences(row):
    cls, _, _, c = row
    h = 1e-3
    for t in INNER_T:
        v, a = np.array(xyz(c.velocity(t))), np.array(xyz(c.acceleration(t)))
        np.testing.assert_allclose(v, (np.array(xyz(c.point(t + h))) - xyz(c.point(t - h))) / (2 * h), rtol=2e-3)
        np.testing.assert_allclose(a, (np.array(xyz(c.velocity(t + h))) - xyz(c.velocity(t - h))) / (2 * h),
                                   atol=2e-2)
        curvature = np.linalg.norm(np.cross(v, a)) / np.linalg.norm(v) ** 3
        assert c.curvature(t) == pytest.approx(curvature, rel=1e-5, abs=1e-6)
        T, N, B = (np.array(xyz(f(t))) for f in (c.tangent, c.normal, c.binormal))
        np.testing.assert_allclose(T, v / np.linalg.norm(v), atol=1e-6)
        np.testing.assert_allclose(B, np.cross(T, N), atol=1e-6)
        perpendicular = a - v * (a @ v) / (v @ v)  # zero for a polyline, whose normal is zero
        np.testing.assert_allclose(N, perpendicular / (np.linalg.norm(perpendicular) or 1.0), atol=1e-5)


def test_arc_length_and_its_inverse(row):
    cls, _, _, c = row
    breaks = [0.25, 0.5, 0.75] if cls in (Spline, Polyline) else None
    speed = lambda t: np.linalg.norm(xyz(c.velocity(t)))  # noqa: E731
    assert c.length() == pytest.approx(quad(speed, 0.0, 1.0, points=breaks, limit=200)[0], rel=1e-5)
    to_half = quad(speed, 0.0, 0.5, points=[0.25] if breaks else None)[0]
    assert c.arc_length_to(0.5) == pytest.approx(to_half, rel=1e-5)
    assert c.arc_length_to(7.0) == c.length() and c.arc_length_to(-1.0) == 0.0
    for fraction in (0.0, 0.2, 0.55, 0.9, 1.0):
        s = fraction * c.length()
        t = c.t_at_distance(s)
        # A Spline's subcurve is a new spline through fewer points, not the same path: measure it in place.
        measured = c.arc_length_to(t) if cls is Spline else c.subcurve(0.0, t).length()
        assert measured == pytest.approx(s, rel=1e-4, abs=1e-4)
        assert xyz(c.point_at_distance(s)) == xyz(c.point(t))
    assert c.t_at_distance(-1.0) == 0.0 and c.t_at_distance(c.length() * 2) == 1.0


def test_nearest_matches_dense_sampling(row):
    _, _, _, c = row
    samples = np.array([xyz(c.point(t)) for t in np.linspace(0.0, 1.0, 4001)])
    for query in [(2.0, 3.0, 0.0), (-1.0, -1.0, 2.0), (5.0, 0.5, 0.5), (3.0, 2.0, -1.0)]:
        n = c.nearest(query)
        assert n.dist_sq == pytest.approx(np.min(np.sum((samples - query) ** 2, axis=1)), rel=1e-3)
        np.testing.assert_allclose(xyz(n.point), xyz(c.point(n.t)), atol=1e-6)
        assert c.distance_sq(query) == n.dist_sq and c.distance(query) == float(np.sqrt(np.float32(n.dist_sq)))


def test_trimmed_pieces_trace_the_original(row):
    cls, _, _, c = row
    piece = c.subcurve(0.7, 0.2)
    assert xyzs(piece) == xyzs(c.subcurve(0.2, 0.7))
    left, right = c.split_at(0.4)
    assert xyzs(left) == xyzs(c.truncate_end(0.4)) and xyzs(right) == xyzs(c.truncate_start(0.4))
    np.testing.assert_allclose(xyz(piece.point(0.0)), xyz(c.point(0.2)), atol=1e-6)
    np.testing.assert_allclose(xyz(piece.point(1.0)), xyz(c.point(0.7)), atol=1e-5)
    for u in np.linspace(0.0, 1.0, 9):
        if cls in BEZIERS:  # reparametrised exactly
            for part, a, b in ((piece, 0.2, 0.7), (left, 0.0, 0.4), (right, 0.4, 1.0)):
                np.testing.assert_allclose(xyz(part.point(u)), xyz(c.point(a + u * (b - a))), atol=2e-5)
        elif cls is Polyline:  # the same path
            assert c.distance_sq(piece.point(u)) < 1e-10
        np.testing.assert_allclose(xyz(c.reversed().point(u)), xyz(c.point(1.0 - u)), atol=2e-6)
    assert xyzs(c.reversed().reversed()) == xyzs(c) and xyzs(c.reversed()) == xyzs(c)[::-1]


def test_transforms_move_every_sample_point(row):
    cls, _, _, c = row
    q = Quat.from_axis_angle(Vec3(1.0, 2.0, 2.0).normalize(), 0.7)
    aff = Affine3.from_scale_rotation_translation((2.0, 0.5, 1.0), q, (1.0, -2.0, 3.0))
    m = Mat3.from_cols_array([1.0, 0.5, 0.0, -0.2, 1.0, 0.3, 0.0, 0.1, 2.0])
    for moved, f in [
        (c.scaled(-1.5), lambda p: p * -1.5),
        (c.translated((1.0, 2.0, -3.0)), lambda p: p + Vec3(1.0, 2.0, -3.0)),
        (c.rotated_quat(q), lambda p: q * p),
        (c.rotated_mat(m), lambda p: m * p),
        (c.transformed(aff), aff.transform_point3),
    ]:
        assert type(moved) is cls
        for t in (0.0, 0.3, 0.55, 1.0):
            np.testing.assert_allclose(xyz(moved.point(t)), xyz(f(c.point(t))), atol=2e-5)


def test_abs_diff_eq(row):
    cls, points, _, c = row
    assert c.abs_diff_eq(c, 0.0) and not c.abs_diff_eq(c, -1.0) and not c.abs_diff_eq(c, math.nan)
    for axis in range(3):
        near = curve_of(cls, [tuple(v + 0.25 * (i == axis) for i, v in enumerate(p)) for p in points])
        assert c.abs_diff_eq(rhs=near, max_abs_diff=0.25) and c.abs_diff_eq(near, 0.3)
        assert not c.abs_diff_eq(near, 0.2)

    class Duck:
        pass

    with pytest.raises(AttributeError) as e:
        c.abs_diff_eq(Duck(), 1.0)
    assert e.value.__notes__ == ["while processing 'rhs'"]
    duck = Duck()
    duck.points = [list(p) for p in points]
    assert c.abs_diff_eq(duck, 0.0)
    duck.points.pop()
    if cls in BEZIERS:
        with pytest.raises(ValueError, match=f"^{cls.__name__} requires exactly {len(points)} control points"):
            c.abs_diff_eq(duck, 1.0)
    else:
        assert not c.abs_diff_eq(duck, 1.0)


@pytest.mark.parametrize("cls", [CubicBezier, QuadraticBezier, Spline, Polyline])
def test_nan_length_gives_nan_parameters(cls):
    points = [(0.0, 0.0, 0.0), (math.nan, 1.0, 0.0), (2.0, 0.0, 0.0), (3.0, 1.0, 0.0)]
    c = curve_of(cls, points[:3] if cls is QuadraticBezier else points)
    assert math.isnan(c.length()) and math.isnan(c.t_at_distance(1.0))
    assert all(math.isnan(x) for x in xyz(c.point_at_distance(1.0)))


def test_rotations_store_zero_as_plus_zero():
    c = Polyline([(-0.0, 1.0, -0.0)])
    moved = [c.rotated_mat(Mat3.IDENTITY), c.rotated_quat(Quat.IDENTITY), c.transformed(Affine3.IDENTITY)]
    assert [bits(m.points[0].x) for m in moved] == [bits(m.points[0].z) for m in moved] == [bits(0.0)] * 3
    assert bits(c.scaled(1.0).points[0].x) == bits(-0.0)


def test_rotated_quat_builds_the_matrix_of_an_unnormalised_quaternion():
    f = np.float32
    x, y, z, w = (f(v) for v in (0.3, -0.5, 0.7, 1.1))
    x2, y2, z2 = x + x, y + y, z + z
    xx, xy, xz, yy, yz, zz = x2 * x, y2 * x, z2 * x, y2 * y, z2 * y, z2 * z
    wx, wy, wz = x2 * w, y2 * w, z2 * w
    c0 = np.array([f(1) - (yy + zz), xy + wz, xz - wy], dtype=f)
    c1 = np.array([xy - wz, f(1) - (xx + zz), yz + wx], dtype=f)
    c2 = np.array([xz + wy, yz - wx, f(1) - (xx + yy)], dtype=f)
    p = np.array([1.5, -2.25, 0.1], dtype=f)
    expected = ((c0 * p[0] + c1 * p[1]) + c2 * p[2]).astype(float).tolist()
    moved = Polyline([p.astype(float).tolist()]).rotated_quat((0.3, -0.5, 0.7, 1.1))
    assert same_bits(xyz(moved.points[0]), expected)


# ---- Bezier classes ----


def test_cubic_second_derivative_is_grouped_as_the_classes_fix_it():
    f = np.float32
    P = np.random.default_rng(1).uniform(-10.0, 10.0, (4, 3)).astype(f)
    c = CubicBezier(*P.tolist())
    A0, A1 = ((P[0] - (P[1] + P[1])) + P[2]) * f(6), ((P[1] - (P[2] + P[2])) + P[3]) * f(6)
    assert same_bits(xyz(c.acceleration(0.3)), (A0 * (f(1) - f(0.3)) + A1 * f(0.3)).astype(float).tolist())
    library_grouping = f(6) * (P[0] + (P[2] - f(2) * P[1]))
    assert not same_bits(xyz(c.acceleration(0.0)), library_grouping.astype(float).tolist())


def f32_dot(a, b):
    return (a[0] * b[0] + a[1] * b[1]) + a[2] * b[2]


def f32_cross(a, b):
    return np.array([a[1] * b[2] - b[1] * a[2], a[2] * b[0] - b[2] * a[0], a[0] * b[1] - b[0] * a[1]])


def f32_unit(v):
    r = np.float32(1) / np.sqrt(f32_dot(v, v))
    return v * r if np.isfinite(r) and r > 0 else np.zeros(3, np.float32)


@pytest.mark.parametrize("t", [0.0, 0.3])
def test_cubic_normal_binormal_and_curvature_take_the_classes_second_derivative(t):
    f = np.float32
    P = np.random.default_rng(1).uniform(-10.0, 10.0, (4, 3)).astype(f)
    c = CubicBezier(*P.tolist())
    u, s = f(t), f(1) - f(t)
    D0, D1, D2 = ((P[k + 1] - P[k]) * f(3) for k in range(3))
    v = (D0 * s + D1 * u) * s + (D1 * s + D2 * u) * u
    speed = np.sqrt(f32_dot(v, v))

    def frame(A0, A1):
        a = A0 * s + A1 * u
        T = f32_unit(v)
        N = f32_unit(a - T * f32_dot(a, T))
        turn = f32_cross(v, a)
        return [N, f32_cross(T, N), [np.sqrt(f32_dot(turn, turn)) / (speed * (speed * speed))]]

    own = frame(((P[0] - (P[1] + P[1])) + P[2]) * f(6), ((P[1] - (P[2] + P[2])) + P[3]) * f(6))
    library = frame(f(6) * (P[0] + (P[2] - f(2) * P[1])), f(6) * (P[1] + (P[3] - f(2) * P[2])))
    got = [xyz(c.normal(t)), xyz(c.binormal(t)), [c.curvature(t)]]
    for value, expected, other in zip(got, own, library):
        assert same_bits(value, np.asarray(expected, dtype=f).astype(float).tolist())
        # The sample tells the two groupings apart.
        assert not same_bits(value, np.asarray(other, dtype=f).astype(float).tolist())


def test_straight_cubic_has_no_normal_and_extrapolates_unless_clamped():
    c = CubicBezier((0, 0, 0), (1, 0, 0), (2, 0, 0), (3, 0, 0))
    for t in (0.0, 0.4, 1.0):
        assert [xyz(f(t)) for f in (c.velocity, c.acceleration, c.tangent, c.normal, c.binormal)] == (
            [[3, 0, 0], [0, 0, 0], [1, 0, 0], [0, 0, 0], [0, 0, 0]])
        assert c.curvature(t) == 0.0
    assert c.t_at_distance(1.5) == pytest.approx(0.5, abs=1e-6)
    assert [xyz(c.point(1.5)), xyz(c.point_clamped(1.5))] == [[4.5, 0, 0], [3, 0, 0]]
    assert xyz(c.point_clamped(-3)) == [0, 0, 0]
    assert c.curvature(0.4) == 0.0 and all(math.isnan(x) for x in xyz(c.point_clamped(math.nan)))
    # Newton's inversion stops where the speed vanishes instead of dividing by it.
    assert CubicBezier((0, 0, 0), (0, 0, 0), (1, 0, 0), (2, 0, 0)).t_at_distance(0.0) == 0.0


def test_quadratic_acceleration_is_constant_but_t_is_still_read():
    c = curve_of(QuadraticBezier, BENT[:3])
    assert xyz(c.acceleration(0.0)) == xyz(c.acceleration(123.0)) == [2.0, -3.0, -4.0]
    with pytest.raises(TypeError) as e:
        c.acceleration("t")
    assert e.value.__notes__ == ["while processing 't'"]


@pytest.mark.parametrize("cls", BEZIERS)
def test_split_at_an_unclamped_parameter(cls):
    c = curve_of(cls, BENT[: 4 if cls is CubicBezier else 3])
    left, right = c.split(0.5)
    assert xyz(left.points[-1]) == xyz(right.points[0]) == xyz(c.point(0.5))
    for u in (0.25, 0.6):
        np.testing.assert_allclose(xyz(left.point(u)), xyz(c.point(0.5 * u)), atol=1e-6)
        np.testing.assert_allclose(xyz(right.point(u)), xyz(c.point(0.5 + 0.5 * u)), atol=1e-6)
    np.testing.assert_allclose(xyz(c.split(2.0)[0].point(1.0)), xyz(c.point(2.0)), rtol=1e-6)
    whole, end = c.split_at(2.0)
    assert xyzs(whole) == xyzs(c) and xyzs(end) == [xyz(c.points[-1])] * len(c.points)


def test_bezier_constructor_messages():
    for args in ((), BENT[:3], (BENT[0], None, BENT[2], BENT[3])):
        with pytest.raises(ValueError, match="^CubicBezier requires p0, p1, p2, p3 arguments$"):
            CubicBezier(*args)
    with pytest.raises(ValueError, match="^QuadraticBezier requires p0, p1, p2 arguments$"):
        QuadraticBezier(p0=BENT[0], p2=BENT[2])
    with pytest.raises(ValueError, match="^pickle decode failed: invalid length 3, expected an array of length 4$"):
        CubicBezier(__pickle_state__=points_state(BENT[:3]))
    with pytest.raises(ValueError, match="^CubicBezier requires exactly 4 control points"):
        CubicBezier(*BENT[:4]).abs_diff_eq(QuadraticBezier(*BENT[:3]), 1.0)


# ---- Spline and Polyline ----


@pytest.mark.parametrize("cls", [Spline, Polyline])
def test_no_points_and_one_point(cls):
    empty = cls(points=None)
    assert repr(empty) == f"{cls.__name__}(points=0)" and empty.points == [] and repr(cls()) == repr(empty)
    assert xyz(empty.point(0.5)) == [0, 0, 0] and [xyz(p) for p in empty.endpoints()] == [[0, 0, 0]] * 2
    assert empty.length() == 0.0 and empty.arc_length_to(0.5) == 0.0 and empty.t_at_distance(3.0) == 0.0
    assert repr(empty.nearest((1, 2, 3))) == "Nearest(t=0, point=[0, 0, 0], dist_sq=inf)"
    box = empty.aabb()
    assert all(math.isnan(x) for x in xyz(box.center)) and list(box.half_extents) == [-math.inf] * 3
    assert empty.subcurve(0.2, 0.4).points == [] and empty.reversed().points == []
    assert empty.__getnewargs_ex__()[1]["__pickle_state__"] == points_state([])
    one = cls([(1.0, 2.0, 3.0)])
    for t in (-1.0, 0.5, math.nan):
        assert xyz(one.point(t)) == [1, 2, 3] and xyz(one.velocity(t)) == [0, 0, 0] and one.curvature(t) == 0.0
    assert repr(one.nearest((1, 2, 5))) == "Nearest(t=0, point=[1, 2, 3], dist_sq=4)"
    assert xyzs(one.subcurve(0.1, 0.2)) == [[1, 2, 3]]


@pytest.mark.parametrize("cls", [Spline, Polyline])
def test_point_lists_take_any_sequence_but_str(cls):
    with pytest.raises(TypeError, match="^Can't extract `str` to `Vec`") as e:
        cls(points="abc")
    assert e.value.__notes__ == ["while processing 'points'"]
    with pytest.raises(TypeError, match="^'int' object is not an instance of 'Sequence'"):
        cls(5)
    assert len(cls(np.zeros((1001, 3))).__getnewargs_ex__()[1]["__pickle_state__"]) > 1001 * 27
    big = cls([(k, -k, 0.5 * k) for k in range(1001)])
    assert pickle.loads(big.__getnewargs_ex__()[1]["__pickle_state__"])["points"][1000] == (1000.0, -1000.0, 500.0)


def test_spline_shapes():
    s = Spline([(0, 0, 0), (1, 0, 0)])
    assert [xyz(s.point(0.5)), xyz(s.velocity(0)), xyz(s.velocity(0.5))] == [[0.5, 0, 0], [0.5, 0, 0], [1.25, 0, 0]]
    assert xyz(s.point(-1)) == [0, 0, 0] and xyz(s.point(2)) == [1, 0, 0]
    s = Spline(BENT[:4])
    assert xyzs(s.subcurve(0.9, 0.2)) == [xyz(s.point(0.2)), list(BENT[1]), list(BENT[2]), xyz(s.point(0.9))]
    assert [len(h.points) for h in s.split_at(0.5)] == [3, 3]
    assert Spline(BENT).abs_diff_eq(Polyline(BENT), 0.0) and Polyline(BENT).abs_diff_eq(Spline(BENT), 0.0)


def test_polyline_segments_and_exact_measures():
    p = Polyline([(0, 0, 0), (1, 0, 0), (1, 2, 0)])
    assert p.length() == 3.0 and xyz(p.point(0.5)) == [1, 0, 0]
    # An interior point selects the segment that starts there.
    assert [xyz(p.velocity(t)) for t in (0.25, 0.5, 0.75)] == [[2, 0, 0], [0, 4, 0], [0, 4, 0]]
    assert p.arc_length_to(0.75) == 2.0 and p.t_at_distance(2.0) == 0.75
    assert xyzs(p.subcurve(0.25, 0.75)) == [[0.5, 0, 0], [1, 0, 0], [1, 1, 0]]
    segments = p.segments()
    assert [type(s) for s in segments] == [LineSegment] * 2
    assert [xyz(segments[1].p1), xyz(segments[1].p2)] == [[1, 0, 0], [1, 2, 0]]
    assert Polyline([(1, 1, 1)]).segments() == []
    repeated = Polyline([(0, 0, 0), (0, 0, 0), (1, 0, 0)])
    assert xyz(repeated.tangent(0.25)) == [0, 0, 0] and repeated.curvature(0.25) == 0.0
    assert repeated.nearest((-1, 0, 0)).t == 0.0
