#pragma once
// The single-precision boundary of the curve classes: every number that
// enters is a double narrowed to the nearest float before any arithmetic,
// every number that leaves is a float widened exactly. A parameter typed
// `float` or `curvel::Vec3` narrows; a body returning either widens.
#include <cfloat>
#include <cmath>
#include <limits>

#include "bind/class.hpp"
#include "curvel/math/vec3f.hpp"
#include "values/classes.hpp"
#include "values/vector_args.hpp"

namespace vx::curves {

// Round to nearest, ties to even; magnitudes past the float range become
// infinities and NaN stays NaN. Spelled out because a C++ conversion of a
// value beyond the float range is undefined.
inline float narrow(double d) {
    // The midpoint between FLT_MAX and 2^128 rounds to even, that is to
    // infinity; anything below it rounds to FLT_MAX at most.
    constexpr double overflow = 0x1.ffffffp127;
    if (d >= overflow) return std::numeric_limits<float>::infinity();
    if (d <= -overflow) return -std::numeric_limits<float>::infinity();
    if (d > FLT_MAX) return FLT_MAX;
    if (d < -FLT_MAX) return -FLT_MAX;
    return static_cast<float>(d);
}

inline curvel::Vec3 narrow(const DVec3& v) { return {narrow(v[0]), narrow(v[1]), narrow(v[2])}; }
inline DVec3 widen(curvel::Vec3 v) { return {{v.x, v.y, v.z}}; }

}  // namespace vx::curves

// The interpreter's float conversion, narrowed.
template <>
struct vx::bind::Caster<float> {
    static float from(PyObject* o) { return vx::curves::narrow(cast<double>(o)); }
};
template <>
struct vx::bind::Wrap<float> {
    static PyObject* to(float v) { return Wrap<double>::to(v); }
};

// The Vec3 converter (an instance, a sequence of three numbers, attributes
// x, y, z), narrowed.
template <>
struct vx::bind::Caster<curvel::Vec3> {
    static curvel::Vec3 from(PyObject* o) { return vx::curves::narrow(cast<vx::DVec3>(o)); }
};
// A new Vec3 of the widened components.
template <>
struct vx::bind::Wrap<curvel::Vec3> {
    static PyObject* to(curvel::Vec3 v) { return new_object<vx::PyDVec3>(vx::curves::widen(v)); }
};
