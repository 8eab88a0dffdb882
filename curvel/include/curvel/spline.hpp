#pragma once

#include <cstddef>
#include <vector>

#include "curvel/curve.hpp"
#include "curvel/math/vec3f.hpp"
#include "curvel/nearest.hpp"

namespace curvel {

// Uniform Catmull-Rom spline (tension one half) through all its points: it
// passes points[k] at t = k/(n − 1). Any count is legal; 0 points evaluate to
// the origin, 1 point to that point.
struct Spline {
  std::vector<Vec3> points;

  friend bool operator==(const Spline&, const Spline&) = default;
};

Vec3 point(const Spline& curve, float t);
Vec3 velocity(const Spline& curve, float t);
Vec3 acceleration(const Spline& curve, float t);

// Sub-intervals of the arc-length quadrature: max(8·(n − 1), 16).
std::size_t quadrature_intervals(const Spline& curve);

// Arc length from 0 to t over m sub-intervals; 0 for t <= 0.
float integrate_speed(const Spline& curve, float t, std::size_t m);
float arc_length(const Spline& curve);
float arc_length_to(const Spline& curve, float t);
float t_at_distance(const Spline& curve, float s);

// 16 samples per segment, then a ternary search around the best one.
Nearest nearest(const Spline& curve, Vec3 query);

// point(a), the points strictly inside (a, b) by more than EPS, point(b).
Spline subcurve(const Spline& curve, float t0, float t1);

}  // namespace curvel
