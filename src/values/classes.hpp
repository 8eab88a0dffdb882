#pragma once
// The double-precision value classes and EulerRot. Each class's definition
// (constructor, slots, method blocks) lives in its own source file.
#include "bind/class.hpp"
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
