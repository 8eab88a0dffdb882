#pragma once
#include "bind/class.hpp"
#include "shapes/instance_caster.hpp"
#include "tangor/plane/convex.hpp"

namespace vx {

// ConvexPolygon: a flat convex outline, its 2-D vertices in the frame
// (center, u_axis, v_axis) of a plane through center along normal.
struct PyConvexPolygon {
    using Value = tangor::ConvexPolygon;
    static constexpr const char* name = "ConvexPolygon";
    static const bind::ClassDef& def();
};

}  // namespace vx

template <>
struct vx::bind::ClassOf<tangor::ConvexPolygon> {
    using type = vx::PyConvexPolygon;
};

// The class-or-subclass converter: a deep copy, derived data included.
template <>
struct vx::bind::Caster<tangor::ConvexPolygon> : vx::shapes::InstanceCaster<vx::PyConvexPolygon> {};
