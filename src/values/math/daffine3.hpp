#pragma once
// The double-precision 3-D affine transform behind Affine3: a linear part and
// a translation; a point p maps to matrix3·p + translation.
#include <cmath>

#include "dmat3.hpp"
#include "dmat4.hpp"
#include "dquat.hpp"

namespace vx {

struct DAffine3 {
    DMat3 matrix3;
    DVec3 translation;
};

inline constexpr DAffine3 kAffine3Identity = {kMat3Identity, {0.0, 0.0, 0.0}};

// Apply b, then a.
constexpr DAffine3 mul(const DAffine3& a, const DAffine3& b) {
    return {mul(a.matrix3, b.matrix3), mul(a.matrix3, b.translation) + a.translation};
}
constexpr DVec3 transform_point3(const DAffine3& a, const DVec3& p) {
    return mul(a.matrix3, p) + a.translation;
}
constexpr DVec3 transform_vector3(const DAffine3& a, const DVec3& v) { return mul(a.matrix3, v); }

// No test for a singular linear part.
constexpr DAffine3 inverse(const DAffine3& a) {
    const DMat3 m = inverse(a.matrix3);
    return {m, -mul(m, a.translation)};
}

constexpr DAffine3 affine3_from_mat3(const DMat3& m) { return {m, {0.0, 0.0, 0.0}}; }
constexpr DAffine3 affine3_from_translation(const DVec3& t) { return {kMat3Identity, t}; }
constexpr DAffine3 affine3_from_mat4(const DMat4& m) { return {upper_left(m), truncate(m.w_axis)}; }

constexpr DAffine3 affine3_from_scale_rotation_translation(const DVec3& scale, const DQuat& rotation,
                                                           const DVec3& translation) {
    const DMat3 r = mat3_from_quat(rotation);
    return {{r.x_axis * scale[0], r.y_axis * scale[1], r.z_axis * scale[2]}, translation};
}

// Unlike the Mat4 view, the direction is normalised first.
inline DAffine3 affine3_look_to_rh(const DVec3& eye, const DVec3& dir, const DVec3& up) {
    const DVec3 f = normalize(dir);
    const DVec3 s = normalize(cross(f, up));
    const DVec3 u = cross(s, f);
    return {{{s[0], u[0], -f[0]}, {s[1], u[1], -f[1]}, {s[2], u[2], -f[2]}},
            {-dot(s, eye), -dot(u, eye), dot(f, eye)}};
}
inline DAffine3 affine3_look_to_lh(const DVec3& eye, const DVec3& dir, const DVec3& up) {
    return affine3_look_to_rh(eye, -dir, up);
}
inline DAffine3 affine3_look_at_rh(const DVec3& eye, const DVec3& center, const DVec3& up) {
    return affine3_look_to_rh(eye, center - eye, up);
}
inline DAffine3 affine3_look_at_lh(const DVec3& eye, const DVec3& center, const DVec3& up) {
    return affine3_look_to_lh(eye, center - eye, up);
}

// The sign of the determinant goes to scale.x alone. Nothing is checked.
inline ScaleRotationTranslation to_scale_rotation_translation(const DAffine3& a) {
    const DMat3& m = a.matrix3;
    const double sign = determinant_sign(determinant(m));
    const DVec3 scale = {length(m.x_axis) * sign, length(m.y_axis), length(m.z_axis)};
    const DQuat rotation = quat_from_rotation_axes(m.x_axis * (1.0 / scale[0]), m.y_axis * (1.0 / scale[1]),
                                                   m.z_axis * (1.0 / scale[2]));
    return {scale, rotation, a.translation};
}

}  // namespace vx
