import math
import pickle

import numpy as np
import pytest
from scipy.spatial.transform import Rotation

from support import Cols, bits_of, flat
from vexorin import Affine3, Mat3, Mat4, Quat, Vec2, Vec3, Vec4

COS_HALF_PI = 6.123233995736766e-17


def random_mats(n, seed=0):
    rng = np.random.default_rng(seed)
    return [Mat3.from_numpy(a) for a in rng.normal(size=(n, 3, 3))]


def test_constructor():
    m = Mat3((1, 2, 3), (4, 5, 6), (7, 8, 9))
    assert flat(m) == [1, 2, 3, 4, 5, 6, 7, 8, 9]
    assert m.x_axis == Vec3(1, 2, 3) and m.z_axis == Vec3(7, 8, 9)
    for args in ((), ((1, 0, 0), (0, 1, 0)), ((1, 0, 0), None, (0, 0, 1))):
        with pytest.raises(ValueError, match="Mat3 requires x_axis, y_axis, z_axis arguments"):
            Mat3(*args)
    state = m.__getnewargs_ex__()[1]["__pickle_state__"]
    assert len(state) == 86 and Mat3(__pickle_state__=state) == m
    # The column is converted (and refused) before the state is read.
    with pytest.raises(AttributeError):
        Mat3("abc", __pickle_state__=state)


def test_text_hash_and_constants():
    assert repr(Mat3.IDENTITY) == "Mat3([1, 0, 0], [0, 1, 0], [0, 0, 1])"
    assert str(Mat3.IDENTITY) == repr(Mat3.IDENTITY)
    assert Mat3.IDENTITY is Mat3.IDENTITY
    # Equal values hash alike: -0.0 hashes as 0.0.
    assert Mat3.ZERO == -Mat3.ZERO and hash(Mat3.ZERO) == hash(-Mat3.ZERO)
    assert hash(Mat3.IDENTITY) == hash(Mat3((1, 0, 0), (0, 1, 0), (0, 0, 1)))
    assert Mat3.NAN != Mat3.NAN
    m = Mat3(( -0.0, math.inf, math.nan), (1, 2, 3), (4, 5, 6))
    back = pickle.loads(pickle.dumps(m))
    assert bits_of(flat(back)) == bits_of(flat(m))


def test_flat_nested_numpy_dict_json_forms():
    m = Mat3((1, 2, 3), (4, 5, 6), (7, 8, 9.5))
    assert Mat3.from_cols_array(m.to_cols_array()) == m
    assert m.to_cols_array_2d() == [[1, 2, 3], [4, 5, 6], [7, 8, 9.5]]
    assert Mat3.from_cols_array_2d(m.to_cols_array_2d()) == m
    a = m.to_numpy()
    assert a.shape == (3, 3) and a[0][1] == m.y_axis.x and (np.asarray(m) == a).all()
    assert Mat3.from_numpy(a) == m and Mat3.from_numpy(a.T.copy().T) == m
    with pytest.raises(ValueError, match=r"Mat3.from_numpy expected shape \(3, 3\)"):
        Mat3.from_numpy(np.zeros((3, 4)))
    assert m.to_dict() == (1, 2, 3, 4, 5, 6, 7, 8, 9.5) and Mat3.from_dict(m.to_dict()) == m
    assert m.to_json() == "[1.0,2.0,3.0,4.0,5.0,6.0,7.0,8.0,9.5]"
    assert Mat3.from_json(m.to_json()) == m
    assert Mat3.NAN.to_json() == "[" + ",".join(["null"] * 9) + "]"
    assert Mat3.try_from_json(Mat3.NAN.to_json()) is None
    with pytest.raises(ValueError):
        Mat3.from_json("[1,2,3]")
    assert Mat3.try_from_dict([1, 2]) is None


def test_converter():
    m = Mat3.from_cols_array(range(9))
    assert m == Cols(list(range(9))) and Mat3.IDENTITY.mul_mat3(Cols(list(range(9)))) == m
    with pytest.raises(ValueError, match=r"expected a sequence of length 9 \(got 8\)"):
        m.add_mat3(Cols(list(range(8))))
    assert (m == Cols(list(range(8)))) is False
    with pytest.raises(ValueError, match=r"expected a sequence of length 9 \(got 16\)"):
        m.add_mat3(Mat4.IDENTITY)
    with pytest.raises(AttributeError):
        m.add_mat3(5)


def test_products_match_numpy():
    ms = random_mats(10)
    v = (0.3, -1.2, 2.5)
    for a, b in zip(ms, ms[1:]):
        np.testing.assert_allclose((a * b).to_numpy(), a.to_numpy() @ b.to_numpy(), atol=1e-13)
        np.testing.assert_allclose((a * v).to_list(), a.to_numpy() @ v, atol=1e-13)
        np.testing.assert_allclose(a.mul_transpose_vec3(v).to_list(), a.to_numpy().T @ v, atol=1e-13)
        np.testing.assert_allclose(a.transpose().to_numpy(), a.to_numpy().T)
        assert a.determinant() == pytest.approx(np.linalg.det(a.to_numpy()), rel=1e-12, abs=1e-12)
        np.testing.assert_allclose(a.inverse().to_numpy(), np.linalg.inv(a.to_numpy()), rtol=1e-10, atol=1e-10)
        assert a.try_inverse() == a.inverse() == a.inverse_or_zero()


def test_exact_formulas():
    x, y, z = (0.1, 0.7, -0.3), (0.9, -0.2, 0.4), (0.6, 1.1, -0.8)
    m = Mat3(x, y, z)
    v = (0.35, -1.7, 2.2)
    assert (m * v).to_list() == [(x[r] * v[0] + y[r] * v[1]) + z[r] * v[2] for r in range(3)]
    cross = lambda a, b: (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])
    dot = lambda a, b: (a[0] * b[0] + a[1] * b[1]) + a[2] * b[2]
    d = dot(z, cross(x, y))
    assert m.determinant() == d
    inv = 1.0 / d
    yz, zx, xy = cross(y, z), cross(z, x), cross(x, y)
    assert flat(m.inverse()) == [c * inv for col in zip(yz, zx, xy) for c in col]


def test_singular_inverses():
    assert Mat3.ZERO.try_inverse() is None
    assert Mat3.ZERO.inverse_or_zero() == Mat3.ZERO
    assert all(math.isnan(c) for c in flat(Mat3.ZERO.inverse()))
    r = Mat3.NAN.try_inverse()
    assert r is not None and all(math.isnan(c) for c in flat(r))


def test_operators():
    m = Mat3.from_cols_array(range(1, 10))
    assert Mat3.IDENTITY * (1, 2, 3) == Vec3(1, 2, 3)
    assert m * 2 == 2 * m == m.mul_scalar(2)
    assert m * Quat(1, 2, 3, 4) == m * Vec3(1, 2, 3) == m * Vec4(1, 2, 3, 9)
    for bad in (lambda: m * "a", lambda: "a" * m, lambda: m * Mat4.IDENTITY):
        with pytest.raises(TypeError, match=r"unsupported operand type for \*"):
            bad()
    with pytest.raises(TypeError):
        m + 1
    assert flat(m + m) == [2.0 * c for c in range(1, 10)] and m - m == Mat3.ZERO
    assert m / 2 == m.div_scalar(2)
    r = m / 0.0
    assert math.isinf(r.x_axis.x)
    assert flat(-m) == [-c for c in flat(m)]
    with pytest.raises(TypeError):
        m < m


def test_element_methods():
    m = Mat3((1, -2, 0), (4, 0.5, -6), (7, 8, -0.25))
    assert flat(m.abs()) == [abs(c) for c in flat(m)]
    r = m.recip()
    assert r.x_axis.z == math.inf and r.y_axis.y == 2.0
    assert m.diagonal() == Vec3(1, 0.5, -0.25)
    assert m.col(1) == Vec3(4, 0.5, -6) and m.row(1) == Vec3(-2, 0.5, 8)
    assert m.mul_diagonal_scale((2, 3, 4)) == Mat3(m.x_axis * 2, m.y_axis * 3, m.z_axis * 4)
    assert m.is_finite() and not Mat3.NAN.is_finite() and Mat3.NAN.is_nan() and not m.is_nan()
    assert m.abs_diff_eq(m + Mat3.from_cols_array([0.05] * 9), 0.1)
    assert not m.abs_diff_eq(Mat3.NAN, math.inf)


@pytest.mark.parametrize("method,message", [("col", "column index out of range"), ("row", "row index out of range")])
def test_column_and_row_indexes(method, message):
    with pytest.raises(IndexError, match=message):
        getattr(Mat3.IDENTITY, method)(3)
    with pytest.raises(OverflowError) as info:
        getattr(Mat3.IDENTITY, method)(-1)
    assert info.value.__notes__ == ["while processing 'index'"]


def test_rotation_constructors_match_scipy():
    for t in (0.0, 0.4, -2.2, math.pi):
        for axis, ctor in (("x", Mat3.from_rotation_x), ("y", Mat3.from_rotation_y), ("z", Mat3.from_rotation_z)):
            np.testing.assert_allclose(ctor(t).to_numpy(), Rotation.from_euler(axis, t).as_matrix(), atol=1e-15)
        assert Mat3.from_angle(t) == Mat3.from_rotation_z(t)
    axis = np.array([0.48, 0.6, 0.64])
    np.testing.assert_allclose(Mat3.from_axis_angle(axis, 1.3).to_numpy(),
                               Rotation.from_rotvec(axis * 1.3).as_matrix(), atol=1e-15)
    np.testing.assert_allclose(Mat3.from_scaled_axis(axis * 1.3).to_numpy(),
                               Rotation.from_rotvec(axis * 1.3).as_matrix(), atol=1e-15)
    assert Mat3.from_scaled_axis((0, 0, 0)) == Mat3.IDENTITY
    for q in Rotation.random(10, random_state=3).as_quat():
        np.testing.assert_allclose(Mat3.from_quat(q).to_numpy(), Rotation.from_quat(q).as_matrix(), atol=1e-15)
    # The quaternion is used unnormalised: (1, 0, 0, 1) gives a scaled, sheared map.
    assert Mat3.from_quat((1, 0, 0, 1)).determinant() == 5.0


def test_two_dimensional_transforms():
    assert Mat3.from_translation(Vec2(1, 2)) == Mat3((1, 0, 0), (0, 1, 0), (1, 2, 1))
    with pytest.raises(AttributeError):
        Mat3.from_translation((1, 2))
    assert Mat3.from_scale(Vec2(2, 3)) == Mat3.from_diagonal((2, 3, 1))
    m = Mat3.from_scale_angle_translation(Vec2(2, 3), 0.5, Vec2(4, 5))
    s, c = math.sin(0.5), math.cos(0.5)
    assert flat(m) == [2 * c, 2 * s, 0, -(s * 3), 3 * c, 0, 4, 5, 1]
    p = m.transform_point2(Vec2(1, 1))
    assert (p.x, p.y) == (2 * c * 1 + -(s * 3) * 1 + 4, 2 * s * 1 + 3 * c * 1 + 5)
    v = m.transform_vector2(Vec2(1, 1))
    assert (v.x, v.y) == (2 * c + -(s * 3), 2 * s + 3 * c)


def test_mat4_blocks_and_minors():
    m4 = Mat4.from_cols_array(range(16))
    assert Mat3.from_mat4(m4) == Mat3((0, 1, 2), (4, 5, 6), (8, 9, 10))
    a = m4.to_numpy()
    for i in range(4):
        for j in range(4):
            ref = np.delete(np.delete(a, j, axis=0), i, axis=1)
            assert (Mat3.from_mat4_minor(m4, i, j).to_numpy() == ref).all()
    with pytest.raises(IndexError, match="column index out of range"):
        Mat3.from_mat4_minor(m4, 4, 0)
    with pytest.raises(IndexError, match="row index out of range"):
        Mat3.from_mat4_minor(m4, 0, 4)
    with pytest.raises(OverflowError):
        Mat3.from_mat4_minor(m4, -1, 0)


def test_look_to():
    m = Mat3.look_to_rh((0, 0, -1), (0, 1, 0))
    assert m == Mat3.IDENTITY
    d = np.array([0.3, -0.5, 0.8])
    for ctor, sign in ((Mat3.look_to_rh, -1), (Mat3.look_to_lh, 1)):
        m = ctor(tuple(d / np.linalg.norm(d)), (0, 1, 0))
        np.testing.assert_allclose((m * tuple(d / np.linalg.norm(d))).to_list(), [0, 0, sign], atol=1e-15)
        assert m.determinant() == pytest.approx(1.0, abs=1e-14)
    assert Mat3.look_to_rh((0, 1, 0), (0, 1, 0)).is_nan()


# ---- Vec3 conversions to other classes ---------------------------------------


def test_vec3_extend_truncate_homogeneous():
    v = Vec3(1, 2, 3)
    assert v.extend(4) == Vec4(1, 2, 3, 4) and isinstance(v.extend(4), Vec4)
    t = v.truncate()
    assert isinstance(t, Vec2) and (t.x, t.y) == (1.0, 2.0)
    assert v.to_homogeneous() == Vec4(1, 2, 3, 1)
    assert Vec3.from_homogeneous((2, 4, 6, 2)) == Vec3(1, 2, 3) == v.from_homogeneous(Vec4(2, 4, 6, 2))
    r = Vec3.from_homogeneous((1, -1, 0, 0))
    assert r.x == math.inf and r.y == -math.inf and math.isnan(r.z)


def test_vec3_from_spherical():
    assert Vec3.from_spherical(Mat3.IDENTITY, 2.0) == Vec3(2, 0, 0)
    m = Mat3.from_rotation_z(0.7)
    np.testing.assert_allclose(Vec3.from_spherical(m, 3).to_list(), [3 * math.cos(0.7), 3 * math.sin(0.7), 0])
    # Infinite entries in the other columns still poison the result (∞·0).
    assert math.isnan(Vec3.from_spherical(Mat3((1, 0, 0), (math.inf, 0, 0), (0, 0, 1)), 1).x)


def test_vec3_angle():
    m = Vec3(0, 2, 0).angle()
    np.testing.assert_allclose(m.to_numpy(), Rotation.from_euler("z", math.pi / 2).as_matrix(), atol=1e-15)
    m = Vec3(-1, 0, 0).angle()
    assert flat(m) == [-1.0, 1.2246467991473532e-16, 0.0, -1.2246467991473532e-16, -1.0, 0.0, 0.0, 0.0, 1.0]
    assert Vec3(1, 0, 0).angle() == Mat3.IDENTITY
    for bad in (Vec3(0, 0, 0), Vec3(1e-11, 0, 0)):
        with pytest.raises(ValueError, match="Rotation undefined for zero translation vector."):
            bad.angle()
    with pytest.raises(ValueError, match="ref_axis must be non-zero"):
        Vec3(1, 0, 0).angle((0, 0, 0))
    rng = np.random.default_rng(11)
    for _ in range(20):
        a, r = rng.normal(size=(2, 3))
        m = Vec3(*a).angle(tuple(r))
        np.testing.assert_allclose((m * tuple(r / np.linalg.norm(r))).to_list(), a / np.linalg.norm(a), atol=1e-14)
        assert m.determinant() == pytest.approx(1.0, abs=1e-14)
    # Opposite directions turn by π about an axis perpendicular to ref_axis.
    m = Vec3(0, 0, -3).angle((0, 0, 1))
    np.testing.assert_allclose((m * (0, 0, 1)).to_list(), [0, 0, -1], atol=1e-15)


@pytest.mark.parametrize(
    "make, note",
    [
        (lambda: Mat3("bad", __pickle_state__="s"), "x_axis"),
        (lambda: Mat4((1, 0, 0, 0), "bad", __pickle_state__=5), "y_axis"),
        (lambda: Affine3("bad", "bad", __pickle_state__="s"), "translation"),
        (lambda: Affine3((1, 2, 3), "bad", __pickle_state__=5), "rotation"),
    ],
)
def test_fields_are_converted_before_the_state(make, note):
    with pytest.raises(AttributeError) as e:
        make()
    assert e.value.__notes__ == [f"while processing '{note}'"]


@pytest.mark.parametrize(
    "call, error",
    [
        (lambda: Mat3.from_cols_array_2d([[1, 2, 3], [4, 5, 6]]), ValueError),
        (lambda: Mat4.from_cols_array_2d(None), TypeError),
        (lambda: Affine3.from_cols_array_2d([[1, 0, 0], [0, 1, 0], [0, 0, 1], None]), TypeError),
        (lambda: Mat3.from_cols_array_2d([[1, 2, "x"], [4, 5, 6], [7, 8, 9]]), TypeError),
    ],
)
def test_nested_column_errors_name_their_parameter(call, error):
    with pytest.raises(error) as e:
        call()
    assert e.value.__notes__ == ["while processing 'm'"]


@pytest.mark.parametrize("index", [4, 2**63, 2**64 - 1])
def test_large_unsigned_indexes_are_out_of_range(index):
    with pytest.raises(IndexError, match="column index out of range"):
        Mat3.IDENTITY.col(index)
    with pytest.raises(IndexError, match="row index out of range"):
        Mat4.IDENTITY.row(index)
    with pytest.raises(OverflowError):
        Mat3.IDENTITY.col(-1)
