#pragma once
#include "bind/class.hpp"
#include "shapes/instance_caster.hpp"
#include "tangor/convex_polytope/heap.hpp"

namespace vx {

// ConvexPolytope: a convex solid by its face planes and its vertices, with an
// oriented box around the vertices.
struct PyConvexPolytope {
    using Value = tangor::ConvexPolytope;
    static constexpr const char* name = "ConvexPolytope";
    static const bind::ClassDef& def();
};

}  // namespace vx

template <>
struct vx::bind::ClassOf<tangor::ConvexPolytope> {
    using type = vx::PyConvexPolytope;
};

// The class-or-subclass converter: deep copies of the planes and vertices.
template <>
struct vx::bind::Caster<tangor::ConvexPolytope> : vx::shapes::InstanceCaster<vx::PyConvexPolytope> {};
