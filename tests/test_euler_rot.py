"""EulerRot: 24 unique member objects, repr, int and equality; no constructor and no hash."""

import pytest

from vexorin import EulerRot

NAMES = [
    "ZYX", "ZXY", "YXZ", "YZX", "XYZ", "XZY", "ZYZ", "ZXZ", "YXY", "YZY", "XYX", "XZX",
]
MEMBERS = NAMES + [n + "Ex" for n in NAMES]


@pytest.mark.parametrize("value, name", list(enumerate(MEMBERS)))
def test_members(value, name):
    m = getattr(EulerRot, name)
    assert m is getattr(EulerRot, name)
    assert int(m) == value
    assert repr(m) == str(m) == f"EulerRot.{name}"
    assert m == value and not (m != value)
    assert m == m and m != getattr(EulerRot, MEMBERS[(value + 1) % 24])


def test_comparison_with_other_objects():
    assert EulerRot.ZXY == True  # noqa: E712 - True converts to 1
    assert EulerRot.XYZ != EulerRot.XYZEx
    assert (EulerRot.XYZ == "XYZ") is False
    assert (EulerRot.XYZ == 4.0) is False
    with pytest.raises(TypeError):
        EulerRot.XYZ < EulerRot.XZY


def test_no_constructor_and_no_hash():
    with pytest.raises(TypeError):
        EulerRot()
    with pytest.raises(TypeError):
        {EulerRot.XYZ}
    with pytest.raises(TypeError):
        hash(EulerRot.XYZ)
    assert not hasattr(EulerRot, "__dataclass_fields__")
    assert not hasattr(EulerRot.XYZ, "__getnewargs_ex__")
