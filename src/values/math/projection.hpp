#pragma once
// Camera matrices: perspective, orthographic and off-centre frustum
// projections and view transforms, column vectors, clip = M·(p, 1).
// _rh looks down −z, _lh down +z; no suffix maps depth to [0, 1], _gl to
// [−1, 1]. Which projections take the cotangent as cos/sin and which as 1/tan
// is part of their last bits.
#include <cmath>

#include "dmat4.hpp"

namespace vx {

inline double cot_from_sin_cos(double half_fov) { return std::cos(half_fov) / std::sin(half_fov); }
inline double cot_from_tan(double half_fov) { return 1.0 / std::tan(half_fov); }

// x_axis = (h / aspect, 0, 0, 0), y_axis = (0, h, 0, 0); the callers fill z and w.
inline DMat4 perspective_frame(double h, double aspect_ratio, const DVec4& z_axis, const DVec4& w_axis) {
    return {{h / aspect_ratio, 0.0, 0.0, 0.0}, {0.0, h, 0.0, 0.0}, z_axis, w_axis};
}

inline DMat4 perspective_lh(double fov_y_radians, double aspect_ratio, double z_near, double z_far) {
    const double h = cot_from_sin_cos(fov_y_radians * 0.5);
    const double n = z_near, f = z_far;
    const double k = f / (f - n);
    return perspective_frame(h, aspect_ratio, {0.0, 0.0, k, 1.0}, {0.0, 0.0, -(k * n), 0.0});
}
inline DMat4 perspective_rh(double fov_y_radians, double aspect_ratio, double z_near, double z_far) {
    const double h = cot_from_sin_cos(fov_y_radians * 0.5);
    const double n = z_near, f = z_far;
    const double k = f / (n - f);
    return perspective_frame(h, aspect_ratio, {0.0, 0.0, k, -1.0}, {0.0, 0.0, k * n, 0.0});
}
inline DMat4 perspective_rh_gl(double fov_y_radians, double aspect_ratio, double z_near, double z_far) {
    const double h = cot_from_tan(fov_y_radians * 0.5);
    const double n = z_near, f = z_far;
    const double k = 1.0 / (n - f);
    return perspective_frame(h, aspect_ratio, {0.0, 0.0, (n + f) * k, -1.0},
                             {0.0, 0.0, (n + n) * f * k, 0.0});
}
inline DMat4 perspective_infinite_lh(double fov_y_radians, double aspect_ratio, double z_near) {
    const double h = cot_from_sin_cos(fov_y_radians * 0.5);
    return perspective_frame(h, aspect_ratio, {0.0, 0.0, 1.0, 1.0}, {0.0, 0.0, -z_near, 0.0});
}
inline DMat4 perspective_infinite_rh(double fov_y_radians, double aspect_ratio, double z_near) {
    const double h = cot_from_tan(fov_y_radians * 0.5);
    return perspective_frame(h, aspect_ratio, {0.0, 0.0, -1.0, -1.0}, {0.0, 0.0, -z_near, 0.0});
}
inline DMat4 perspective_infinite_reverse_lh(double fov_y_radians, double aspect_ratio, double z_near) {
    const double h = cot_from_sin_cos(fov_y_radians * 0.5);
    return perspective_frame(h, aspect_ratio, {0.0, 0.0, 0.0, 1.0}, {0.0, 0.0, z_near, 0.0});
}
inline DMat4 perspective_infinite_reverse_rh(double fov_y_radians, double aspect_ratio, double z_near) {
    const double h = cot_from_tan(fov_y_radians * 0.5);
    return perspective_frame(h, aspect_ratio, {0.0, 0.0, 0.0, -1.0}, {0.0, 0.0, z_near, 0.0});
}

inline DMat4 orthographic_lh(double left, double right, double bottom, double top, double near, double far) {
    const double l = left, r = right, b = bottom, t = top, n = near, f = far;
    const double iw = 1.0 / (r - l), ih = 1.0 / (t - b), id = 1.0 / (f - n);
    return {{iw + iw, 0.0, 0.0, 0.0},
            {0.0, ih + ih, 0.0, 0.0},
            {0.0, 0.0, id, 0.0},
            {-((l + r) * iw), -((b + t) * ih), -(id * n), 1.0}};
}
inline DMat4 orthographic_rh(double left, double right, double bottom, double top, double near, double far) {
    const double l = left, r = right, b = bottom, t = top, n = near, f = far;
    const double iw = 1.0 / (r - l), ih = 1.0 / (t - b), id = 1.0 / (n - f);
    return {{iw + iw, 0.0, 0.0, 0.0},
            {0.0, ih + ih, 0.0, 0.0},
            {0.0, 0.0, id, 0.0},
            {-((l + r) * iw), -((b + t) * ih), n * id, 1.0}};
}
// Divisions rather than reciprocals; a symmetric box gives −0.0 translations.
inline DMat4 orthographic_rh_gl(double left, double right, double bottom, double top, double near, double far) {
    const double l = left, r = right, b = bottom, t = top, n = near, f = far;
    return {{2.0 / (r - l), 0.0, 0.0, 0.0},
            {0.0, 2.0 / (t - b), 0.0, 0.0},
            {0.0, 0.0, -2.0 / (f - n), 0.0},
            {-(l + r) / (r - l), -(b + t) / (t - b), -(n + f) / (f - n), 1.0}};
}

// x_axis = (iw·(n + n), 0, 0, 0), y_axis = (0, (n + n)·ih, 0, 0) and the
// first two entries of z_axis are shared by the three frustums.
inline DMat4 frustum_frame(double l, double r, double b, double t, double n, double zz, double zw, double wz) {
    const double iw = 1.0 / (r - l), ih = 1.0 / (t - b);
    return {{iw * (n + n), 0.0, 0.0, 0.0},
            {0.0, (n + n) * ih, 0.0, 0.0},
            {(l + r) * iw, (b + t) * ih, zz, zw},
            {0.0, 0.0, wz, 0.0}};
}
inline DMat4 frustum_lh(double left, double right, double bottom, double top, double z_near, double z_far) {
    const double n = z_near, f = z_far, id = 1.0 / (f - n);
    return frustum_frame(left, right, bottom, top, n, f * id, 1.0, -(n * f) * id);
}
inline DMat4 frustum_rh(double left, double right, double bottom, double top, double z_near, double z_far) {
    const double n = z_near, f = z_far, id = 1.0 / (f - n);
    return frustum_frame(left, right, bottom, top, n, -(f * id), -1.0, -(n * f) * id);
}
inline DMat4 frustum_rh_gl(double left, double right, double bottom, double top, double z_near, double z_far) {
    const double n = z_near, f = z_far, id = 1.0 / (f - n);
    return frustum_frame(left, right, bottom, top, n, -((n + f) * id), -1.0, -(n * (f + f)) * id);
}

// fw is used as given: its length scales the second and third rows.
inline DMat4 mat4_look_to_rh(const DVec3& eye, const DVec3& fw, const DVec3& up) {
    const DVec3 s = normalize(cross(fw, up));
    const DVec3 u = cross(s, fw);
    return {{s[0], u[0], -fw[0], 0.0},
            {s[1], u[1], -fw[1], 0.0},
            {s[2], u[2], -fw[2], 0.0},
            {-dot(s, eye), -dot(u, eye), dot(fw, eye), 1.0}};
}
// up × fw, fw × s and −dot(fw, eye) are the right-handed terms of −fw bit for
// bit, so the left-handed view is the right-handed one of the negated direction.
inline DMat4 mat4_look_to_lh(const DVec3& eye, const DVec3& dir, const DVec3& up) {
    return mat4_look_to_rh(eye, -dir, up);
}
inline DMat4 mat4_look_at_rh(const DVec3& eye, const DVec3& center, const DVec3& up) {
    return mat4_look_to_rh(eye, normalize(center - eye), up);
}
inline DMat4 mat4_look_at_lh(const DVec3& eye, const DVec3& center, const DVec3& up) {
    return mat4_look_to_lh(eye, normalize(center - eye), up);
}

}  // namespace vx
