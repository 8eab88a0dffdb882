"""Bounds and transforms of the shape classes: one table of shapes, each with points sampled on it and their
distance from it, checked against rigid moves and the bounds; then the per-class and bit-exact rules."""

import math
import pickle
from types import SimpleNamespace as Affine

import numpy as np
import pytest

from support import Cols
from vexorin import (Capsule, ConvexPolygon, ConvexPolytope, Cuboid, Cylinder, Line, LineSegment, Mat3, Plane,
                     Pointcloud, Quat, Ray, Sphere)

F, INF, NAN = np.float32, float("inf"), float("nan")
WORLD = [[1, 0, 0], [0, 1, 0], [0, 0, 1]]
TURNED = [(0.6, 0.8, 0), (-0.8, 0.6, 0), (0, 0, 1)]
CORNERS = [(x, y, z) for x in (0, 2) for y in (1, 2) for z in (-1, 1)]
FACES = [((1, 0, 0), 2), ((-1, 0, 0), 0), ((0, 1, 0), 2), ((0, -1, 0), -1), ((0, 0, 1), 1), ((0, 0, -1), 1)]
CLOUD = [(1, 2, 3), (-1, 0, 2), (0.5, -2, 1)]
POLYGON = ((1, 2, 3), (0, 0.6, 0.8), [(0, 0), (1, 0), (1, 1), (-1, 2)])
DIRS = np.array([d for d in np.ndindex(3, 3, 3) if d != (1, 1, 1)], float) - 1
DIRS /= np.linalg.norm(DIRS, axis=1)[:, None]
T = np.linspace(0, 1, 5)[:, None, None]
ANGLES = np.linspace(0, 6, 7)[:, None]


def v(p):
    return np.array([p.x, p.y, p.z])


def raw(obj):
    return obj.__getnewargs_ex__()[1]["__pickle_state__"]


def seg_dist(x, a, b):
    t = np.clip((x - a) @ (b - a) / ((b - a) @ (b - a)), 0, 1)
    return np.linalg.norm(x - (a + t[:, None] * (b - a)), axis=1)


def ring(s):  # on the side of a capsule or cylinder: a circle of its radius about each of five axis points
    d = v(s.p2) - v(s.p1)
    e1 = np.cross(d, (1, 0, 0))
    e1 /= np.linalg.norm(e1)
    e2 = np.cross(d / np.linalg.norm(d), e1)
    return v(s.p1) + T * d + s.radius * (np.cos(ANGLES) * e1 + np.sin(ANGLES) * e2)


def axis_miss(s, x):  # on the side, the distance from the axis segment is the radius
    return abs(seg_dist(x, v(s.p1), v(s.p2)) - s.radius)


def polygon_points(p):
    return np.array([v(p.center) + x * v(p.u_axis) + y * v(p.v_axis) for x, y in p.vertices_2d])


def cloud_local(c, x):  # world points into the stored frame by the pending inverse transform
    inv = pickle.loads(raw(c))["inverse_transform"]
    return x if inv is None else x @ np.reshape(inv[:9], (3, 3)) + inv[9:]


# kind: (shape, points sampled on it, the distance of points from it)
KINDS = {
    Sphere: (Sphere((1, 2, 3), 0.5), lambda s: v(s.center) + s.radius * DIRS,
             lambda s, x: abs(np.linalg.norm(x - v(s.center), axis=1) - s.radius)),
    Capsule: (Capsule((1, 0, 2), (2, 1, -1), 0.5), ring, axis_miss),
    Cylinder: (Cylinder((1, 0, 2), (2, 1, -1), 0.5), ring, axis_miss),
    Cuboid: (Cuboid((1, 2, 3), TURNED, (0.5, 1, 2)), lambda s: np.array([v(p) for p in s.corners()]),
             lambda s, x: abs(np.max(abs((x - v(s.center)) @ np.array(s.axes).T) - s.half_extents, axis=1))),
    ConvexPolytope: (ConvexPolytope(FACES, CORNERS), lambda s: np.array(s.vertices),
                     lambda s, x: abs(np.max(x @ np.array([n for n, _ in s.planes]).T - [d for _, d in s.planes], 1))),
    ConvexPolygon: (ConvexPolygon(*POLYGON), polygon_points,
                    lambda s, x: np.min(np.linalg.norm(x[:, None] - polygon_points(s), axis=2), axis=1)),
    LineSegment: (LineSegment((1, 0, 2), (2, 1, -1)), lambda s: v(s.p1) + T * (v(s.p2) - v(s.p1)),
                  lambda s, x: seg_dist(x, v(s.p1), v(s.p2))),
    Line: (Line((1, 0, 2), (1, 1, -3)), lambda s: v(s.origin) + (4 * T - 2) * v(s.dir),
           lambda s, x: seg_dist(x, v(s.origin) - 9 * v(s.dir), v(s.origin) + 9 * v(s.dir))),
    Ray: (Ray((1, 0, 2), (1, 1, -3)), lambda s: v(s.origin) + 2 * T * v(s.dir),
          lambda s, x: seg_dist(x, v(s.origin), v(s.origin) + 9 * v(s.dir))),
    Plane: (Plane((0, 0.6, 0.8), 2), lambda s: np.array([(a, b, (2 - 0.6 * b) / 0.8) for a in (-1, 3) for b in (0, 2)]),
            lambda s, x: abs(x @ v(s.normal) - s.d)),
    Pointcloud: (Pointcloud(CLOUD, (0, 1), 0.25), lambda s: np.array(CLOUD, float)[:, None] + 0.25 * DIRS,
                 lambda s, x: abs(np.min(np.linalg.norm(cloud_local(s, x)[:, None] - CLOUD, axis=2), axis=1) - 0.25)),
}
BOUNDED = [k for k in KINDS if k not in (Line, Ray, Plane)]

R = np.array([[0.36, 0.48, -0.8], [-0.8, 0.6, 0], [0.48, 0.64, 0.6]])  # the columns of a rotation
Q = (0.2, -0.4, 0.1, 0.8888194417315589)  # unit, so its matrix is its vector rotation
RQ = np.reshape(Mat3.from_quat(Quat.from_xyzw(*Q)).to_cols_array(), (3, 3))
OFFSET = np.array([0.5, -1.25, 3])
# method: (argument, the same move on row points, the parameter's name)
MOVES = {
    "translated": (tuple(OFFSET), lambda x: x + OFFSET, "offset"),
    "rotated_mat": (Cols(R.ravel().tolist()), lambda x: x @ R, "mat"),
    "rotated_quat": (Q, lambda x: x @ RQ, "quat"),
    "transformed": (Affine(matrix3=Cols(R.ravel().tolist()), translation=OFFSET), lambda x: x @ R + OFFSET, "mat"),
}


@pytest.mark.parametrize("kind", KINDS, ids=lambda k: k.__name__)
@pytest.mark.parametrize("name", MOVES)
def test_rigid_moves_carry_the_samples_onto_the_moved_shape(kind, name):
    shape, sample, miss = KINDS[kind]
    arg, move, _ = MOVES[name]
    before = raw(shape)
    moved = getattr(shape, name)(arg)
    x = sample(shape).reshape(-1, 3)
    assert type(moved) is kind and raw(shape) == before
    assert np.max(miss(shape, x)) < 1e-5 and np.max(miss(moved, move(x))) < 1e-5
    assert getattr(kind, name).__text_signature__ == f"($self, {MOVES[name][2]})"
    assert hasattr(kind, "aabb") == hasattr(kind, "obb") == hasattr(kind, "broadphase") == (kind in BOUNDED)


@pytest.mark.parametrize("kind", BOUNDED, ids=lambda k: k.__name__)
@pytest.mark.parametrize("moved", [False, True])
def test_every_sample_lies_in_each_bound(kind, moved):
    shape, sample, _ = KINDS[kind]
    x = sample(shape).reshape(-1, 3)
    if moved:  # a moved point cloud is bounded where it went
        shape, x = shape.transformed(MOVES["transformed"][0]), MOVES["transformed"][1](x)
    sphere = shape.broadphase()
    assert type(sphere) is Sphere and np.all(np.linalg.norm(x - v(sphere.center), axis=1) <= sphere.radius + 1e-5)
    for b in (shape.obb(), shape.aabb()):
        assert type(b) is Cuboid and np.allclose(np.array(b.axes) @ np.transpose(b.axes), np.eye(3), atol=1e-6)
        assert np.all(abs((x - v(b.center)) @ np.array(b.axes).T) <= np.array(b.half_extents) + 1e-5)
    assert shape.aabb().axes == WORLD and shape.aabb().axis_aligned


# shape, method, the box as [centre, axes, half extents, axis_aligned]
BOXES = [
    (Capsule((0, 0, 0), (2, 0, 0), 0.5), "obb", [[1, 0, 0], [[1, 0, 0], [0, 0, 1], [0, -1, 0]], [1.5, 0.5, 0.5], 0]),
    (Cylinder((0, 0, 0), (0, 0, 2), 0.5), "obb", [[0, 0, 1], [[0, 0, 1], [0, 1, 0], [-1, 0, 0]], [1, 0.5, 0.5], 0]),
    (LineSegment((0, 0, 0), (2, 0, 0)), "obb", [[1, 0, 0], [[1, 0, 0], [0, 0, 1], [0, -1, 0]], [1, 0, 0], False]),
    (LineSegment((1, 2, 3), (1, 2, 3)), "obb", [[1, 2, 3], WORLD, [0, 0, 0], True]),
    (ConvexPolygon((1, 2, 3), (0, 0, 1), []), "aabb", [[1, 2, 3], WORLD, [0, 0, 0], True]),
    (Cuboid((1, 2, 3), [(-1, 0, 0), (0, -1, 0), (0, 0, 1)], (1, 2, 3)), "aabb",
     [[1, 2, 3], [[-1, 0, 0], [0, -1, 0], [0, 0, 1]], [1, 2, 3], True]),
]


@pytest.mark.parametrize("shape, method, expected", BOXES)
def test_boxes_by_each_class_rule(shape, method, expected):
    b = getattr(shape, method)()
    assert [v(b.center).tolist(), b.axes, b.half_extents, b.axis_aligned] == expected


@pytest.mark.parametrize("axes, half", [([(0.8660254, 0.5, 0), (-0.5, 0.8660254, 0), (0, 0, 1)], (1, 1, 1)),
                                        (TURNED, (3e38, 1, 1)), ([(INF, 0, 0), (0, 1, 0.5), (0, 0, 1)], (1, 1, 1)),
                                        ([(1, NAN, 0), (0, 1, 0), (0, 0, 1)], (1, 1, 1))])
def test_world_box_of_a_turned_box_from_full_dot_products(axes, half):
    a, h = np.array(axes, F), np.array(half, F)
    with np.errstate(invalid="ignore"):  # every product with a world axis's zeros is formed: inf·0 is NaN
        dots = abs(np.array([[(a[i, 0] * e[0] + a[i, 1] * e[1]) + a[i, 2] * e[2] for e in np.eye(3, dtype=F)]
                             for i in range(3)]))
    expected = (h[0] * dots[0] + h[1] * dots[1]) + h[2] * dots[2]
    b = Cuboid((3e38, -1, 2), axes, half)
    for got in (b.aabb(), ConvexPolytope.with_obb(FACES, CORNERS, b).aabb()):
        assert repr(got.half_extents) == repr(expected.tolist()) and got.axes == WORLD
        assert v(got.center).tolist() == v(b.center).tolist()  # the centre itself: (lo + hi)·0.5 would overflow


OBB = ConvexPolytope(FACES, CORNERS).obb()
# scaled(2) by each class's rule, against the shape built with the scaled values (all exact in single precision)
SCALED = [
    (Sphere((1, 2, 3), 0.5), Sphere((1, 2, 3), 1)),
    (Capsule((1, 0, 2), (2, 1, -1), 0.5), Capsule((1, 0, 2), (3, 2, -4), 1)),
    (Cuboid((1, 2, 3), TURNED, (0.5, 1, 2)), Cuboid((1, 2, 3), TURNED, (1, 2, 4))),
    (Plane((0, 0.6, 0.8), 2), Plane((0, 0.6, 0.8), 4)),
    (Line((1, 0, 2), (1, 1, -3)), Line((1, 0, 2), (2, 2, -6))),
    (LineSegment((1, 0, 2), (2, 1, -1)), LineSegment((1, 0, 2), (3, 2, -4))),
    (ConvexPolygon(*POLYGON), ConvexPolygon(*POLYGON[:2], [(2 * x, 2 * y) for x, y in POLYGON[2]])),
    (ConvexPolytope(FACES, CORNERS),
     ConvexPolytope.with_obb([(n, 2 * d) for n, d in FACES], 2 * np.array(CORNERS),
                             Cuboid(2 * v(OBB.center), OBB.axes, 2 * np.array(OBB.half_extents)))),
    (Pointcloud(CLOUD, (0, 1), 0.25), Pointcloud(2 * np.array(CLOUD), (0, 2), 0.5)),
    # about the stored frame's origin, then the pending move is baked into the points
    (Pointcloud(CLOUD, (0, 1), 0.25).translated((1, 2, -3)), Pointcloud(2 * np.array(CLOUD) + (1, 2, -3), (0, 2), 0.5)),
]


@pytest.mark.parametrize("shape, expected", SCALED, ids=lambda s: type(s).__name__)
def test_scaled_by_each_class_rule(shape, expected):
    assert type(shape).scaled.__text_signature__ == "($self, factor)"
    assert raw(shape.scaled(2)) == raw(expected)


def bits(values):
    return np.array(values, F).view(np.uint32).tolist()


def mat_vec(cols, p):
    return (cols[0] * p[0] + cols[1] * p[1]) + cols[2] * p[2]


def cross(a, b):
    return np.array([a[1] * b[2] - b[1] * a[2], a[2] * b[0] - b[2] * a[0], a[0] * b[1] - b[0] * a[1]], F)


def dot(a, b):
    return (a[0] * b[0] + a[1] * b[1]) + a[2] * b[2]


def inverse(cols):  # det = a·(b × c); the rows b × c, c × a, a × b times 1/det; returned as columns
    a, b, c = cols
    return (np.array([cross(b, c), cross(c, a), cross(a, b)]) * (F(1) / dot(a, cross(b, c)))).T


DET = np.array([(0.05, 1.8, -1.42), (1.79, -0.75, -0.31), (1.31, -0.36, 0.2)], F)  # where c·(a × b) differs
DET_RECIPROCAL = np.array([(0.09, 0.97, 0.69), (-1.74, 1.03, 0.36), (-0.79, -1.88, 1.46)], F)  # and so does 1/det
QN = np.array([0.3, -0.7, 1.1, 0.9], F)  # not unit: it scales as well as turns
P = np.array([1.25, -2.5, 0.3], F)


@pytest.mark.parametrize("det", [DET, DET_RECIPROCAL])
def test_bits_of_the_quaternion_rule_and_the_cloud_inverse(det):
    u, w2 = QN[:3], QN[3] + QN[3]
    turned = (P * (QN[3] * QN[3] - dot(u, u)) + u * (dot(u, P) + dot(u, P))) + cross(u, P) * w2
    assert bits(v(Sphere(P, 1).rotated_quat(QN.tolist()).center)) == bits(turned)
    assert dot(det[0], cross(det[1], det[2])) != dot(det[2], cross(det[0], det[1]))
    moved, inv = Pointcloud(CLOUD, (0, 1), 0.25).rotated_mat(Cols(det.ravel().tolist())), inverse(det)
    stored = pickle.loads(raw(moved))["inverse_transform"]
    assert bits(stored) == bits(np.ravel([*inv, -mat_vec(inv, np.zeros(3, F))]))
    baked, fwd = pickle.loads(raw(moved.scaled(2))), inverse(inv)
    world = [mat_vec(fwd, np.array(p, F) * F(2)) - mat_vec(fwd, stored[9:]) for p in CLOUD]  # A⁻¹·p − A⁻¹·a
    assert baked["inverse_transform"] is None
    assert bits([baked["spheres"][k][i] for i in range(3) for k in "xyz"]) == bits(np.ravel(world))


@pytest.mark.parametrize("factor", [NAN, INF, 2e38])
def test_a_scaled_cloud_refused_by_its_tree(factor):
    with pytest.raises(ValueError, match="^Pointcloud points must be finite$"):
        Pointcloud(CLOUD, (0, 1), 0.25).scaled(factor)
    assert raw(Pointcloud([], (0, 1), 0.25).scaled(factor))
    assert Sphere((0, 0, 0), 1).scaled(factor).radius != 1
