#pragma once
#include "bind/class.hpp"
#include "tangor/cylinder.hpp"

namespace vx {

// Cylinder: the flat-capped solid about the segment p1 .. p2.
struct PyCylinder {
    using Value = tangor::Cylinder;
    static constexpr const char* name = "Cylinder";
    static const bind::ClassDef& def();
};

}  // namespace vx

template <>
struct vx::bind::ClassOf<tangor::Cylinder> {
    using type = vx::PyCylinder;
};

// The duck-typed converter (duck_shapes.cpp): a Cylinder, or any object with
// `p1`, `p2` and `radius`.
template <>
struct vx::bind::Caster<tangor::Cylinder> {
    static tangor::Cylinder from(PyObject* o);
};
