#pragma once
// The rotation, matrix and transform argument converters. Each takes an
// instance of its class first (a plain copy, no Python call), then falls back
// to duck typing: Quat a sequence of four numbers, then attributes x, y, z, w;
// Mat3 and Mat4 anything whose to_cols_array() returns 9 or 16 numbers;
// Affine3 anything whose matrix3 and translation attributes convert.
// Nothing is normalised or checked.
#include "values/classes.hpp"
#include "values/vector_args.hpp"

namespace vx {

// True with `out` filled, or false with the converter's error set.
bool read_quat(PyObject* o, DQuat& out);
bool read_mat3(PyObject* o, DMat3& out);
bool read_mat4(PyObject* o, DMat4& out);
bool read_affine3(PyObject* o, DAffine3& out);

}  // namespace vx

template <>
struct vx::bind::Caster<vx::DQuat> {
    static vx::DQuat from(PyObject* o) {
        vx::DQuat q;
        if (!vx::read_quat(o, q)) throw_python_error();
        return q;
    }
};
template <>
struct vx::bind::Caster<vx::DMat3> {
    static vx::DMat3 from(PyObject* o) {
        vx::DMat3 m;
        if (!vx::read_mat3(o, m)) throw_python_error();
        return m;
    }
};
template <>
struct vx::bind::Caster<vx::DMat4> {
    static vx::DMat4 from(PyObject* o) {
        vx::DMat4 m;
        if (!vx::read_mat4(o, m)) throw_python_error();
        return m;
    }
};
template <>
struct vx::bind::Caster<vx::DAffine3> {
    static vx::DAffine3 from(PyObject* o) {
        vx::DAffine3 a;
        if (!vx::read_affine3(o, a)) throw_python_error();
        return a;
    }
};

namespace vx {
// The converter of each value type, for code generic over the four classes.
inline bool read_value(PyObject* o, DQuat& out) { return read_quat(o, out); }
inline bool read_value(PyObject* o, DMat3& out) { return read_mat3(o, out); }
inline bool read_value(PyObject* o, DMat4& out) { return read_mat4(o, out); }
inline bool read_value(PyObject* o, DAffine3& out) { return read_affine3(o, out); }
}  // namespace vx
