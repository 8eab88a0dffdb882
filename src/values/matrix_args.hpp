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

// The caster of one of the four classes; its reader is defined per class.
template <class T>
struct ValueCaster : bind::ReaderCaster<ValueCaster<T>, T> {
private:
    friend bind::ReaderCaster<ValueCaster, T>;
    static bool read(PyObject* o, T& out);
};
template <>
bool ValueCaster<DQuat>::read(PyObject* o, DQuat& out);
template <>
bool ValueCaster<DMat3>::read(PyObject* o, DMat3& out);
template <>
bool ValueCaster<DMat4>::read(PyObject* o, DMat4& out);
template <>
bool ValueCaster<DAffine3>::read(PyObject* o, DAffine3& out);

}  // namespace vx

template <>
struct vx::bind::Caster<vx::DQuat> : vx::ValueCaster<vx::DQuat> {};
template <>
struct vx::bind::Caster<vx::DMat3> : vx::ValueCaster<vx::DMat3> {};
template <>
struct vx::bind::Caster<vx::DMat4> : vx::ValueCaster<vx::DMat4> {};
template <>
struct vx::bind::Caster<vx::DAffine3> : vx::ValueCaster<vx::DAffine3> {};
