import math

import numpy as np
import pytest
from scipy.spatial.transform import Rotation

from vexorin import EulerRot, Mat3, Mat4, Quat

SEQUENCES = ["ZYX", "ZXY", "YXZ", "YZX", "XYZ", "XZY", "ZYZ", "ZXZ", "YXY", "YZY", "XYX", "XZX"]
ORDERS = SEQUENCES + [s + "Ex" for s in SEQUENCES]
# Repeated-axis orders whose middle axis is the cyclic successor of the first
# return a negative middle angle.
NEGATED_REPEATS = {"ZXZ", "YZY", "XYX"}


def scipy_rotation(name, a, b, c):
    # Intrinsic P, Q, R is scipy's upper case; the Ex orders are extrinsic
    # rotations about P, then Q, then R, scipy's lower case.
    seq = name[:3]
    return Rotation.from_euler(seq.lower() if name.endswith("Ex") else seq, [a, b, c])


def inside_range(name, rng):
    a, c = rng.uniform(-3.0, 3.0, 2)
    seq = name[:3]
    if seq[0] != seq[2]:
        b = rng.uniform(-1.5, 1.5)
    elif seq in NEGATED_REPEATS:
        b = rng.uniform(-3.0, -0.1)
    else:
        b = rng.uniform(0.1, 3.0)
    return a, b, c


def matrix_of(m):
    return np.array(m.to_numpy())


@pytest.mark.parametrize("name", ORDERS)
def test_from_euler_matches_scipy(name):
    rng = np.random.default_rng(ORDERS.index(name))
    order = getattr(EulerRot, name)
    for _ in range(20):
        a, b, c = rng.uniform(-4.0, 4.0, 3)
        ref = scipy_rotation(name, a, b, c)
        np.testing.assert_allclose(matrix_of(Mat3.from_euler(order, a, b, c)), ref.as_matrix(), atol=1e-12)
        m4 = matrix_of(Mat4.from_euler(order, a, b, c))
        np.testing.assert_allclose(m4[:3, :3], ref.as_matrix(), atol=1e-12)
        assert list(m4[3]) == [0.0, 0.0, 0.0, 1.0] and list(m4[:3, 3]) == [0.0, 0.0, 0.0]
        q = Quat.from_euler(order, a, b, c)
        # The half-angle form carries the sign of the product of single-axis
        # rotations, which is the one scipy composes.
        np.testing.assert_allclose(q.to_array(), ref.as_quat(), atol=1e-12)


def hamilton(p, q):
    x0, y0, z0, w0 = p
    x1, y1, z1, w1 = q
    return (
        w0 * x1 + x0 * w1 + y0 * z1 - z0 * y1,
        w0 * y1 - x0 * z1 + y0 * w1 + z0 * x1,
        w0 * z1 + x0 * y1 - y0 * x1 + z0 * w1,
        w0 * w1 - x0 * x1 - y0 * y1 - z0 * z1,
    )


def axis_quat(axis, t):
    v = [0.0, 0.0, 0.0]
    v["XYZ".index(axis)] = math.sin(t / 2)
    return (*v, math.cos(t / 2))


@pytest.mark.parametrize("name", ORDERS)
def test_quat_from_euler_is_product_of_axis_rotations(name):
    a, b, c = 0.7, -0.4, 2.1
    p, q, r = name[:3]
    if name.endswith("Ex"):
        ref = hamilton(hamilton(axis_quat(r, c), axis_quat(q, b)), axis_quat(p, a))
    else:
        ref = hamilton(hamilton(axis_quat(p, a), axis_quat(q, b)), axis_quat(r, c))
    np.testing.assert_allclose(Quat.from_euler(getattr(EulerRot, name), a, b, c).to_array(), ref, atol=1e-14)


@pytest.mark.parametrize("name", ORDERS)
def test_to_euler_round_trip_inside_range(name):
    rng = np.random.default_rng(7 + ORDERS.index(name))
    order = getattr(EulerRot, name)
    for _ in range(20):
        angles = inside_range(name, rng)
        m = Mat3.from_euler(order, *angles)
        np.testing.assert_allclose(m.to_euler(order), angles, atol=1e-10)
        np.testing.assert_allclose(Quat.from_euler(order, *angles).to_euler(order), angles, atol=1e-10)
        np.testing.assert_allclose(Mat4.from_euler(order, *angles).to_euler(order), angles, atol=1e-10)


@pytest.mark.parametrize("name", ORDERS)
def test_to_euler_outside_range_gives_equivalent_rotation(name):
    order = getattr(EulerRot, name)
    angles = (2.9, -2.5, -3.0) if name[0] != name[2] else (1.0, 2.0 if name[:3] in NEGATED_REPEATS else -2.0, 0.5)
    m = Mat3.from_euler(order, *angles)
    back = m.to_euler(order)
    np.testing.assert_allclose(matrix_of(Mat3.from_euler(order, *back)), matrix_of(m), atol=1e-12)
    np.testing.assert_allclose(scipy_rotation(name, *back).as_matrix(), matrix_of(m), atol=1e-12)


@pytest.mark.parametrize("name", ORDERS)
def test_identity_gives_zero_angles(name):
    assert [abs(v) for v in Mat3.IDENTITY.to_euler(getattr(EulerRot, name))] == [0.0, 0.0, 0.0]


def test_gimbal_lock_distinct_axes():
    a, b, c = Mat3.from_euler(EulerRot.ZYX, 0.4, math.pi / 2, 0.9).to_euler(EulerRot.ZYX)
    assert c == 0.0 and math.copysign(1.0, c) == 1.0
    assert a == pytest.approx(-0.5, abs=1e-12) and b == pytest.approx(math.pi / 2, abs=1e-12)
    # Ex orders zero their first angle; ZYXEx negates, so that zero is -0.0.
    a, b, c = Mat3.from_euler(EulerRot.ZYXEx, 0.4, math.pi / 2, 0.9).to_euler(EulerRot.ZYXEx)
    assert a == 0.0 and math.copysign(1.0, a) == -1.0
    assert c == pytest.approx(1.3, abs=1e-12)


def test_gimbal_lock_repeated_axes():
    a, b, c = Mat3.from_euler(EulerRot.ZYZ, 0.4, 0.0, 0.9).to_euler(EulerRot.ZYZ)
    assert (b, c) == (0.0, 0.0)
    assert a == pytest.approx(1.3, abs=1e-15)


def test_nan_matrix_takes_gimbal_branch():
    a, b, c = Mat3.NAN.to_euler(EulerRot.XYZ)
    assert math.isnan(a) and math.isnan(b) and c == 0.0


@pytest.mark.parametrize("bad", [4, None, "XYZ"])
def test_order_must_be_eulerrot(bad):
    for call in (lambda: Mat3.from_euler(bad, 1, 2, 3), lambda: Quat.from_euler(bad, 1, 2, 3),
                 lambda: Mat4.from_euler(bad, 1, 2, 3), lambda: Quat().to_euler(bad)):
        with pytest.raises(TypeError):
            call()


def table_matrix(i, j, k, negate, repeated, u, v, w):
    """The closed form of the conversion, written from its table: T[c][r]."""
    if negate:
        u, v, w = -u, -v, -w
    si, ci, sj, cj, sh, ch = math.sin(u), math.cos(u), math.sin(v), math.cos(v), math.sin(w), math.cos(w)
    cc, cs, sc, ss = ci * ch, ci * sh, si * ch, si * sh
    T = [[None] * 3 for _ in range(3)]
    if repeated:
        T[i][i], T[i][j], T[i][k] = cj, sj * si, sj * ci
        T[j][i], T[j][j], T[j][k] = sj * sh, cc - cj * ss, -cj * cs - sc
        T[k][i], T[k][j], T[k][k] = -(sj * ch), cs + cj * sc, cj * cc - ss
    else:
        T[i][i], T[i][j], T[i][k] = cj * ch, sj * sc - cs, ss + sj * cc
        T[j][i], T[j][j], T[j][k] = cj * sh, cc + sj * ss, sj * cs - sc
        T[k][i], T[k][j], T[k][k] = -sj, cj * si, cj * ci
    return [x for col in T for x in col]


@pytest.mark.parametrize("name,params", [
    ("ZYX", (2, 1, 0, False, False)), ("XYZ", (0, 1, 2, True, False)), ("XZYEx", (1, 2, 0, True, False)),
    ("ZYZ", (2, 1, 0, False, True)), ("XYXEx", (0, 1, 2, True, True))])
def test_from_euler_bits(name, params):
    a, b, c = 0.35, -1.1, 2.4
    u, v, w = (c, b, a) if name.endswith("Ex") else (a, b, c)
    expected = table_matrix(*params, u, v, w)
    assert Mat3.from_euler(getattr(EulerRot, name), a, b, c).to_cols_array() == expected
