// The math methods of Vec3: the block shared with Vec2 and Vec4, and the
// products, angles, rotations and orthogonal vectors only three components
// have.
#include "values/math/dvec3_rotation.hpp"
#include "values/vector_math_methods.hpp"

namespace vx {

namespace {
// Quaternions overload some of these names; pick the vector forms.
using AngleFn = double (*)(const DVec3&, const DVec3&);
using TurnFn = DVec3 (*)(const DVec3&, const DVec3&, double);
}  // namespace

const bind::MethodTable vec3_math_methods = [] {
    using D = bind::Declare<PyDVec3>;
    bind::MethodTable block = vector_math_methods<PyDVec3>();
    block.entries.insert(block.entries.end(), {
        D::method<"cross($self, rhs)", &cross>(),
        D::method<"angle_between($self, rhs)", static_cast<AngleFn>(&angle_between)>(),
        D::method<"slerp($self, rhs, s)", static_cast<TurnFn>(&slerp)>(),
        D::method<"rotate_x($self, angle)", &rotate_x>(),
        D::method<"rotate_y($self, angle)", &rotate_y>(),
        D::method<"rotate_z($self, angle)", &rotate_z>(),
        D::method<"rotate_axis($self, axis, angle)", &rotate_axis>(),
        D::method<"rotate_towards($self, rhs, max_angle)", static_cast<TurnFn>(&rotate_towards)>(),
        D::method<"any_orthogonal_vector($self)", &any_orthogonal_vector>(),
        D::method<"any_orthonormal_vector($self)", &any_orthonormal_vector>(),
        D::method<"any_orthonormal_pair($self)", &any_orthonormal_pair>(),
    });
    return block;
}();

}  // namespace vx
