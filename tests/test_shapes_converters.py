"""The shape argument converters (duck-typed and class-or-subclass), through the test-only probe module:
its class objects are its own, so its shapes are exact instances for its converters and the module's are not."""

import types

import pytest

from support import p_stream
from test_shapes import axis_state, state
from vexorin import Capsule, Cuboid, Cylinder, Line, Vec3

probe = pytest.importorskip("_shapes_probe")
Convert = probe.Convert


class Recorder:
    """Answers attribute lookups from a dict and records them, in order."""

    def __init__(self, **values):
        self.values, self.looked_up = values, []

    def __getattr__(self, name):
        self.looked_up.append(name)
        if name in self.values:
            return self.values[name]
        raise AttributeError(name)


class XYZ:
    x, y, z = 1, 2, 3


@pytest.mark.parametrize(
    "convert, values, looked_up, error",
    [
        (Convert.sphere, dict(center=(1, 2, 3), radius=1), ["center", "radius"], None),
        (Convert.capsule, dict(p1=(0, 0, 0), p2=(0, 0, 1), radius=1), ["p1", "p2", "radius"], None),
        (Convert.cylinder, dict(p1=(0, 0, 0), p2=(0, 0, 1), radius=1), ["p1", "p2", "radius"], None),
        (Convert.cuboid, dict(center=(0, 0, 0), half_extents=(1, 1, 1), axes=((1, 0, 0), (0, 1, 0), (0, 0, 1))),
         ["center", "half_extents", "axes"], None),
        (Convert.sphere, dict(center=(1, 2, 3), p1=(0, 0, 0)), ["center", "radius"], "AttributeError('radius')"),
        (Convert.capsule, dict(p1=(0, 0, 0), radius=1), ["p1", "p2"], "AttributeError('p2')"),
        (Convert.sphere, dict(center=(1, 2), radius=1), ["center"], "'tuple' object has no attribute 'x'"),
        (Convert.sphere, dict(center=(1, 2, 3), radius="r"), ["center", "radius"], "must be real number, not str"),
        (Convert.cuboid, dict(center=(0, 0, 0), half_extents=[1, 1, 1], axes=()), ["center", "half_extents"],
         "'list' object is not an instance of 'tuple'"),
        (Convert.cuboid, dict(center=(0, 0, 0), half_extents=(1, 1, 1), axes=((1, 0, 0), [0, 1, 0], (0, 0, 1))),
         ["center", "half_extents", "axes"], "'list' object is not an instance of 'tuple'"),
        (Convert.cuboid, dict(center=(0, 0, 0), half_extents=(1, 1, 1), axes=((1, 0, 0), (0, 1, 0))),
         ["center", "half_extents", "axes"], "expected tuple of length 3, but got tuple of length 2"),
    ],
)
def test_duck_converters_read_attributes_in_order_and_raise_the_first_error(convert, values, looked_up, error):
    obj = Recorder(**values)
    if error is None:
        convert(obj)
    else:
        with pytest.raises(Exception) as e:
            convert(obj)
        assert (str(e.value) if not error.startswith("AttributeError(") else repr(e.value)) == error
        assert e.value.__notes__ == ["while processing 'o'"]
    assert obj.looked_up == looked_up


@pytest.mark.parametrize("center", [(1, 2, 3), [1, 2, 3], Vec3(1, 2, 3), XYZ(), (1, 2.0, True + 2)])
def test_vector_reader_forms(center, np):
    s = Convert.sphere(types.SimpleNamespace(center=center, radius=0.1))
    assert repr(s) == "Sphere(center: [1, 2, 3], radius: 0.1)"
    assert repr(Convert.sphere(types.SimpleNamespace(center=np.array([1.0, 2, 3]), radius=0.1))) == repr(s)


def test_duck_shapes_derive_their_fields_and_exact_instances_keep_theirs():
    same = types.SimpleNamespace(p1=(1, 1, 1), p2=(1, 1, 1), radius=-1)
    assert state(Convert.capsule(same)) == state(Capsule((1, 1, 1), (1, 1, 1), -1))
    assert state(Convert.cylinder(same)) == state(Cylinder((1, 1, 1), (1, 1, 1), -1))
    axes = ((0.6, 0.8, 0), (-0.8, 0.6, 0), (0, 0, 1))
    box = types.SimpleNamespace(center=(1, 2, 3), half_extents=(1, 2, 3), axes=axes)
    assert state(Convert.cuboid(box)) == state(Cuboid((1, 2, 3), axes, (1, 2, 3)))
    odd = p_stream(axis_state((0.0, 0.0, 0.0), (0.0, 0.0, 1.0), 1.0, 123.0, False))
    assert state(Convert.capsule(probe.Capsule(__pickle_state__=odd))) == odd  # exact: copied as stored
    assert state(Convert.capsule(Capsule(__pickle_state__=odd))) == state(Capsule((0, 0, 0), (0, 0, 1), 1))


def test_class_converters_take_only_their_class():
    assert repr(Convert.line(probe.Line((0, 0, 0), (1, 0, 0)))) == "Line(origin: [0, 0, 0], dir: [1, 0, 0])"
    for convert, obj, message in [
        (Convert.line, probe.Ray((0, 0, 0), (1, 0, 0)), "'Ray' object is not an instance of 'Line'"),
        (Convert.ray, None, "'None' is not an instance of 'Ray'"),
        (Convert.plane, types.SimpleNamespace(normal=(0, 0, 1), d=0), "'SimpleNamespace' object is not an instance of 'Plane'"),
        (Convert.segment, Line((0, 0, 0), (1, 0, 0)), "'Line' object is not an instance of 'LineSegment'"),
    ]:
        with pytest.raises(TypeError) as e:
            convert(obj)
        assert str(e.value) == message


def test_trying_a_converter_discards_only_ordinary_errors():
    class Interrupting:
        @property
        def center(self):
            raise KeyboardInterrupt

    assert Convert.maybe_sphere(5) is None
    with pytest.raises(KeyboardInterrupt):
        Convert.maybe_sphere(Interrupting())
