#pragma once
#include "bind/class.hpp"
#include "curvel/line.hpp"
#include "shapes/instance_caster.hpp"

namespace vx {

// Ray: The half-line from origin along dir.
struct PyRay {
    using Value = curvel::Ray;
    static constexpr const char* name = "Ray";
    static const bind::ClassDef& def();
};

}  // namespace vx

template <>
struct vx::bind::ClassOf<curvel::Ray> {
    using type = vx::PyRay;
};

// The class-or-subclass converter.
template <>
struct vx::bind::Caster<curvel::Ray> : vx::shapes::InstanceCaster<vx::PyRay> {};
