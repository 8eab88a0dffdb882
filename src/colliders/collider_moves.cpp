// Collider bounds and transforms. Every transform works on a copy: the
// library moves each member by its shape's rule, moves the member spheres and
// the overall sphere with them (or takes them afresh when the move is not
// rigid), and an empty collider keeps its all-zero sphere.
#include "colliders/collider.hpp"
#include "shapes/cuboid.hpp"
#include "shapes/pointcloud.hpp"
#include "shapes/single_precision.hpp"
#include "shapes/transforms.hpp"
#include "shapes/sphere.hpp"

namespace vx::colliders {
namespace {

using D = bind::Declare<PyCollider>;
using Collider = tangor::Collider<>;

// The rigid and linear moves, on a copy, as the shape classes write them.
template <class Arg, auto Move>
constexpr auto moved = &shapes::moved<Collider, Arg, Move>;

tangor::Sphere broadphase(const Collider& c) { return c.broadphase(); }
tangor::Cuboid obb(const Collider& c) { return c.obb(); }

// Every point cloud is rebuilt at its new scale (the routine that scales a
// single cloud); member spheres and the overall sphere are then taken afresh.
Collider scaled(const Collider& c, float factor) {
    Collider out = c;
    if (auto refused = out.scale(factor)) shapes::built_cloud(*refused);
    return out;
}

}  // namespace

const bind::MethodTable& move_methods() {
    static const bind::MethodTable t = {
        D::method<"broadphase($self)", &broadphase>(),
        D::method<"obb($self)", &obb>(),
        D::method<"aabb($self)", &obb>(),
        D::method<"scaled($self, factor)", &scaled>(),
        D::method<"translated($self, offset)", moved<curvel::Vec3, &tangor::translate<Collider>>>(),
        D::method<"rotated_mat($self, mat)", moved<curvel::Mat3, &tangor::rotate_mat<Collider>>>(),
        D::method<"rotated_quat($self, quat)", moved<curvel::Quat, &tangor::rotate_quat<Collider>>>(),
        D::method<"transformed($self, mat)", moved<curvel::Affine3, &tangor::transform<Collider>>>(),
    };
    return t;
}

}  // namespace vx::colliders
