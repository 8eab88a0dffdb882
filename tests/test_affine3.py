import copy
import math
import pickle

import numpy as np
import pytest
from scipy.spatial.transform import Rotation

from support import bits_of, flat
from vexorin import Affine3, Mat3, Mat4, Quat, Vec3


class Duck:
    def __init__(self, matrix3, translation):
        self.matrix3 = matrix3
        self.translation = translation


def homogeneous(a):
    m = np.eye(4)
    m[:3, :] = a.to_numpy()
    return m


def random_affines(n, seed=0):
    rng = np.random.default_rng(seed)
    return [Affine3.from_cols_array(rng.normal(size=12)) for _ in range(n)]


def test_constructor():
    a = Affine3((1, 2, 3), Mat3.IDENTITY)
    assert a.translation == Vec3(1, 2, 3) and a.matrix3 == Mat3.IDENTITY
    for kwargs in ({}, {"translation": (1, 2, 3)}, {"rotation": Mat3.IDENTITY, "translation": None}):
        with pytest.raises(ValueError, match="Affine3 requires translation and rotation arguments"):
            Affine3(**kwargs)
    state = a.__getnewargs_ex__()[1]["__pickle_state__"]
    assert Affine3(__pickle_state__=state) == a
    assert Affine3((9, 9, 9), Mat3.ZERO, __pickle_state__=state) == a
    assert Affine3((1, 2, 3), Mat3.IDENTITY, __pickle_state__=None) == a
    with pytest.raises(AttributeError):
        Affine3("ab", Mat3.IDENTITY, __pickle_state__=state)
    with pytest.raises(ValueError, match="pickle decode failed"):
        Affine3(__pickle_state__=state + b"\x00")


def test_pickled_state_layout():
    state = Affine3.IDENTITY.__getnewargs_ex__()[1]["__pickle_state__"]
    assert len(state) == 113 and state[:4] == b"\x80\x03(G" and state[-2:] == b"t."
    assert state[4:12] == b"\x3f\xf0" + bytes(6)
    odd = Affine3.from_cols_array([-0.0, math.nan, math.inf] + [0.5] * 9)
    for back in (pickle.loads(pickle.dumps(odd)), copy.copy(odd), copy.deepcopy(odd)):
        assert bits_of(flat(back)) == bits_of(flat(odd))


def test_repr_debug_form():
    assert repr(Affine3.IDENTITY) == (
        "Affine3(matrix3=DMat3 { x_axis: DVec3(1.0, 0.0, 0.0), y_axis: DVec3(0.0, 1.0, 0.0), "
        "z_axis: DVec3(0.0, 0.0, 1.0) }, translation=DVec3(0.0, 0.0, 0.0))")
    assert str(Affine3.IDENTITY) == repr(Affine3.IDENTITY)
    assert repr(Affine3.NAN).count("NaN") == 12
    text = repr(Affine3.from_translation((1e16, 1e15, -0.0)))
    assert "translation=DVec3(1e16, 1000000000000000.0, -0.0)" in text
    text = repr(Affine3.from_translation((0.0001, 0.00001, math.inf)))
    assert "translation=DVec3(0.0001, 1e-5, inf)" in text


def test_constants_fields_and_properties():
    import dataclasses

    assert Affine3.IDENTITY is Affine3.IDENTITY
    assert flat(Affine3.ZERO) == [0.0] * 12 and Affine3.NAN.is_nan() and not Affine3.NAN.is_finite()
    a = Affine3.from_translation((5, 6, 7))
    assert [f.name for f in dataclasses.fields(a)] == ["matrix3", "translation"]
    assert a.__dict__ == {"matrix3": Mat3.IDENTITY, "translation": Vec3(5, 6, 7)}


def test_equality_and_hash():
    a = Affine3.from_translation((5, 6, 7))
    assert a == Duck(Mat3.IDENTITY, (5, 6, 7))
    assert (a == 5) is False and (a != 5) is True
    assert Affine3.NAN != Affine3.NAN
    neg_zero = Affine3.from_translation((-0.0, 6, 7))
    assert neg_zero == Affine3.from_translation((0.0, 6, 7))
    assert hash(neg_zero) == hash(Affine3.from_translation((0.0, 6, 7)))
    assert hash(a) == hash(Affine3.from_cols_array(flat(a)))
    with pytest.raises(TypeError):
        a < a


def test_composition_matches_homogeneous_product():
    affs = random_affines(10)
    p = (0.3, -1.1, 2.0)
    for a, b in zip(affs, affs[1:]):
        ab = a * b
        np.testing.assert_allclose(homogeneous(ab), homogeneous(a) @ homogeneous(b), atol=1e-13)
        np.testing.assert_allclose(ab.transform_point3(p).to_list(),
                                   a.transform_point3(b.transform_point3(p)).to_list(), atol=1e-12)
        assert a * Affine3.IDENTITY == a and Affine3.IDENTITY * a == a
        assert a * Duck(b.matrix3, b.translation) == ab
        np.testing.assert_allclose(homogeneous(a.inverse()), np.linalg.inv(homogeneous(a)), rtol=1e-9, atol=1e-9)
        assert (a.inverse() * a).abs_diff_eq(Affine3.IDENTITY, 1e-9)


def test_exact_point_and_vector_formulas():
    a = Affine3.from_cols_array([0.1, 0.7, -0.3, 0.9, -0.2, 0.4, 0.6, 1.1, -0.8, 3.5, -2.25, 0.125])
    X, Y, Z, t = a.to_cols_array_2d()
    p = (0.35, -1.7, 2.2)
    assert a.transform_vector3(p).to_list() == [(X[i] * p[0] + Y[i] * p[1]) + Z[i] * p[2] for i in range(3)]
    assert a.transform_point3(p).to_list() == [((X[i] * p[0] + Y[i] * p[1]) + Z[i] * p[2]) + t[i] for i in range(3)]
    inv = a.inverse()
    m = inv.matrix3
    assert m == a.matrix3.inverse()
    assert inv.translation.to_list() == [-c for c in (m * t).to_list()]


def test_operators_other_than_composition():
    a = Affine3.from_translation((1, 2, 3))
    for bad in (lambda: a * 2.0, lambda: 2.0 * a, lambda: a * Quat()):
        with pytest.raises(TypeError):
            bad()
    for bad in (lambda: a * Vec3(1, 2, 3), lambda: a * Mat4.IDENTITY):
        with pytest.raises(TypeError, match=r"unsupported operand type for \*"):
            bad()


def test_constructors():
    q = Quat(*Rotation.random(random_state=4).as_quat())
    R = Rotation.from_quat(q.to_array()).as_matrix()
    np.testing.assert_allclose(Affine3.from_quat(q).to_numpy()[:, :3], R, atol=1e-15)
    assert Affine3.from_rotation_translation(q, (1, 2, 3)) == Affine3((1, 2, 3), Mat3.from_quat(q))
    a = Affine3.from_scale_rotation_translation((2, 3, 4), q, (1, 2, 3))
    np.testing.assert_allclose(a.to_numpy()[:, :3], R * [2, 3, 4], atol=1e-14)
    assert Affine3.from_scale((2, 3, 4)).matrix3 == Mat3.from_diagonal((2, 3, 4))
    assert Affine3.from_mat3(Mat3.from_rotation_y(0.3)) == Affine3.from_rotation_y(0.3)
    for t in (0.3, -1.9):
        assert Affine3.from_rotation_x(t).matrix3 == Mat3.from_rotation_x(t)
        assert Affine3.from_rotation_z(t).matrix3 == Mat3.from_rotation_z(t)
    v = Affine3.from_axis_angle((0, 0, 1), math.pi / 2).transform_vector3((1, 0, 0))
    np.testing.assert_allclose(v.to_list(), [0, 1, 0], atol=1e-15)
    assert abs(Affine3.from_axis_angle((0, 0, 2), 1.0).matrix3.determinant() - 1) > 0.1
    m4 = Mat4.from_cols_array(range(16))
    assert flat(Affine3.from_mat4(m4)) == [0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14]
    assert Affine3.from_mat3_translation(Mat3.IDENTITY, (1, 2, 3)) == Affine3.from_translation((1, 2, 3))
    assert Affine3.from_cols((1, 0, 0), (0, 1, 0), (0, 0, 1), (5, 6, 7)) == Affine3.from_translation((5, 6, 7))


def test_just():
    assert Affine3.just((1, 2, 3)) == Affine3.from_translation((1, 2, 3))
    assert Affine3.just(Mat3.IDENTITY) == Affine3.IDENTITY
    with pytest.raises(TypeError, match="expected Vec3 or Mat3") as info:
        Affine3.just("abc")
    assert not getattr(info.value, "__notes__", [])


def test_flat_forms():
    a = Affine3.from_cols_array(range(12))
    assert flat(a) == list(range(12))
    with pytest.raises(ValueError, match=r"expected a sequence of length 12 \(got 11\)"):
        Affine3.from_cols_array([0.0] * 11)
    with pytest.raises(TypeError, match="'int' object is not an instance of 'Sequence'"):
        Affine3.from_cols_array(5)
    assert Affine3.from_cols_array_2d([[1, 0, 0], [0, 1, 0], [0, 0, 1], [5, 6, 7]]) == Affine3.from_translation((5, 6, 7))
    assert a.to_cols_array_2d() == [[0, 1, 2], [3, 4, 5], [6, 7, 8], [9, 10, 11]]
    with pytest.raises(ValueError, match=r"expected a sequence of length 4 \(got 3\)"):
        Affine3.from_cols_array_2d([[1, 0, 0]] * 3)
    with pytest.raises(ValueError, match=r"expected a sequence of length 3 \(got 2\)"):
        Affine3.from_cols_array_2d([[1, 0]] * 4)
    assert a.to_dict() == tuple(float(i) for i in range(12)) and Affine3.from_dict(a.to_dict()) == a
    assert Affine3.try_from_dict(5) is None
    assert Affine3.from_json(a.to_json()) == a
    assert a.to_json() == "[" + ",".join(f"{i}.0" for i in range(12)) + "]"
    assert Affine3.NAN.to_json() == "[" + ",".join(["null"] * 12) + "]"
    with pytest.raises(ValueError):
        Affine3.from_json(Affine3.NAN.to_json())
    assert Affine3.try_from_json("[1, 2]") is None


def test_numpy_form():
    a = Affine3.from_translation((5, 6, 7))
    assert a.to_numpy().tolist() == [[1, 0, 0, 5], [0, 1, 0, 6], [0, 0, 1, 7]]
    assert (np.asarray(a) == a.to_numpy()).all()
    b = Affine3.from_cols_array(np.arange(12.0) * 0.5)
    assert Affine3.from_numpy(b.to_numpy()) == b
    assert Affine3.from_numpy(np.ascontiguousarray(b.to_numpy().T).T) == b
    for shape in ((4, 4), (3, 3)):
        with pytest.raises(ValueError, match=r"Affine3.from_numpy expected shape \(3, 4\)"):
            Affine3.from_numpy(np.zeros(shape))


def test_abs_diff_eq():
    a = Affine3.from_translation((1, 2, 3))
    assert a.abs_diff_eq(a, 0) and a.abs_diff_eq(Affine3.from_translation((1, 2, 3.05)), 0.1)
    assert not a.abs_diff_eq(a, -1.0) and not Affine3.NAN.abs_diff_eq(Affine3.NAN, math.inf)


def test_scale_rotation_translation_round_trip():
    for i, q in enumerate(Rotation.random(10, random_state=8).as_quat()):
        s, t = (1 + i, 0.5, 3.0), (i, -2, 1)
        s2, q2, t2 = Affine3.from_scale_rotation_translation(s, q, t).to_scale_rotation_translation()
        np.testing.assert_allclose(s2.to_list(), s, rtol=1e-14)
        assert t2 == Vec3(*t)
        assert min(abs(q2.dot(q) - 1), abs(q2.dot(q) + 1)) < 1e-14
    s, _, _ = Affine3.from_scale((1, -2, 1)).to_scale_rotation_translation()
    assert s == Vec3(-1, 2, 1)
    assert Affine3.ZERO.inverse().is_nan()


def test_view_transforms():
    eye, target = np.array([1.0, -2.0, 0.5]), np.array([4.0, 1.0, -1.0])
    d = np.linalg.norm(target - eye)
    for name, sign in (("look_at_rh", -1), ("look_at_lh", 1)):
        a = getattr(Affine3, name)(eye, target, (0, 0, 1))
        assert a.transform_point3(eye).abs_diff_eq(Vec3.ZERO, 1e-14)
        np.testing.assert_allclose(a.transform_point3(target).to_list(), [0, 0, sign * d], atol=1e-13)
    # Unlike Mat4's, the direction is normalised: its length does not matter.
    a = Affine3.look_to_rh(eye, (target - eye) * 7, (0, 0, 1))
    assert a.abs_diff_eq(Affine3.look_at_rh(eye, target, (0, 0, 1)), 1e-15)
    assert Affine3.look_to_lh(eye, -(target - eye), (0, 0, 1)).abs_diff_eq(a, 1e-15)
    assert Affine3.look_at_rh(eye, eye, (0, 0, 1)).is_nan()
