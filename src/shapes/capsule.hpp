#pragma once
#include "bind/class.hpp"
#include "tangor/capsule.hpp"

namespace vx {

// Capsule: the points within a radius of the segment p1 .. p2.
struct PyCapsule {
    using Value = tangor::Capsule;
    static constexpr const char* name = "Capsule";
    static const bind::ClassDef& def();
};

}  // namespace vx

template <>
struct vx::bind::ClassOf<tangor::Capsule> {
    using type = vx::PyCapsule;
};

// The duck-typed converter (duck_shapes.cpp): a Capsule, or any object with
// `p1`, `p2` and `radius`.
template <>
struct vx::bind::Caster<tangor::Capsule> {
    static tangor::Capsule from(PyObject* o);
};
