// The camera constructors of Mat4: perspective, orthographic and frustum
// projections and view matrices.
#include "values/classes.hpp"
#include "values/math/projection.hpp"
#include "values/vector_args.hpp"

namespace vx {
namespace {
using D = bind::Declare<PyDMat4>;
}  // namespace

const bind::MethodTable mat4_projection_methods = {
    D::static_method<"perspective_rh_gl(fov_y_radians, aspect_ratio, z_near, z_far)", &perspective_rh_gl>(),
    D::static_method<"perspective_lh(fov_y_radians, aspect_ratio, z_near, z_far)", &perspective_lh>(),
    D::static_method<"perspective_rh(fov_y_radians, aspect_ratio, z_near, z_far)", &perspective_rh>(),
    D::static_method<"perspective_infinite_lh(fov_y_radians, aspect_ratio, z_near)", &perspective_infinite_lh>(),
    D::static_method<"perspective_infinite_rh(fov_y_radians, aspect_ratio, z_near)", &perspective_infinite_rh>(),
    D::static_method<"perspective_infinite_reverse_lh(fov_y_radians, aspect_ratio, z_near)",
                     &perspective_infinite_reverse_lh>(),
    D::static_method<"perspective_infinite_reverse_rh(fov_y_radians, aspect_ratio, z_near)",
                     &perspective_infinite_reverse_rh>(),
    D::static_method<"orthographic_rh_gl(left, right, bottom, top, near, far)", &orthographic_rh_gl>(),
    D::static_method<"orthographic_lh(left, right, bottom, top, near, far)", &orthographic_lh>(),
    D::static_method<"orthographic_rh(left, right, bottom, top, near, far)", &orthographic_rh>(),
    D::static_method<"frustum_rh_gl(left, right, bottom, top, z_near, z_far)", &frustum_rh_gl>(),
    D::static_method<"frustum_lh(left, right, bottom, top, z_near, z_far)", &frustum_lh>(),
    D::static_method<"frustum_rh(left, right, bottom, top, z_near, z_far)", &frustum_rh>(),
    D::static_method<"look_to_lh(eye, dir, up)", &mat4_look_to_lh>(),
    D::static_method<"look_to_rh(eye, dir, up)", &mat4_look_to_rh>(),
    D::static_method<"look_at_lh(eye, center, up)", &mat4_look_at_lh>(),
    D::static_method<"look_at_rh(eye, center, up)", &mat4_look_at_rh>(),
};

}  // namespace vx
