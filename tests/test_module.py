"""The module frame: registration, class objects and the failure type of native faults."""

import importlib.util

import pytest

from vexorin import _vexorin

ALL_CLASSES = [
    "EulerRot", "Vec2", "Vec3", "Vec4", "Quat", "Mat3", "Mat4", "Affine3", "Sphere", "Capsule",
    "Cuboid", "Cylinder", "ConvexPolytope", "ConvexPolygon", "Line", "Ray", "LineSegment", "Plane",
    "Pointcloud", "SphereCollection", "Shape", "Collider", "Interval", "Nearest", "QuadraticBezier",
    "CubicBezier", "Polyline", "Spline",
]


def test_all_lists_the_registered_classes_once_in_registration_order():
    names = _vexorin.__all__
    assert len(set(names)) == len(names)
    assert set(names) <= set(ALL_CLASSES)
    assert [n for n in ALL_CLASSES if n in names] == names
    for n in names:
        assert isinstance(getattr(_vexorin, n), type)


def test_module_has_no_functions():
    assert not [n for n in dir(_vexorin) if callable(getattr(_vexorin, n)) and not isinstance(getattr(_vexorin, n), type)]
    assert _vexorin.__doc__ == ""


def test_only_the_init_function_is_exported():
    import subprocess

    out = subprocess.run(["nm", "-D", "--defined-only", _vexorin.__file__], capture_output=True, text=True)
    if out.returncode != 0:
        pytest.skip("nm not available")
    exported = [line.split()[-1] for line in out.stdout.splitlines() if " T " in line or " D " in line or " B " in line]
    assert exported == ["PyInit__vexorin"]


@pytest.mark.parametrize("name", [n for n in _vexorin.__all__ if n != "Shape"])
def test_classes_cannot_be_subclassed(name):
    with pytest.raises(TypeError, match="not an acceptable base type"):
        type("Sub", (getattr(_vexorin, name),), {})


@pytest.mark.parametrize("name", _vexorin.__all__)
def test_classes_live_in_the_extension_module(name):
    cls = getattr(_vexorin, name)
    assert cls.__module__ == "vexorin._vexorin"
    assert cls.__qualname__ == name


def fresh_module(preset=None):
    spec = importlib.util.find_spec("vexorin._vexorin")
    module = spec.loader.create_module(spec)
    if preset is not None:
        module.__all__ = preset
    return spec, module


def test_exec_appends_to_an_existing_all_list_and_binds_the_same_classes():
    spec, module = fresh_module(["mine"])
    spec.loader.exec_module(module)
    assert module.__all__ == ["mine"] + _vexorin.__all__
    assert module.Vec3 is _vexorin.Vec3


def test_exec_refuses_an_all_that_is_not_a_list():
    spec, module = fresh_module(("mine",))
    with pytest.raises(TypeError, match="'tuple' object is not an instance of 'list'"):
        spec.loader.exec_module(module)


def test_class_attributes_are_stored_once():
    assert _vexorin.Vec3.ZERO is _vexorin.Vec3.ZERO
    assert _vexorin.Vec3.__dataclass_fields__ is _vexorin.Vec3.__dataclass_fields__


def test_text_signature_is_the_class_doc():
    assert _vexorin.Vec3.__text_signature__ == "(x=0.0, y=0.0, z=0.0, *, __pickle_state__=None)"
    assert not _vexorin.Vec3.__doc__.strip() or _vexorin.Vec3.__doc__.startswith("Vec3(")
    assert _vexorin.Vec3.to_json.__text_signature__ == "($self)"
    assert _vexorin.Vec3.from_json.__text_signature__ == "(json)"


@pytest.mark.parametrize(
    "patch, message, cause",
    [
        ("lambda name, fields: 1 / 0", "An error occurred while initializing `Vec2.__dataclass_fields__`",
         "ZeroDivisionError"),
        ("lambda name, fields: type(name, (), {'__dataclass_fields__': list(fields)})",
         "An error occurred while initializing `Vec2.__dataclass_fields__`",
         "RuntimeError: make_dataclass did not expose __dataclass_fields__: ['x', 'y']"),
    ],
)
def test_a_failing_class_attribute_fails_the_import(patch, message, cause):
    import subprocess
    import sys

    code = (
        "import dataclasses\n"
        f"dataclasses.make_dataclass = {patch}\n"
        "try:\n"
        "    import vexorin._vexorin\n"
        "except RuntimeError as e:\n"
        "    print(e)\n"
        "    print(type(e.__cause__).__name__ + (': ' + str(e.__cause__) if isinstance(e.__cause__, RuntimeError) else ''))\n"
    )
    out = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, check=True)
    assert out.stdout.splitlines() == [message, cause]
