#pragma once
// The double-precision value classes and EulerRot. Each class's definition
// (constructor, slots, method blocks) lives in its own source file.
#include "bind/class.hpp"
#include "values/math/daffine3.hpp"
#include "values/math/dmat3.hpp"
#include "values/math/dmat4.hpp"
#include "values/math/dquat.hpp"
#include "values/math/dvec.hpp"

namespace vx {

enum class EulerOrder : unsigned char;

struct PyEulerRot {
    using Value = EulerOrder;
    static constexpr const char* name = "EulerRot";
    static const bind::ClassDef& def();
};

struct PyDVec2 {
    using Value = DVec2;
    static constexpr const char* name = "Vec2";
    static const bind::ClassDef& def();
};
struct PyDVec3 {
    using Value = DVec3;
    static constexpr const char* name = "Vec3";
    static const bind::ClassDef& def();
};
struct PyDVec4 {
    using Value = DVec4;
    static constexpr const char* name = "Vec4";
    static const bind::ClassDef& def();
};

struct PyDQuat {
    using Value = DQuat;
    static constexpr const char* name = "Quat";
    static const bind::ClassDef& def();
};
struct PyDMat3 {
    using Value = DMat3;
    static constexpr const char* name = "Mat3";
    static const bind::ClassDef& def();
};
struct PyDMat4 {
    using Value = DMat4;
    static constexpr const char* name = "Mat4";
    static const bind::ClassDef& def();
};
struct PyDAffine3 {
    using Value = DAffine3;
    static constexpr const char* name = "Affine3";
    static const bind::ClassDef& def();
};

// The second method block of Vec3: its conversions to Vec2, Vec4 and Mat3.
extern const bind::MethodTable vec3_conversion_methods;
// The camera constructors of Mat4.
extern const bind::MethodTable mat4_projection_methods;
// The third: its math methods (vec3_math.cpp).
extern const bind::MethodTable vec3_math_methods;

template <std::size_t N>
struct VecClass;
template <>
struct VecClass<2> {
    using type = PyDVec2;
};
template <>
struct VecClass<3> {
    using type = PyDVec3;
};
template <>
struct VecClass<4> {
    using type = PyDVec4;
};

}  // namespace vx

// A body that returns a DVec<N> returns a new Vec2, Vec3 or Vec4.
template <std::size_t N>
struct vx::bind::ClassOf<vx::DVec<N>> {
    using type = typename vx::VecClass<N>::type;
};
// Bodies that return a quaternion, matrix or affine value return a new Quat,
// Mat3, Mat4 or Affine3.
template <>
struct vx::bind::ClassOf<vx::DQuat> {
    using type = vx::PyDQuat;
};
template <>
struct vx::bind::ClassOf<vx::DMat3> {
    using type = vx::PyDMat3;
};
template <>
struct vx::bind::ClassOf<vx::DMat4> {
    using type = vx::PyDMat4;
};
template <>
struct vx::bind::ClassOf<vx::DAffine3> {
    using type = vx::PyDAffine3;
};
