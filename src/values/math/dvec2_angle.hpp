#pragma once
// Vector math that only two components have: the perpendicular, the scalar
// cross product, rotation as a complex product, the signed angle and the
// 2-D rotate_towards.
#include <cmath>
#include <limits>
#include <numbers>

#include "dvec.hpp"
#include "dvec_math.hpp"

namespace vx {

// A quarter turn counter-clockwise.
constexpr DVec2 perp(const DVec2& v) {
    return {-v[1], v[0]};
}

// x·rhs.y − y·rhs.x, computed as rhs.y·x − rhs.x·y; positive when rhs lies
// counter-clockwise of v.
constexpr double perp_dot(const DVec2& v, const DVec2& rhs) {
    return rhs[1] * v[0] - rhs[0] * v[1];
}

// The complex product v·rhs: rotates by rhs's angle and scales by its length.
constexpr DVec2 rotate(const DVec2& v, const DVec2& rhs) {
    return {v[0] * rhs[0] - v[1] * rhs[1], v[1] * rhs[0] + v[0] * rhs[1]};
}

// Signed angle from v to rhs in [-π, π]. The sign comes from the sign bit of
// perp_dot, so a +0.0 gives +1 and a -0.0 gives -1; zero vectors give NaN.
inline double angle_to(const DVec2& v, const DVec2& rhs) {
    const double c = dot(v, rhs) / std::sqrt(length_squared(rhs) * length_squared(v));
    const double a = std::acos(clamp_to_unit(c));
    const double s = perp_dot(v, rhs);
    const double sign = std::isnan(s) ? std::numeric_limits<double>::quiet_NaN() : std::copysign(1.0, s);
    return a * sign;
}

// Turns v towards rhs by at most max_angle radians, keeping |v|; a negative
// max_angle turns away, at most until v points opposite to rhs. Without an
// angle between the two (a zero, infinite or NaN vector) the clamp range is
// undefined and the result is NaN, as the arithmetic gives elsewhere.
inline DVec2 rotate_towards(const DVec2& v, const DVec2& rhs, double max_angle) {
    const double a = angle_to(v, rhs);
    const double m = std::fabs(a);
    if (std::isnan(m)) return DVec2::splat(std::numeric_limits<double>::quiet_NaN());
    const double lowest = m - std::numbers::pi;
    double theta = max_angle < lowest ? lowest : max_angle;
    theta = theta > m ? m : theta;
    theta = theta * std::copysign(1.0, a);
    const double s = std::sin(theta), c = std::cos(theta);
    return {v[0] * c - v[1] * s, v[0] * s + v[1] * c};
}

}  // namespace vx
