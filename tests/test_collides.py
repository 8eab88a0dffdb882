"""collides(other) over the whole matrix of kinds: random poses of every pair against a double-precision oracle
of its own (shape_oracle), both argument orders and the Shape variant of the argument giving one answer, and
every rigid move of both shapes keeping it; then the cells' boundaries, one ulp inside and outside, and the
cells without a test."""

import math
import random
import struct

import pytest

import vexorin as vx
from shape_oracle import APART, GRAZE, KINDS, OVERLAP, judge, meeting_pair, solid_of
from test_shape_moves import MOVES
from vexorin import (Capsule, Collider, ConvexPolytope, Cuboid, Cylinder, Line, LineSegment, Plane, Pointcloud, Ray,
                     Shape, Sphere)

MARGIN = 1e-3
ROUNDS = 40
LINES = {"Line", "Ray", "LineSegment"}
EYE = ((1, 0, 0), (0, 1, 0), (0, 0, 1))


def next_f32(x, toward):
    """The single-precision neighbour of the single-precision x in the direction of `toward`."""
    (i,) = struct.unpack("<i", struct.pack("<f", x))
    i += 1 if (toward > x) == (x >= 0) else -1
    return struct.unpack("<f", struct.pack("<i", i))[0]


def rule(a, b):
    """What a cell promises: "exact" (overlaps collide, shapes apart do not), "conservative" (the face-plane
    tests: overlaps collide), "axis_hull" (as exact, a cylinder judged apart as the capsule about its axis),
    "never" (two line kinds), "unchecked" (two half-spaces, tested by their rule below)."""
    if a in LINES and b in LINES:
        return "never"
    if a == b == "Plane":
        return "unchecked"
    if "ConvexPolytope" in (a, b):
        other = b if a == "ConvexPolytope" else a
        return "exact" if other in LINES or other == "Plane" else "conservative"
    if "Cylinder" in (a, b):
        other = b if a == "Cylinder" else a
        return "axis_hull" if other in ("Cuboid", "ConvexPolygon", "Cylinder") else "exact"
    return "exact"


CELLS = [(a, b) for i, a in enumerate(KINDS) for b in KINDS[i:] if not a == b == "Pointcloud"]


@pytest.mark.parametrize("a_kind, b_kind", CELLS, ids=[f"{a}-{b}" for a, b in CELLS])
def test_every_cell_against_the_oracle(a_kind, b_kind):
    pytest.importorskip("scipy")
    kind_rule = rule(a_kind, b_kind)
    rng = random.Random(f"{a_kind}/{b_kind}")
    overlaps = aparts = 0
    for round_ in range(ROUNDS):
        a, b = meeting_pair(vx, a_kind, b_kind, rng)
        answer = a.collides(b)
        assert type(answer) is bool
        assert b.collides(a) is answer, round_
        assert a.collides(getattr(Shape, b_kind)(b)) is answer, round_
        if kind_rule == "never":
            assert answer is False
            continue
        if kind_rule == "unchecked":
            continue
        truth = judge(solid_of(a, MARGIN), solid_of(b, MARGIN), MARGIN)
        if truth == OVERLAP:
            overlaps += 1
            assert answer, f"round {round_}: {a!r} and {b!r} overlap"
        if kind_rule == "conservative":
            continue
        if kind_rule == "axis_hull":
            truth = judge(solid_of(a, MARGIN, axis_hull=True), solid_of(b, MARGIN, axis_hull=True), MARGIN)
        if truth == APART:
            aparts += 1
            assert not answer, f"round {round_}: {a!r} and {b!r} are apart"
    if kind_rule in ("never", "unchecked"):
        return
    assert overlaps >= 2
    # A line meets a plane unless parallel to it; the face-plane tests are only checked for overlaps.
    if kind_rule != "conservative" and {a_kind, b_kind} != {"Line", "Plane"}:
        assert aparts >= 2


# Two half-spaces are left out: the oracle cannot tell how near touching they are.
JUDGED = [(a, b) for a, b in CELLS if rule(a, b) != "unchecked"]


@pytest.mark.parametrize("a_kind, b_kind", JUDGED, ids=[f"{a}-{b}" for a, b in JUDGED])
def test_rigid_moves_of_both_shapes_keep_the_answer(a_kind, b_kind):
    pytest.importorskip("scipy")
    rng = random.Random(f"moved {a_kind}/{b_kind}")
    checked = 0
    for round_ in range(ROUNDS // 2):
        a, b = meeting_pair(vx, a_kind, b_kind, rng)
        answer = a.collides(b)
        # Near touching, the rounding of a move may decide; the axis-hull cells answer by the hull when apart.
        solids = [(solid_of(a, MARGIN), solid_of(b, MARGIN))]
        if rule(a_kind, b_kind) == "axis_hull":
            solids.append((solid_of(a, MARGIN, axis_hull=True), solid_of(b, MARGIN, axis_hull=True)))
        if any(judge(sa, sb, MARGIN) == GRAZE for sa, sb in solids):
            continue
        checked += 1
        for name, (arg, _, _) in MOVES.items():
            moved_a, moved_b = getattr(a, name)(arg), getattr(b, name)(arg)
            assert moved_a.collides(moved_b) is answer, f"round {round_}, {name}: {a!r} and {b!r}"
    assert checked >= 5


UNIT_BOX = Cuboid((0, 0, 0), EYE, (1, 1, 1))
JUST_BEYOND_2 = next_f32(2.0, 3.0)
JUST_BEYOND_1 = next_f32(1.0, 2.0)


# (shape, touching it, one ulp beyond touching)
BOUNDARIES = [
    pytest.param(Sphere((0, 0, 0), 1), Sphere((2, 0, 0), 1), Sphere((JUST_BEYOND_2, 0, 0), 1), id="sphere-sphere"),
    pytest.param(UNIT_BOX, Sphere((2, 0, 0), 1), Sphere((JUST_BEYOND_2, 0, 0), 1), id="cuboid-sphere"),
    pytest.param(Capsule((0, 0, 0), (0, 0, 1), 1), Capsule((2, 0, 0), (2, 0, 1), 1),
                 Capsule((JUST_BEYOND_2, 0, 0), (JUST_BEYOND_2, 0, 1), 1), id="capsule-capsule"),
    pytest.param(UNIT_BOX, LineSegment((3, 0, 0), (1, 0, 0)), LineSegment((3, 0, 0), (JUST_BEYOND_1, 0, 0)),
                 id="cuboid-segment"),
    pytest.param(Plane((0, 0, 1), 0), Sphere((0, 0, 1), 1), Sphere((0, 0, JUST_BEYOND_1), 1), id="plane-sphere"),
    # The segment's direction one ulp shorter than the way to the plane: it stops short at t = 1.
    pytest.param(Plane((0, 0, 1), 0), LineSegment((0, 0, 1), (0, 0, 0)),
                 LineSegment((0, 0, 1), (0, 0, 1 - next_f32(1.0, 0.0))), id="plane-segment"),
    pytest.param(UNIT_BOX, Cuboid((2, 0, 0), EYE, (1, 1, 1)), Cuboid((JUST_BEYOND_2, 0, 0), EYE, (1, 1, 1)),
                 id="cuboid-cuboid"),
    pytest.param(Pointcloud.from_list([(2, 0, 0)], 0.5), Sphere((0, 0, 0), 1.5),
                 Sphere((next_f32(0.0, -1.0), 0, 0), 1.5), id="cloud-sphere"),
]


@pytest.mark.parametrize("shape, touching, beyond", BOUNDARIES)
def test_touching_collides_and_one_ulp_beyond_does_not(shape, touching, beyond):
    assert shape.collides(touching) and touching.collides(shape)
    assert not shape.collides(beyond) and not beyond.collides(shape)


def test_line_kinds_never_meet_one_another():
    line = Line((0, 0, 0), (1, 0, 0))
    crossing = [Line((0, -1, 0), (0, 1, 0)), Ray((0, -1, 0), (0, 1, 0)), LineSegment((0, -1, 0), (0, 1, 0))]
    for a in crossing + [line]:
        for b in crossing + [line]:
            assert a.collides(b) is False


def test_a_ray_pointing_away_misses_where_its_line_hits():
    ball = Sphere((0, 0, 0), 1)
    assert not Ray((3, 0, 0), (1, 0, 0)).collides(ball)
    assert Line((3, 0, 0), (1, 0, 0)).collides(ball)
    assert ball.collides(Ray((3, 0, 0), (-1, 0, 0)))


@pytest.mark.parametrize("a, b, meet", [
    (Plane((0, 0, 1), 0), Plane((1, 0, 0), -5), True),  # not parallel
    (Plane((0, 0, 1), 1), Plane((0, 0, -1), -1.01), False),  # opposite, solids apart
    (Plane((0, 0, 1), 1), Plane((0, 0, -1), -1), True),  # opposite, touching
    (Plane((0, 0, 1), 1), Plane((0, 0, 1), -5), True),  # same direction
    (Plane((math.nan, 0, 1), -1), Plane((0, 0, -1), -1), True),  # not known to be opposite
])
def test_two_planes(a, b, meet):
    assert a.collides(b) is meet and b.collides(a) is meet


@pytest.mark.parametrize("piece", [Ray((0, 0, -1), (0, 0, 1e10)), LineSegment((0, 0, -1), (0, 0, 1e10))])
def test_a_piece_from_inside_a_plane_meets_it_when_normal_dot_dir_overflows(piece):
    plane = Plane((0, 0, 1e30), 0)
    assert plane.collides(piece) and piece.collides(plane)
    assert Collider.from_any(plane).collides(piece) and Collider.from_any(piece).collides(plane)


def test_a_zero_length_cylinder_meets_a_polytope_past_the_bounding_spheres():
    cube = ConvexPolytope([(n, 1) for n in EYE + tuple(tuple(-x for x in n) for n in EYE)],
                          [(x, y, z) for x in (-1, 1) for y in (-1, 1) for z in (-1, 1)])
    dot = Cylinder((1.5, 0, 0), (1.5, 0, 0), 0.1)  # outside the face x = 1
    assert cube.collides(dot) and dot.collides(cube)
    assert Collider.from_any(cube).collides(dot) and Collider.from_any(dot).collides(cube)
    assert not cube.collides(Cylinder((2, 0, 0), (2, 0, 0), 0.1))  # the bounding spheres apart


def test_point_clouds_never_meet_point_clouds():
    cloud = Pointcloud.from_list([(0, 0, 0)], 1.0)
    for other in (cloud, Shape.Pointcloud(cloud)):
        with pytest.raises(ValueError) as e:
            cloud.collides(other)
        assert e.value.args == ("Pointcloud-Pointcloud collision is not supported",)
    assert Sphere((0, 0, 0), 1).collides(cloud)


@pytest.mark.parametrize("bad", [5, None, "sphere", object(), [Sphere((0, 0, 0), 1)]])
def test_other_must_be_a_shape(bad):
    with pytest.raises(TypeError) as e:
        Sphere((0, 0, 0), 1).collides(bad)
    assert e.value.args == ("expected a Shape (Sphere, Cuboid, Cylinder, etc.)",)
    assert e.value.__notes__ == ["while processing 'other'"]
    with pytest.raises(TypeError):
        Sphere((0, 0, 0), 1).collides()


class DuckSphere:
    center = (0, 0, 3)
    radius = 1.0


def test_other_may_be_duck_typed_or_a_variant():
    capsule = Capsule((0, 0, 0), (0, 0, 2), 0.1)
    assert capsule.collides(DuckSphere()) and capsule.collides(other=Shape.Sphere(DuckSphere()))
    assert not Capsule((5, 0, 0), (5, 0, 2), 0.1).collides(DuckSphere())
