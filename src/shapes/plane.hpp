#pragma once
#include "bind/class.hpp"
#include "shapes/instance_caster.hpp"
#include "tangor/plane/infinite.hpp"

namespace vx {

// Plane: the points x with normal·x = d; the normal is kept as given.
struct PyPlane {
    using Value = tangor::Plane;
    static constexpr const char* name = "Plane";
    static const bind::ClassDef& def();
};

}  // namespace vx

template <>
struct vx::bind::ClassOf<tangor::Plane> {
    using type = vx::PyPlane;
};

// The class-or-subclass converter.
template <>
struct vx::bind::Caster<tangor::Plane> : vx::shapes::InstanceCaster<vx::PyPlane> {};
