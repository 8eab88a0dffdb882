#pragma once
// The double-precision quaternion behind Quat: the DVec4 record x, y, z, w
// with w the scalar part, wrapped in its own type so that rotations and plain
// 4-vectors never mix by accident. Hamilton product, right-handed rotations;
// a product a·b applies b first. Nothing here normalises what it is given.
#include <algorithm>
#include <cmath>

#include "dvec.hpp"
#include "dvec3_rotation.hpp"

namespace vx {

struct DQuat {
    DVec4 xyzw;

    constexpr double x() const { return xyzw[0]; }
    constexpr double y() const { return xyzw[1]; }
    constexpr double z() const { return xyzw[2]; }
    constexpr double w() const { return xyzw[3]; }
    constexpr DVec3 xyz() const { return {xyzw[0], xyzw[1], xyzw[2]}; }
};

inline constexpr DQuat kQuatIdentity = {{0.0, 0.0, 0.0, 1.0}};

// cos(π/2) in double precision: the scalar part of every half turn built from
// a constant angle.
inline constexpr double kCosHalfPi = 6.123233995736766e-17;

// 1 − 2·2⁻⁵²: the arc constructors treat directions beyond it as parallel.
inline constexpr double kArcParallel = 0.9999999999999996;

constexpr DQuat conjugate(const DQuat& q) { return {{-q.x(), -q.y(), -q.z(), q.w()}}; }

constexpr DQuat mul(const DQuat& a, const DQuat& b) {
    const auto [x0, y0, z0, w0] = a.xyzw.v;
    const auto [x1, y1, z1, w1] = b.xyzw.v;
    return {{((x0 * w1 + w0 * x1) + y0 * z1) - z0 * y1,
             ((w0 * y1 - x0 * z1) + y0 * w1) + z0 * x1,
             ((x0 * y1 + w0 * z1) - y0 * x1) + z0 * w1,
             ((w0 * w1 - x0 * x1) - y0 * y1) - z0 * z1}};
}

// For a quaternion of length L the rotated vector is also scaled by L².
inline DVec3 mul(const DQuat& q, const DVec3& v) { return rotate_by_quat(q.xyzw, v); }

// min(v, 1.0) that lets NaN through, so a NaN dot product stays NaN.
constexpr double clamp_to_one(double v) { return v > 1.0 ? 1.0 : v; }

inline double angle_between(const DQuat& a, const DQuat& b) {
    return 2.0 * std::acos(clamp_to_one(std::fabs(dot(a.xyzw, b.xyzw))));
}

// The threshold is the angle below which a double-precision unit quaternion
// cannot tell its rotation from none; only w is examined.
inline bool is_near_identity(const DQuat& q) {
    return 2.0 * std::acos(clamp_to_one(std::fabs(q.w()))) < 2.8272965492323474e-7;
}

// (1 − s)·a + s·(bias·b), normalised; no test for a zero blend.
inline DQuat blend_normalized(const DQuat& a, const DQuat& b, double s, double bias) {
    const DVec4 r = a.xyzw * (1.0 - s) + (b.xyzw * bias) * s;
    return {normalize(r)};
}

inline DQuat lerp(const DQuat& a, const DQuat& end, double s) {
    const double d = dot(a.xyzw, end.xyzw);
    const double bias = (d < 0.0 || std::isnan(d)) ? -1.0 : 1.0;
    return blend_normalized(a, end, s, bias);
}

inline DQuat slerp(const DQuat& a, DQuat end, double s) {
    double d = dot(a.xyzw, end.xyzw);
    if (d < 0.0) {
        end.xyzw = -end.xyzw;
        d = -d;
    }
    // 1 − 2⁻⁵², the largest double below 1: closer inputs would divide by a
    // vanishing sin θ.
    if (d > 0.9999999999999998) return blend_normalized(a, end, s, 1.0);
    const double theta = std::acos(d);
    const double x = std::sin((1.0 - s) * theta);
    const double y = std::sin(s * theta);
    return {(a.xyzw * x + end.xyzw * y) * (1.0 / std::sin(theta))};
}

inline DQuat rotate_towards(const DQuat& q, const DQuat& rhs, double max_angle) {
    const double angle = angle_between(q, rhs);
    if (angle <= 1e-4) return rhs;
    const double t = max_angle / angle;
    return slerp(q, rhs, t < -1.0 ? -1.0 : t > 1.0 ? 1.0 : t);
}

struct AxisAngle {
    DVec3 axis;
    double angle;
};
// A NaN vector length fails the test and yields the X axis with angle 0.
inline AxisAngle to_axis_angle(const DQuat& q) {
    const double len = length(q.xyz());
    if (len >= 1e-8) return {q.xyz() / len, 2.0 * std::atan2(len, q.w())};
    return {{1.0, 0.0, 0.0}, 0.0};
}
inline DVec3 to_scaled_axis(const DQuat& q) {
    const double len = length(q.xyz());
    if (len >= 1e-8) return (q.xyz() / len) * (2.0 * std::atan2(len, q.w()));
    return {0.0, 0.0, 0.0};
}

// angle / 2 and angle·0.5 are the same double.
inline DQuat quat_from_axis_angle(const DVec3& axis, double angle) { return {axis_angle_quat(axis, angle)}; }
// A NaN squared length is not 0.0 and gives NaN components.
inline DQuat quat_from_scaled_axis(const DVec3& v) {
    const double q2 = length_squared(v);
    if (q2 == 0.0) return kQuatIdentity;
    const double len = std::sqrt(q2);
    return quat_from_axis_angle(v / len, len);
}
inline DQuat quat_from_rotation_x(double angle) {
    return {{std::sin(angle * 0.5), 0.0, 0.0, std::cos(angle * 0.5)}};
}
inline DQuat quat_from_rotation_y(double angle) {
    return {{0.0, std::sin(angle * 0.5), 0.0, std::cos(angle * 0.5)}};
}
inline DQuat quat_from_rotation_z(double angle) {
    return {{0.0, 0.0, std::sin(angle * 0.5), std::cos(angle * 0.5)}};
}

// (f × t, d + 1) normalised: the shortest arc for directions not parallel.
inline DQuat arc_between(const DVec3& f, const DVec3& t, double d) {
    const DVec3 c = cross(f, t);
    return {normalize(DVec4{c[0], c[1], c[2], d + 1.0})};
}

inline DQuat quat_from_rotation_arc(const DVec3& from, const DVec3& to) {
    const DVec3& f = from;
    const double d = (f[0] * to[0] + f[1] * to[1]) + f[2] * to[2];
    if (d > kArcParallel) return kQuatIdentity;
    if (d < -kArcParallel) {
        // A half turn about a unit vector perpendicular to f (for a unit f).
        const double g = std::isnan(f[2]) ? f[2] : std::copysign(1.0, f[2]);
        const double h = -1.0 / (g + f[2]);
        return {{(f[0] * f[1]) * h, g + (f[1] * f[1]) * h, -f[1], kCosHalfPi}};
    }
    return arc_between(f, to, d);
}

// Towards `to` or −`to`, whichever is nearer, so opposite directions give
// the identity.
inline DQuat quat_from_rotation_arc_colinear(const DVec3& from, const DVec3& to) {
    const double d0 = (from[0] * to[0] + from[1] * to[1]) + from[2] * to[2];
    const DVec3 t = d0 < 0.0 ? -to : to;
    const double d = (from[0] * t[0] + from[1] * t[1]) + from[2] * t[2];
    if (d > kArcParallel) return kQuatIdentity;
    return arc_between(from, t, d);
}

// The rotation turning unit direction r into unit direction d. Opposite
// directions turn by π about an axis perpendicular to r, with cos(π/2)
// rounded to the nearest double.
inline DQuat quat_from_unit_directions(const DVec3& r, const DVec3& d) {
    const DVec3 n = cross(r, d);
    const double s = length(n), c = dot(r, d);
    if (s >= 1e-10 || std::isnan(s)) {
        const DVec3 axis = n / s;
        const double theta = std::atan2(s, c);
        const DVec3 v = axis * std::sin(theta / 2.0);
        return {{v[0], v[1], v[2], std::cos(theta / 2.0)}};
    }
    if (c > 0.0) return kQuatIdentity;
    const DVec3 p = std::fabs(r[0]) < 0.9 ? cross(r, {1.0, 0.0, 0.0}) : cross(r, {0.0, 1.0, 0.0});
    const DVec3 axis = p * (1.0 / length(p));
    return {{axis[0], axis[1], axis[2], kCosHalfPi}};
}

inline DQuat quat_from_rotation_arc_2d(const DVec2& f, const DVec2& t) {
    const double d = f[0] * t[0] + f[1] * t[1];
    if (d > kArcParallel) return kQuatIdentity;
    if (d < -kArcParallel) return {{0.0, 0.0, 1.0, 0.0}};
    const double z = f[0] * t[1] - f[1] * t[0];
    const double w = d + 1.0;
    const double r = 1.0 / std::sqrt(z * z + w * w);
    return {{0.0, 0.0, z * r, w * r}};
}

}  // namespace vx
