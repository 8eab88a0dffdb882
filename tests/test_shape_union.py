"""The Shape union (its eleven variant classes, one table over the kinds), the any-shape converter's probes,
and abs_diff_eq of every shape class."""

import math

import pytest

from vexorin import (Capsule, ConvexPolygon, ConvexPolytope, Cuboid, Cylinder, Line, LineSegment, Plane, Pointcloud,
                     Ray, Shape, Sphere)

EYE = ((1, 0, 0), (0, 1, 0), (0, 0, 1))
CUBE_PLANES = [((1, 0, 0), 1), ((-1, 0, 0), 1), ((0, 1, 0), 1), ((0, -1, 0), 1), ((0, 0, 1), 1), ((0, 0, -1), 1)]
CUBE_CORNERS = [(x, y, z) for x in (-1, 1) for y in (-1, 1) for z in (-1, 1)]

# One shape of each kind in the variant order, and the same shape with one stored component moved by 0.25.
SHAPES = [
    (Sphere((1, 2, 3), 0.5), Sphere((1, 2, 3), 0.75)),
    (Capsule((0, 0, 0), (0, 0, 2), 0.5), Capsule((0, 0, 0), (0, 0, 2.25), 0.5)),
    (Cuboid((0, 0, 0), EYE, (1, 2, 3)), Cuboid((0, 0, 0), ((1, 0, 0), (0, 1, 0.25), (0, 0, 1)), (1, 2, 3))),
    (Cylinder((1, 0, 0), (1, 2, 0), 0.5), Cylinder((1.25, 0, 0), (1.25, 2, 0), 0.5)),
    (ConvexPolytope(CUBE_PLANES, CUBE_CORNERS), ConvexPolytope(CUBE_PLANES[:5] + [((0, 0, -1), 1.25)], CUBE_CORNERS)),
    (ConvexPolygon((0, 0, 0), (0, 0, 1), [(0, 0), (1, 0), (0, 1)]),
     ConvexPolygon((0, 0, 0), (0, 0, 1), [(0, 0), (1.25, 0), (0, 1)])),
    (Line((0, 0, 0), (1, 0, 0)), Line((0, 0, 0.25), (1, 0, 0))),
    (Ray((0, 0, 0), (0, 1, 0)), Ray((0, 0, 0), (0, 1.25, 0))),
    (LineSegment((0, 0, 0), (0, 0, 1)), LineSegment((0, 0, 0), (0, 0.25, 1))),
    (Plane((0, 0, 1), 2), Plane((0, 0, 1), 2.25)),
    (Pointcloud.from_list([(0, 0, 0), (1, 1, 1)], 0.5), Pointcloud.from_list([(0, 0, 0), (1, 1, 1.25)], 0.5)),
]
KINDS = [type(s).__name__ for s, _ in SHAPES]
ROWS = [pytest.param(s, moved, id=type(s).__name__) for s, moved in SHAPES]


def test_shape_lists_its_variants_in_order_and_cannot_be_made():
    assert [k for k in vars(Shape) if k in KINDS] == KINDS
    assert Shape.__dataclass_fields__ == {} and Shape.__module__ == "vexorin._vexorin"
    with pytest.raises(TypeError):
        Shape()

    class Mine(Shape):
        pass

    with pytest.raises(TypeError):
        Mine()


@pytest.mark.parametrize("shape, moved", ROWS)
def test_variant_class(shape, moved):
    name = type(shape).__name__
    cls = getattr(Shape, name)
    assert (cls.__name__, cls.__qualname__, cls.__module__) == (name, f"Shape.{name}", "vexorin._vexorin")
    assert cls.__text_signature__ == "(_0)" and cls.__match_args__ == ("_0",)
    assert issubclass(cls, Shape) and cls is not getattr(Shape, KINDS[KINDS.index(name) - 1])
    with pytest.raises(TypeError):
        type("Sub", (cls,), {})
    v = cls(shape)
    assert isinstance(v, Shape) and v.__dict__ == {} and cls.__dataclass_fields__ == {}
    first, second = v._0, v[0]
    assert type(first) is type(shape) and first is not v._0 and second is not first
    assert first.abs_diff_eq(shape, 0.0) and second.abs_diff_eq(shape, 0.0)
    assert len(v) == 1 and cls(_0=shape)._0.abs_diff_eq(shape, 0.0)
    with pytest.raises(IndexError, match="tuple index out of range"):
        v[1]
    with pytest.raises(OverflowError) as e:
        v[-1]
    assert e.value.__notes__ == ["while processing 'idx'"]
    with pytest.raises(TypeError):
        v[0.0]
    with pytest.raises(TypeError):
        cls()
    # Variant objects are no shapes to the variant constructors' converters.
    with pytest.raises((TypeError, AttributeError)) as e:
        cls(v)
    assert e.value.__notes__ == ["while processing '_0'"]


def test_match_binds_the_payload():
    def describe(v):
        match v:
            case Shape.Sphere(s):
                return f"sphere {s.radius}"
            case Shape.Capsule(c):
                return f"capsule {c.radius}"
            case Shape.ConvexPolytope(p):
                return f"polytope {len(p.vertices)}"
            case Shape():
                return "other"

    swept = Capsule((0, 0, 0), (1, 0, 0), 0.5).stretch((0, 1, 0))
    assert [describe(v) for v in swept] == ["capsule 0.5"] * 4 + ["polytope 8"]
    assert describe(Shape.Sphere(Sphere((0, 0, 0), 2))) == "sphere 2.0"
    assert describe(Shape.Plane(Plane((0, 0, 1), 0))) == "other"


class Duck:
    def __init__(self, **attributes):
        self.__dict__.update(attributes)


def test_variant_constructors_take_their_payload_converters():
    assert Shape.Sphere(Duck(center=(0, 0, 0), radius=1))._0.radius == 1
    # A cylinder read through p1, p2 and radius makes a capsule.
    assert type(Shape.Capsule(Cylinder((0, 0, 0), (0, 0, 1), 0.5))._0) is Capsule
    with pytest.raises(TypeError) as e:
        Shape.Line(Ray((0, 0, 0), (1, 0, 0)))
    assert e.value.args == ("'Ray' object is not an instance of 'Line'",)
    with pytest.raises(AttributeError):
        Shape.Cuboid(Sphere((0, 0, 0), 1))


# Probes of the any-shape converter, seen through what collides answers: at (0, 0, 1.9) a capsule of radius 1
# from (0, 0, 0) to (0, 0, 1) reaches, a sphere of radius 1 at the origin or the cylinder of the capsule does not.
PROBE = Sphere((0, 0, 1.9), 0.05)


@pytest.mark.parametrize("other, probe, hits", [
    (Duck(center=(0, 0, 0), radius=1, p1=(0, 0, 0), p2=(0, 0, 1)), PROBE, False),  # a sphere first
    (Duck(p1=(0, 0, 0), p2=(0, 0, 1), radius=1), PROBE, True),  # then a capsule, never a cylinder
    (Shape.Cylinder(Cylinder((0, 0, 0), (0, 0, 1), 1)), PROBE, False),  # a variant's own payload
    (Duck(center=(0, 0, 1.9), half_extents=(0.1, 0.1, 0.1), axes=EYE), PROBE, True),  # a cuboid
])
def test_any_shape_probe_order(other, probe, hits):
    assert probe.collides(other) is hits


@pytest.mark.parametrize("other", [
    Duck(center=(0, 0), radius=1),  # two numbers and no x, y, z
    Duck(center=(0, 0, 0), half_extents=[1, 1, 1], axes=EYE),  # a list is no tuple
    Duck(center=(0, 0, 0), half_extents=(1, 1, 1), axes=[[1, 0, 0], [0, 1, 0], [0, 0, 1]]),
    Duck(p1=(0, 0, 0), p2=(0, 0, 1), radius="wide"),
])
def test_any_shape_refusals_become_one_type_error(other):
    with pytest.raises(TypeError) as e:
        Sphere((0, 0, 0), 1).collides(other)
    assert e.value.args == ("expected a Shape (Sphere, Cuboid, Cylinder, etc.)",)


class Interrupting:
    @property
    def center(self):
        raise KeyboardInterrupt


def test_only_ordinary_errors_of_a_probe_are_discarded():
    with pytest.raises(KeyboardInterrupt):
        Sphere((0, 0, 0), 1).collides(Interrupting())


@pytest.mark.parametrize("shape, moved", ROWS)
def test_abs_diff_eq(shape, moved):
    assert shape.abs_diff_eq(shape, 0.0) and shape.abs_diff_eq(rhs=shape, max_abs_diff=0)
    assert not shape.abs_diff_eq(moved, 0.2) and not moved.abs_diff_eq(shape, 0.2)
    assert shape.abs_diff_eq(moved, 0.25) and moved.abs_diff_eq(shape, 0.25)
    assert not shape.abs_diff_eq(shape, math.nan)
    assert not shape.abs_diff_eq(shape, -0.0001)
    with pytest.raises(TypeError) as e:
        shape.abs_diff_eq(shape, "close")
    assert e.value.__notes__ == ["while processing 'max_abs_diff'"]
    with pytest.raises((TypeError, AttributeError)) as e:
        shape.abs_diff_eq(getattr(Shape, type(shape).__name__)(shape), 1.0)
    assert e.value.__notes__ == ["while processing 'rhs'"]


@pytest.mark.parametrize("a, b, tolerance, equal", [
    (Sphere((0, 0, 0), 1), Duck(center=(0, 0, 0), radius=1), 0.0, True),
    (Capsule((0, 0, 0), (0, 0, 2), 0.5), Cylinder((0, 0, 0), (0, 0, 2), 0.5), 0.0, True),
    (Cylinder((0, 0, 0), (0, 0, 2), 0.5), Capsule((0, 0, 0), (0, 0, 2), 0.5), 0.0, True),
    (Sphere((math.nan, 0, 0), 1), Sphere((math.nan, 0, 0), 1), 1.0, False),
    (Sphere((0, 0, 0), math.inf), Sphere((0, 0, 0), math.inf), math.inf, False),
    (ConvexPolytope(CUBE_PLANES, CUBE_CORNERS), ConvexPolytope(CUBE_PLANES[:5], CUBE_CORNERS), 100.0, False),
    (Pointcloud.from_list([(0, 0, 0)], 0.5), Pointcloud.from_list([(0, 0, 0)], 0.75), 0.2, False),
    (Pointcloud.from_list([(0, 0, 0)], 0.5), Pointcloud.from_list([(0, 0, 0), (0, 0, 0)], 0.5), 1.0, False),
])
def test_abs_diff_eq_cases(a, b, tolerance, equal):
    assert a.abs_diff_eq(b, tolerance) is equal


def test_abs_diff_eq_takes_rhs_of_its_own_kind_only():
    with pytest.raises(TypeError) as e:
        Line((0, 0, 0), (1, 0, 0)).abs_diff_eq(Ray((0, 0, 0), (1, 0, 0)), 1.0)
    assert e.value.args == ("'Ray' object is not an instance of 'Line'",)
    with pytest.raises(AttributeError):
        Cuboid((0, 0, 0), EYE, (1, 1, 1)).abs_diff_eq(Sphere((0, 0, 0), 1), 1.0)
