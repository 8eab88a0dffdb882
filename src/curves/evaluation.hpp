#pragma once
// How the curve classes evaluate a library curve. Every kind is evaluated by
// the library, except the second derivative of the cubic: the classes group
// it as ((P0 − 2·P1) + P2)·6, the library as (P0 + (P2 − 2·P1))·6, and the
// two differ in the last bits. `evaluated(curve)` gives what the classes
// evaluate, for the cubic a view carrying their own second derivative, which
// the library's normal and curvature then take up.
#include <cstddef>

#include "curvel/bezier.hpp"
#include "curvel/curve.hpp"
#include "curvel/nearest.hpp"
#include "curvel/polyline.hpp"
#include "curvel/spline.hpp"

namespace vx::curves {

struct ClassCubic {
    const curvel::CubicBezier& curve;
};

inline curvel::Vec3 point(const ClassCubic& c, float t) { return curvel::point(c.curve, t); }
inline curvel::Vec3 velocity(const ClassCubic& c, float t) { return curvel::velocity(c.curve, t); }
// 2·P is formed as P + P; then lerp(A0, A1) with both products formed first.
inline curvel::Vec3 acceleration(const ClassCubic& c, float t) {
    const auto& [P0, P1, P2, P3] = c.curve.points;
    const curvel::Vec3 A0 = ((P0 - (P1 + P1)) + P2) * 6.0f;
    const curvel::Vec3 A1 = ((P1 - (P2 + P2)) + P3) * 6.0f;
    const float s = 1.0f - t;
    return A0 * s + A1 * t;
}

template <class C>
const C& evaluated(const C& curve) {
    return curve;
}
inline ClassCubic evaluated(const curvel::CubicBezier& curve) { return {curve}; }

// Bezier curves are searched by sampling, splines and polylines by their own
// routines.
template <std::size_t N>
curvel::Nearest nearest_to(const curvel::Bezier<N>& curve, curvel::Vec3 query) {
    return curvel::sampled_nearest(curve, query);
}
template <class C>
curvel::Nearest nearest_to(const C& curve, curvel::Vec3 query) {
    return curvel::nearest(curve, query);
}

}  // namespace vx::curves
