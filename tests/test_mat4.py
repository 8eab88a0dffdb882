import math
import pickle

import numpy as np
import pytest
from scipy.spatial.transform import Rotation

from support import Cols, bits_of, flat
from vexorin import Affine3, Mat3, Mat4, Quat, Vec3, Vec4


def np_of(m):
    return np.array(m.to_numpy())


def random_mats(n, seed=0):
    return [Mat4.from_numpy(a) for a in np.random.default_rng(seed).normal(size=(n, 4, 4))]


def test_constructor_and_state():
    cols = ((1, 0, 0, 0), (0, 1, 0, 0), (0, 0, 1, 0), (0, 0, 0, 1))
    assert Mat4(*cols) == Mat4.IDENTITY
    for args in ((), cols[:3], cols[:3] + (None,)):
        with pytest.raises(ValueError, match="Mat4 requires x_axis, y_axis, z_axis, w_axis arguments"):
            Mat4(*args)
    m = Mat4.from_cols_array([-0.0, math.nan, math.inf] + list(range(13)))
    state = m.__getnewargs_ex__()[1]["__pickle_state__"]
    assert len(state) == 149
    assert bits_of(flat(Mat4(__pickle_state__=state))) == bits_of(flat(m))
    assert bits_of(flat(pickle.loads(pickle.dumps(m)))) == bits_of(flat(m))
    assert Mat4(*cols, __pickle_state__=state).x_axis.x == -0.0
    with pytest.raises(AttributeError):
        Mat4("abc", __pickle_state__=state)


def test_text_and_hash():
    assert repr(Mat4.IDENTITY) == "Mat4([1, 0, 0, 0], [0, 1, 0, 0], [0, 0, 1, 0], [0, 0, 0, 1])"
    assert str(Mat4.IDENTITY) == repr(Mat4.IDENTITY)
    assert Mat4.IDENTITY is Mat4.IDENTITY
    assert Mat4.ZERO == -Mat4.ZERO and hash(Mat4.ZERO) == hash(-Mat4.ZERO)
    assert Mat4.NAN != Mat4.NAN


def test_flat_nested_and_numpy_forms():
    m = Mat4.from_cols_array(range(16))
    assert Mat4.from_cols_array_2d(m.to_cols_array_2d()) == m
    assert Mat4.from_numpy(m.to_numpy()) == m
    assert m.to_numpy()[0][3] == m.w_axis.x == m.to_cols_array_2d()[3][0]
    assert (np.asarray(m) == m.to_numpy()).all()
    for shape in ((3, 3), (4, 3)):
        with pytest.raises(ValueError, match=r"Mat4.from_numpy expected shape \(4, 4\)"):
            Mat4.from_numpy(np.zeros(shape))
    with pytest.raises(ValueError, match=r"expected a sequence of length 4 \(got 3\)"):
        Mat4.from_cols_array_2d([[1, 2, 3, 4]] * 3)
    with pytest.raises(ValueError, match=r"expected a sequence of length 4 \(got 3\)"):
        Mat4.from_cols_array_2d([[1, 2, 3]] * 4)
    with pytest.raises(TypeError):
        Mat4.from_cols_array_2d(5)
    assert not hasattr(m, "to_json") and not hasattr(Mat4, "from_dict")


def test_converter():
    m = Mat4.from_cols_array(range(16))
    assert m == Cols(list(range(16))) and m.add_mat4(Cols([0] * 16)) == m
    with pytest.raises(ValueError, match=r"expected a sequence of length 16 \(got 15\)"):
        m.add_mat4(Cols(list(range(15))))
    assert (m == Cols(list(range(15)))) is False
    with pytest.raises(ValueError, match=r"expected a sequence of length 16 \(got 9\)"):
        m.mul_mat4(Mat3.IDENTITY)


def test_operators():
    m = Mat4.from_cols_array(range(16))
    assert Mat4.IDENTITY * (1, 2, 3, 4) == Vec4(1, 2, 3, 4) == Mat4.IDENTITY * Quat(1, 2, 3, 4)
    assert m * 2 == 2 * m == m.mul_scalar(2)
    for bad in (lambda: m * "a", lambda: "a" * m, lambda: (1, 2, 3, 4) * Mat4.IDENTITY,
                lambda: m * Mat3.IDENTITY, lambda: m * Affine3.IDENTITY):
        with pytest.raises(TypeError, match=r"unsupported operand type for \*"):
            bad()
    for bad in (lambda: Mat4.IDENTITY + 1, lambda: Mat4.IDENTITY / "x", lambda: m < m):
        with pytest.raises(TypeError):
            bad()
    assert m + m == m * 2 and m - m == Mat4.ZERO and m / 2 == m.div_scalar(2)
    assert math.isnan((m / 0.0).x_axis.x) and math.isinf((m / 0.0).x_axis.y)
    assert flat(-m) == [-c for c in flat(m)]


def test_products_determinant_inverse_match_numpy():
    ms = random_mats(20)
    v = (0.3, -1.2, 2.5, 0.7)
    for a, b in zip(ms, ms[1:]):
        A, B = np_of(a), np_of(b)
        np.testing.assert_allclose(np_of(a * b), A @ B, atol=1e-13)
        np.testing.assert_allclose((a * v).to_list(), A @ v, atol=1e-13)
        np.testing.assert_allclose(a.mul_transpose_vec4(v).to_list(), A.T @ v, atol=1e-13)
        np.testing.assert_allclose(np_of(a.transpose()), A.T)
        assert a.determinant() == pytest.approx(np.linalg.det(A), rel=1e-12, abs=1e-12)
        np.testing.assert_allclose(np_of(a.inverse()), np.linalg.inv(A), rtol=1e-9, atol=1e-9)
        assert a.try_inverse() == a.inverse() == a.inverse_or_zero()


def test_exact_formulas():
    m = Mat4.from_cols_array([0.3, -1.1, 0.7, 0.2, 1.9, 0.4, -0.6, 0.5, 0.8, -0.9, 1.3, -0.1, 0.25, 0.6, -1.7, 1.1])
    (m00, m01, m02, m03), (m10, m11, m12, m13), (m20, m21, m22, m23), (m30, m31, m32, m33) = m.to_cols_array_2d()
    a2323 = m22 * m33 - m23 * m32
    a1323 = m21 * m33 - m23 * m31
    a1223 = m21 * m32 - m22 * m31
    a0323 = m20 * m33 - m23 * m30
    a0223 = m20 * m32 - m22 * m30
    a0123 = m20 * m31 - m21 * m30
    d = (m02 * (m13 * a0123 + (m10 * a1323 - m11 * a0323))
         + (m00 * (m13 * a1223 + (m11 * a2323 - m12 * a1323)) - m01 * (m13 * a0223 + (m10 * a2323 - m12 * a0323)))
         - m03 * (m12 * a0123 + (m10 * a1223 - m11 * a0223)))
    assert m.determinant() == d
    inv = m.inverse()
    # The first row of the adjugate holds the determinant's bracketed terms.
    first_row = [m13 * a1223 + (m11 * a2323 - m12 * a1323), -(m13 * a0223 + (m10 * a2323 - m12 * a0323)),
                 m13 * a0123 + (m10 * a1323 - m11 * a0323), -(m12 * a0123 + (m10 * a1223 - m11 * a0223))]
    assert inv.row(0).to_list() == [c * (1.0 / d) for c in first_row]
    v = (0.35, -1.7, 2.2, 0.9)
    X, Y, Z, W = m.to_cols_array_2d()
    assert (m * v).to_list() == [((X[r] * v[0] + Y[r] * v[1]) + Z[r] * v[2]) + W[r] * v[3] for r in range(4)]
    p = (0.35, -1.7, 2.2)
    assert m.transform_point3(p).to_list() == [((X[r] * p[0] + Y[r] * p[1]) + Z[r] * p[2]) + W[r] for r in range(3)]
    assert m.transform_vector3(p).to_list() == [(X[r] * p[0] + Y[r] * p[1]) + Z[r] * p[2] for r in range(3)]
    r = [((X[i] * p[0] + Y[i] * p[1]) + Z[i] * p[2]) + W[i] for i in range(4)]
    assert m.project_point3(p).to_list() == [r[0] / r[3], r[1] / r[3], r[2] / r[3]]


def test_singular_inverses():
    assert Mat4.ZERO.try_inverse() is None and Mat4.ZERO.inverse_or_zero() == Mat4.ZERO
    assert all(math.isnan(c) for c in flat(Mat4.ZERO.inverse()))
    r = Mat4.NAN.try_inverse()
    assert r is not None and all(math.isnan(c) for c in flat(r))


def test_indexes_and_element_methods():
    m = Mat4.from_cols_array(range(16))
    assert m.col(3) == m.w_axis and m.row(1) == Vec4(1, 5, 9, 13) and m.diagonal() == Vec4(0, 5, 10, 15)
    with pytest.raises(IndexError, match="column index out of range"):
        m.col(4)
    with pytest.raises(IndexError, match="row index out of range"):
        m.row(4)
    with pytest.raises(OverflowError):
        m.col(-1)
    assert m.mul_diagonal_scale((1, 2, 3, 4)) == Mat4(m.x_axis, m.y_axis * 2, m.z_axis * 3, m.w_axis * 4)
    assert flat(m.abs()) == flat(m) and m.recip().x_axis.x == math.inf
    assert m.is_finite() and Mat4.NAN.is_nan() and not m.is_nan()
    assert m.abs_diff_eq(m + Mat4.from_cols_array([0.05] * 16), 0.1) and not m.abs_diff_eq(Mat4.NAN, math.inf)


def test_transform_constructors():
    q = Quat(*Rotation.random(random_state=2).as_quat())
    R = Rotation.from_quat(q.to_array()).as_matrix()
    m = Mat4.from_rotation_translation(q, (1, 2, 3))
    np.testing.assert_allclose(np_of(m)[:3, :3], R, atol=1e-15)
    assert list(np_of(m)[:, 3]) == [1, 2, 3, 1] and list(np_of(m)[3]) == [0, 0, 0, 1]
    assert Mat4.from_quat(q) == Mat4.from_mat3(Mat3.from_quat(q))
    assert Mat4.from_mat3_translation(Mat3.from_quat(q), (1, 2, 3)) == m
    assert Mat4.from_translation((1, 2, 3)).transform_point3((1, 1, 1)) == Vec3(2, 3, 4)
    assert Mat4.from_scale((1, 2, 3)) == Mat4.from_diagonal((1, 2, 3, 1))
    axis = np.array([0.48, 0.6, 0.64])
    np.testing.assert_allclose(np_of(Mat4.from_axis_angle(axis, 0.9))[:3, :3],
                               Rotation.from_rotvec(axis * 0.9).as_matrix(), atol=1e-15)
    for t in (0.3, -2.0):
        assert Mat4.from_rotation_x(t) == Mat4.from_mat3(Mat3.from_rotation_x(t))
        assert Mat4.from_rotation_y(t) == Mat4.from_mat3(Mat3.from_rotation_y(t))
        assert Mat4.from_rotation_z(t) == Mat4.from_mat3(Mat3.from_rotation_z(t))


def test_scale_rotation_translation_round_trip():
    for i, q in enumerate(Rotation.random(10, random_state=5).as_quat()):
        s, t = (1 + i, 0.5, 2.0), (i, -1, 4)
        m = Mat4.from_scale_rotation_translation(s, q, t)
        s2, q2, t2 = m.to_scale_rotation_translation()
        np.testing.assert_allclose(s2.to_list(), s, rtol=1e-14)
        np.testing.assert_allclose(t2.to_list(), t, rtol=1e-14)
        assert min(abs(q2.dot(q) - 1), abs(q2.dot(q) + 1)) < 1e-14
    s, q, t = Mat4.from_scale((1, -1, 1)).to_scale_rotation_translation()
    assert s == Vec3(-1, 1, 1)
    assert math.isnan(Mat4.from_scale_rotation_translation((math.inf, 1, 1), Quat(), (0, 0, 0)).x_axis.w)
    assert bits_of([Mat4.from_scale_rotation_translation((-2, 1, 1), Quat(), (0, 0, 0)).x_axis.w]) == bits_of([-0.0])
    s, q, t = Mat4.ZERO.to_scale_rotation_translation()
    assert s == Vec3.ZERO
    assert q.is_nan()


# ---- projection and view constructors ---------------------------------------


def clip(m, p):
    r = np_of(m) @ np.array([*p, 1.0])
    return r[:3] / r[3]


def test_perspective_rh_values():
    m = Mat4.perspective_rh(math.pi / 2, 1, 1, 10)
    np.testing.assert_allclose(flat(m)[:8], [1, 0, 0, 0, 0, 1, 0, 0], atol=1e-15)
    assert m.z_axis.to_list() == [0, 0, 10 / (1 - 10), -1] and m.w_axis.to_list() == [0, 0, 10 / (1 - 10), 0]
    assert clip(m, (0, 0, -1))[2] == pytest.approx(0, abs=1e-15)
    assert clip(m, (0, 0, -10))[2] == pytest.approx(1, abs=1e-15)


@pytest.mark.parametrize("name,sign,depth", [
    ("perspective_rh_gl", -1, (-1, 1)), ("perspective_lh", 1, (0, 1)), ("perspective_rh", -1, (0, 1))])
def test_perspective_depth_ranges(name, sign, depth):
    n, f, fov, aspect = 0.5, 40.0, 1.1, 1.6
    m = getattr(Mat4, name)(fov, aspect, n, f)
    assert clip(m, (0, 0, sign * n))[2] == pytest.approx(depth[0], abs=1e-13)
    assert clip(m, (0, 0, sign * f))[2] == pytest.approx(depth[1], abs=1e-13)
    h = 1 / math.tan(fov / 2)
    assert m.x_axis.x == pytest.approx(h / aspect, rel=1e-15) and m.y_axis.y == pytest.approx(h, rel=1e-15)
    assert m.z_axis.w == sign


def test_cotangent_forms_are_fixed():
    t = 1.1 * 0.5
    assert Mat4.perspective_lh(1.1, 1, 1, 2).y_axis.y == math.cos(t) / math.sin(t)
    assert Mat4.perspective_rh(1.1, 1, 1, 2).y_axis.y == math.cos(t) / math.sin(t)
    assert Mat4.perspective_infinite_lh(1.1, 1, 1).y_axis.y == math.cos(t) / math.sin(t)
    assert Mat4.perspective_infinite_reverse_lh(1.1, 1, 1).y_axis.y == math.cos(t) / math.sin(t)
    assert Mat4.perspective_rh_gl(1.1, 1, 1, 2).y_axis.y == 1 / math.tan(t)
    assert Mat4.perspective_infinite_rh(1.1, 1, 1).y_axis.y == 1 / math.tan(t)
    assert Mat4.perspective_infinite_reverse_rh(1.1, 1, 1).y_axis.y == 1 / math.tan(t)
    n, f = 0.3, 7.0
    assert Mat4.perspective_rh_gl(1.1, 1, n, f).w_axis.z == (n + n) * f * (1 / (n - f))


def test_infinite_perspectives():
    n = 0.25
    for name, sign, near_depth, far_depth in (("perspective_infinite_lh", 1, 0, 1), ("perspective_infinite_rh", -1, 0, 1),
                                              ("perspective_infinite_reverse_lh", 1, 1, 0),
                                              ("perspective_infinite_reverse_rh", -1, 1, 0)):
        m = getattr(Mat4, name)(1.0, 1.5, n)
        assert clip(m, (0, 0, sign * n))[2] == pytest.approx(near_depth, abs=1e-15)
        assert clip(m, (0, 0, sign * 1e12))[2] == pytest.approx(far_depth, abs=1e-9)


def test_orthographic():
    m = Mat4.orthographic_rh_gl(-1, 1, -1, 1, -1, 1)
    assert flat(m)[:12] == [1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1, 0]
    assert bits_of(m.w_axis.to_list()) == bits_of([-0.0, -0.0, -0.0, 1.0])
    l, r, b, t, n, f = -2.0, 3.0, -1.0, 4.0, 0.5, 9.0
    for name, sign, depth in (("orthographic_rh_gl", -1, (-1, 1)), ("orthographic_lh", 1, (0, 1)),
                              ("orthographic_rh", -1, (0, 1))):
        m = getattr(Mat4, name)(l, r, b, t, n, f)
        np.testing.assert_allclose(clip(m, (l, b, sign * n)), [-1, -1, depth[0]], atol=1e-14)
        np.testing.assert_allclose(clip(m, (r, t, sign * f)), [1, 1, depth[1]], atol=1e-14)
        assert list(np_of(m)[3]) == [0, 0, 0, 1]


def test_frustums():
    m = Mat4.frustum_rh_gl(-1, 1, -1, 1, 1, 3)
    assert m.z_axis.to_list() == [0, 0, -2, -1] and m.w_axis.to_list() == [0, 0, -3, 0]
    l, r, b, t, n, f = -0.4, 0.6, -0.3, 0.5, 0.5, 20.0
    # The left-handed frustum keeps the signs of the off-centre terms, so it
    # maps the box mirrored through the view axis.
    for name, sign, depth in (("frustum_rh_gl", -1, (-1, 1)), ("frustum_lh", 1, (0, 1)), ("frustum_rh", -1, (0, 1))):
        m = getattr(Mat4, name)(l, r, b, t, n, f)
        lo, hi = ((l, b), (r, t)) if sign < 0 else ((-r, -t), (-l, -b))
        np.testing.assert_allclose(clip(m, (lo[0], lo[1], sign * n)), [-1, -1, depth[0]], atol=1e-13)
        np.testing.assert_allclose(clip(m, (hi[0] * f / n, hi[1] * f / n, sign * f)), [1, 1, depth[1]], atol=1e-12)


def test_degenerate_projections_do_not_raise():
    assert not Mat4.perspective_lh(0, 1, 1, 10).is_finite()
    assert not Mat4.orthographic_rh(1, 1, 0, 1, 0, 1).is_finite()


def test_view_matrices():
    m = Mat4.look_at_rh((0, 0, 5), (0, 0, 0), (0, 1, 0))
    assert [abs(c) for c in flat(m)[:12]] == [1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0]
    assert m.w_axis.to_list() == [0, 0, -5, 1]
    m = Mat4.look_at_lh((0, 0, 5), (0, 0, 0), (0, 1, 0))
    assert m.x_axis == Vec4(-1, 0, 0, 0) and m.z_axis == Vec4(0, 0, -1, 0) and m.w_axis == Vec4(0, 0, 5, 1)
    m = Mat4.look_to_rh((1, 2, 3), (0, 0, -2), (0, 1, 0))
    assert m.row(0).to_list()[:3] == [1, 0, 0] and m.row(1).to_list()[:3] == [0, 2, 0]
    assert m.row(2).to_list()[:3] == [0, 0, 2]
    eye, target = np.array([1.0, -2.0, 0.5]), np.array([4.0, 1.0, -1.0])
    for name, sign in (("look_at_rh", -1), ("look_at_lh", 1)):
        m = getattr(Mat4, name)(eye, target, (0, 0, 1))
        assert m.transform_point3(eye).abs_diff_eq(Vec3.ZERO, 1e-14)
        d = np.linalg.norm(target - eye)
        np.testing.assert_allclose(m.transform_point3(target).to_list(), [0, 0, sign * d], atol=1e-13)
        assert Mat4.look_to_rh(eye, target - eye, (0, 0, 1)).transform_point3(eye).abs_diff_eq(Vec3.ZERO, 1e-14)
    assert Mat4.look_at_rh((1, 1, 1), (1, 1, 1), (0, 1, 0)).is_nan()
