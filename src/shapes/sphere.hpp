#pragma once
#include "bind/class.hpp"
#include "tangor/sphere.hpp"

namespace vx {

// Sphere: a centre and a radius; also what every bounding-sphere method returns.
struct PySphere {
    using Value = tangor::Sphere;
    static constexpr const char* name = "Sphere";
    static const bind::ClassDef& def();
};

}  // namespace vx

template <>
struct vx::bind::ClassOf<tangor::Sphere> {
    using type = vx::PySphere;
};

// The duck-typed converter (duck_shapes.cpp): a Sphere, or any object with
// `center` and `radius`.
template <>
struct vx::bind::Caster<tangor::Sphere> {
    static tangor::Sphere from(PyObject* o);
};
