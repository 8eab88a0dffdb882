"""SphereCollection: lanes, growth, padding, pickled state (capacity included), indexing, the eight-lane
test near its boundary, and the borrow flag against re-entry."""

import copy
import math
import pickle
import struct

import pytest

from support import p_stream
from vexorin import Sphere, SphereCollection

NAN = float("nan")


def state(obj):
    return obj.__getnewargs_ex__()[1]["__pickle_state__"]


def arrays(sc):
    return pickle.loads(state(sc))


def spheres(n, start=0):
    return [Sphere((i, 2 * i, -i), 0.5 + i) for i in range(start, start + n)]


def fields(s):
    return (s.center.x, s.center.y, s.center.z, s.radius)


class Duck:
    def __init__(self, center, radius):
        self.center, self.radius = center, radius


def test_empty_collection():
    sc = SphereCollection()
    assert (sc.len(), len(sc), sc.is_empty(), repr(sc), list(sc)) == (0, 0, True, "SphereCollection(len=0)", [])
    assert not sc.any_collides_sphere(Sphere((0, 0, 0), math.inf))
    for read in (lambda: sc.get(0), lambda: sc[0], lambda: sc[-1]):
        with pytest.raises(IndexError, match="^SphereCollection index out of range$"):
            read()
    assert arrays(sc) == {"x": [], "y": [], "z": [], "r": [], "len": 0}
    assert SphereCollection.__dataclass_fields__ == {} and sc.__dict__ == {}
    assert SphereCollection.__text_signature__ == "(*, __pickle_state__=None)"
    with pytest.raises(TypeError):
        type("Sub", (SphereCollection,), {})


def test_push_grows_by_exactly_sixteen_lanes_and_reads_back():
    sc = SphereCollection()
    for i, s in enumerate(spheres(17)):
        sc.push(s)
        assert len(arrays(sc)["x"]) == (16 if i < 16 else 32)
    a = arrays(sc)
    assert a["len"] == 17 and all(math.isnan(r) for r in a["r"][17:])
    assert [fields(s) for s in sc] == [fields(s) for s in spheres(17)]
    assert sc.abs_diff_eq(SphereCollection.from_slice(spheres(17)), 0.0)


def test_from_slice_layout_and_duck_spheres():
    sc = SphereCollection.from_slice([Sphere((1, 2, 3), 4), Duck([5, 6, 7], 0.1), Duck((8, 9, 10), -1)])
    a = arrays(sc)
    assert a["len"] == 3 and [len(a[k]) for k in "xyzr"] == [16] * 4
    assert a["x"][:3] == [1, 5, 8] and a["x"][3:] == [0.0] * 13
    assert a["r"][:3] == [4, struct.unpack("<f", struct.pack("<f", 0.1))[0], -1]
    assert all(math.isnan(r) for r in a["r"][3:])
    assert arrays(SphereCollection.from_slice([])) == arrays(SphereCollection())


@pytest.mark.parametrize("arg, error, message", [
    ("abc", TypeError, "Can't extract `str` to `Vec`"),
    (5, TypeError, "'int' object is not an instance of 'Sequence'"),
    ([Sphere((0, 0, 0), 1), 5], AttributeError, "'int' object has no attribute 'center'"),
])
def test_from_slice_refusals(arg, error, message):
    with pytest.raises(error) as e:
        SphereCollection.from_slice(arg)
    assert str(e.value) == message and e.value.__notes__ == ["while processing 'spheres'"]


def test_indexing():
    sc = SphereCollection.from_slice(spheres(3))
    assert fields(sc[-1]) == fields(sc.get(2)) == fields(spheres(3)[2])
    assert fields(sc[-3]) == fields(sc[0])
    for bad in (3, -4):
        with pytest.raises(IndexError, match="^SphereCollection index out of range$"):
            sc[bad]
    with pytest.raises(IndexError, match="^SphereCollection index out of range$"):
        sc.get(3)  # capacity 16, len 3
    with pytest.raises(OverflowError):
        sc.get(-1)
    with pytest.raises(OverflowError):
        sc[2**64]
    for bad in (1.0, slice(0, 1)):
        with pytest.raises(TypeError):
            sc[bad]
    assert type(sc[0]) is Sphere and sc[0] is not sc[0]


def test_touching_counts_and_nan_never_hits():
    sc = SphereCollection.from_slice([Sphere((0, 0, 0), 1)])
    assert sc.any_collides_sphere(Sphere((3, 0, 0), 2))
    assert not sc.any_collides_sphere(Sphere((math.nextafter(3, 4) + 1e-6, 0, 0), 2))
    lanes = SphereCollection.from_slice([Sphere((0, 0, 0), NAN)] + spheres(9, 10))  # hits only in lane 0
    assert not lanes.any_collides_sphere(Sphere((0, 0, 0), 1))
    assert lanes.any_collides_sphere(Sphere((18, 36, -18), 1))  # lane 9, in the second group of eight


def test_clear_keeps_capacity_and_centres():
    sc = SphereCollection.from_slice(spheres(3))
    sc.clear()
    assert (len(sc), sc.is_empty()) == (0, True)
    assert not sc.any_collides_sphere(Sphere((1, 2, -1), 10))
    back = pickle.loads(pickle.dumps(sc))
    a = arrays(back)
    assert a["len"] == 0 and len(a["x"]) == 16 and a["x"][:3] == [0, 1, 2] and all(math.isnan(r) for r in a["r"])
    back.push(Sphere((7, 7, 7), 1))
    assert len(arrays(back)["x"]) == 16 and fields(back[0]) == (7, 7, 7, 1)


def test_abs_diff_eq():
    pushed = SphereCollection()
    for s in spheres(3):
        pushed.push(s)
    made = SphereCollection.from_slice(spheres(3))
    assert pushed.abs_diff_eq(made, 0) and made.abs_diff_eq(made, 0)
    assert not made.abs_diff_eq(SphereCollection.from_slice(spheres(3)[::-1]), 0)
    moved = SphereCollection.from_slice([Sphere((0, 0, 0.25), 0.5)])
    assert moved.abs_diff_eq(SphereCollection.from_slice([Sphere((0, 0, 0), 0.5)]), 0.25)
    assert not moved.abs_diff_eq(SphereCollection.from_slice([Sphere((0, 0, 0), 0.5)]), 0.2499)
    assert not made.abs_diff_eq(SphereCollection.from_slice(spheres(2)), 1e9)
    with pytest.raises(TypeError, match="^'list' object is not an instance of 'SphereCollection'"):
        made.abs_diff_eq([], 0)


@pytest.mark.parametrize("arg, error", [(-1, OverflowError), (1.5, TypeError), (2**63, MemoryError),
                                        (2**64 - 1, MemoryError), (2**64, OverflowError)])
def test_with_capacity_refusals(arg, error):
    with pytest.raises(error):
        SphereCollection.with_capacity(arg)


def test_with_capacity_is_invisible():
    sc = SphereCollection.with_capacity(100)
    assert repr(sc) == "SphereCollection(len=0)" and state(sc) == state(SphereCollection())
    sc.push(Sphere((1, 1, 1), 1))
    assert len(arrays(sc)["x"]) == 16


def test_any_collides_sphere_takes_only_spheres():
    sc = SphereCollection.from_slice(spheres(1))
    for arg, message in ((Duck((0, 0, 0), 1), "'Duck' object is not an instance of 'Sphere'"),
                         (None, "'None' is not an instance of 'Sphere'")):
        with pytest.raises(TypeError) as e:
            sc.any_collides_sphere(arg)
        assert str(e.value) == message and e.value.__notes__ == ["while processing 'sphere'"]


def test_round_trips_at_every_protocol():
    sc = SphereCollection.from_slice(spheres(20))
    for c in [pickle.loads(pickle.dumps(sc, protocol=p)) for p in range(2, 6)] + [copy.deepcopy(sc)]:
        assert state(c) == state(sc) and c is not sc


def lanes_state(x, y, z, r, n):
    return p_stream({"x": [float(v) for v in x], "y": [float(v) for v in y], "z": [float(v) for v in z],
                     "r": [float(v) for v in r], "len": n})


@pytest.mark.parametrize("body", [
    lanes_state([0] * 16, [0] * 16, [0] * 16, [1] * 15, 1),  # arrays of unequal length
    lanes_state([0] * 8, [0] * 8, [0] * 8, [1] * 8, 1),  # capacity not a multiple of 16
    lanes_state([0] * 16, [0] * 16, [0] * 16, [1] * 16, 17),  # more spheres than lanes
    b"", lanes_state([], [], [], [], 0) + b"\x00",
])
def test_state_that_breaks_the_layout_is_refused(body):
    with pytest.raises(ValueError, match="^pickle decode failed: "):
        SphereCollection(__pickle_state__=body)


def test_decoded_padding_never_hits():
    sc = SphereCollection(__pickle_state__=lanes_state([0] * 16, [0] * 16, [0] * 16, [1] * 16, 1))
    assert len(sc) == 1 and not sc.any_collides_sphere(Sphere((5, 0, 0), 1))
    assert all(math.isnan(r) for r in arrays(sc)["r"][1:])


def test_borrow_flag_against_reentry():
    sc = SphereCollection.from_slice(spheres(2))

    class Reentrant:
        @property
        def center(self):
            sc.len()
            return (0, 0, 0)

        radius = 1.0

    with pytest.raises(RuntimeError, match="^Already mutably borrowed") as e:
        sc.push(Reentrant())
    assert e.value.__notes__ == ["while processing 'sphere'"] and len(sc) == 2

    class Clearing:
        def __float__(self):
            sc.clear()
            return 0.0

    with pytest.raises(RuntimeError, match="^Already borrowed"):
        sc.abs_diff_eq(sc, Clearing())
    assert len(sc) == 2
    sc.push(Duck((0, 0, 0), 1))  # the flag is free again
    assert len(sc) == 3
