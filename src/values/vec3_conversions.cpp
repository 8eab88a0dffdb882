// The methods of Vec3 that return or take a value of another class: Vec2,
// Vec4 and Mat3.
#include <cmath>

#include "values/matrix_args.hpp"

namespace vx {
namespace {

using D = bind::Declare<PyDVec3>;

DVec4 extend_(const DVec3& v, double w) { return extend(v, w); }
DVec2 truncate_(const DVec3& v) { return {v[0], v[1]}; }
DVec4 to_homogeneous(const DVec3& v) { return extend(v, 1.0); }
// w = 0 gives infinities or NaN.
DVec3 from_homogeneous(DVec4 v) { return {v[0] / v[3], v[1] / v[3], v[2] / v[3]}; }
// The rotation applied to the X axis: (x_axis + y_axis·0 + z_axis·0)·radius,
// so an infinite or NaN entry elsewhere still shows.
DVec3 from_spherical(DMat3 rotation, double radius) { return mul(rotation, DVec3{1.0, 0.0, 0.0}) * radius; }

// The rotation matrix turning the direction of ref_axis (X when omitted) into
// the direction of self.
DMat3 angle(const DVec3& self, bind::OrNone<DVec3> ref_axis) {
    const DVec3 r = ref_axis.value.value_or(DVec3{1.0, 0.0, 0.0});
    const double self_length = length(self);
    if (self_length < 1e-10) bind::raise_value_error("Rotation undefined for zero translation vector.");
    const double ref_length = length(r);
    if (ref_length < 1e-10) bind::raise_value_error("ref_axis must be non-zero");
    return mat3_from_quat(quat_from_unit_directions(r / ref_length, self / self_length));
}

}  // namespace

const bind::MethodTable vec3_conversion_methods = {
    D::method<"extend($self, w)", &extend_>(),
    D::method<"truncate($self)", &truncate_>(),
    D::method<"to_homogeneous($self)", &to_homogeneous>(),
    D::static_method<"from_homogeneous(v)", &from_homogeneous>(),
    D::static_method<"from_spherical(rotation, radius)", &from_spherical>(),
    D::method<"angle($self, ref_axis=None)", &angle>(),
};

}  // namespace vx
