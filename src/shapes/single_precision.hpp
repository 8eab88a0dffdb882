#pragma once
// The boundary between Python's doubles and the libraries' single-precision
// values. Arguments are narrowed once, on entry, component by component and
// before any arithmetic; results are widened exactly.
//
// Parameter types (casters):
//   float          the interpreter's float conversion, narrowed
//   curvel::Vec3   the Vec3 converter (an instance, a sequence of three
//                  numbers, else attributes x, y, z), narrowed
// Result types (wrappers):
//   float          a Python float
//   curvel::Vec3   a new Vec3
#include "bind/class.hpp"
#include "curvel/math/vec3f.hpp"
#include "values/classes.hpp"
#include "values/vector_args.hpp"

namespace vx::shapes {

// Round to nearest, ties to even; magnitudes beyond the float range become
// infinities and NaN stays NaN, with no check. IEEE floats have infinities,
// so every double lies between two adjacent floats and the conversion is
// defined for all of them.
inline float narrow(double v) { return static_cast<float>(v); }
inline curvel::Vec3 narrow(const DVec3& v) { return {narrow(v[0]), narrow(v[1]), narrow(v[2])}; }

inline DVec3 widen(curvel::Vec3 v) { return {{v.x, v.y, v.z}}; }

}  // namespace vx::shapes

template <>
struct vx::bind::Caster<float> {
    static float from(PyObject* o) { return vx::shapes::narrow(cast<double>(o)); }
    static std::optional<float> try_from(PyObject* o) {
        if (std::optional<double> v = try_cast<double>(o)) return vx::shapes::narrow(*v);
        return std::nullopt;
    }
};

template <>
struct vx::bind::Caster<curvel::Vec3> {
    static curvel::Vec3 from(PyObject* o) { return vx::shapes::narrow(cast<vx::DVec3>(o)); }
    static std::optional<curvel::Vec3> try_from(PyObject* o) {
        if (std::optional<vx::DVec3> v = try_cast<vx::DVec3>(o)) return vx::shapes::narrow(*v);
        return std::nullopt;
    }
};

template <>
struct vx::bind::Wrap<float> {
    static PyObject* to(float v) { return Wrap<double>::to(v); }
};

template <>
struct vx::bind::Wrap<curvel::Vec3> {
    static PyObject* to(curvel::Vec3 v) { return Wrap<vx::DVec3>::to(vx::shapes::widen(v)); }
};
