#pragma once
// Vector math that only three components have: the cross product, angles,
// rotations about the axes, about an arbitrary axis and towards another
// vector, spherical interpolation and orthogonal vectors.
//
// `rotate_by_quat` is the rotation of a vector by a quaternion record
// (x, y, z, w), w the scalar part; Quat's vector product uses the same one.
#include <cmath>
#include <limits>
#include <numbers>
#include <utility>

#include "dvec.hpp"
#include "dvec_math.hpp"

namespace vx {

constexpr DVec3 cross(const DVec3& a, const DVec3& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

// With u the vector part of q, a = w·w − dot(u, u), b = 2·dot(v, u) and
// c = w + w, component i is c·cross(u, v)_i + (v_i·a + u_i·b). A quaternion
// of length L also scales the result by L².
inline DVec3 rotate_by_quat(const DVec4& q, const DVec3& v) {
    const DVec3 u{q[0], q[1], q[2]};
    const double w = q[3];
    const double a = w * w - dot(u, u);
    const double b = 2.0 * dot(v, u);
    const double c = w + w;
    const DVec3 n = cross(u, v);
    DVec3 r{};
    for (std::size_t i = 0; i < 3; ++i) r[i] = c * n[i] + (v[i] * a + u[i] * b);
    return r;
}

// (axis·sin(angle/2), cos(angle/2)); the axis is used as given, not normalised.
inline DVec4 axis_angle_quat(const DVec3& axis, double angle) {
    const double half = angle / 2.0;
    const DVec3 u = axis * std::sin(half);
    return {u[0], u[1], u[2], std::cos(half)};
}

// In [0, π]; a zero vector on either side gives NaN.
inline double angle_between(const DVec3& a, const DVec3& rhs) {
    const double c = dot(a, rhs) / std::sqrt(dot(a, a) * dot(rhs, rhs));
    return std::acos(clamp_to_unit(c));
}

inline DVec3 rotate_x(const DVec3& v, double angle) {
    const double s = std::sin(angle), c = std::cos(angle);
    return {v[0], c * v[1] - s * v[2], s * v[1] + c * v[2]};
}
inline DVec3 rotate_y(const DVec3& v, double angle) {
    const double s = std::sin(angle), c = std::cos(angle);
    return {c * v[0] + s * v[2], v[1], c * v[2] - s * v[0]};
}
inline DVec3 rotate_z(const DVec3& v, double angle) {
    const double s = std::sin(angle), c = std::cos(angle);
    return {c * v[0] - s * v[1], s * v[0] + c * v[1], v[2]};
}

inline DVec3 rotate_axis(const DVec3& v, const DVec3& axis, double angle) {
    return rotate_by_quat(axis_angle_quat(axis, angle), v);
}

// Not normalised; picks the larger of x and y so the result is non-zero for
// any non-zero input.
inline DVec3 any_orthogonal_vector(const DVec3& v) {
    if (std::fabs(v[0]) > std::fabs(v[1])) return {-v[2], 0.0, v[0]};
    return {0.0, v[2], -v[1]};
}

// v is taken as unit length, not checked.
inline DVec3 any_orthonormal_vector(const DVec3& v) {
    const double sigma = signum(v[2]);
    const double a = -1.0 / (sigma + v[2]);
    const double b = v[0] * v[1] * a;
    return {b, sigma + v[1] * v[1] * a, -v[1]};
}
inline std::pair<DVec3, DVec3> any_orthonormal_pair(const DVec3& v) {
    const double sigma = signum(v[2]);
    const double a = -1.0 / (sigma + v[2]);
    const double b = v[0] * v[1] * a;
    return {{1.0 + sigma * v[0] * v[0] * a, sigma * b, -sigma * v[0]},
            {b, sigma + v[1] * v[1] * a, -v[1]}};
}

// Turns v towards rhs by at most max_angle radians, keeping |v|; a negative
// max_angle turns away, at most until v points opposite to rhs. Without an
// angle between the two (a zero, infinite or NaN vector) the clamp range is
// undefined and the result is NaN, as the arithmetic gives elsewhere.
inline DVec3 rotate_towards(const DVec3& v, const DVec3& rhs, double max_angle) {
    const double a = angle_between(v, rhs);
    if (std::isnan(a)) return DVec3::splat(std::numeric_limits<double>::quiet_NaN());
    const double lowest = a - std::numbers::pi;
    const double theta = max_angle < lowest ? lowest : (max_angle > a ? a : max_angle);
    const DVec3 n = cross(v, rhs);
    DVec3 axis{};
    if (auto r = usable_length_recip(length(n))) {
        axis = n * *r;
    } else {
        // Parallel or opposite: any axis perpendicular to v will do.
        axis = normalize(any_orthogonal_vector(v));
    }
    return rotate_by_quat(axis_angle_quat(axis, theta), v);
}

// Interpolates direction and length together: the length linearly, the
// direction along the great circle. Nearly opposite vectors turn about an
// arbitrary perpendicular axis; nearly parallel ones (and a zero vector,
// whose d is NaN) fall back to lerp.
inline DVec3 slerp(const DVec3& v, const DVec3& rhs, double s) {
    const double ls = length(v);
    const double lr = length(rhs);
    const double d = dot(rhs, v) / (lr * ls);
    const double L = ls + s * (lr - ls);
    if (std::fabs(d) < 0.9999997) {
        const double theta = std::acos(clamp_to_unit(d));
        return ((v * (L / ls)) * std::sin((1.0 - s) * theta) + (rhs * (L / lr)) * std::sin(s * theta)) *
               (1.0 / std::sin(theta));
    }
    if (d < 0.0) {
        const DVec3 axis = normalize(any_orthogonal_vector(v));
        return rotate_by_quat(axis_angle_quat(axis, s * std::numbers::pi), v) * (L / ls);
    }
    return lerp(v, rhs, s);
}

}  // namespace vx
