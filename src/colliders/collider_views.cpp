// Collider views: a copy of the members of one kind, as new objects of their
// shape classes. Points have no view; they travel only in the pickled state.
#include <vector>

#include "colliders/collider.hpp"
#include "colliders/sphere_collection.hpp"
#include "shapes/any_shape.hpp"

namespace vx::colliders {
namespace {

using D = bind::Declare<PyCollider>;
using Collider = tangor::Collider<>;

template <class T>
const std::vector<T>& items_of(const tangor::soa::BroadCollection<T>& collection) {
    return collection.items;
}
template <class T>
const std::vector<T>& items_of(const std::vector<T>& list) {
    return list;
}

// Copied while the collider is borrowed: making the objects may run Python
// code (a collection) that could otherwise change the collider underneath.
template <auto Member>
auto view(const Collider& c) {
    return items_of(c.*Member);
}

tangor::soa::SpheresSoA spheres(const Collider& c) { return c.spheres; }

}  // namespace

const bind::MethodTable& view_methods() {
    static const bind::MethodTable t = {
        D::method<"capsules($self)", &view<&Collider::capsules>>(),
        D::method<"cuboids($self)", &view<&Collider::cuboids>>(),
        D::method<"cylinders($self)", &view<&Collider::cylinders>>(),
        D::method<"planes($self)", &view<&Collider::planes>>(),
        D::method<"polygons($self)", &view<&Collider::polygons>>(),
        D::method<"polytopes($self)", &view<&Collider::polytopes>>(),
        D::method<"lines($self)", &view<&Collider::lines>>(),
        D::method<"rays($self)", &view<&Collider::rays>>(),
        D::method<"segments($self)", &view<&Collider::segments>>(),
        D::method<"pointclouds($self)", &view<&Collider::pointclouds>>(),
        D::method<"spheres($self)", &spheres>(),
    };
    return t;
}

}  // namespace vx::colliders
