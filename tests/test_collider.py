"""Collider: growth of the bounding sphere, the any-collider converter (refusals included), pickled state
bytes, views, bounds, transforms, collider queries and the borrow flag against re-entry."""

import math
import pickle
import random

import pytest

from support import p_text, p_value
from vexorin import (Affine3, Capsule, Collider, Cuboid, Cylinder, Line, LineSegment, Mat3, Plane, Pointcloud, Ray,
                     Shape, Sphere, SphereCollection, Vec3)

INF, NAN = math.inf, math.nan
EYE = [[1, 0, 0], [0, 1, 0], [0, 0, 1]]
S1, S2 = Sphere((0, 0, 0), 1), Sphere((4, 0, 0), 2)
BOX = Cuboid((0, 0, 0), EYE, (1, 1, 1))
CYL = Cylinder((0, 0, 0), (0, 0, 1), 1)
QUARTER_Z = (0, 0, math.sin(math.pi / 4), math.cos(math.pi / 4))
KEYS = ["capsules", "cuboids", "cylinders", "planes", "polygons", "polytopes", "points", "spheres", "lines",
        "rays", "segments", "pointclouds"]


def state(obj):
    return obj.__getnewargs_ex__()[1]["__pickle_state__"]


def ball(s):
    return (s.center.x, s.center.y, s.center.z, s.radius)


def bound(c):
    return ball(c.broadphase())


def build(*shapes):
    c = Collider()
    for s in shapes:
        c.add(s)
    return c


def cloud_state(cloud):
    return pickle.loads(state(cloud))


def test_mask_and_repr():
    c = Collider()
    assert (repr(c), c.mask()) == ("Collider(mask=0x0000)", 0)
    c.include([Sphere((0, 0, 0), 1), Plane((0, 0, 1), 0)])
    assert (repr(c), c.mask()) == ("Collider(mask=0x0088)", 136)
    assert Collider.__text_signature__ == "(*, __pickle_state__=None)"
    assert Collider.__dataclass_fields__ == {} and c.__dict__ == {}
    with pytest.raises(TypeError):
        type("Sub", (Collider,), {})


@pytest.mark.parametrize("spheres, expected", [
    ([((0, 0, 0), 1), ((1, 0, 0), 10)], (1, 0, 0, 10)),
    ([((1, 0, 0), 10), ((0, 0, 0), 1)], (1, 0, 0, 10)),
    ([((-1, 0, 0), 1), ((1, 0, 0), 1)], (0, 0, 0, 2)),
    ([((0, 0, 0), 0), ((5, 0, 0), 1)], (3, 0, 0, 3)),  # a member at the origin of radius 0 is a member
    # ((R + r) + dist)·0.5: R + (r + dist) would give 233.7129
    ([((74.87458, 163.4783, 27.276878), 123.33286), ((-95.82652, 160.00191, 20.288244), 173.21349)],
     (-35.39025115966797, 161.2327117919922, 22.76255226135254, 233.71292114257812)),
    # r + dist exceeds R by a subnormal: the bound grows, though the member's offset squared is below
    # (R − r)²·0.999 once rounded
    ([((0, 0, 0), 4.2824936e-23), ((4.2010018e-23, 0, 0), 1.0706234e-23)], (0, 0, 0, 4.548254541876093e-23)),
    # The offset's square overflows: the radius becomes infinite and the centre stays (not NaN)
    ([((0, 0, 0), 1e20), ((3e19, 3e19, 3e19), 1)], (0, 0, 0, INF)),
    # A NaN member leaves the bound as it was
    ([((0, 0, 0), 1), ((NAN, 0, 0), 1), ((0, 0, 0), NAN)], (0, 0, 0, 1)),
])
def test_grow_step(spheres, expected):
    """The same step grows the bound in add, in include (self's bound by the other's) and in the rebuild after
    decoding."""
    c = build(*(Sphere(center, r) for center, r in spheres))
    assert bound(c) == expected
    first, *rest = spheres
    included = build(Sphere(*first))
    included.include(build(*(Sphere(center, r) for center, r in rest)))
    assert bound(included) == expected
    assert bound(Collider(__pickle_state__=state(c))) == expected


def _included(head, tail):
    c = build(*head)
    c.include(tail)
    return c


def _refined(c):
    c.refine_bounding()
    return c


# Each path builds a collider from `head` (added first) and `tail`.
BOUND_PATHS = {
    "add": lambda head, tail: build(*head, *tail),
    "from_any": lambda head, tail: Collider.from_any(head + tail),
    "include": _included,
    "merge": lambda head, tail: build(*head).merge(tail),
    "with_any": lambda head, tail: build(*head).with_any(tail),
    "state": lambda head, tail: Collider(__pickle_state__=state(build(*head, *tail))),
    "refine": lambda head, tail: _refined(build(*head, *tail)),
    "translated": lambda head, tail: build(*head, *tail).translated((1, 2, 3)),
    "rotated_quat": lambda head, tail: build(*head, *tail).rotated_quat(QUARTER_Z),
    "stretching": lambda head, tail: build(*head, *tail).rotated_mat(Mat3((2, 0, 0), (0, 1, 0), (0, 0, 1))),
    "scaled": lambda head, tail: build(*head, *tail).scaled(0.5),
}
NAN_MEMBERS = {"centre": Sphere((NAN, 0, 0), 1), "radius": Sphere((0, 0, 0), NAN),
               "capsule end": Capsule((1, NAN, 0), (1, 0, 0), 1)}


@pytest.mark.parametrize("bad", NAN_MEMBERS.values(), ids=NAN_MEMBERS)
@pytest.mark.parametrize("path", BOUND_PATHS.values(), ids=BOUND_PATHS)
def test_a_nan_first_member_hides_no_other(path, bad):
    valid = [Cuboid((3, 0, 0), EYE, (1, 1, 1)), Capsule((0, 4, 0), (0, 6, 0), 0.5)]
    c, clean = path([bad], valid), path([], valid)
    assert bound(c) == bound(clean)
    assert c.collides_other(clean) and clean.collides_other(c)


def test_nan_members_only_keep_the_first_ones_sphere():
    c = build(Sphere((NAN, 0, 0), 1), Sphere((0, 0, 0), NAN))
    for x in (c, Collider(__pickle_state__=state(c)), _refined(c)):
        assert math.isnan(bound(x)[0]) and bound(x)[1:] == (0, 0, 1)


def test_an_unbounded_collider_after_a_nan_member_meets_others():
    c = build(Sphere((NAN, 0, 0), 1), Plane((0, 0, 1), 0), Sphere((3, 0, 0), 1))
    assert math.isnan(c.broadphase().center.x) and c.broadphase().radius == INF  # the plane keeps the centre
    probe = Collider.from_any(Sphere((3, 0, 0), 0.5))
    assert c.collides_other(probe) and probe.collides_other(c)


def test_unbounded_kinds_make_the_radius_infinite_for_good():
    for unbounded in (Plane((0, 0, 1), 0), Line((0, 0, 0), (1, 0, 0)), Ray((0, 0, 0), (1, 0, 0))):
        c = build(Sphere((3, 0, 0), 1), unbounded, Sphere((9, 9, 9), 100))
        assert c.broadphase().radius == INF
        back = Collider(__pickle_state__=state(c))
        assert bound(back) == (0, 0, 0, INF) and back.mask() == c.mask()


def test_add_takes_any_shape_and_refuses_the_rest():
    c = Collider()
    for shape in (S1, Shape.Sphere(S2), Shape.Cylinder(CYL), CYL, Pointcloud([(0, 0, 0)])):
        c.add(shape)
    assert c.mask() == 0x080 | 0x004 | 0x800 and len(c.spheres()) == 2 and len(c.cylinders()) == 2
    before = state(c)
    for bad in (None, 5, Collider(), [S1]):
        with pytest.raises(TypeError) as e:
            c.add(bad)
        assert str(e.value) == "expected a Shape (Sphere, Cuboid, Cylinder, etc.)"
        assert e.value.__notes__ == ["while processing 'shape'"]
    assert state(c) == before


# ---- the any-collider converter ----

class Like:
    """Collider-like: each named method returns the given value (a callable is called to get it)."""

    def __init__(self, **results):
        for name, value in results.items():
            setattr(self, name, (lambda v=value: v() if callable(v) else v))


class Indexed:
    """Not a sequence by the interpreter's check: only __len__ and __getitem__ as plain attributes."""

    def __init__(self, items):
        self.__len__ = lambda: len(items)
        self.__getitem__ = lambda i: items[i]


@pytest.mark.parametrize("obstacles, mask", [
    (None, 0), ([], 0), (iter(()), 0), (S1, 0x80), ([S1, BOX, S2], 0x82), (iter([S1, Plane((0, 0, 1), 0)]), 0x88),
    (Like(spheres=[S1, S2]), 0x80), (Like(spheres=SphereCollection.from_slice([S1, S2, S1])), 0x80),
    (Like(spheres=Indexed([S1, S2])), 0x80), (Like(spheres=None, cuboids=(BOX,), capsules=None), 0x02),
    (Like(spheres=[], cuboids=[], cylinders=[CYL], capsules=[]), 0x04),
    (Like(capsules=[Capsule((0, 0, 0), (1, 0, 0), 1)]), 0x01),
])
def test_converter_accepts(obstacles, mask):
    assert Collider.from_any(obstacles).mask() == mask


def test_collider_like_order_and_skips():
    like = Like(spheres=[S1, S2], cuboids=[BOX], cylinders=[], capsules=[])
    like.cylinders = 5  # not callable: skipped
    c = Collider.from_any(like)
    assert [ball(s) for s in c.spheres()] == [ball(S1), ball(S2)] and len(c.cuboids()) == 1
    assert len(Collider.from_any(Like(spheres=SphereCollection.from_slice([S1, S2, S1]))).spheres()) == 3


@pytest.mark.parametrize("obstacles, error, message", [
    (42, TypeError, "PyCollider: object is not a Shape, an iterable of Shapes or collider-like"),
    (object(), TypeError, "PyCollider: object is not a Shape, an iterable of Shapes or collider-like"),
    ("ab", TypeError, "PyCollider: sequence item is not a Shape"),
    ([S1, 5], TypeError, "PyCollider: sequence item is not a Shape"),
    (Like(spheres=[S1, 5, S2]), TypeError, "PyCollider: spheres() item is not a Sphere"),
    (Like(spheres=Indexed([S1, 5])), TypeError, "PyCollider: spheres() item is not a Sphere"),
    (Like(spheres=5), TypeError, "PyCollider: spheres() result is not a sequence"),
    (Like(cuboids=[BOX, BOX, 5]), TypeError, "PyCollider: cuboids() item is not a Cuboid"),
    (Like(spheres=SphereCollection.from_slice([S1]), cuboids=[S1]), TypeError,
     "PyCollider: cuboids() item is not a Cuboid"),
    (Like(cylinders="abc"), TypeError, "PyCollider: cylinders() result is not a sequence"),
    (Like(capsules=[BOX]), TypeError, "PyCollider: capsules() item is not a Capsule"),
    (Like(cuboids=lambda: 1 / 0), ZeroDivisionError, "division by zero"),
    (Like(spheres=Indexed([S1]), capsules=lambda: [][1]), IndexError, "list index out of range"),
    ((S1 if x else 1 / x for x in [1, 0]), ZeroDivisionError, "division by zero"),
])
def test_converter_refuses_what_it_cannot_read(obstacles, error, message):
    c = build(S1)
    before = state(c)
    for call, note in ((Collider.from_any, "obstacles"), (c.include, "other"), (c.merge, "other"),
                       (c.with_any, "obstacle")):
        with pytest.raises(error) as e:
            call(obstacles)
        assert str(e.value) == message and e.value.__notes__ == [f"while processing '{note}'"]
        if not hasattr(obstacles, "__len__") and hasattr(obstacles, "__next__"):
            break  # consumed
    assert state(c) == before


def test_empty_arguments_bring_no_phantom_bound():
    c = build(Sphere((10, 0, 0), 1))
    assert bound(c.merge(None)) == (10, 0, 0, 1)
    c.include([])
    c.include(Collider().translated((-50, 0, 0)))
    assert bound(c) == (10, 0, 0, 1)
    assert bound(Collider().translated((1, 2, 3))) == (0, 0, 0, 0)
    moved = Collider().translated((1, 2, 3))
    moved.include(Sphere((5, 0, 0), 1))
    assert bound(moved) == (5, 0, 0, 1) and moved.mask() == 0x80


def test_include_self_is_refused_and_merge_self_doubles():
    c = build(S1, BOX, Line((0, 0, 0), (1, 0, 0)), LineSegment((0, 0, 0), (1, 0, 0)))
    before = state(c)
    with pytest.raises(RuntimeError) as e:
        c.include(c)
    assert str(e.value) == "Already mutably borrowed" and e.value.__notes__ == ["while processing 'other'"]
    assert state(c) == before
    twice = c.merge(c)
    assert state(c) == before and twice.mask() == c.mask()
    for view in ("spheres", "cuboids", "lines", "segments"):
        assert len(getattr(twice, view)()) == 2 * len(getattr(c, view)())


def test_borrow_flag_against_reentry():
    c = build(S1)

    class Reading:
        radius = 1.0

        @property
        def center(self):
            c.mask()
            return (0, 0, 0)

    # The refusal of the duck-typed probe (its attribute met the borrow) is discarded like any other.
    with pytest.raises(TypeError, match="^expected a Shape"):
        c.add(Reading())

    def reading():
        c.mask()
        yield S2

    def growing():
        c.include(S2)
        yield S2

    class Offset:
        x, y = 1.0, 0.0

        @property
        def z(self):
            c.refine_bounding()
            return 0.0

    for call, arg, message in ((c.include, reading(), "Already mutably borrowed"),
                               (c.merge, growing(), "Already borrowed"),
                               (c.translated, Offset(), "Already borrowed")):
        with pytest.raises(RuntimeError) as e:
            call(arg)
        assert str(e.value) == message
    assert len(c.spheres()) == 1
    c.include(S2)  # every flag was released
    assert len(c.spheres()) == 2


# ---- pickled state and views ----

def test_state_bytes():
    empty = state(Collider())
    head = b"\x80\x03}(X\x08\x00\x00\x00capsules"
    assert empty.startswith(head + b"]X\x07\x00\x00\x00cuboids") and empty.endswith(b"u.")
    plain = pickle.loads(empty)
    assert list(plain) == KEYS and plain["spheres"] == {"x": [], "y": [], "z": [], "r": [], "len": 0}
    assert all(plain[k] == [] for k in KEYS if k != "spheres")
    full = pickle.loads(state(build(S1, BOX, Plane((0, 0, 1), 2), Capsule((0, 0, 0), (1, 0, 0), 1))))
    assert full["planes"] == [{"normal": (0.0, 0.0, 1.0), "d": 2.0}] and len(full["spheres"]["x"]) == 16
    assert list(full) == KEYS and len(full["capsules"]) == 1 and full["spheres"]["len"] == 1
    for bad in (b"", state(Collider()) + b"."):
        with pytest.raises(ValueError, match="^pickle decode failed: "):
            Collider(__pickle_state__=bad)
    with pytest.raises(TypeError):
        Collider(1)


def points_state(*points):
    """An empty collider's state whose points list holds the given points."""
    body = state(Collider())
    key = p_text("points") + b"]"
    lst = p_value([tuple(float(x) for x in p) for p in points])
    assert body.count(key) == 1
    return body.replace(key, p_text("points") + lst)


def test_points_travel_only_in_the_state():
    c = Collider(__pickle_state__=points_state((1, 2, 3), (3, 2, 1)))
    assert c.mask() == 0x40 and bound(c) == pytest.approx((2, 2, 2, math.sqrt(2)))
    assert all(getattr(c, v)() == [] for v in ("capsules", "cuboids", "cylinders", "planes", "lines", "rays", "segments"))
    assert len(c.spheres()) == 0
    assert pickle.loads(state(pickle.loads(pickle.dumps(c))))["points"] == [(1, 2, 3), (3, 2, 1)]
    assert c.collides_other(Collider.from_any(Sphere((1, 2, 3.5), 0.5)))
    assert not c.collides_other(Collider.from_any(Sphere((1, 2, 3.5), 0.499)))
    # A plane holds the points of its solid half-space, its boundary included, whichever collider asks.
    on, off = Plane((0, 0, 1), 1), Plane((0, 0, 1), 0.99)
    assert c.collides(on) and Collider.from_any(on).collides_other(c) and c.collides_other(Collider.from_any(on))
    assert not c.collides(off) and not Collider.from_any(off).collides_other(c)


def test_views_are_copies_in_order():
    members = [Sphere((1, 0, 0), 1), BOX, Sphere((2, 0, 0), 1), Capsule((0, 0, 0), (0, 1, 0), 1), CYL,
               Plane((0, 1, 0), 1), Line((0, 0, 0), (0, 1, 0)), Ray((1, 0, 0), (0, 0, 1)), LineSegment((0, 0, 0), (5, 0, 0))]
    c = build(*members)
    assert c.mask() == 0x78F and [ball(s) for s in c.spheres()] == [(1, 0, 0, 1), (2, 0, 0, 1)]
    for view, cls in (("capsules", Capsule), ("cuboids", Cuboid), ("cylinders", Cylinder), ("planes", Plane),
                      ("lines", Line), ("rays", Ray), ("segments", LineSegment)):
        a, b = getattr(c, view)(), getattr(c, view)()
        given = [m for m in members if type(m) is cls]
        assert len(a) == 1 and type(a[0]) is cls and a[0] is not b[0] and state(a[0]) == state(given[0])
        assert a is not b
        a.clear()
        assert len(getattr(c, view)()) == 1
    assert c.spheres() is not c.spheres()


# ---- bounds and transforms ----

def box_fields(b):
    return ((b.center.x, b.center.y, b.center.z), tuple(b.half_extents), tuple(map(tuple, b.axes)))


def test_bounds():
    assert box_fields(Collider().obb()) == ((0, 0, 0), (0, 0, 0), ((1, 0, 0), (0, 1, 0), (0, 0, 1)))
    c = build(Sphere((1, 2, 3), 2))
    assert bound(c) == (1, 2, 3, 2) and box_fields(c.aabb()) == box_fields(c.obb())
    assert box_fields(c.aabb())[:2] == ((1, 2, 3), (2, 2, 2))
    unbounded = Collider.from_any([Sphere((1, 2, 3), 2), Plane((0, 0, 1), 0)])
    # The unbounded box keeps the bound's centre rather than the NaN of −inf + inf.
    assert bound(unbounded) == (1, 2, 3, INF)
    assert box_fields(unbounded.obb())[:2] == ((1, 2, 3), (INF, INF, INF))


def test_rigid_transforms_move_members_and_bounds():
    c = build(Sphere((1, 0, 0), 1))
    before = state(c)
    t = c.translated((1, 0, 0))
    assert [ball(s) for s in t.spheres()] == [(2, 0, 0, 1)] and bound(t) == (2, 0, 0, 1) and state(c) == before
    r = c.rotated_quat(QUARTER_Z)
    assert ball(r.spheres()[0]) == pytest.approx((0, 1, 0, 1), abs=1e-6) and bound(r) == pytest.approx((0, 1, 0, 1), abs=1e-6)
    m = c.rotated_mat(Mat3((0, 1, 0), (-1, 0, 0), (0, 0, 1)))
    assert ball(m.spheres()[0]) == (0, 1, 0, 1)
    u = build(S1, BOX, Plane((0, 0, 1), 1), Line((0, 0, 0), (1, 0, 0)), LineSegment((0, 0, 0), (1, 1, 0)))
    moved = u.transformed(Affine3.from_translation((1, 2, 3)))
    assert state(moved) == state(u.translated((1, 2, 3)))
    for x in (moved, u.rotated_quat(QUARTER_Z), u.rotated_mat(Mat3.from_rotation_z(0.3)), u.scaled(2)):
        assert (x.mask(), repr(x), x.broadphase().radius) == (u.mask(), repr(u), INF)


def test_scaled_rebuilds_bounds_around_scaled_members():
    c = build(Sphere((1, 0, 0), 1), Plane((0, 0, 1), 1.5), LineSegment((1, 1, 1), (2, 1, 1)))
    s = c.scaled(2)
    assert ball(s.spheres()[0]) == (1, 0, 0, 2) and s.planes()[0].d == 3
    seg = s.segments()[0]
    assert (seg.p1.x, seg.p1.y, seg.p1.z, seg.p2.x) == (1, 1, 1, 3)
    shrunk = build(Capsule((0, 0, 0), (10, 0, 0), 1), Sphere((0, 5, 0), 1)).scaled(0.5)
    center, r = shrunk.broadphase().center, shrunk.broadphase().radius
    cap = shrunk.capsules()[0]
    for p in (cap.p1, cap.p2):  # the shrunk capsule about p1 stays inside the bound
        assert (p - center).length() + cap.radius <= r + 1e-5


# ---- collider queries ----

@pytest.mark.parametrize("members, expected", [
    ([], (0, 0, 0, 0)),
    ([Sphere((-1, 0, 0), 1), Sphere((1, 0, 0), 1)], (0, 0, 0, 2)),
    ([Sphere((3, 4, 0), 2)], (3, 4, 0, 2)),
    ([Sphere((3, 4, 0), 2), Ray((0, 0, 0), (1, 0, 0))], (0, 0, 0, INF)),
    # The search would give a NaN sphere: the grown bound stays
    ([Sphere((0, 0, 0), INF), Sphere((3, 0, 0), 1)], (0, 0, 0, INF)),
    ([Sphere((0, 0, 0), 1), Sphere((NAN, 0, 0), 1)], (0, 0, 0, 1)),
])
def test_refine_bounding(members, expected):
    c = build(*members)
    c.refine_bounding()
    assert bound(c) == expected


def test_refine_bounding_encloses_every_member():
    spheres = [Sphere((i % 7, (3 * i) % 5, (5 * i) % 11), 0.25 + (i % 3)) for i in range(40)]
    c = build(*spheres)
    c.refine_bounding()
    b = c.broadphase()
    for s in spheres:
        assert (s.center - b.center).length() + s.radius <= b.radius * (1 + 1e-6)


def test_query_edge_cases():
    assert not any(Collider().collides(q) for q in (S1, BOX, Plane((0, 0, 1), 0), Line((0, 0, 0), (1, 0, 0))))
    one = build(Sphere((0, 0, 0), 1))
    assert one.collides_other(build(Sphere((2, 0, 0), 1))) and not one.collides_other(build(Sphere((2.000001, 0, 0), 1)))
    assert one.collides_other(one) and not Collider().collides_other(Collider()) and not one.collides_other(Collider())
    with pytest.raises(TypeError) as e:
        one.collides_other(S1)
    assert str(e.value) == "'Sphere' object is not an instance of 'Collider'"
    assert e.value.__notes__ == ["while processing 'other'"]
    c = build(Sphere((10, 0, 0), 1), Plane((0, 0, 1), -5))
    assert c.collides(Shape.Sphere(Sphere((12, 0, 0), 1))) and c.collides(Sphere((0, 0, -6), 0.5))
    assert not c.collides(Sphere((0, 0, 0), 1))
    for cloud in (Pointcloud([(0, 0, 0)]), Shape.Pointcloud(Pointcloud([(0, 0, 0)]))):
        with pytest.raises(ValueError) as e:
            Collider().collides(cloud)
        assert str(e.value) == "Pointcloud cannot query a Collider<Pointcloud>; use individual shape queries instead"
    with pytest.raises(TypeError) as e:
        c.collides(c)
    assert str(e.value) == "expected a Shape (Sphere, Cuboid, Cylinder, etc.)"


def test_point_clouds_under_moves_and_scale():
    c = build(Pointcloud([(1, 2, 3), (2, 2, 2)], (0, 1), 0.1))
    t = c.translated((1, 0, 0))
    cloud = cloud_state(t.pointclouds()[0])
    assert cloud["inverse_transform"] == (1, 0, 0, 0, 1, 0, 0, 0, 1, -1, 0, 0)
    assert cloud["spheres"]["x"][:2] == [1, 2]  # the points stay; the map moves
    assert bound(t)[1:] == bound(c)[1:] and bound(t)[0] == bound(c)[0] + 1
    assert t.collides(Sphere((2, 2, 3), 0.05)) and not c.collides(Sphere((2, 2, 3), 0.05))
    s = cloud_state(c.scaled(2).pointclouds()[0])
    assert s["spheres"]["x"][:2] == [2, 4] and s["r_range"] == (0, 2) and s["point_radius"] == pytest.approx(0.2)
    assert c.scaled(2).collides(Sphere((2, 4, 6.5), 0.35)) and not c.collides(Sphere((2, 4, 6.5), 0.35))
    before = state(c)
    with pytest.raises(ValueError, match="^Pointcloud points must be finite"):
        c.scaled(INF)
    assert state(c) == before
    assert c.try_stretch_d((0, 0, 1)) is None


# Not orthonormal, and 1/det differs when det is taken as z·(x × y).
GENERIC = Mat3((0.09, 0.97, 0.69), (-1.74, 1.03, 0.36), (-0.79, -1.88, 1.46))
SINGULAR = Mat3((1, 2, 3), (4, 5, 6), (7, 8, 9))  # rank 2: 1/det is infinite
CLOUD_MOVES = {
    "scaled": ("scaled", 1.7),
    "translated": ("translated", (0.3, -1.2, 2.5)),
    "rotated_mat": ("rotated_mat", GENERIC),
    "rotated_mat singular": ("rotated_mat", SINGULAR),
    "rotated_quat": ("rotated_quat", (0.3, -0.5, 0.8, 1.1)),  # not of unit length
    "transformed": ("transformed", Affine3.from_mat3_translation(GENERIC, (1, -2, 0.5))),
    "transformed singular": ("transformed", Affine3.from_mat3_translation(SINGULAR, (1, -2, 0.5))),
}


@pytest.mark.parametrize("pending", [False, True])
@pytest.mark.parametrize("method, arg", CLOUD_MOVES.values(), ids=CLOUD_MOVES)
def test_held_clouds_move_as_clouds_do(method, arg, pending):
    """A held cloud takes the bits a cloud moved alone takes, its inverse non-finite after a singular move; the
    collider's bound stays finite."""
    rng = random.Random(7)
    cloud = Pointcloud([tuple(rng.uniform(-3, 3) for _ in range(3)) for _ in range(40)], (0, 1), 0.05)
    if pending:  # composed with the move (scaled bakes it into the points)
        cloud = cloud.rotated_mat(GENERIC).translated((1, 2, 3))
    alone = getattr(cloud, method)(arg)
    held = getattr(Collider.from_any(cloud), method)(arg)
    assert state(held.pointclouds()[0]) == state(alone)
    assert all(map(math.isfinite, bound(held)))


def test_try_stretch_d():
    swept = build(Sphere((0, 0, 0), 1)).try_stretch_d(Vec3(0, 0, 1))
    assert swept.mask() == 0x01 and swept.pointclouds() == []
    cap = swept.capsules()[0]
    assert (cap.p1.z, cap.p2.z, cap.radius) == (0, 1, 1)
