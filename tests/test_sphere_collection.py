"""SphereCollection: growth by sixteen lanes, padding, pickled state (capacity included, layout refused when
broken), signed indexing, the eight-lane test at its boundary, and the borrow flag against re-entry."""

import copy
import math
import pickle
import struct

import pytest

from support import p_stream
from vexorin import Sphere, SphereCollection

NAN = float("nan")
OUT_OF_RANGE = "^SphereCollection index out of range$"


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
        with pytest.raises(IndexError, match=OUT_OF_RANGE):
            read()
    assert arrays(sc) == {"x": [], "y": [], "z": [], "r": [], "len": 0}
    assert SphereCollection.__dataclass_fields__ == {} and sc.__dict__ == {}
    assert SphereCollection.__text_signature__ == "(*, __pickle_state__=None)"
    # A reservation is invisible; one that no buffer could hold is refused as failed.
    assert state(SphereCollection.with_capacity(100)) == state(sc)
    for cap, error in ((2**63, MemoryError), (2**64 - 1, MemoryError), (2**64, OverflowError), (-1, OverflowError),
                       (1.5, TypeError)):
        with pytest.raises(error):
            SphereCollection.with_capacity(cap)


@pytest.mark.parametrize("make", [SphereCollection, lambda: SphereCollection.with_capacity(40)], ids=["new", "reserved"])
def test_push_grows_by_sixteen_lanes_and_round_trips(make):
    sc = make()
    for i, s in enumerate(spheres(17)):
        sc.push(s)
        assert len(arrays(sc)["x"]) == (16 if i < 16 else 32)
    assert arrays(sc)["len"] == 17 and all(math.isnan(r) for r in arrays(sc)["r"][17:])
    assert [fields(s) for s in sc] == [fields(s) for s in spheres(17)]
    assert sc.abs_diff_eq(SphereCollection.from_slice(spheres(17)), 0.0)
    for c in [pickle.loads(pickle.dumps(sc, protocol=p)) for p in range(2, 6)] + [copy.deepcopy(sc)]:
        assert state(c) == state(sc) and c is not sc


def test_from_slice_layout():
    sc = SphereCollection.from_slice([Sphere((1, 2, 3), 4), Duck([5, 6, 7], 0.1), Duck((8, 9, 10), -1)])
    a = arrays(sc)
    assert a["len"] == 3 and [len(a[k]) for k in "xyzr"] == [16] * 4 and a["x"] == [1, 5, 8] + [0.0] * 13
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
    assert fields(sc[-1]) == fields(sc.get(2)) == fields(spheres(3)[2]) and fields(sc[-3]) == fields(sc[0])
    for bad in (3, -4):
        with pytest.raises(IndexError, match=OUT_OF_RANGE):
            sc[bad]
    with pytest.raises(IndexError, match=OUT_OF_RANGE):
        sc.get(3)  # capacity 16, len 3
    for bad in (lambda: sc.get(-1), lambda: sc[2**64]):
        with pytest.raises(OverflowError):
            bad()
    for bad in (1.0, slice(0, 1)):
        with pytest.raises(TypeError):
            sc[bad]
    assert type(sc[0]) is Sphere and sc[0] is not sc[0]


def test_touching_counts_and_nan_never_hits():
    sc = SphereCollection.from_slice([Sphere((0, 0, 0), 1)])
    assert sc.any_collides_sphere(Sphere((3, 0, 0), 2))
    assert not sc.any_collides_sphere(Sphere((3.000001, 0, 0), 2))
    lanes = SphereCollection.from_slice([Sphere((0, 0, 0), NAN)] + spheres(9, 10))
    assert not lanes.any_collides_sphere(Sphere((0, 0, 0), 1))
    assert lanes.any_collides_sphere(Sphere((18, 36, -18), 1))  # lane 9, in the second group of eight
    for arg, message in ((Duck((0, 0, 0), 1), "'Duck' object is not an instance of 'Sphere'"),
                         (None, "'None' is not an instance of 'Sphere'")):
        with pytest.raises(TypeError) as e:
            sc.any_collides_sphere(arg)
        assert str(e.value) == message and e.value.__notes__ == ["while processing 'sphere'"]


def test_clear_keeps_capacity_and_centres():
    sc = SphereCollection.from_slice(spheres(3))
    sc.clear()
    assert (len(sc), sc.is_empty(), sc.any_collides_sphere(Sphere((1, 2, -1), 10))) == (0, True, False)
    back = pickle.loads(pickle.dumps(sc))
    a = arrays(back)
    assert a["len"] == 0 and a["x"][:3] == [0, 1, 2] and len(a["x"]) == 16 and all(math.isnan(r) for r in a["r"])
    back.push(Sphere((7, 7, 7), 1))
    assert len(arrays(back)["x"]) == 16 and fields(back[0]) == (7, 7, 7, 1)


def test_abs_diff_eq():
    made = SphereCollection.from_slice(spheres(3))
    assert made.abs_diff_eq(made, 0) and not made.abs_diff_eq(SphereCollection.from_slice(spheres(3)[::-1]), 0)
    moved = SphereCollection.from_slice([Sphere((0, 0, 0.25), 0.5)])
    assert moved.abs_diff_eq(SphereCollection.from_slice([Sphere((0, 0, 0), 0.5)]), 0.25)
    assert not moved.abs_diff_eq(SphereCollection.from_slice([Sphere((0, 0, 0), 0.5)]), 0.2499)
    assert not made.abs_diff_eq(SphereCollection.from_slice(spheres(2)), 1e9)
    with pytest.raises(TypeError, match="^'list' object is not an instance of 'SphereCollection'"):
        made.abs_diff_eq([], 0)


# (call, error, text or None for the interpreter's own, the parameter named in the note)
REFUSED_ARGUMENTS = [
    (lambda: SphereCollection.with_capacity(-1), OverflowError, None, "cap"),
    (lambda: SphereCollection.with_capacity(1.5), TypeError, None, "cap"),
    (lambda: SphereCollection().any_collides_sphere(None), TypeError, "'None' is not an instance of 'Sphere'",
     "sphere"),
    (lambda: SphereCollection().abs_diff_eq(5, 0.1), TypeError,
     "'int' object is not an instance of 'SphereCollection'", "rhs"),
]


@pytest.mark.parametrize("call, error, text, name", REFUSED_ARGUMENTS)
def test_refused_arguments(call, error, text, name):
    with pytest.raises(error) as e:
        call()
    assert type(e.value) is error and text in (None, str(e.value))
    assert e.value.__notes__ == [f"while processing '{name}'"]


def lanes_state(n, lanes=16, r_lanes=16):
    zeros = [0.0] * lanes
    return p_stream({"x": zeros, "y": zeros, "z": zeros, "r": [1.0] * r_lanes, "len": n})


@pytest.mark.parametrize("body", [lanes_state(1, r_lanes=15), lanes_state(1, lanes=8, r_lanes=8),
                                  lanes_state(17), b"", lanes_state(0) + b"\x00"])
def test_state_that_breaks_the_layout_is_refused(body):
    with pytest.raises(ValueError, match="^pickle decode failed: "):
        SphereCollection(__pickle_state__=body)


def test_decoded_padding_never_hits():
    sc = SphereCollection(__pickle_state__=lanes_state(1))
    assert len(sc) == 1 and not sc.any_collides_sphere(Sphere((5, 0, 0), 1))
    assert all(math.isnan(r) for r in arrays(sc)["r"][1:])


def test_borrow_flag_against_reentry():
    sc = SphereCollection.from_slice(spheres(2))

    class Reentrant:
        radius = 1.0

        @property
        def center(self):
            sc.len()
            return (0, 0, 0)

    with pytest.raises(RuntimeError, match="^Already mutably borrowed") as e:
        sc.push(Reentrant())
    assert e.value.__notes__ == ["while processing 'sphere'"] and len(sc) == 2

    class Clearing:
        def __float__(self):
            sc.clear()
            return 0.0

    with pytest.raises(RuntimeError, match="^Already borrowed"):
        sc.abs_diff_eq(sc, Clearing())
    sc.push(Duck((0, 0, 0), 1))  # every flag was released
    assert len(sc) == 3
