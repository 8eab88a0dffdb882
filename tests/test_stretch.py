"""stretch(translation): the kinds and order of the list for every class, and, for random shapes and
translations, every sampled point of the swept volume inside some returned shape (shape_oracle's distances)."""

import math
import random

import pytest

import vexorin as vx
from shape_oracle import (KINDS, add, dot, make, mul, norm, point_inside, polygon_outline, random_point,
                          random_unit, solid_of, sub, xyz)
from vexorin import (Capsule, ConvexPolygon, Cuboid, Cylinder, Line, LineSegment, Plane, Pointcloud, Ray, Shape,
                     Sphere)

EYE = ((1, 0, 0), (0, 1, 0), (0, 0, 1))
STRETCHED = [k for k in KINDS if k != "Pointcloud"]


def kinds(swept):
    return [type(s).__qualname__ for s in swept]


def own_direction(shape):
    """A direction of the shape along which its sweep keeps its kind, or None."""
    kind = type(shape).__name__
    if kind in ("Capsule", "Cylinder", "LineSegment"):
        return sub(xyz(shape.p2), xyz(shape.p1))
    if kind in ("Line", "Ray"):
        return xyz(shape.dir)
    if kind == "Cuboid":
        return xyz(shape.axes[1])
    if kind == "ConvexPolygon":
        return add(xyz(shape.u_axis), mul(xyz(shape.v_axis), 0.5))
    return None


def expected_kinds(shape, along):
    kind = type(shape).__name__
    if kind == "Sphere":
        return ["Shape.Capsule"]
    if kind in ("Capsule", "Cylinder") and not along:
        return ["Shape.Capsule"] * 4 + ["Shape.ConvexPolytope"]
    if along or kind in ("Plane", "ConvexPolytope"):
        return [f"Shape.{kind}"]
    return ["Shape.ConvexPolytope" if kind in ("Cuboid", "ConvexPolygon") else "Shape.ConvexPolygon"]


def samples(shape, rng):
    """Points of the shape: extreme points in random directions and mixtures of them; along a line kind,
    points within a few units of its origin."""
    kind = type(shape).__name__
    if kind in ("Line", "Ray"):
        lo = -3.0 if kind == "Line" else 0.0
        return [add(xyz(shape.origin), mul(xyz(shape.dir), rng.uniform(lo, 3.0))) for _ in range(12)]
    if kind == "Plane":
        n, d = xyz(shape.normal), shape.d
        return [sub(p, mul(n, (dot(n, p) - d) / dot(n, n) + rng.uniform(0, 1))) for p in
                (random_point(rng, 3) for _ in range(12))]
    if kind == "ConvexPolygon":
        extremes = polygon_outline(shape)[0]
    else:
        (part,) = solid_of(shape, 0.0).parts
        extremes = [part(random_unit(rng)) for _ in range(8)]
    mixed = [add(mul(a, w), mul(b, 1 - w)) for a, b, w in
             ((rng.choice(extremes), rng.choice(extremes), rng.random()) for _ in range(8))]
    return extremes + mixed


@pytest.mark.parametrize("kind", STRETCHED)
def test_every_swept_point_lies_in_the_sweep(kind):
    pytest.importorskip("scipy")
    rng = random.Random(kind)
    for round_ in range(16):
        shape = make(vx, kind, rng, random_point(rng, 2.0))
        own = own_direction(shape)
        along = own is not None and round_ % 3 == 0
        t = mul(own, rng.uniform(-2, 2)) if along else mul(random_unit(rng), rng.uniform(0.3, 3.0))
        swept = shape.stretch(t)
        assert kinds(swept) == expected_kinds(shape, along), round_
        solids = [solid_of(s._0, 0.0) for s in swept]
        for p in samples(shape, rng):
            for s in (0.0, rng.random(), 1.0):
                x = add(p, mul(t, s))
                assert any(point_inside(x, solid, 2e-4 * (1 + norm(x))) for solid in solids), (round_, x)


@pytest.mark.parametrize("shape", [
    Sphere((1, 2, 3), 0.5), Capsule((0, 0, 0), (0, 0, 1), 0.5), Cylinder((0, 0, 0), (1, 0, 0), 0.5),
    Cuboid((0, 0, 0), EYE, (1, 2, 3)), Line((0, 0, 0), (1, 0, 0)), Ray((0, 0, 0), (0, 1, 0)),
    LineSegment((0, 0, 0), (0, 0, 1)), Plane((0, 0, 1), 2), ConvexPolygon((0, 0, 0), (0, 0, 1), [(0, 0), (1, 0), (0, 1)]),
], ids=lambda s: type(s).__name__)
def test_a_zero_translation_gives_the_shape_itself(shape):
    assert not hasattr(Pointcloud, "stretch")
    (same,) = shape.stretch((0, 0, 0))
    assert type(same) is getattr(Shape, type(shape).__name__)
    assert same._0.abs_diff_eq(shape, 0.0)


def test_the_translation_goes_through_the_vector_converter():
    with pytest.raises(AttributeError) as e:
        Sphere((0, 0, 0), 1).stretch("up")
    assert e.value.__notes__ == ["while processing 'translation'"]


def test_the_sphere_becomes_the_capsule_of_its_path():
    (swept,) = Sphere((0, 0, 0), 1).stretch((0, 0, 2))
    match swept:
        case Shape.Capsule(c):
            assert (xyz(c.p1), xyz(c.p2), c.radius) == ((0, 0, 0), (0, 0, 2), 1)
        case _:
            pytest.fail(repr(swept))
    # A squared length beyond single precision leaves no direction: the sphere itself.
    assert kinds(Sphere((0, 0, 0), 1).stretch((1e20, 0, 0))) == ["Shape.Sphere"]
    assert kinds(Sphere((0, 0, 0), 1).stretch((math.nan, 0, 0))) == ["Shape.Sphere"]


@pytest.mark.parametrize("t, p1, p2", [((0, 0, 2), (0, 0, 0), (0, 0, 3)), ((0, 0, -2), (0, 0, -2), (0, 0, 1))])
def test_a_capsule_along_its_axis_grows_at_one_end(t, p1, p2):
    (longer,) = Capsule((0, 0, 0), (0, 0, 1), 0.5).stretch(t)
    c = longer._0
    assert (xyz(c.p1), xyz(c.p2), c.radius) == (p1, p2, 0.5)


def test_across_the_axis_the_edges_come_first_then_the_slab():
    swept = Cylinder((0, 0, 0), (1, 0, 0), 0.5).stretch((0, 1, 0))
    assert kinds(swept) == ["Shape.Capsule"] * 4 + ["Shape.ConvexPolytope"]
    ends = [(xyz(s._0.p1), xyz(s._0.p2)) for s in swept[:4]]
    assert ends == [((0, 0, 0), (1, 0, 0)), ((0, 1, 0), (1, 1, 0)), ((0, 0, 0), (0, 1, 0)), ((1, 0, 0), (1, 1, 0))]


@pytest.mark.parametrize("t, d", [((0, 0, 3), 5), ((0, 0, -3), 2), ((math.nan, 0, 0), 2)])
def test_a_plane_moves_only_outward(t, d):
    (swept,) = Plane((0, 0, 1), 2).stretch(t)
    assert xyz(swept._0.normal) == (0, 0, 1) and swept._0.d == d


@pytest.mark.parametrize("t, origin", [((2, 0, 0), (1, 0, 0)), ((-2, 0, 0), (-1, 0, 0))])
def test_a_ray_along_itself_moves_its_origin_only_backward(t, origin):
    (swept,) = Ray((1, 0, 0), (1, 0, 0)).stretch(t)
    assert type(swept) is Shape.Ray and xyz(swept._0.origin) == origin and xyz(swept._0.dir) == (1, 0, 0)


def test_a_polygon_stays_flat_within_its_plane_only():
    square = ConvexPolygon((0, 0, 0), (0, 0, 1), [(-1, -1), (1, -1), (1, 1), (-1, 1)])
    assert kinds(square.stretch((1, 1, 0.9e-6))) == ["Shape.ConvexPolygon"]
    assert kinds(square.stretch((1, 1, 1.1e-6))) == ["Shape.ConvexPolytope"]
