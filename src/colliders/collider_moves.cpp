// Collider bounds and transforms. Every transform works on a copy: the
// library moves each member by its shape's rule, moves the member spheres and
// the overall sphere with them (or takes them afresh when the move is not
// rigid), and an empty collider keeps its all-zero sphere.
#include "colliders/collider.hpp"
#include "shapes/cuboid.hpp"
#include "shapes/pointcloud.hpp"
#include "shapes/single_precision.hpp"
#include "shapes/sphere.hpp"

namespace vx::colliders {
namespace {

using D = bind::Declare<PyCollider>;
using Collider = tangor::Collider<>;

tangor::Sphere broadphase(const Collider& c) { return c.broadphase(); }
tangor::Cuboid obb(const Collider& c) { return c.obb(); }

// Every point cloud is rebuilt at its new scale (the routine that scales a
// single cloud); member spheres and the overall sphere are then taken afresh.
Collider scaled(const Collider& c, float factor) {
    Collider out = c;
    if (auto refused = out.scale(factor)) shapes::built_cloud(*refused);
    return out;
}

Collider translated(const Collider& c, curvel::Vec3 offset) {
    Collider out = c;
    out.translate(offset);
    return out;
}

Collider rotated_mat(const Collider& c, curvel::Mat3 mat) {
    Collider out = c;
    out.rotate_mat(mat);
    return out;
}

Collider rotated_quat(const Collider& c, curvel::Quat quat) {
    Collider out = c;
    out.rotate_quat(quat);
    return out;
}

Collider transformed(const Collider& c, curvel::Affine3 mat) {
    Collider out = c;
    out.transform(mat);
    return out;
}

}  // namespace

const bind::MethodTable& move_methods() {
    static const bind::MethodTable t = {
        D::method<"broadphase($self)", &broadphase>(),
        D::method<"obb($self)", &obb>(),
        D::method<"aabb($self)", &obb>(),
        D::method<"scaled($self, factor)", &scaled>(),
        D::method<"translated($self, offset)", &translated>(),
        D::method<"rotated_mat($self, mat)", &rotated_mat>(),
        D::method<"rotated_quat($self, quat)", &rotated_quat>(),
        D::method<"transformed($self, mat)", &transformed>(),
    };
    return t;
}

}  // namespace vx::colliders
