#pragma once
#include "bind/class.hpp"
#include "shapes/any_shape.hpp"
#include "tangor/collider.hpp"

namespace vx {

// Collider: shapes of every kind behind one bounding sphere and a kind mask,
// queried all at once. Mutable in place (add, include, refine_bounding), so
// its objects carry a borrow flag.
struct PyCollider {
    using Value = tangor::Collider<>;
    static constexpr const char* name = "Collider";
    static constexpr bool borrowed = true;
    static const bind::ClassDef& def();
};

namespace colliders {

// The method blocks of Collider beyond its frame (collider.cpp), one file
// each: queries, per-kind views, bounds and transforms.
const bind::MethodTable& query_methods();
const bind::MethodTable& view_methods();
const bind::MethodTable& move_methods();

// Files one shape into its kind's collection (any_collider.cpp).
void push_into(shapes::AnyShape shape, tangor::Collider<>& c);

// The any-collider converter's result (any_collider.cpp): a new library
// collider, never sharing data with the argument.
struct AnyCollider {
    tangor::Collider<> value;
};

}  // namespace colliders
}  // namespace vx

template <>
struct vx::bind::ClassOf<tangor::Collider<>> {
    using type = vx::PyCollider;
};

// A Collider (copied under its shared borrow), None, one shape, an iterable
// of shapes, or a collider-like object with spheres(), cuboids(),
// cylinders() or capsules(); anything else raises TypeError.
template <>
struct vx::bind::Caster<vx::colliders::AnyCollider> {
    static vx::colliders::AnyCollider from(PyObject* o);
};
