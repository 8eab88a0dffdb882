#pragma once
// The boundary between Python's doubles and the libraries' single-precision
// values. Arguments are narrowed once, on entry, component by component and
// before any arithmetic; results are widened exactly.
//
// Parameter types (casters):
//   float            the interpreter's float conversion, narrowed
//   curvel::Vec3     the Vec3 converter (an instance, a sequence of three
//                    numbers, else attributes x, y, z), narrowed
//   curvel::Mat3     the Mat3 converter, nine columns' components narrowed
//   curvel::Quat     the Quat converter, x, y, z, w narrowed (not normalised)
//   curvel::Affine3  the Affine3 converter, matrix3 and translation narrowed
// Result types (wrappers):
//   float          a Python float
//   curvel::Vec3   a new Vec3
#include "bind/class.hpp"
#include "curvel/math/affine3f.hpp"
#include "curvel/math/vec3f.hpp"
#include "values/classes.hpp"
#include "values/matrix_args.hpp"
#include "values/vector_args.hpp"

namespace vx::shapes {

// Round to nearest, ties to even; magnitudes beyond the float range become
// infinities and NaN stays NaN, with no check. IEEE floats have infinities,
// so every double lies between two adjacent floats and the conversion is
// defined for all of them.
inline float narrow(double v) { return static_cast<float>(v); }
inline curvel::Vec3 narrow(const DVec3& v) { return {narrow(v[0]), narrow(v[1]), narrow(v[2])}; }

inline curvel::Mat3 narrow_matrix(const DMat3& m) { return {narrow(m.x_axis), narrow(m.y_axis), narrow(m.z_axis)}; }
inline curvel::Quat narrow_quat(const DQuat& q) { return {narrow(q.x()), narrow(q.y()), narrow(q.z()), narrow(q.w())}; }
inline curvel::Affine3 narrow_affine(const DAffine3& a) {
    return {narrow_matrix(a.matrix3), narrow(a.translation)};
}

inline DVec3 widen(curvel::Vec3 v) { return {{v.x, v.y, v.z}}; }

// The caster of a single-precision parameter: the double-precision
// converter's value (its errors unchanged), narrowed by Narrow.
template <auto Narrow>
struct NarrowingCaster;
template <class Single, class Double, Single (*Narrow)(Double)>
struct NarrowingCaster<Narrow> {
    using Wide = std::remove_cvref_t<Double>;
    static Single from(PyObject* o) { return Narrow(bind::cast<Wide>(o)); }
    static std::optional<Single> try_from(PyObject* o) {
        if (std::optional<Wide> v = bind::try_cast<Wide>(o)) return Narrow(*v);
        return std::nullopt;
    }
};

}  // namespace vx::shapes

template <>
struct vx::bind::Caster<float> : vx::shapes::NarrowingCaster<static_cast<float (*)(double)>(&vx::shapes::narrow)> {};
template <>
struct vx::bind::Caster<curvel::Vec3>
    : vx::shapes::NarrowingCaster<static_cast<curvel::Vec3 (*)(const vx::DVec3&)>(&vx::shapes::narrow)> {};
template <>
struct vx::bind::Caster<curvel::Mat3> : vx::shapes::NarrowingCaster<&vx::shapes::narrow_matrix> {};
template <>
struct vx::bind::Caster<curvel::Quat> : vx::shapes::NarrowingCaster<&vx::shapes::narrow_quat> {};
template <>
struct vx::bind::Caster<curvel::Affine3> : vx::shapes::NarrowingCaster<&vx::shapes::narrow_affine> {};

template <>
struct vx::bind::Wrap<float> {
    static PyObject* to(float v) { return Wrap<double>::to(v); }
};

template <>
struct vx::bind::Wrap<curvel::Vec3> {
    static PyObject* to(curvel::Vec3 v) { return Wrap<vx::DVec3>::to(vx::shapes::widen(v)); }
};
