import copy
import math
import pickle

import numpy as np
import pytest
from scipy.spatial.transform import Rotation

from support import bits_of
from vexorin import Affine3, Mat3, Mat4, Quat, Vec2, Vec3, Vec4

COS_HALF_PI = 6.123233995736766e-17


def comps(q):
    return (q.x, q.y, q.z, q.w)


def unit_quats(n, seed=1):
    return [Quat(*q) for q in Rotation.random(n, random_state=seed).as_quat()]


class Obj:
    def __init__(self, **kw):
        self.__dict__.update(kw)


def test_constructor_defaults_and_storage():
    assert comps(Quat()) == (0.0, 0.0, 0.0, 1.0)
    assert comps(Quat(x=1)) == (1.0, 0.0, 0.0, 1.0)
    q = Quat(1, 2, 3, 4)
    assert comps(q) == (1.0, 2.0, 3.0, 4.0)
    assert q.length() == math.sqrt(30) and not q.is_normalized()
    assert q.normalize().length() == pytest.approx(1.0, abs=1e-15)
    with pytest.raises(TypeError):
        Quat(None)


def test_text_forms():
    assert repr(Quat()) == "Quat(0, 0, 0, 1)"
    assert str(Quat()) == "[0, 0, 0, 1]"
    assert repr(Quat(0.5, -0.0, 2.5, 1e20)) == "Quat(0.5, -0, 2.5, 100000000000000000000)"


def test_class_attributes():
    assert Quat.IDENTITY is Quat.IDENTITY
    assert comps(Quat.IDENTITY) == (0.0, 0.0, 0.0, 1.0)
    assert Quat.NAN != Quat.NAN and Quat.NAN.is_nan()
    assert bits_of(comps(Quat.NAN)) == [0x7FF8000000000000] * 4


def test_pickled_state_bytes_and_round_trip():
    args, kwargs = Quat().__getnewargs_ex__()
    state = kwargs["__pickle_state__"]
    assert args == () and len(state) == 41
    assert state == b"\x80\x03(" + (b"G" + bytes(8)) * 3 + b"G\x3f\xf0" + bytes(6) + b"t."
    assert Quat(5, 6, 7, 8, __pickle_state__=state) == Quat()
    odd = Quat(-0.0, float("inf"), float("nan"), 1e-300)
    for back in (pickle.loads(pickle.dumps(odd)), copy.deepcopy(odd)):
        assert bits_of(comps(back)) == bits_of(comps(odd))
    with pytest.raises(ValueError, match="pickle decode failed"):
        Quat(__pickle_state__=state[:-1])


def test_dataclass_and_dict_forms():
    import dataclasses

    q = Quat(1, 2, 3, 4)
    assert [f.name for f in dataclasses.fields(q)] == ["x", "y", "z", "w"]
    assert q.__dict__ == {"x": 1.0, "y": 2.0, "z": 3.0, "w": 4.0}
    assert q.to_dict() == (1.0, 2.0, 3.0, 4.0)
    assert Quat.from_dict([1, 2, 3, 4]) == q
    with pytest.raises(ValueError, match="expected sequence of length 4, got 3"):
        Quat.from_dict([1, 2, 3])
    assert Quat.try_from_dict([1, 2, 3]) is None
    assert q.to_json() == "[1.0,2.0,3.0,4.0]"
    assert Quat.from_json(" [1, 2, 3, 4] ") == q
    assert Quat(float("nan"), 0, 0, 1).to_json() == "[null,0.0,0.0,1.0]"
    assert Quat.try_from_json("[null,0.0,0.0,1.0]") is None


def test_numpy_forms():
    q = Quat(1, 2, 3, 4)
    a = q.to_numpy()
    assert a.dtype == np.float64 and a.shape == (4,) and list(a) == [1, 2, 3, 4]
    assert list(np.asarray(q)) == [1, 2, 3, 4]
    assert Quat.from_numpy(np.arange(8.0)[::2]) == Quat(0, 2, 4, 6)
    with pytest.raises(ValueError, match=r"Quat.from_numpy expected shape \(4,\)"):
        Quat.from_numpy(np.zeros(3))
    assert q.to_array() == [1.0, 2.0, 3.0, 4.0]


def test_converter_paths():
    assert Quat() == [0, 0, 0, 1] and Quat() == (0, 0, 0, 1)
    assert Quat().dot(Vec4(1, 2, 3, 4)) == 4.0
    assert Quat().dot(Obj(x=1, y=2, z=3, w=4)) == 4.0
    assert Quat().dot(np.array([0, 0, 0, 2])) == 2.0
    with pytest.raises(AttributeError):
        Quat().dot((1, 2, 3))
    assert (Quat() == "abcd") is False


def test_hamilton_product_matches_scipy():
    qs = unit_quats(20)
    for a, b in zip(qs, qs[1:]):
        ref = (Rotation.from_quat(a.to_array()) * Rotation.from_quat(b.to_array())).as_quat()
        np.testing.assert_allclose(comps(a * b), ref, atol=1e-14)
        assert a.mul_quat(b) == a * b


def test_hamilton_product_exact_grouping():
    x0, y0, z0, w0 = 0.1, 0.7, -0.3, 0.9
    x1, y1, z1, w1 = -0.2, 0.4, 0.6, 1.1
    expected = (((x0 * w1 + w0 * x1) + y0 * z1) - z0 * y1,
                ((w0 * y1 - x0 * z1) + y0 * w1) + z0 * x1,
                ((x0 * y1 + w0 * z1) - y0 * x1) + z0 * w1,
                ((w0 * w1 - x0 * x1) - y0 * y1) - z0 * z1)
    assert comps(Quat(x0, y0, z0, w0) * Quat(x1, y1, z1, w1)) == expected


def test_rotating_vectors_matches_scipy():
    vs = np.random.default_rng(3).normal(size=(20, 3))
    for q, v in zip(unit_quats(20), vs):
        r = q * tuple(v)
        assert isinstance(r, Vec3)
        np.testing.assert_allclose(r.to_list(), Rotation.from_quat(q.to_array()).apply(v), atol=1e-13)
        assert q.mul_vec3(v) == r
    assert Quat(0, 0, 0, 2).mul_vec3((1, 0, 0)) == Vec3(4, 0, 0)


def test_operators():
    q = Quat(1, 2, 3, 4)
    assert isinstance(q * (1, 0, 0, 0), Quat)
    assert isinstance(q * (1, 0, 0), Vec3)
    assert comps(q * 2) == comps(2 * q) == (2.0, 4.0, 6.0, 8.0)
    assert comps(q / 2) == (0.5, 1.0, 1.5, 2.0)
    assert comps(-Quat()) == (-0.0, -0.0, -0.0, -1.0)
    assert bits_of(comps(-Quat()))[0] == 1 << 63
    assert comps(q + (1, 1, 1, 1)) == (2.0, 3.0, 4.0, 5.0)
    assert comps(q - Quat(1, 1, 1, 1)) == (0.0, 1.0, 2.0, 3.0)
    with np.errstate(all="ignore"):
        r = q / 0.0
    assert math.isinf(r.x)
    for bad in (lambda: q * "a", lambda: "a" * q):
        with pytest.raises(TypeError, match=r"unsupported operand type for \*"):
            bad()
    for bad in (lambda: q + "a", lambda: (0, 0, 0, 1) + q, lambda: 1 / q):
        with pytest.raises(TypeError):
            bad()
    # Where Quat declines, Vec3's reflected operator reads x, y, z.
    assert q + Vec3(1, 2, 3) == Vec3(2, 4, 6)
    assert q == Vec3(1, 2, 3)


def test_inverse_is_conjugate_and_length_family():
    q = Quat(1, 2, 3, 4)
    assert comps(q.inverse()) == comps(q.conjugate()) == (-1.0, -2.0, -3.0, 4.0)
    assert q.length_squared() == 30.0 and q.length_recip() == 1 / math.sqrt(30)
    assert Quat(0, 0, 0, 0).length_recip() == math.inf
    assert all(math.isnan(c) for c in comps(Quat(0, 0, 0, 0).normalize()))
    assert q.xyz() == Vec3(1, 2, 3)
    assert q.is_finite() and not Quat(math.inf, 0, 0, 1).is_finite()


def test_near_identity_and_angle_between():
    assert Quat(0, 0, 0, -1).is_near_identity() and Quat(0, 0, 0, 2).is_near_identity()
    assert not Quat.from_rotation_x(3e-7).is_near_identity()
    assert Quat.from_rotation_x(2.8e-7).is_near_identity()
    assert not Quat.NAN.is_near_identity()
    assert Quat().angle_between(Quat(0, 0, 0, -1)) == 0.0
    assert math.isnan(Quat.NAN.angle_between(Quat()))
    for a, b in zip(unit_quats(10), unit_quats(10, seed=2)):
        ref = (Rotation.from_quat(a.to_array()).inv() * Rotation.from_quat(b.to_array())).magnitude()
        assert a.angle_between(b) == pytest.approx(ref, abs=1e-7)


def test_abs_diff_eq():
    q = Quat(1, 2, 3, 4)
    assert q.abs_diff_eq((1.05, 2, 3, 4), 0.1) and not q.abs_diff_eq((1.2, 2, 3, 4), 0.1)
    assert not q.abs_diff_eq(-q, 0.1)
    assert not Quat.NAN.abs_diff_eq(Quat.NAN, math.inf)


def test_axis_angle_exports():
    q = Quat.from_axis_angle((0, 0.6, 0.8), 1.2)
    axis, angle = q.to_axis_angle()
    np.testing.assert_allclose(axis.to_list(), [0, 0.6, 0.8], atol=1e-15)
    assert angle == pytest.approx(1.2, abs=1e-15)
    np.testing.assert_allclose(q.to_scaled_axis().to_list(), [0, 0.72, 0.96], atol=1e-15)
    axis, angle = Quat.NAN.to_axis_angle()
    assert axis == Vec3(1, 0, 0) and angle == 0.0
    assert Quat.NAN.to_scaled_axis() == Vec3.ZERO
    assert Quat().to_axis_angle() == (Vec3(1, 0, 0), 0.0)


def test_lerp_and_slerp():
    for q, r in zip(unit_quats(10), unit_quats(10, seed=5)):
        np.testing.assert_allclose(comps(q.slerp(q, 0.3)), comps(q), atol=1e-15)
        np.testing.assert_allclose(comps(q.lerp(-q, 0.5)), comps(q), atol=1e-15)
        if q.dot(r) < 0:
            r = -r
        # scipy's Slerp takes the shorter arc when the inputs share a hemisphere.
        from scipy.spatial.transform import Slerp

        ref = Slerp([0, 1], Rotation.from_quat([q.to_array(), r.to_array()]))([0.3]).as_quat()[0]
        got = q.slerp(r, 0.3)
        assert min(np.abs(np.array(comps(got)) - ref).max(), np.abs(np.array(comps(got)) + ref).max()) < 1e-12
        # With the dot product negative, slerp heads for -r: same result.
        assert q.slerp(-r, 0.3).abs_diff_eq(got, 1e-15)


def test_rotate_towards():
    q, r = Quat.from_rotation_z(0.0), Quat.from_rotation_z(1.0)
    assert q.rotate_towards(r, 10.0).abs_diff_eq(r, 1e-15)
    # With the dot product negative the target is -rhs, here r itself.
    assert q.rotate_towards(-r, 10.0).abs_diff_eq(r, 1e-15)
    near = Quat.from_rotation_z(5e-5)
    assert q.rotate_towards(near, 0.0) == near
    half = q.rotate_towards(r, 0.25)
    assert q.angle_between(half) == pytest.approx(0.25, abs=1e-7)
    away = q.rotate_towards(r, -0.25)
    assert away.angle_between(r) == pytest.approx(1.25, abs=1e-7)


# ---- rotation constructors -------------------------------------------------


def test_component_constructors():
    assert comps(Quat.from_xyzw(1, 2, 3, 4)) == (1.0, 2.0, 3.0, 4.0)
    assert comps(Quat.from_array([1, 2, 3, 4])) == (1.0, 2.0, 3.0, 4.0)
    with pytest.raises(ValueError, match=r"expected a sequence of length 4 \(got 3\)"):
        Quat.from_array([0, 0, 0])
    with pytest.raises(TypeError):
        Quat.from_array(5)


def test_axis_constructors_keep_unnormalised_axes():
    assert comps(Quat.from_axis_angle((0, 0, 2), math.pi)) == (0.0, 0.0, 2.0, COS_HALF_PI)
    assert comps(Quat.from_rotation_x(math.pi)) == (1.0, 0.0, 0.0, COS_HALF_PI)
    assert comps(Quat.from_rotation_y(1.0)) == (0.0, math.sin(0.5), 0.0, math.cos(0.5))
    assert comps(Quat.from_rotation_z(1.0)) == (0.0, 0.0, math.sin(0.5), math.cos(0.5))
    assert Quat.from_scaled_axis((0, 0, 0)) == Quat.IDENTITY
    assert Quat.from_scaled_axis((0, 0, math.pi)) == Quat.from_rotation_z(math.pi)
    v = (0.3, -0.2, 0.9)
    np.testing.assert_allclose(comps(Quat.from_scaled_axis(v)), Rotation.from_rotvec(v).as_quat(), atol=1e-15)


def test_from_matrices_match_scipy():
    for q in unit_quats(30, seed=9):
        m = Mat3.from_quat(q)
        got = Quat.from_mat3(m)
        ref = Rotation.from_matrix(np.array(m.to_numpy())).as_quat()
        assert np.abs(np.array(comps(got)) * np.sign(np.dot(comps(got), ref)) - ref).max() < 1e-14
        assert Quat.from_rotation_axes(m.x_axis, m.y_axis, m.z_axis) == got
        assert Quat.from_mat4(Mat4.from_rotation_translation(q, (4, 5, 6))) == got
        assert Quat.from_affine3(Affine3.from_rotation_translation(q, (4, 5, 6))) == got


def test_from_matrix_special_cases():
    assert comps(Quat.from_mat3(Mat3.IDENTITY)) == (0.0, 0.0, 0.0, 1.0)
    assert comps(Quat.from_mat3(Mat3.ZERO)) == (0.5, 0.0, 0.0, 0.0)
    assert comps(Quat.from_mat3(Mat3((1, 0, 0), (0, -1, 0), (0, 0, -1)))) == (1.0, 0.0, 0.0, 0.0)


def test_rotation_arcs():
    assert Quat.from_rotation_arc((1, 0, 0), (1, 0, 0)) == Quat.IDENTITY
    for f, t in (((1, 0, 0), (-1, 0, 0)), ((0, 0, 1), (0, 0, -1))):
        q = Quat.from_rotation_arc(f, t)
        assert bits_of(comps(q)) == bits_of((-0.0, 1.0, -0.0, COS_HALF_PI))
    np.testing.assert_allclose(comps(Quat.from_rotation_arc((1, 0, 0), (0, 1, 0))),
                               (0, 0, math.sqrt(0.5), math.sqrt(0.5)), atol=1e-15)
    rng = np.random.default_rng(4)
    for _ in range(20):
        f, t = (v / np.linalg.norm(v) for v in rng.normal(size=(2, 3)))
        np.testing.assert_allclose((Quat.from_rotation_arc(f, t) * f).to_list(), t, atol=1e-14)
        q = Quat.from_rotation_arc_colinear(f, t)
        target = t if np.dot(f, t) >= 0 else -t
        np.testing.assert_allclose((q * f).to_list(), target, atol=1e-14)
    assert Quat.from_rotation_arc_colinear((1, 0, 0), (-1, 0, 0)) == Quat.IDENTITY
    assert comps(Quat.from_rotation_arc_2d(Vec2(1, 0), Vec2(-1, 0))) == (0.0, 0.0, 1.0, 0.0)
    np.testing.assert_allclose(comps(Quat.from_rotation_arc_2d(Vec2(1, 0), Vec2(0, 1))),
                               (0, 0, math.sqrt(0.5), math.sqrt(0.5)), atol=1e-15)
    with pytest.raises(AttributeError):
        Quat.from_rotation_arc_2d((1, 0), (0, 1))


def test_view_rotations():
    for q in (Quat.look_to_rh((0, 0, -1), (0, 1, 0)), Quat.look_to_lh((0, 0, 1), (0, 1, 0)),
              Quat.look_at_rh((0, 0, 0), (0, 0, -1), (0, 1, 0)), Quat.look_at_lh((0, 0, 0), (0, 0, 1), (0, 1, 0))):
        assert q == Quat.IDENTITY
    assert Quat.look_to_rh((0, 1, 0), (0, 1, 0)).is_nan()
    # The rotation maps the view direction onto -Z in view space.
    d = np.array([1.0, 2.0, -0.5])
    q = Quat.look_at_rh((1, 1, 1), tuple(np.array([1, 1, 1]) + d), (0, 0, 1))
    np.testing.assert_allclose((q * tuple(d / np.linalg.norm(d))).to_list(), [0, 0, -1], atol=1e-14)
    q = Quat.look_at_lh((1, 1, 1), tuple(np.array([1, 1, 1]) + d), (0, 0, 1))
    np.testing.assert_allclose((q * tuple(d / np.linalg.norm(d))).to_list(), [0, 0, 1], atol=1e-14)


def test_argument_notes():
    with pytest.raises(AttributeError) as info:
        Quat.from_mat3(5)
    assert info.value.__notes__ == ["while processing 'mat'"]


def test_vector_rotation_and_blends_exact_grouping():
    x0, y0, z0, w0 = 0.1, 0.7, -0.3, 0.62
    vx, vy, vz = 1.5, -0.25, 2.0
    a = w0 * w0 - ((x0 * x0 + y0 * y0) + z0 * z0)
    b = 2.0 * ((vx * x0 + vy * y0) + vz * z0)
    c = w0 + w0
    expected = [c * (y0 * vz - z0 * vy) + (vx * a + x0 * b),
                c * (z0 * vx - x0 * vz) + (vy * a + y0 * b),
                c * (x0 * vy - y0 * vx) + (vz * a + z0 * b)]
    q = Quat(x0, y0, z0, w0)
    assert (q * (vx, vy, vz)).to_list() == expected
    p, r, s = Quat(0.1, 0.2, 0.3, 0.9), Quat(-0.3, 0.5, 0.1, 0.8), 0.3
    blend = [(1 - s) * u + s * v for u, v in zip(comps(p), comps(r))]
    inv = 1 / math.sqrt(((blend[0] * blend[0] + blend[1] * blend[1]) + blend[2] * blend[2]) + blend[3] * blend[3])
    assert list(comps(p.lerp(r, s))) == [u * inv for u in blend]
    d = ((p.x * r.x + p.y * r.y) + p.z * r.z) + p.w * r.w
    theta = math.acos(d)
    ka, kb = math.sin((1 - s) * theta), math.sin(s * theta)
    inv_sin = 1 / math.sin(theta)
    assert list(comps(p.slerp(r, s))) == [(u * ka + v * kb) * inv_sin for u, v in zip(comps(p), comps(r))]


def test_rotation_arc_exact():
    f, t = (0.6, 0.0, 0.8), (0.0, 0.28, 0.96)
    d = (f[0] * t[0] + f[1] * t[1]) + f[2] * t[2]
    c = (f[1] * t[2] - f[2] * t[1], f[2] * t[0] - f[0] * t[2], f[0] * t[1] - f[1] * t[0])
    v = (*c, d + 1.0)
    inv = 1 / math.sqrt(((v[0] * v[0] + v[1] * v[1]) + v[2] * v[2]) + v[3] * v[3])
    assert list(comps(Quat.from_rotation_arc(f, t))) == [u * inv for u in v]
    # Just inside the parallel threshold the arc is still computed; beyond it, identity.
    assert Quat.from_rotation_arc((1, 0, 0), (0.9999999999999996, 1e-8, 0)).z > 0
    assert Quat.from_rotation_arc((1, 0, 0), (0.9999999999999998, 1e-8, 0)) == Quat.IDENTITY
