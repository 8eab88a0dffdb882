#pragma once
#include "bind/class.hpp"
#include "curvel/line.hpp"
#include "shapes/instance_caster.hpp"

namespace vx {

// LineSegment: the segment from p1 to p2 (the library's start and end).
struct PyLineSegment {
    using Value = curvel::LineSegment;
    static constexpr const char* name = "LineSegment";
    static const bind::ClassDef& def();
};

}  // namespace vx

template <>
struct vx::bind::ClassOf<curvel::LineSegment> {
    using type = vx::PyLineSegment;
};

// The class-or-subclass converter.
template <>
struct vx::bind::Caster<curvel::LineSegment> : vx::shapes::InstanceCaster<vx::PyLineSegment> {};
