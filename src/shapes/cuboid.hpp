#pragma once
#include "bind/class.hpp"
#include "tangor/cuboid.hpp"

namespace vx {

// Cuboid: an oriented box; also what every obb() and aabb() returns.
struct PyCuboid {
    using Value = tangor::Cuboid;
    static constexpr const char* name = "Cuboid";
    static const bind::ClassDef& def();
};

}  // namespace vx

template <>
struct vx::bind::ClassOf<tangor::Cuboid> {
    using type = vx::PyCuboid;
};

// The duck-typed converter (duck_shapes.cpp): a Cuboid, or any object with
// `center`, `half_extents` (a tuple of three numbers) and `axes` (a tuple of
// three such tuples).
template <>
struct vx::bind::Caster<tangor::Cuboid> {
    static tangor::Cuboid from(PyObject* o);
};
