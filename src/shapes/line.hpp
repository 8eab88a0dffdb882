#pragma once
#include "bind/class.hpp"
#include "curvel/line.hpp"
#include "shapes/instance_caster.hpp"

namespace vx {

// Line: The infinite line through origin along dir.
struct PyLine {
    using Value = curvel::Line;
    static constexpr const char* name = "Line";
    static const bind::ClassDef& def();
};

}  // namespace vx

template <>
struct vx::bind::ClassOf<curvel::Line> {
    using type = vx::PyLine;
};

// The class-or-subclass converter.
template <>
struct vx::bind::Caster<curvel::Line> : vx::shapes::InstanceCaster<vx::PyLine> {};
