"""The shape classes: the frame every one shares (construction, pickled state, dataclass fields, repr,
narrowing to single precision), driven by one table of classes, then each class's own methods."""

import copy
import math
import pickle
import struct

import pytest

from support import p_stream
from vexorin import Capsule, Cuboid, Cylinder, Line, LineSegment, Mat3, Plane, Ray, Sphere, Vec3

NAN, INF = float("nan"), float("inf")
EYE = [[1, 0, 0], [0, 1, 0], [0, 0, 1]]


def f32(x):
    return struct.unpack("<f", struct.pack("<f", x))[0]


def xyz(v):
    return (v.x, v.y, v.z)


def state(obj):
    return obj.__getnewargs_ex__()[1]["__pickle_state__"]


def axis_state(p1, d, r, rdv, z_aligned):
    return {"p1": p1, "dir": d, "radius": r, "rdv": rdv, "z_aligned": z_aligned}


# (class, constructor args, its pickled state as CPython reads it, repr, field names, missing-argument message);
# the state's bytes are written from the plain value by support.p_stream.
TABLE = [
    (Sphere, ((0.1, 1, -0.0), 2.5), {"center": (f32(0.1), 1.0, -0.0), "radius": 2.5},
     "Sphere(center: [0.1, 1, -0], radius: 2.5)", ["center", "radius"], "Sphere requires center argument"),
    (Capsule, ((0, 0, 0), (0, 0, 2), 0.5), axis_state((0.0, 0.0, 0.0), (0.0, 0.0, 2.0), 0.5, 0.25, True),
     "Capsule(p1: [0, 0, 0], p2: [0, 0, 2], radius: 0.5)", ["p1", "p2", "radius"], "Capsule requires p1, p2 arguments"),
    (Cylinder, ((1, 0, 0), (1, 2, 0)), axis_state((1.0, 0.0, 0.0), (0.0, 2.0, 0.0), 0.0, 0.25, False),
     "Cylinder(p1: [1, 0, 0], p2: [1, 2, 0], radius: 0)", ["p1", "p2", "radius"], "Cylinder requires p1, p2 arguments"),
    (Cuboid, ((1, 2, 3), EYE, (0.5, 1e20, 1e-7)),
     {"center": (1.0, 2.0, 3.0), "axes": ((1.0, 0.0, 0.0), (0.0, 1.0, 0.0), (0.0, 0.0, 1.0)),
      "half_extents": (0.5, f32(1e20), f32(1e-7)), "axis_aligned": True},
     "Cuboid(center: [1, 2, 3], half_extents: [0.5, 100000000000000000000, 0.0000001])",
     ["center", "axes", "half_extents"], "Cuboid requires center, axes, half_extents arguments"),
    (Plane, ((0, 0, 1), 0.5), {"normal": (0.0, 0.0, 1.0), "d": 0.5},
     "Plane(normal: [0, 0, 1], d: 0.5)", ["normal", "d"], "Plane requires normal argument"),
    (Line, ((1, 2, 3), (NAN, INF, -INF)), {"origin": (1.0, 2.0, 3.0), "dir": (NAN, INF, -INF)},
     "Line(origin: [1, 2, 3], dir: [NaN, inf, -inf])", ["origin", "dir"], "Line requires origin, dir arguments"),
    (Ray, ((0, 0, 0), (1, 0, 0)), {"origin": (0.0, 0.0, 0.0), "dir": (1.0, 0.0, 0.0)},
     "Ray(origin: [0, 0, 0], dir: [1, 0, 0])", ["origin", "dir"], "Ray requires origin, dir arguments"),
    (LineSegment, ((0, 0, 0), (2, 0, 0)), {"start": (0.0, 0.0, 0.0), "end": (2.0, 0.0, 0.0)},
     "LineSegment(start: [0, 0, 0], end: [2, 0, 0])", ["p1", "p2"], "LineSegment requires p1, p2 arguments"),
]
ROWS = [pytest.param(*row, id=row[0].__name__) for row in TABLE]


@pytest.mark.parametrize("cls, args, body, text, fields, missing", ROWS)
def test_state_bytes_repr_and_fields(cls, args, body, text, fields, missing):
    obj = cls(*args)
    assert state(obj) == p_stream(body)
    assert obj.__getnewargs_ex__()[0] == () and list(obj.__getnewargs_ex__()[1]) == ["__pickle_state__"]
    assert repr(obj) == text
    assert list(obj.__dict__) == fields and list(cls.__dataclass_fields__) == fields
    assert cls.__dataclass_fields__ is cls.__dataclass_fields__
    assert obj.__dict__ is not obj.__dict__
    assert repr(obj.__dict__) == repr({f: getattr(obj, f) for f in fields})
    assert cls.__text_signature__.startswith("(") and cls.__text_signature__.endswith("*, __pickle_state__=None)")


@pytest.mark.parametrize("cls, args, body, text, fields, missing", ROWS)
def test_state_is_what_cpython_reads(cls, args, body, text, fields, missing):
    read = pickle.loads(state(cls(*args)))
    assert repr(read) == repr(body)  # repr: NaN compares unequal
    assert [type(v) for v in read.values()] == [type(v) for v in body.values()]


@pytest.mark.parametrize("cls, args, body, text, fields, missing", ROWS)
def test_round_trips_keep_every_stored_field(cls, args, body, text, fields, missing):
    obj = cls(*args)
    copies = [pickle.loads(pickle.dumps(obj, protocol=p)) for p in (2, 3, 4, 5)]
    copies += [copy.copy(obj), copy.deepcopy(obj), cls(__pickle_state__=bytearray(state(obj)))]
    for c in copies:
        assert type(c) is cls and c is not obj and state(c) == state(obj)


@pytest.mark.parametrize("cls, args, body, text, fields, missing", ROWS)
def test_missing_arguments(cls, args, body, text, fields, missing):
    calls = [(), (None,) + args[1:]]
    if "," in missing:  # more than one required field: the first alone is not enough
        calls.append(args[:1])
    for call in calls:
        with pytest.raises(ValueError) as e:
            cls(*call)
        assert str(e.value) == missing


@pytest.mark.parametrize("cls, args, body, text, fields, missing", ROWS)
def test_state_decides_but_fields_convert_first(cls, args, body, text, fields, missing):
    other = cls(*args[:1], __pickle_state__=p_stream(body))
    assert state(cls(*args, __pickle_state__=p_stream(body))) == state(other)
    with pytest.raises(AttributeError) as e:
        cls(object(), *args[1:], __pickle_state__=p_stream(body))
    assert e.value.__notes__ == [f"while processing '{fields[0]}'"]
    for bad in (b"", p_stream(body) + b"\x00"):
        with pytest.raises(ValueError, match="^pickle decode failed: "):
            cls(__pickle_state__=bad)
    with pytest.raises(TypeError, match="^Can't extract `str` to `Vec`"):
        cls(__pickle_state__="abc")


@pytest.mark.parametrize("cls, args, body, text, fields, missing", ROWS)
def test_identity_comparison_and_final_classes(cls, args, body, text, fields, missing):
    a, b = cls(*args), cls(*args)
    assert a == a and a != b and hash(a) != hash(b)
    with pytest.raises(TypeError):
        a < b
    with pytest.raises(TypeError):
        type("Sub", (cls,), {})
    with pytest.raises(AttributeError):
        a.__dict__ = {}


@pytest.mark.parametrize(
    "given, stored",
    [
        (1e39, INF), (-1e39, -INF), (3.4028235677973366e38, INF), (3.4028235677973362e38, 3.4028234663852886e38),
        (1 + 2**-24, 1.0), (1 + 3 * 2**-24, 1 + 2**-22), (0.1, 0.10000000149011612), (1e-46, 0.0), (-1e-46, -0.0),
    ],
)
def test_narrowing_rounds_to_nearest_even_and_overflows_to_inf(given, stored):
    s = Sphere((given, 0, 0), given)
    assert struct.pack("<d", s.radius) == struct.pack("<d", stored) == struct.pack("<d", s.center.x)


def test_nan_stays_nan_and_none_is_not_a_default():
    assert math.isnan(Sphere((0, 0, 0), NAN).radius)
    for call, name in [(lambda: Sphere((0, 0, 0), None), "radius"), (lambda: Plane((0, 0, 1), None), "d")]:
        with pytest.raises(TypeError) as e:
            call()
        assert e.value.__notes__ == [f"while processing '{name}'"]


# ---- each class's own methods ----

def plain(x):
    """Vec3 and Sphere results as tuples, so one table can hold them."""
    if isinstance(x, Vec3):
        return xyz(x)
    if isinstance(x, Sphere):
        return (xyz(x.center), x.radius)
    if isinstance(x, (list, tuple)):
        return type(x)(plain(i) for i in x)
    return x


CAP = Capsule((0, 0, 0), (0, 0, 2), 0.5)
CYL = Cylinder((0, 0, 0), (0, 0, 2), 1)
BOX = Cuboid((0, 0, 0), EYE, [1, 2, 3])
TURNED = Cuboid((0, 0, 0), [(0.8660254, 0.5, 0), (-0.5, 0.8660254, 0), (0, 0, 1)], [1, 1, 1])


@pytest.mark.parametrize(
    "call, expected",
    [
        (lambda: CAP.length(), 2.0),
        (lambda: CAP.bounding_sphere(), ((0, 0, 1), 1.5)),
        (lambda: CAP.closest_point_to((3, 4, 1.5)), (0, 0, 1.5)),
        (lambda: CAP.closest_point_to((0, 0, -7)), (0, 0, 0)),
        (lambda: Capsule((0, 0, 0), (2, 2, 0), 1).closest_point_to((2, 0, 5)), (1, 1, 0)),
        (lambda: Capsule((1, 1, 1), (1, 1, 1), 0.2).closest_point_to((5, -3, 1e30)), (1, 1, 1)),
        (lambda: Capsule((0.1, 0.2, 0.3), (1, 1, 1)).p1, (f32(0.1), f32(0.2), f32(0.3))),
        (lambda: Capsule((0.1, 0.2, 0.3), (0.7, 1, 1)).p2, tuple(f32(f32(a) + f32(f32(b) - f32(a)))
                                                           for a, b in [(0.1, 0.7), (0.2, 1), (0.3, 1)])),
        (lambda: Capsule.from_center_orientation((0, 0, 0), Mat3.IDENTITY, 4, 0.5).__dict__,
         {"p1": Vec3(0, -2, 0), "p2": Vec3(0, 2, 0), "radius": 0.5}),
        (lambda: CYL.contains_point((1, 0, 2)), True),
        (lambda: CYL.contains_point((0, 0, 2.001)), False),
        (lambda: CYL.point_dist_sq((3, 0, 1)), 4.0),
        (lambda: CYL.point_dist_sq((0, 0, 5)), 9.0),
        (lambda: CYL.point_dist_sq((2, 0, 3)), 2.0),
        (lambda: CYL.point_dist_sq((0.5, 0, 1)), 0.0),
        (lambda: Cylinder((0, 0, 0), (0, 0, 2), 2).point_dist_sq((1.5, 0, 1)), 0.0),
        (lambda: Cylinder((0, 0, 0), (0, 0, 2), NAN).point_dist_sq((0, 0, 3)), 1.0),
        (lambda: CYL.bounding_sphere(), ((0, 0, 1), 2.0)),
        (lambda: Cylinder((0, 0, 0), (0, 2, 0), 1).center_orientation(), (Vec3(0, 1, 0), Mat3.IDENTITY)),
        (lambda: BOX.axis_aligned, True),
        (lambda: BOX.axes, EYE),
        (lambda: BOX.full_extents, [2.0, 4.0, 6.0]),
        (lambda: Cuboid((0, 0, 0), EYE, [f32(0.1)] * 3).full_extents, [2 * f32(0.1)] * 3),
        (lambda: BOX.bounding_sphere_radius(), f32(math.sqrt(14))),
        (lambda: BOX.contains_point((1, 2, 3)), True),
        (lambda: BOX.contains_point((1.0001, 0, 0)), False),
        (lambda: BOX.contains_point((NAN, 0, 0)), True),
        (lambda: Cuboid((10, 0, 0), EYE, [1, 1, 1]).contains_point((10.5, 0, 0.5)), True),
        (lambda: BOX.point_dist_sq((3, 0, 0)), 4.0),
        (lambda: BOX.point_dist_sq((2, 3, 4)), 3.0),
        (lambda: [BOX.corners()[k] for k in (0, 1, 4, 7)], [(-1, -2, -3), (-1, -2, 3), (1, -2, -3), (1, 2, 3)]),
        (lambda: TURNED.contains_point((1.2, -0.3, 0)), True),
        (lambda: TURNED.contains_point((1.2, 0.3, 0)), False),
        (lambda: TURNED.point_dist_sq((1.2, -0.3, 0)), 0.0),
        (lambda: TURNED.point_dist_sq((1.2, 0.3, 0)) > 0, True),
        (lambda: TURNED.axis_aligned, False),
        (lambda: Cuboid((0, 0, 0), [(1, 0, 0), (0, 1, 0), (NAN, 0, 1)], [1, 1, 1]).axis_aligned, False),
        (lambda: Cuboid((0, 0, 0), [(-0.0, 0, 0), (0, 5, 0), (0, -0.0, 1)], [1, 1, 1]).axis_aligned, True),
        (lambda: Cuboid.from_aabb((0, 0, 0), (2, 4, 6)).__dict__, BOX.__dict__ | {"center": Vec3(1, 2, 3)}),
        (lambda: Cuboid.from_aabb((2, 2, 2), (0, 0, 0)).half_extents, [-1.0, -1.0, -1.0]),
        (lambda: Cuboid.from_aabb((2, 2, 2), (0, 0, 0)).contains_point((1, 1, 1)), False),
        (lambda: Cuboid.from_center_size_orientation((0, 0, 0), (2, -4, 6), Mat3.IDENTITY).half_extents, [1, 2, 3]),
        (lambda: Cuboid.from_center_size_orientation((0, 0, 0), (2, -4, 6), Mat3.IDENTITY).axis_aligned, False),
        (lambda: TURNED.orientation, Mat3.from_cols(*(Vec3(*map(f32, a)) for a in TURNED.axes))),
        (lambda: Plane((0, 0, 2), 3).__dict__, {"normal": Vec3(0, 0, 2), "d": 3.0}),
        (lambda: Plane((0, 0, 1)).d, 0.0),
        (lambda: Plane.from_point_normal((1, 2, 3), (0, 0, 2)).__dict__, {"normal": Vec3(0, 0, 2), "d": 6.0}),
        (lambda: Plane.from_point_normal((0.1, 0.2, 0.3), (0.3, 0.2, 0.1)).d,
         f32(f32(f32(f32(0.1) * f32(0.3)) + f32(f32(0.2) * f32(0.2))) + f32(f32(0.3) * f32(0.1)))),
        (lambda: Line.from_points((1, 2, 3), (1, 2, 3)).dir, (0, 0, 0)),
        (lambda: Line.from_points((1, 2, 3), (2, 0, 3)).__dict__, {"origin": Vec3(1, 2, 3), "dir": Vec3(1, -2, 0)}),
        (lambda: Line((1, 2, 3), (0, 0, 0)).dir, (0, 0, 0)),
        (lambda: Ray((0.1, 0, 0), (0, 0, 1)).origin, (f32(0.1), 0, 0)),
        (lambda: LineSegment((0, 0, 0), (2, 0, 0)).bounding_sphere(), ((1, 0, 0), 1.0)),
        (lambda: LineSegment((1, 1, 1), (1, 1, 1)).bounding_sphere(), ((1, 1, 1), 0.0)),
    ],
)
def test_class_methods(call, expected):
    result = call()
    assert plain(result) == plain(expected) and type(plain(result)) is type(plain(expected))


def test_class_methods_return_exact_classes():
    assert type(Capsule.from_center_orientation((0, 0, 0), Mat3.IDENTITY, 1, 1)) is Capsule
    assert type(Cylinder.from_center_orientation((0, 0, 0), Mat3.IDENTITY, 1, 1)) is Cylinder
    assert type(CAP.bounding_sphere()) is Sphere and type(BOX.corners()[0]) is Vec3


def test_center_orientation_half_turn_and_round_trip():
    centre, m = Cylinder((0, 0, 0), (0, -2, 0), 1).center_orientation()
    assert xyz(centre) == (0, -1, 0)
    assert m.abs_diff_eq(Mat3.from_cols(Vec3(-1, 0, 0), Vec3(0, -1, 0), Vec3(0, 0, 1)), 1e-15)
    assert m.x_axis.y == -2 * 6.123233995736766e-17
    c = Cylinder((1, 2, 3), (4, -1, 7), 0.5)
    back = Cylinder.from_center_orientation(*c.center_orientation(), c.length(), c.radius)
    assert all(abs(a - b) < 1e-5 for f in ("p1", "p2") for a, b in zip(xyz(getattr(c, f)), xyz(getattr(back, f))))


@pytest.mark.parametrize(
    "call, error, message, note",
    [
        (lambda: Cuboid.from_center_size_orientation((0, 0, 0), [2, 4, 6], Mat3.IDENTITY), TypeError,
         "'list' object is not an instance of 'tuple'", "size"),
        (lambda: Cuboid.from_center_size_orientation((0, 0, 0), (2, 4), Mat3.IDENTITY), ValueError,
         "expected tuple of length 3, but got tuple of length 2", "size"),
        (lambda: Cuboid((0, 0, 0), 5, [1, 2, 3]), TypeError, "'int' object is not an instance of 'Sequence'", "axes"),
        (lambda: Cuboid((0, 0, 0), [[1, 0], [0, 1, 0], [0, 0, 1]], [1, 2, 3]), ValueError,
         "expected a sequence of length 3 (got 2)", "axes"),
        (lambda: Cuboid((0, 0, 0), EYE, [1, 2]), ValueError, "expected a sequence of length 3 (got 2)", "half_extents"),
        (lambda: Ray(origin=(0, 0, 0)), ValueError, "Ray requires origin, dir arguments", None),
        (lambda: Line(None, (1, 0, 0)), ValueError, "Line requires origin, dir arguments", None),
        (lambda: CAP.closest_point_to((1, 2)), AttributeError, "'tuple' object has no attribute 'x'", "point"),
        (lambda: Capsule.from_center_orientation((0, 0, 0), 5, 1, 1), AttributeError,
         "'int' object has no attribute 'to_cols_array'", "orientation"),
    ],
)
def test_argument_errors(call, error, message, note):
    with pytest.raises(error) as e:
        call()
    assert str(e.value) == message
    assert getattr(e.value, "__notes__", None) == ([f"while processing '{note}'"] if note else None)
