"""The four curve classes: shared conventions driven from one table, then what each class does of its own.

Oracles: finite differences in double, SciPy's adaptive quadrature, dense sampling, transformed sample points,
hand-written pickles read back by CPython's pickle, NumPy float32 arithmetic for single-precision bits.
"""

import copy
import math
import pickle
import struct

import numpy as np
import pytest
from scipy.integrate import quad

from support import bits, same_bits
from vexorin import Affine3, CubicBezier, Cuboid, Interval, LineSegment, Mat3, Nearest, Polyline, Quat, QuadraticBezier, Spline, Vec3

BENT = [(0.0, 0.0, 0.0), (1.0, 2.0, 0.5), (3.0, 2.5, -1.0), (4.0, 0.0, 1.0), (6.0, 1.0, 0.0)]


def bezier_fields(points):
    return dict(zip(("p0", "p1", "p2", "p3"), points))


# class, control points, constructor keyword arguments, repr
CURVES = [
    (CubicBezier, BENT[:4], bezier_fields(BENT[:4]), "CubicBezier(4 points)"),
    (QuadraticBezier, BENT[:3], bezier_fields(BENT[:3]), "QuadraticBezier(3 points)"),
    (Spline, BENT, {"points": BENT}, "Spline(points=5)"),
    (Polyline, BENT, {"points": BENT}, "Polyline(points=5)"),
]
IDS = [row[0].__name__ for row in CURVES]
BEZIERS = [CubicBezier, QuadraticBezier]
# Parameters inside one segment of the five-point spline and polyline (segments end at k/4).
INNER_T = [0.1, 0.37, 0.6, 0.9]


def xyz(v):
    return [v.x, v.y, v.z]


def curve_of(cls, points):
    return cls(*points) if cls in BEZIERS else cls(points)


@pytest.fixture(params=CURVES, ids=IDS)
def row(request):
    return request.param


def float_bytes(x):
    return b"G" + struct.pack(">d", x)


def points_state(points):
    """The pickled state of a curve by hand: {"points": [(x, y, z), ...]}."""
    body = b"".join(b"(" + b"".join(float_bytes(c) for c in p) + b"t" for p in points)
    items = b"](" + body + b"e" if points else b"]"
    return b"\x80\x03}(X\x06\x00\x00\x00points" + items + b"u."


# ---- shared conventions ----


def test_fields_construct_narrow_and_read_back(row):
    cls, points, fields, text = row
    c = cls(**fields)
    assert [xyz(p) for p in c.points] == [list(p) for p in points]
    assert [xyz(p) for p in c.control_points()] == [list(p) for p in points]
    assert repr(c) == text
    assert c.__dict__ == {"points": c.points} and list(cls.__dataclass_fields__) == ["points"]
    assert repr(c.domain()) == "Interval(min=0, max=1)"
    narrowed = curve_of(cls, [(0.1, 1e39, -1e-50)] + points[1:])
    assert xyz(narrowed.points[0]) == [0.10000000149011612, math.inf, -0.0]


def test_state_bytes_are_the_pickle_of_the_points(row):
    cls, points, _, _ = row
    c = curve_of(cls, points)
    args, kwargs = c.__getnewargs_ex__()
    state = kwargs["__pickle_state__"]
    assert args == () and type(state) is bytes
    assert state == points_state(points)
    assert pickle.loads(state) == {"points": [tuple(p) for p in points]}


@pytest.mark.parametrize("protocol", [2, 3, 4, 5])
def test_pickle_and_copies_keep_every_bit(row, protocol):
    cls, points, _, _ = row
    c = curve_of(cls, [(0.1, -0.0, math.nan)] + points[1:])
    for d in (pickle.loads(pickle.dumps(c, protocol)), copy.copy(c), copy.deepcopy(c)):
        assert type(d) is cls and d is not c
        assert same_bits([x for p in d.points for x in xyz(p)], [x for p in c.points for x in xyz(p)])


def test_state_faults_and_field_errors(row):
    cls, points, fields, _ = row
    state = points_state(points)
    with pytest.raises(ValueError, match="^pickle decode failed: trailing bytes found$"):
        cls(__pickle_state__=state + b"\x00")
    with pytest.raises(ValueError, match="^pickle decode failed: missing field `points`$"):
        cls(__pickle_state__=pickle.dumps({}, protocol=3))
    # A field that cannot be converted is reported even beside a valid state.
    first = next(iter(fields))
    with pytest.raises((TypeError, AttributeError)) as e:
        cls(**{first: "abc"}, __pickle_state__=state)
    assert e.value.__notes__ == [f"while processing '{first}'"]
    rebuilt = cls(__pickle_state__=bytearray(state))
    assert [xyz(p) for p in rebuilt.points] == [list(p) for p in points]


def test_derivatives_match_finite_differences(row):
    cls, points, _, _ = row
    c = curve_of(cls, points)
    h = 1e-3
    for t in INNER_T:
        diff = (np.array(xyz(c.point(t + h))) - np.array(xyz(c.point(t - h)))) / (2 * h)
        np.testing.assert_allclose(xyz(c.velocity(t)), diff, rtol=2e-3, atol=2e-3)
        diff2 = (np.array(xyz(c.velocity(t + h))) - np.array(xyz(c.velocity(t - h)))) / (2 * h)
        np.testing.assert_allclose(xyz(c.acceleration(t)), diff2, rtol=2e-3, atol=2e-2)
        v, a = np.array(xyz(c.velocity(t))), np.array(xyz(c.acceleration(t)))
        speed = np.linalg.norm(v)
        assert c.curvature(t) == pytest.approx(np.linalg.norm(np.cross(v, a)) / speed**3, rel=1e-5, abs=1e-6)
        T, N, B = (np.array(xyz(f(t))) for f in (c.tangent, c.normal, c.binormal))
        np.testing.assert_allclose(T, v / speed, atol=1e-6)
        np.testing.assert_allclose(B, np.cross(T, N), atol=1e-6)
        if cls is not Polyline:
            perpendicular = a - v * (a @ v) / (v @ v)
            np.testing.assert_allclose(N, perpendicular / np.linalg.norm(perpendicular), atol=1e-5)


def test_length_matches_adaptive_quadrature(row):
    cls, points, _, _ = row
    c = curve_of(cls, points)
    breaks = [k / 4 for k in range(1, 4)] if cls in (Spline, Polyline) else None
    exact, _ = quad(lambda t: np.linalg.norm(xyz(c.velocity(t))), 0.0, 1.0, points=breaks, limit=200)
    assert c.length() == pytest.approx(exact, rel=1e-5)
    to_half, _ = quad(lambda t: np.linalg.norm(xyz(c.velocity(t))), 0.0, 0.5, points=[0.25] if breaks else None)
    assert c.arc_length_to(0.5) == pytest.approx(to_half, rel=1e-5)
    assert c.arc_length_to(7.0) == c.arc_length_to(1.0) and c.arc_length_to(-1.0) == 0.0


@pytest.mark.parametrize("fraction", [0.0, 0.2, 0.55, 0.9, 1.0])
def test_t_at_distance_inverts_the_length(row, fraction):
    cls, points, _, _ = row
    c = curve_of(cls, points)
    s = fraction * c.length()
    t = c.t_at_distance(s)
    # A Spline's subcurve is a new spline through fewer points, not the same path: measure it in place.
    measured = c.arc_length_to(t) if cls is Spline else c.subcurve(0.0, t).length()
    assert measured == pytest.approx(s, rel=1e-4, abs=1e-4)
    assert xyz(c.point_at_distance(s)) == xyz(c.point(t))
    assert c.t_at_distance(-1.0) == 0.0 and c.t_at_distance(c.length() * 2) == 1.0


@pytest.mark.parametrize("query", [(2.0, 3.0, 0.0), (-1.0, -1.0, 2.0), (5.0, 0.5, 0.5), (3.0, 2.0, -1.0)])
def test_nearest_matches_dense_sampling(row, query):
    cls, points, _, _ = row
    c = curve_of(cls, points)
    samples = np.array([xyz(c.point(t)) for t in np.linspace(0.0, 1.0, 4001)])
    best = np.min(np.sum((samples - np.array(query)) ** 2, axis=1))
    n = c.nearest(query)
    assert n.dist_sq == pytest.approx(best, rel=1e-3, abs=1e-5)
    np.testing.assert_allclose(xyz(n.point), xyz(c.point(n.t)), atol=1e-6)
    assert c.distance_sq(query) == n.dist_sq
    assert c.distance(query) == float(np.sqrt(np.float32(n.dist_sq)))


def test_subcurve_and_split_at_trace_the_original(row):
    cls, points, _, _ = row
    c = curve_of(cls, points)
    a, b = 0.2, 0.7
    piece = c.subcurve(b, a)
    assert [xyz(p) for p in piece.points] == [xyz(p) for p in c.subcurve(a, b).points]
    left, right = c.split_at(0.4)
    assert [xyz(p) for p in left.points] == [xyz(p) for p in c.truncate_end(0.4).points]
    assert [xyz(p) for p in right.points] == [xyz(p) for p in c.truncate_start(0.4).points]
    np.testing.assert_allclose(xyz(piece.point(0.0)), xyz(c.point(a)), atol=1e-6)
    np.testing.assert_allclose(xyz(piece.point(1.0)), xyz(c.point(b)), atol=1e-5)
    for u in np.linspace(0.0, 1.0, 9):
        if cls in BEZIERS:  # reparametrised exactly
            np.testing.assert_allclose(xyz(piece.point(u)), xyz(c.point(a + u * (b - a))), atol=2e-5)
            np.testing.assert_allclose(xyz(left.point(u)), xyz(c.point(0.4 * u)), atol=2e-5)
            np.testing.assert_allclose(xyz(right.point(u)), xyz(c.point(0.4 + 0.6 * u)), atol=2e-5)
        elif cls is Polyline:  # the same path
            assert c.distance_sq(piece.point(u)) < 1e-10


def test_reversed_runs_backwards(row):
    cls, points, _, _ = row
    c = curve_of(cls, points)
    r = c.reversed()
    assert [xyz(p) for p in r.points] == [list(p) for p in reversed(points)]
    assert [xyz(p) for p in r.reversed().points] == [list(p) for p in points]
    for t in (0.0, 0.3, 0.8, 1.0):
        np.testing.assert_allclose(xyz(r.point(t)), xyz(c.point(1.0 - t)), atol=2e-6)


def test_transforms_move_every_sample_point(row):
    cls, points, _, _ = row
    c = curve_of(cls, points)
    q = Quat.from_axis_angle(Vec3(1.0, 2.0, 2.0).normalize(), 0.7)
    aff = Affine3.from_scale_rotation_translation((2.0, 0.5, 1.0), q, (1.0, -2.0, 3.0))
    m = Mat3.from_cols_array([1.0, 0.5, 0.0, -0.2, 1.0, 0.3, 0.0, 0.1, 2.0])
    cases = [
        (c.scaled(-1.5), lambda p: p * -1.5),
        (c.translated((1.0, 2.0, -3.0)), lambda p: p + Vec3(1.0, 2.0, -3.0)),
        (c.rotated_quat(q), lambda p: q * p),
        (c.rotated_mat(m), lambda p: m * p),
        (c.transformed(aff), aff.transform_point3),
    ]
    for moved, f in cases:
        assert type(moved) is cls
        for t in (0.0, 0.3, 0.55, 1.0):
            np.testing.assert_allclose(xyz(moved.point(t)), xyz(f(c.point(t))), atol=2e-5)


def test_aabb_is_the_box_of_the_control_points(row):
    cls, points, _, _ = row
    box = curve_of(cls, points).aabb()
    lo, hi = np.min(points, axis=0), np.max(points, axis=0)
    assert type(box) is Cuboid
    np.testing.assert_array_equal(xyz(box.center), (lo + hi) / 2)
    np.testing.assert_array_equal(box.half_extents, (hi - lo) / 2)
    assert box.axis_aligned


def test_abs_diff_eq(row):
    cls, points, _, _ = row
    c = curve_of(cls, points)
    assert c.abs_diff_eq(c, 0.0) and not c.abs_diff_eq(c, -1.0) and not c.abs_diff_eq(c, math.nan)
    for axis in range(3):
        near = curve_of(cls, [tuple(v + 0.25 * (i == axis) for i, v in enumerate(p)) for p in points])
        assert c.abs_diff_eq(rhs=near, max_abs_diff=0.25) and c.abs_diff_eq(near, 0.3)
        assert not c.abs_diff_eq(near, 0.2)

    class Points:
        pass

    duck = Points()
    duck.points = [list(p) for p in points]
    assert c.abs_diff_eq(duck, 0.0)
    with pytest.raises(AttributeError) as e:
        c.abs_diff_eq(Points(), 1.0)
    assert e.value.__notes__ == ["while processing 'rhs'"]
    duck.points = points[:-1]
    if cls in BEZIERS:
        with pytest.raises(ValueError, match=f"^{cls.__name__} requires exactly {len(points)} control points"):
            c.abs_diff_eq(duck, 1.0)
    else:
        assert not c.abs_diff_eq(duck, 1.0)


def test_transforms_store_zero_as_plus_zero():
    c = Polyline([(-0.0, 1.0, -0.0)])
    assert bits(c.rotated_mat(Mat3.IDENTITY).points[0].x) == bits(0.0)
    assert bits(c.rotated_quat(Quat.IDENTITY).points[0].z) == bits(0.0)
    assert bits(c.transformed(Affine3.IDENTITY).points[0].x) == bits(0.0)
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


@pytest.mark.parametrize("cls", [CubicBezier, QuadraticBezier, Spline, Polyline])
def test_nan_length_gives_nan_parameters(cls):
    c = curve_of(cls, [(0.0, 0.0, 0.0), (math.nan, 1.0, 0.0), (2.0, 0.0, 0.0), (3.0, 1.0, 0.0)][: 3 if cls is QuadraticBezier else 4])
    assert math.isnan(c.length())
    assert math.isnan(c.t_at_distance(1.0))
    assert all(math.isnan(x) for x in xyz(c.point_at_distance(1.0)))


# ---- Bezier classes ----


def test_cubic_second_derivative_is_grouped_as_the_classes_fix_it():
    f = np.float32
    P = np.random.default_rng(1).uniform(-10.0, 10.0, (4, 3)).astype(f)
    c = CubicBezier(*P.tolist())
    t, s = f(0.3), f(1.0) - f(0.3)
    A0, A1 = ((P[0] - (P[1] + P[1])) + P[2]) * f(6), ((P[1] - (P[2] + P[2])) + P[3]) * f(6)
    assert same_bits(xyz(c.acceleration(0.3)), (A0 * s + A1 * t).astype(float).tolist())
    library_grouping = f(6) * (P[0] + (P[2] - f(2) * P[1]))
    assert not same_bits(xyz(c.acceleration(0.0)), library_grouping.astype(float).tolist())


def test_straight_cubic():
    c = CubicBezier((0, 0, 0), (1, 0, 0), (2, 0, 0), (3, 0, 0))
    for t in (0.0, 0.4, 1.0):
        assert xyz(c.velocity(t)) == [3, 0, 0] and xyz(c.acceleration(t)) == [0, 0, 0]
        assert xyz(c.tangent(t)) == [1, 0, 0] and xyz(c.normal(t)) == [0, 0, 0] and xyz(c.binormal(t)) == [0, 0, 0]
        assert c.curvature(t) == 0.0
    assert c.t_at_distance(1.5) == pytest.approx(0.5, abs=1e-6)
    assert xyz(c.point(1.5)) == [4.5, 0, 0] and xyz(c.point_clamped(1.5)) == [3, 0, 0]
    assert xyz(c.point_clamped(-3)) == [0, 0, 0] and all(math.isnan(x) for x in xyz(c.point_clamped(math.nan)))


@pytest.mark.parametrize("cls", BEZIERS)
def test_split_at_an_unclamped_parameter(cls):
    c = curve_of(cls, BENT[: 4 if cls is CubicBezier else 3])
    left, right = c.split(0.5)
    assert xyz(left.points[-1]) == xyz(right.points[0]) == xyz(c.point(0.5))
    for u in (0.25, 0.6):
        np.testing.assert_allclose(xyz(left.point(u)), xyz(c.point(0.5 * u)), atol=1e-6)
        np.testing.assert_allclose(xyz(right.point(u)), xyz(c.point(0.5 + 0.5 * u)), atol=1e-6)
    far_left, far_right = c.split(2.0)
    np.testing.assert_allclose(xyz(far_left.point(1.0)), xyz(c.point(2.0)), rtol=1e-6)
    whole, end = c.split_at(2.0)
    assert [xyz(p) for p in whole.points] == [xyz(p) for p in c.points]
    assert all(xyz(p) == xyz(c.points[-1]) for p in end.points)


def test_bezier_constructor_requires_every_point():
    for args in ((), BENT[:3], (BENT[0], None, BENT[2], BENT[3])):
        with pytest.raises(ValueError, match="^CubicBezier requires p0, p1, p2, p3 arguments$"):
            CubicBezier(*args)
    with pytest.raises(ValueError, match="^QuadraticBezier requires p0, p1, p2 arguments$"):
        QuadraticBezier(p0=BENT[0], p2=BENT[2])
    with pytest.raises(ValueError, match="^pickle decode failed: invalid length 3, expected an array of length 4$"):
        CubicBezier(__pickle_state__=points_state(BENT[:3]))


def test_quadratic_acceleration_is_constant_but_t_is_still_read():
    c = curve_of(QuadraticBezier, BENT[:3])
    assert xyz(c.acceleration(0.0)) == xyz(c.acceleration(123.0)) == [2.0, -3.0, -4.0]
    with pytest.raises(TypeError) as e:
        c.acceleration("t")
    assert e.value.__notes__ == ["while processing 't'"]


def test_bezier_compared_with_another_degree_reports_the_count():
    with pytest.raises(ValueError, match="^CubicBezier requires exactly 4 control points"):
        curve_of(CubicBezier, BENT[:4]).abs_diff_eq(curve_of(QuadraticBezier, BENT[:3]), 1.0)


# ---- Spline and Polyline ----


@pytest.mark.parametrize("cls", [Spline, Polyline])
def test_no_points_and_one_point(cls):
    empty = cls() if cls is Spline else cls(points=None)
    assert repr(empty) == f"{cls.__name__}(points=0)" and empty.points == []
    assert xyz(empty.point(0.5)) == [0, 0, 0] and [xyz(p) for p in empty.endpoints()] == [[0, 0, 0]] * 2
    assert empty.length() == 0.0 and empty.arc_length_to(0.5) == 0.0 and empty.t_at_distance(3.0) == 0.0
    assert repr(empty.nearest((1, 2, 3))) == "Nearest(t=0, point=[0, 0, 0], dist_sq=inf)"
    box = empty.aabb()
    assert all(math.isnan(x) for x in xyz(box.center)) and list(box.half_extents) == [-math.inf] * 3
    assert empty.subcurve(0.2, 0.4).points == [] and empty.reversed().points == []
    assert empty.__getnewargs_ex__()[1]["__pickle_state__"] == points_state([])
    one = cls([(1.0, 2.0, 3.0)])
    for t in (-1.0, 0.5, math.nan):
        assert xyz(one.point(t)) == [1, 2, 3] and xyz(one.velocity(t)) == [0, 0, 0]
    assert one.curvature(0.5) == 0.0 and repr(one.nearest((1, 2, 5))) == "Nearest(t=0, point=[1, 2, 3], dist_sq=4)"
    assert [xyz(p) for p in one.subcurve(0.1, 0.2).points] == [[1, 2, 3]]


def test_two_point_spline():
    s = Spline([(0, 0, 0), (1, 0, 0)])
    assert xyz(s.point(0.5)) == [0.5, 0, 0] and xyz(s.velocity(0)) == [0.5, 0, 0] and xyz(s.velocity(0.5)) == [1.25, 0, 0]
    assert xyz(s.point(-1)) == [0, 0, 0] and xyz(s.point(2)) == [1, 0, 0]


def test_spline_subcurve_keeps_the_interior_points():
    s = Spline(BENT[:4])
    piece = s.subcurve(0.9, 0.2)
    assert [xyz(p) for p in piece.points] == [xyz(s.point(0.2)), list(BENT[1]), list(BENT[2]), xyz(s.point(0.9))]
    assert [len(h.points) for h in s.split_at(0.5)] == [3, 3]
    assert Spline(BENT).abs_diff_eq(Polyline(BENT), 0.0) and Polyline(BENT).abs_diff_eq(Spline(BENT), 0.0)


def test_polyline_segments_and_exact_measures():
    p = Polyline([(0, 0, 0), (1, 0, 0), (1, 2, 0)])
    assert p.length() == 3.0 and xyz(p.point(0.5)) == [1, 0, 0]
    # An interior point selects the segment that starts there.
    assert xyz(p.velocity(0.25)) == [2, 0, 0] and xyz(p.velocity(0.5)) == [0, 4, 0] and xyz(p.velocity(0.75)) == [0, 4, 0]
    assert p.arc_length_to(0.75) == 2.0 and p.t_at_distance(2.0) == 0.75
    assert [xyz(q) for q in p.subcurve(0.25, 0.75).points] == [[0.5, 0, 0], [1, 0, 0], [1, 1, 0]]
    segments = p.segments()
    assert [type(s) for s in segments] == [LineSegment, LineSegment]
    assert xyz(segments[1].p1) == [1, 0, 0] and xyz(segments[1].p2) == [1, 2, 0]
    assert Polyline([(1, 1, 1)]).segments() == []
    repeated = Polyline([(0, 0, 0), (0, 0, 0), (1, 0, 0)])
    assert xyz(repeated.tangent(0.25)) == [0, 0, 0] and repeated.curvature(0.25) == 0.0
    assert repeated.nearest((-1, 0, 0)).t == 0.0


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
